#include "saves/save_header.h"

#include <algorithm>
#include <cstring>

#include "platform/save_files.h"
#include "texts/catalogue.h"

namespace quarlo::saves {

namespace {

constexpr std::string_view magic = "TES4SAVEGAME";
// Where the save number is: the header's size counts from there.
constexpr std::uint64_t kSaveNumberAt = 38;
// After the plugin list: the form-id table's offset and three counts.
constexpr std::size_t kTailFields = 16;
// The longest plugin list: 255 names of up to 255 bytes, each with its
// length, and its count.
constexpr std::size_t kLongestPluginList = 1 + 255 * 256;

// Reads little-endian fields one after another; once a field runs past the
// end every later read fails too, so a parse checks `ok()` where it matters.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    std::size_t position() const { return at_; }

    std::string_view take(std::size_t n) {
        if (!ok_ || bytes_.size() - at_ < n) {
            ok_ = false;
            return {};
        }
        const std::string_view out = bytes_.substr(at_, n);
        at_ += n;
        return out;
    }

    std::uint64_t unsignedLe(std::size_t n) {
        const std::string_view b = take(n);
        std::uint64_t v = 0;
        for (std::size_t i = b.size(); i-- > 0;) {
            v = (v << 8) | static_cast<unsigned char>(b[i]);
        }
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(unsignedLe(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(unsignedLe(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(unsignedLe(4)); }

    float f32() {
        const std::uint32_t raw = u32();
        float v = 0;
        static_assert(sizeof v == sizeof raw);
        std::memcpy(&v, &raw, sizeof v);
        return v;
    }

    SystemTime systemTime() {
        SystemTime t;
        t.year = u16();
        t.month = u16();
        t.dayOfWeek = u16();
        t.day = u16();
        t.hour = u16();
        t.minute = u16();
        t.second = u16();
        t.milliseconds = u16();
        return t;
    }

    // A length byte that counts the closing NUL, then the bytes. The text is
    // kept up to its first NUL, as the game shows it.
    std::string text() {
        const std::string_view raw = take(u8());
        return std::string(raw.substr(0, raw.find('\0')));
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

HeaderResult unreadable(Unreadable reason) {
    return HeaderResult{std::nullopt, reason};
}

}  // namespace

std::int64_t millisecondsSince1970(const SystemTime& t) {
    // Days from the civil date (proleptic Gregorian), after H. Hinnant.
    const std::int64_t month = t.month;
    const std::int64_t year = static_cast<std::int64_t>(t.year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + t.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = era * 146097 + dayOfEra - 719468;
    return ((days * 24 + t.hour) * 60 + t.minute) * 60000 + t.second * 1000LL + t.milliseconds;
}

const char* describe(Unreadable reason) {
    switch (reason) {
        case Unreadable::none:
            return N_("Readable.");
        case Unreadable::cannotRead:
            return N_("Cannot be read.");
        case Unreadable::notASave:
            return N_("Not a save file.");
        case Unreadable::cutShort:
            return N_("Cut short.");
        case Unreadable::screenshotSizeMismatch:
            return N_("Screenshot size does not match.");
        case Unreadable::screenshotTooLarge:
            return N_("Screenshot too large.");
        case Unreadable::damagedHeader:
            return N_("Damaged header.");
        case Unreadable::otherGame:
            return N_("A save of another game.");
    }
    return N_("Cannot be read.");
}

HeaderResult parseHeader(std::string_view bytes, std::optional<std::uint64_t> fileSize) {
    if (bytes.substr(0, magic.size()) != magic.substr(0, bytes.size())) {
        return unreadable(Unreadable::notASave);
    }
    Reader in(bytes);
    in.take(magic.size());
    SaveHeader h;
    h.majorVersion = in.u8();
    h.minorVersion = in.u8();
    h.characterStamp = in.systemTime();
    h.headerVersion = in.u32();
    h.headerSize = in.u32();
    h.saveNumber = in.u32();
    h.playerName = in.text();
    h.playerLevel = in.u16();
    h.location = in.text();
    h.daysPassed = in.f32();
    h.playTimeMs = in.u32();
    h.saveTime = in.systemTime();
    h.characterKey = static_cast<std::uint64_t>(millisecondsSince1970(h.characterStamp));
    const std::uint32_t screenshotSize = in.u32();
    h.screenshotWidth = in.u32();
    h.screenshotHeight = in.u32();
    if (!in.ok()) {
        return unreadable(Unreadable::cutShort);
    }
    h.screenshotOffset = in.position();
    if (h.screenshotWidth > maxScreenshotSide || h.screenshotHeight > maxScreenshotSide) {
        return unreadable(Unreadable::screenshotTooLarge);
    }
    // Both sides are at most 2048, so none of this overflows.
    const std::uint64_t pixelBytes = std::uint64_t{h.screenshotWidth} * h.screenshotHeight * 3;
    if (screenshotSize != pixelBytes + 8) {
        return unreadable(Unreadable::screenshotSizeMismatch);
    }
    if (h.headerSize != h.screenshotOffset + pixelBytes - kSaveNumberAt) {
        return unreadable(Unreadable::damagedHeader);
    }
    if (fileSize && *fileSize < h.screenshotOffset + pixelBytes) {
        return unreadable(Unreadable::cutShort);
    }
    return HeaderResult{std::move(h), Unreadable::none};
}

HeaderResult readSave(platform::OpenedFile& file) {
    const auto page = file.read(0, headerReadSize);
    if (!page) {
        return unreadable(Unreadable::cannotRead);
    }
    HeaderResult result = parseHeader(*page, file.size());
    if (!result.header) {
        return result;
    }
    SaveHeader& h = *result.header;
    // The plugin list and the fields after it, in one read where the list is
    // of a usual length, in a second where it is longer.
    const std::uint64_t tailAt = kSaveNumberAt + h.headerSize;
    std::size_t asked = 1024;
    auto tail = file.read(tailAt, asked);
    if (!tail) {
        return unreadable(Unreadable::cannotRead);
    }
    Reader in(*tail);
    // Whether `n` more bytes are at hand, or the file ends before them.
    const auto ensure = [&](std::size_t n) {
        if (tail->size() - in.position() >= n || tail->size() < asked ||
            asked == kLongestPluginList + kTailFields) {
            return true;
        }
        asked = kLongestPluginList + kTailFields;
        const std::size_t at = in.position();
        tail = file.read(tailAt, asked);
        if (!tail) {
            return false;
        }
        in = Reader(*tail);
        in.take(at);
        return true;
    };
    const std::uint8_t count = in.u8();
    for (int i = 0; i < count && in.ok(); ++i) {
        if (!ensure(256)) {
            return unreadable(Unreadable::cannotRead);
        }
        h.plugins.emplace_back(in.take(in.u8()));
    }
    if (!in.ok()) {
        // The file ends inside the list: its count or a length is wrong.
        return unreadable(Unreadable::damagedHeader);
    }
    if (!ensure(kTailFields)) {
        return unreadable(Unreadable::cannotRead);
    }
    const std::uint64_t fieldsEnd = tailAt + in.position() + kTailFields;
    if (file.size() < fieldsEnd) {
        return unreadable(Unreadable::cutShort);
    }
    const std::uint32_t formIdsAt = in.u32();
    if (formIdsAt < fieldsEnd) {
        return unreadable(Unreadable::damagedHeader);
    }
    // The two form-id arrays, each a count and that many u32, end the file.
    std::uint64_t end = formIdsAt;
    for (int array = 0; array < 2; ++array) {
        const auto counted = file.read(end, 4);
        if (!counted) {
            return unreadable(Unreadable::cannotRead);
        }
        Reader n(*counted);
        const std::uint32_t items = n.u32();
        if (!n.ok()) {
            return unreadable(Unreadable::cutShort);
        }
        end += 4 + std::uint64_t{items} * 4;
    }
    if (file.size() < end) {
        return unreadable(Unreadable::cutShort);
    }
    return result;
}

namespace {

// A save held in memory, read as a file is.
class BytesFile : public platform::OpenedFile {
  public:
    explicit BytesFile(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::int64_t modifiedLocalMs() const override { return 0; }
    std::optional<std::string> read(std::uint64_t offset, std::size_t count) override {
        if (offset >= bytes_.size()) {
            return std::string();
        }
        return std::string(bytes_.substr(static_cast<std::size_t>(offset), count));
    }

  private:
    std::string_view bytes_;
};

}  // namespace

HeaderResult parseSave(std::string_view bytes) {
    BytesFile file(bytes);
    return readSave(file);
}

HeaderResult readHeader(const platform::SaveFiles& files, const std::string& path,
                        games::SaveLayout layout) {
    const auto file = files.open(path);
    if (!file) {
        return unreadable(Unreadable::cannotRead);
    }
    return readSave(*file, layout);
}

Screenshot fitWidth(Screenshot shot, std::uint32_t maxWidth) {
    if (maxWidth == 0 || shot.width <= maxWidth || shot.height == 0 ||
        shot.rgb.size() != std::size_t{shot.width} * shot.height * 3) {
        return shot;
    }
    const std::uint32_t width = maxWidth;
    const std::uint32_t height = std::max<std::uint32_t>(
        1, static_cast<std::uint32_t>(std::uint64_t{shot.height} * width / shot.width));
    Screenshot out{width, height, std::string(std::size_t{width} * height * 3, '\0')};
    // Each output pixel averages the source block [x0, x1) x [y0, y1), so the
    // cost is one pass over the source whatever the ratio.
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint64_t y0 = std::uint64_t{y} * shot.height / height;
        const std::uint64_t y1 = std::max(y0 + 1, std::uint64_t{y + 1} * shot.height / height);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint64_t x0 = std::uint64_t{x} * shot.width / width;
            const std::uint64_t x1 = std::max(x0 + 1, std::uint64_t{x + 1} * shot.width / width);
            std::uint64_t sum[3] = {0, 0, 0};
            for (std::uint64_t sy = y0; sy < y1; ++sy) {
                const auto* row =
                    reinterpret_cast<const unsigned char*>(shot.rgb.data()) + sy * shot.width * 3;
                for (std::uint64_t sx = x0; sx < x1; ++sx) {
                    sum[0] += row[sx * 3];
                    sum[1] += row[sx * 3 + 1];
                    sum[2] += row[sx * 3 + 2];
                }
            }
            const std::uint64_t n = (y1 - y0) * (x1 - x0);
            char* to = out.rgb.data() + (std::size_t{y} * width + x) * 3;
            for (int c = 0; c < 3; ++c) {
                to[c] = static_cast<char>(static_cast<unsigned char>((sum[c] + n / 2) / n));
            }
        }
    }
    return out;
}

ScreenshotResult readScreenshot(const platform::SaveFiles& files, const std::string& path,
                                games::SaveLayout layout) {
    const auto file = files.open(path);
    if (!file) {
        return ScreenshotResult{std::nullopt, Unreadable::cannotRead};
    }
    HeaderResult head;
    if (layout == games::SaveLayout::oblivion) {
        const auto page = file->read(0, headerReadSize);
        if (!page) {
            return ScreenshotResult{std::nullopt, Unreadable::cannotRead};
        }
        head = parseHeader(*page, file->size());
    } else {
        head = readSave(*file, layout);
    }
    if (!head.header) {
        return ScreenshotResult{std::nullopt, head.reason};
    }
    const SaveHeader& h = *head.header;
    const std::size_t pixels = std::size_t{h.screenshotWidth} * h.screenshotHeight;
    const std::size_t pixelBytes = pixels * h.bytesPerPixel;
    auto read = file->read(h.screenshotOffset, pixelBytes);
    if (!read) {
        return ScreenshotResult{std::nullopt, Unreadable::cannotRead};
    }
    // The file may have been cut or replaced since its header was read.
    if (read->size() != pixelBytes) {
        return ScreenshotResult{std::nullopt, Unreadable::cutShort};
    }
    if (h.bytesPerPixel == 4) {
        // RGBA, its alpha always opaque: made RGB in place.
        for (std::size_t i = 0; i < pixels; ++i) {
            (*read)[i * 3] = (*read)[i * 4];
            (*read)[i * 3 + 1] = (*read)[i * 4 + 1];
            (*read)[i * 3 + 2] = (*read)[i * 4 + 2];
        }
        read->resize(pixels * 3);
    }
    return ScreenshotResult{Screenshot{h.screenshotWidth, h.screenshotHeight, std::move(*read)},
                            Unreadable::none};
}

}  // namespace quarlo::saves
