#include "bench/bench_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace quarlo::bench {

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarlo-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder");
    }
    path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

namespace {

void put(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void putText(std::string& out, const std::string& s) {
    put(out, s.size() + 1, 1);
    out += s;
    out.push_back('\0');
}

}  // namespace

std::string saveStart(int number, const std::string& player, std::uint32_t width,
                      std::uint32_t height, int count, std::uint64_t fileSize) {
    std::string fields;
    put(fields, static_cast<std::uint32_t>(number), 4);
    putText(fields, player);
    put(fields, 23, 2);
    putText(fields, "Imperial City Market District");
    put(fields, 0x40600000, 4);  // 3.5 days
    put(fields, 3'600'000u + static_cast<std::uint32_t>(number), 4);
    const int second = (number * 7919) % count;
    for (int f : {2024, 3, 2, 5, 13, second / 60, second % 60, 0}) {
        put(fields, static_cast<std::uint16_t>(f), 2);
    }
    put(fields, width * height * 3 + 8, 4);
    put(fields, width, 4);
    put(fields, height, 4);
    std::string pixels(std::size_t{width} * height * 3, '\0');
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<char>(i * 7 + static_cast<std::size_t>(number));
    }
    std::string out = "TES4SAVEGAME";
    put(out, 0, 1);
    put(out, 125, 1);
    for (std::uint16_t f : {2006, 3, 1, 20, 10, 5, 0, 0}) {
        put(out, f, 2);
    }
    put(out, 125, 4);
    put(out, fields.size() + pixels.size(), 4);
    out += fields + pixels;
    // Twenty plugins, then the fields after them; the two form-id arrays,
    // empty, end the file: in the hole of a longer file its last 8 bytes.
    put(out, 20, 1);
    for (int i = 0; i < 20; ++i) {
        const std::string plugin = "Plugin number " + std::to_string(i) + ".esp";
        put(out, plugin.size(), 1);
        out += plugin;
    }
    const std::uint64_t end = fileSize != 0 ? fileSize : out.size() + 16 + 8;
    for (const std::uint64_t field :
         {end - 8, std::uint64_t{7}, std::uint64_t{0}, std::uint64_t{60}}) {
        put(out, field, 4);
    }
    if (fileSize == 0) {
        out += std::string(8, '\0');
    }
    return out;
}

bool run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void writeFile(const std::string& path, const std::string& content) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 ||
        ::write(fd, content.data(), content.size()) != static_cast<ssize_t>(content.size())) {
        throw std::runtime_error("cannot write " + path);
    }
    ::close(fd);
}

void makeSaveTree(const std::string& root, int folders, int files) {
    const std::string saves = root + "/Saves";
    ::mkdir(saves.c_str(), 0755);
    writeFile(root + "/oblivion.ini", settingsFileText(200));
    char name[32];
    for (int f = 1; f <= folders; ++f) {
        std::snprintf(name, sizeof name, "/char%03d", f);
        const std::string folder = saves + name;
        ::mkdir(folder.c_str(), 0755);
        for (int s = 1; s <= files; ++s) {
            std::snprintf(name, sizeof name, "/save%04d.ess", s);
            const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            if (fd < 0) {
                throw std::runtime_error("cannot create a save file in " + folder);
            }
            ::close(fd);
        }
    }
}

std::string settingsFileText(int lines) {
    std::string text;
    char line[64];
    int written = 0;
    for (int section = 1; written < lines; ++section) {
        if (section == lines / 40) {
            text += "[General]\r\n";
            text += "SLocalSavePath=Saves\\Aldric\\\r\n";
            written += 2;
        }
        std::snprintf(line, sizeof line, "[Section%03d]\r\n", section);
        text += line;
        ++written;
        for (int key = 1; key <= 20 && written < lines; ++key, ++written) {
            std::snprintf(line, sizeof line, "sKey%02d=value %d.%d\r\n", key, section, key);
            text += line;
        }
    }
    return text;
}

}  // namespace quarlo::bench
