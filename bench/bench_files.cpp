#include "bench/bench_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

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
