#include "saves/co_save.h"

#include <cstdio>

namespace quarlo::saves {

namespace {

// Each game's script extender writes the same layout under its own tag.
constexpr std::string_view kExtenderMarks[] = {"OBSE", "SKSE", "FOSE", "NVSE", "F4SE"};
constexpr std::string_view kExtenderMark = "OBSE";
constexpr std::string_view kPluggyMark = "PluggySave";
// The script extender's own block, which every co-save it writes holds:
// counted apart from its plugins'.
constexpr std::uint32_t kExtenderOwnBlock = 0x1400;
// A plugin's name longer than a path could be is no name.
constexpr std::uint32_t kLongestName = 512;

// Little-endian fields read in order, each only while the bytes last.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool u8(std::uint8_t& out) { return take(1, &out); }
    bool u16(std::uint16_t& out) { return take(2, &out); }
    bool u32(std::uint32_t& out) { return take(4, &out); }
    bool skip(std::uint64_t count) {
        if (count > bytes_.size() - at_) {
            return false;
        }
        at_ += static_cast<std::size_t>(count);
        return true;
    }
    bool text(std::uint32_t length, std::string& out) {
        if (length > bytes_.size() - at_) {
            return false;
        }
        out.assign(bytes_.substr(at_, length));
        at_ += length;
        return true;
    }
    bool atEnd() const { return at_ == bytes_.size(); }

  private:
    template <typename Int>
    bool take(std::size_t size, Int* out) {
        if (size > bytes_.size() - at_) {
            return false;
        }
        std::uint64_t v = 0;
        for (std::size_t i = size; i-- > 0;) {
            v = (v << 8) | static_cast<unsigned char>(bytes_[at_ + i]);
        }
        *out = static_cast<Int>(v);
        at_ += size;
        return true;
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
};

// "OBSE", a format version, the extender's version (major, minor), the
// game's (major << 24 | minor << 16 | build), the number of blocks; then
// each block: its owner's opcode base, its number of chunks, its length, and
// its chunks (a type, a version, a length and the data), ending exactly at
// the file's end.
CoSaveFacts readExtender(std::string_view bytes) {
    CoSaveFacts facts;
    facts.kind = CoSaveKind::scriptExtender;
    Reader r(bytes.substr(kExtenderMark.size()));
    std::uint32_t format = 0;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint32_t game = 0;
    std::uint32_t blocks = 0;
    if (!r.u32(format) || !r.u16(major) || !r.u16(minor) || !r.u32(game) || !r.u32(blocks)) {
        facts.problem = CoSaveProblem::cutShort;
        return facts;
    }
    // Oblivion's extender writes format 1; the later ones count on from it.
    if (format == 0 || format > 8 || (bytes.substr(0, 4) == kExtenderMark && format != 1)) {
        facts.problem = CoSaveProblem::notACoSave;
        return facts;
    }
    facts.extenderVersion = std::to_string(major) + "." + std::to_string(minor);
    char version[32];
    if (bytes.substr(0, 4) == kExtenderMark) {
        std::snprintf(version, sizeof version, "%u.%u.%04u", static_cast<unsigned>(game >> 24),
                      static_cast<unsigned>((game >> 16) & 0xFF),
                      static_cast<unsigned>(game & 0xFFFF));
    } else {
        // The later extenders pack a fourth part: build << 4 | sub.
        std::snprintf(version, sizeof version, "%u.%u.%u.%u", static_cast<unsigned>(game >> 24),
                      static_cast<unsigned>((game >> 16) & 0xFF),
                      static_cast<unsigned>((game >> 4) & 0xFFF),
                      static_cast<unsigned>(game & 0xF));
    }
    facts.gameVersion = version;
    for (std::uint32_t b = 0; b < blocks; ++b) {
        std::uint32_t owner = 0;
        std::uint32_t chunks = 0;
        std::uint32_t length = 0;
        if (!r.u32(owner) || !r.u32(chunks) || !r.u32(length) || !r.skip(length)) {
            facts.problem = CoSaveProblem::cutShort;
            return facts;
        }
        // The extender's own block: Oblivion's by its opcode base, the later
        // ones' by the handle 0 or their own tag.
        const bool own =
            owner == kExtenderOwnBlock || owner == 0 ||
            owner == (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
                      static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
                      static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
                      static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24);
        facts.pluginsWithData += own ? 0 : 1;
    }
    if (!r.atEnd()) {
        facts.problem = CoSaveProblem::notACoSave;  // more than its blocks say
    }
    return facts;
}

// "PluggySave", its version (four bytes), a byte, the number of plugins,
// then each: its index, its load index, its name's length and the name.
CoSaveFacts readPluggy(std::string_view bytes) {
    CoSaveFacts facts;
    facts.kind = CoSaveKind::pluggy;
    Reader r(bytes.substr(kPluggyMark.size()));
    std::uint32_t version = 0;
    std::uint8_t unused = 0;
    std::uint32_t count = 0;
    if (!r.u32(version) || !r.u8(unused) || !r.u32(count)) {
        facts.problem = CoSaveProblem::cutShort;
        return facts;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t index = 0;
        std::uint8_t loadIndex = 0;
        std::uint32_t length = 0;
        std::string name;
        if (!r.u8(index) || !r.u8(loadIndex) || !r.u32(length)) {
            facts.problem = CoSaveProblem::cutShort;
            return facts;
        }
        if (length == 0 || length > kLongestName) {
            facts.problem = CoSaveProblem::notACoSave;
            return facts;
        }
        if (!r.text(length, name)) {
            facts.problem = CoSaveProblem::cutShort;
            return facts;
        }
        facts.plugins.push_back(std::move(name));
    }
    return facts;
}

}  // namespace

CoSaveFacts readCoSave(std::string_view fileName, std::string_view bytes) {
    for (const std::string_view mark : kExtenderMarks) {
        if (bytes.substr(0, mark.size()) == mark) {
            return readExtender(bytes);
        }
    }
    if (bytes.substr(0, kPluggyMark.size()) == kPluggyMark) {
        return readPluggy(bytes);
    }
    std::string name(fileName);
    for (char& c : name) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (name.ends_with(".bak")) {
        name.resize(name.size() - 4);
    }
    CoSaveFacts facts;
    // Its name says what it should be: ".skse" a co-save starting "SKSE".
    std::string mark;
    for (const std::string_view tag : kExtenderMarks) {
        std::string ext = "." + std::string(tag);
        for (char& c : ext) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (name.size() > ext.size() && name.ends_with(ext)) {
            mark = tag;
        }
    }
    const bool extender = !mark.empty();
    if (!extender && !name.ends_with(".pluggy")) {
        return facts;  // another program's file
    }
    // A file that stops before its mark is whole was cut short (an empty one
    // too); any other is none.
    if (!extender) {
        mark = kPluggyMark;
    }
    facts.kind = extender ? CoSaveKind::scriptExtender : CoSaveKind::pluggy;
    facts.problem =
        bytes.size() < mark.size() && std::string_view(mark).substr(0, bytes.size()) == bytes
            ? CoSaveProblem::cutShort
            : CoSaveProblem::notACoSave;
    return facts;
}

}  // namespace quarlo::saves
