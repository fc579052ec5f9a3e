// The headers of the later games' saves, one reader a layout; Oblivion's is
// save_header.cpp's own. Every length is checked against the bytes there
// before it is trusted: a save is read back from a disk anyone can write.
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/clock.h"
#include "platform/save_files.h"
#include "saves/lz4.h"
#include "saves/save_header.h"

namespace quarlo::saves {

namespace {

using games::SaveLayout;

constexpr std::string_view kSkyrim = "TESV_SAVEGAME";
constexpr std::string_view kFallout4 = "FO4_SAVEGAME";
constexpr std::string_view kFallout3 = "FO3SAVEGAME";
constexpr std::string_view kOblivion = "TES4SAVEGAME";

// The most a plugin list of the later games holds: 255 full plugins and
// 4,096 light ones, each name of up to 512 bytes with its length.
constexpr std::uint64_t kLongestPluginInfo = (255 + 4096) * 514 + 8;
// How much of Skyrim Special Edition's compressed body is read with its
// lengths: enough for the plugin lists of a save with some 250 plugins.
constexpr std::size_t kBodyStart = 8192;

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
    std::uint64_t le(std::size_t n) {
        const std::string_view b = take(n);
        std::uint64_t v = 0;
        for (std::size_t i = b.size(); i-- > 0;) {
            v = (v << 8) | static_cast<unsigned char>(b[i]);
        }
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(le(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(le(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(le(4)); }
    // A u16 length, then the bytes (no NUL).
    std::string wstring() { return std::string(take(u16())); }
    // The Fallout 3 engine's form: every field followed by '|'.
    void bar() {
        if (take(1) != "|") {
            ok_ = false;
        }
    }
    std::uint32_t u32Bar() {
        const std::uint32_t v = u32();
        bar();
        return v;
    }
    std::string wstringBar() {
        const std::uint16_t n = u16();
        bar();
        std::string s(take(n));
        bar();
        return s;
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

HeaderResult failed(Unreadable reason) {
    return HeaderResult{std::nullopt, reason};
}

// "HHH.MM.SS", or Fallout 4's "0d.2h.1m.0 days…" (its words in the game's
// language: only the leading digits of each part count), in milliseconds.
std::uint32_t playTimeOf(std::string_view text, bool daysHoursMinutes) {
    std::uint64_t parts[3] = {0, 0, 0};
    for (int i = 0; i < 3 && !text.empty(); ++i) {
        std::uint64_t n = 0;
        std::size_t at = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && n < 1000000) {
            n = n * 10 + static_cast<std::uint64_t>(text[at] - '0');
            ++at;
        }
        parts[i] = n;
        const std::size_t dot = text.find('.');
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    const std::uint64_t seconds = daysHoursMinutes
                                      ? ((parts[0] * 24 + parts[1]) * 60 + parts[2]) * 60
                                      : (parts[0] * 60 + parts[1]) * 60 + parts[2];
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(seconds * 1000, 0xFFFFFFFFu));
}

// A FILETIME (UTC) as the local SYSTEMTIME Oblivion's saves hold, so that
// every game's saves sort and show alike.
SystemTime localTimeOf(std::uint64_t filetime) {
    constexpr std::int64_t kMsFrom1601To1970 = 11644473600000LL;
    const std::int64_t utcMs = static_cast<std::int64_t>(filetime / 10000) - kMsFrom1601To1970;
    return systemTimeOf(platform::utcToLocalMs(utcMs));
}

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

// The screenshot's place, checked: sides the game could write and pixels
// that fit in the file.
std::optional<Unreadable> placeScreenshot(SaveHeader& h, std::uint64_t at, std::uint64_t fileSize) {
    if (h.screenshotWidth > maxScreenshotSide || h.screenshotHeight > maxScreenshotSide) {
        return Unreadable::screenshotTooLarge;
    }
    h.screenshotOffset = at;
    const std::uint64_t bytes =
        std::uint64_t{h.screenshotWidth} * h.screenshotHeight * h.bytesPerPixel;
    if (fileSize < at + bytes) {
        return Unreadable::cutShort;
    }
    return std::nullopt;
}

// The plugin lists as the later games write them: a u8 count and names,
// then, where the form version has them, a u16 count of light plugins and
// their names. The bytes must be exactly `size` long.
bool readPluginLists(std::string_view bytes, SaveHeader& h, bool light) {
    Reader in(bytes);
    const std::uint8_t count = in.u8();
    for (int i = 0; i < count && in.ok(); ++i) {
        h.plugins.push_back(in.wstring());
    }
    if (light && in.ok()) {
        const std::uint16_t lights = in.u16();
        for (int i = 0; i < lights && in.ok(); ++i) {
            h.lightPlugins.push_back(in.wstring());
        }
    }
    return in.ok() && in.position() == bytes.size();
}

// Skyrim, in both its editions: the fields up to the screenshot.
HeaderResult skyrimHeader(platform::OpenedFile& file, const std::string& page, bool special) {
    Reader in(page);
    in.take(kSkyrim.size());
    SaveHeader h;
    h.headerSize = in.u32();
    h.headerVersion = in.u32();
    h.saveNumber = in.u32();
    h.playerName = in.wstring();
    h.playerLevel = static_cast<std::uint16_t>(std::min<std::uint32_t>(in.u32(), 65535));
    h.location = in.wstring();
    const std::string played = in.wstring();
    h.race = in.wstring();
    in.u16();    // sex
    in.take(8);  // experience now and needed
    const std::uint64_t filetime = in.le(8);
    h.screenshotWidth = in.u32();
    h.screenshotHeight = in.u32();
    std::uint16_t compression = 0;
    if (special) {
        compression = in.u16();
    }
    if (!in.ok()) {
        return failed(page.size() < headerReadSize ? Unreadable::cutShort
                                                   : Unreadable::damagedHeader);
    }
    if (in.position() != kSkyrim.size() + 4 + h.headerSize) {
        return failed(Unreadable::damagedHeader);
    }
    h.playTimeMs = playTimeOf(played, false);
    h.saveTime = localTimeOf(filetime);
    h.textUtf8 = true;
    // Skyrim (2011) writes its location in the player's code page.
    h.locationUtf8 = special || validUtf8(h.location);
    h.bytesPerPixel = special ? 4 : 3;
    if (const auto why = placeScreenshot(h, in.position(), file.size())) {
        return failed(*why);
    }
    const std::uint64_t after = h.screenshotOffset + std::uint64_t{h.screenshotWidth} *
                                                         h.screenshotHeight * h.bytesPerPixel;
    if (!special || compression == 0) {
        // The plugins after the pixels: form version, the lists' size, the lists.
        const auto head = file.read(after, 5);
        if (!head || head->size() < 5) {
            return failed(head ? Unreadable::cutShort : Unreadable::cannotRead);
        }
        Reader f(*head);
        const std::uint8_t form = f.u8();
        const std::uint32_t size = f.u32();
        if (size > kLongestPluginInfo || after + 5 + size > file.size()) {
            return failed(Unreadable::damagedHeader);
        }
        const auto lists = file.read(after + 5, size);
        if (!lists || lists->size() != size) {
            return failed(Unreadable::cannotRead);
        }
        if (!readPluginLists(*lists, h, special && form >= 78)) {
            return failed(Unreadable::damagedHeader);
        }
        return HeaderResult{std::move(h), Unreadable::none};
    }
    if (compression != 2) {
        // zlib is defined, but no save of the game is known to use it.
        return failed(Unreadable::damagedHeader);
    }
    // The block's two lengths and its start, in one read: as far as the
    // plugin lists of nearly every save reach. Only a longer list reads on.
    const std::uint64_t head =
        file.size() > after ? std::min<std::uint64_t>(file.size() - after, 8 + kBodyStart) : 0;
    auto start = file.read(after, static_cast<std::size_t>(head));
    if (!start || start->size() < 8) {
        return failed(start ? Unreadable::cutShort : Unreadable::cannotRead);
    }
    Reader l(*start);
    l.u32();  // the whole body's length once decoded
    const std::uint32_t packed = l.u32();
    if (after + 8 + packed > file.size()) {
        return failed(Unreadable::cutShort);
    }
    // Only the start of the block: the form version and the lists' size
    // first, then as far as the lists reach. An LZ4 block never takes more
    // than n + n/255 + 16 bytes to make n.
    const auto decoded = [&](std::size_t wanted) -> std::optional<std::string> {
        const std::uint64_t need = std::min<std::uint64_t>(packed, wanted + wanted / 255 + 64);
        if (need <= start->size() - 8) {
            return lz4Decompress(std::string_view(*start).substr(8, need), wanted);
        }
        const auto block = file.read(after + 8, static_cast<std::size_t>(need));
        if (!block || block->size() != need) {
            return std::nullopt;
        }
        return lz4Decompress(*block, wanted);
    };
    const auto first = decoded(5);
    if (!first || first->size() < 5) {
        return failed(Unreadable::damagedHeader);
    }
    Reader f(*first);
    const std::uint8_t form = f.u8();
    const std::uint32_t size = f.u32();
    if (size > kLongestPluginInfo) {
        return failed(Unreadable::damagedHeader);
    }
    const auto body = decoded(5 + size);
    if (!body || body->size() != 5 + size ||
        !readPluginLists(std::string_view(*body).substr(5), h, form >= 78)) {
        return failed(Unreadable::damagedHeader);
    }
    return HeaderResult{std::move(h), Unreadable::none};
}

HeaderResult fallout4Header(platform::OpenedFile& file, const std::string& page) {
    Reader in(page);
    in.take(kFallout4.size());
    SaveHeader h;
    h.headerSize = in.u32();
    h.headerVersion = in.u32();
    h.saveNumber = in.u32();
    h.playerName = in.wstring();
    h.playerLevel = static_cast<std::uint16_t>(std::min<std::uint32_t>(in.u32(), 65535));
    h.location = in.wstring();
    const std::string played = in.wstring();
    h.race = in.wstring();
    in.u16();
    in.take(8);
    const std::uint64_t filetime = in.le(8);
    h.screenshotWidth = in.u32();
    h.screenshotHeight = in.u32();
    if (!in.ok()) {
        return failed(page.size() < headerReadSize ? Unreadable::cutShort
                                                   : Unreadable::damagedHeader);
    }
    if (in.position() != kFallout4.size() + 4 + h.headerSize) {
        return failed(Unreadable::damagedHeader);
    }
    h.playTimeMs = playTimeOf(played, true);
    h.saveTime = localTimeOf(filetime);
    h.textUtf8 = h.locationUtf8 = true;
    h.bytesPerPixel = 4;
    if (const auto why = placeScreenshot(h, in.position(), file.size())) {
        return failed(*why);
    }
    const std::uint64_t after =
        h.screenshotOffset + std::uint64_t{h.screenshotWidth} * h.screenshotHeight * 4;
    // Form version, the game's version, the lists' size, the lists.
    const auto head = file.read(after, 512 + 7);
    if (!head) {
        return failed(Unreadable::cannotRead);
    }
    Reader f(*head);
    const std::uint8_t form = f.u8();
    h.gameVersion = f.wstring();
    const std::uint32_t size = f.u32();
    if (!f.ok()) {
        return failed(Unreadable::cutShort);
    }
    const std::uint64_t listsAt = after + f.position();
    if (size > kLongestPluginInfo || listsAt + size > file.size()) {
        return failed(Unreadable::damagedHeader);
    }
    const auto lists = file.read(listsAt, size);
    if (!lists || lists->size() != size) {
        return failed(Unreadable::cannotRead);
    }
    if (!readPluginLists(*lists, h, form >= 68)) {
        return failed(Unreadable::damagedHeader);
    }
    return HeaderResult{std::move(h), Unreadable::none};
}

HeaderResult fallout3Header(platform::OpenedFile& file, const std::string& page, bool newVegas) {
    Reader in(page);
    in.take(kFallout3.size());
    SaveHeader h;
    h.headerSize = in.u32();
    h.headerVersion = in.u32Bar();
    if (newVegas) {
        // The game's language, NUL-padded to 64 bytes.
        const std::string_view language = in.take(64);
        if (in.ok() && language.find('\0') == std::string_view::npos) {
            return failed(Unreadable::damagedHeader);
        }
        in.bar();
    }
    h.screenshotWidth = in.u32Bar();
    h.screenshotHeight = in.u32Bar();
    h.saveNumber = in.u32Bar();
    h.playerName = in.wstringBar();
    h.title = in.wstringBar();
    h.playerLevel = static_cast<std::uint16_t>(std::min<std::uint32_t>(in.u32Bar(), 65535));
    h.location = in.wstringBar();
    const std::string played = in.wstringBar();
    // Cut short only where the file ends before the header says it does; a
    // missing '|' or a string past the header's end is damage.
    const std::uint64_t headerEnd = kFallout3.size() + 4 + std::uint64_t{h.headerSize};
    if (!in.ok()) {
        return failed(page.size() < headerReadSize && page.size() < headerEnd
                          ? Unreadable::cutShort
                          : Unreadable::damagedHeader);
    }
    if (in.position() != headerEnd) {
        return failed(Unreadable::damagedHeader);
    }
    h.playTimeMs = playTimeOf(played, false);
    h.timed = false;
    h.bytesPerPixel = 3;
    if (const auto why = placeScreenshot(h, in.position(), file.size())) {
        return failed(*why);
    }
    const std::uint64_t after =
        h.screenshotOffset + std::uint64_t{h.screenshotWidth} * h.screenshotHeight * 3;
    const auto head = file.read(after, 7);
    if (!head || head->size() < 7) {
        return failed(head ? Unreadable::cutShort : Unreadable::cannotRead);
    }
    Reader f(*head);
    f.u8();  // form version
    const std::uint32_t size = f.u32();
    if (size > kLongestPluginInfo || after + 5 + size > file.size()) {
        return failed(Unreadable::damagedHeader);
    }
    const auto lists = file.read(after + 5, size);
    if (!lists || lists->size() != size) {
        return failed(Unreadable::cannotRead);
    }
    Reader l(*lists);
    const std::uint8_t count = l.u8();
    l.bar();
    for (int i = 0; i < count && l.ok(); ++i) {
        h.plugins.push_back(l.wstringBar());
    }
    if (!l.ok()) {
        return failed(Unreadable::damagedHeader);
    }
    return HeaderResult{std::move(h), Unreadable::none};
}

}  // namespace

SystemTime systemTimeOf(std::int64_t ms) {
    SystemTime t;
    // Civil date from days, after H. Hinnant.
    std::int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    const std::int64_t rest = ms - days * 86400000;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    t.year = static_cast<std::uint16_t>(std::clamp<std::int64_t>(year, 0, 65535));
    t.month = static_cast<std::uint16_t>(month);
    t.day = static_cast<std::uint16_t>(day);
    // 1970-01-01 was a Thursday.
    t.dayOfWeek = static_cast<std::uint16_t>((((days - 719468) % 7) + 11) % 7);
    t.hour = static_cast<std::uint16_t>(rest / 3600000);
    t.minute = static_cast<std::uint16_t>(rest / 60000 % 60);
    t.second = static_cast<std::uint16_t>(rest / 1000 % 60);
    t.milliseconds = static_cast<std::uint16_t>(rest % 1000);
    return t;
}

games::SaveLayout layoutOf(std::string_view b) {
    if (b.starts_with(kOblivion)) {
        return SaveLayout::oblivion;
    }
    if (b.starts_with(kFallout4)) {
        return SaveLayout::fallout4;
    }
    if (b.starts_with(kSkyrim)) {
        // The header's version: 9 for Skyrim (2011), 12 for its later edition.
        if (b.size() >= 21) {
            Reader in(b.substr(17, 4));
            return in.u32() >= 12 ? SaveLayout::skyrimSe : SaveLayout::skyrim;
        }
        return SaveLayout::skyrimSe;
    }
    if (b.starts_with(kFallout3)) {
        // New Vegas keeps its language after the version.
        return b.size() >= 27 && b.substr(20, 7) != std::string_view("\0\0\0\0\0\0\0", 7) &&
                       b[20] >= 'A' && b[20] <= 'Z'
                   ? SaveLayout::falloutNv
                   : SaveLayout::fallout3;
    }
    return SaveLayout::none;
}

HeaderResult readSave(platform::OpenedFile& file, games::SaveLayout layout) {
    if (layout == SaveLayout::oblivion) {
        HeaderResult r = readSave(file);
        if (r.reason == Unreadable::notASave) {
            // Only a file that is no save of this game is looked at again.
            const auto start = file.read(0, 32);
            if (start && layoutOf(*start) != SaveLayout::none) {
                return failed(Unreadable::otherGame);
            }
        }
        return r;
    }
    const auto page = file.read(0, headerReadSize);
    if (!page) {
        return failed(Unreadable::cannotRead);
    }
    const std::string_view start = std::string_view(*page).substr(0, 32);
    const SaveLayout found = layoutOf(start);
    const bool fallout3Family = layout == SaveLayout::fallout3 || layout == SaveLayout::falloutNv;
    // Fallout 3 and New Vegas share their magic and are told apart by New
    // Vegas's language field: a Fallout 3 save among New Vegas's is another
    // game's, as a Skyrim save is among Skyrim Special Edition's.
    if (found != layout) {
        if (found != SaveLayout::none) {
            return failed(Unreadable::otherGame);
        }
        const std::string_view magic = layout == SaveLayout::fallout4 ? kFallout4
                                       : fallout3Family               ? kFallout3
                                                                      : kSkyrim;
        // A file that ends inside its magic is a save cut short.
        return failed(start.size() < magic.size() && magic.substr(0, start.size()) == start
                          ? Unreadable::cutShort
                          : Unreadable::notASave);
    }
    switch (layout) {
        case SaveLayout::skyrim:
        case SaveLayout::skyrimSe:
            return skyrimHeader(file, *page, layout == SaveLayout::skyrimSe);
        case SaveLayout::fallout4:
            return fallout4Header(file, *page);
        case SaveLayout::fallout3:
        case SaveLayout::falloutNv:
            return fallout3Header(file, *page, found == SaveLayout::falloutNv);
        default:
            return failed(Unreadable::notASave);
    }
}

namespace {

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

HeaderResult parseSave(std::string_view bytes, games::SaveLayout layout) {
    BytesFile file(bytes);
    return readSave(file, layout);
}

}  // namespace quarlo::saves
