#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"

namespace quarlo::test {

// Sets or unsets one environment variable for a test and puts the old value
// back afterwards.
class EnvVar {
  public:
    EnvVar(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = ::getenv(name)) {
            old_ = old;
        }
        set(value);
    }
    ~EnvVar() { set(old_); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

  private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_, value->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

// Creates a file with its folders.
inline void putFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    writeBytes(path, content);
}

// The registry file Wine keeps, with its header, from lines of keys and values.
inline std::string wineRegistryFile(const std::string& body, const char* root = "\\\\Machine") {
    return std::string("WINE REGISTRY Version 2\n;; All keys relative to ") + root +
           "\n\n#arch=win64\n\n" + body;
}

// A Wine prefix as Wine lays it out: drive_c, and dosdevices links for C:
// and Z:.
inline void makePrefix(const std::string& prefix) {
    std::filesystem::create_directories(prefix + "/drive_c/users");
    std::filesystem::create_directories(prefix + "/dosdevices");
    std::filesystem::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
    std::filesystem::create_directory_symlink("/", prefix + "/dosdevices/z:");
}

// A program that records how it was called: its name, its arguments and
// WINEPREFIX, one a line, then a "." line once the record is complete.
inline void putRecorder(const std::string& bin, const std::string& name,
                        const std::string& record) {
    const std::string path = bin + "/" + name;
    putFile(path, "#!/bin/sh\nprintf '%s\\n' " + name +
                      " \"$@\" \"WINEPREFIX=${WINEPREFIX-}\" . > '" + record + "'\n");
    ::chmod(path.c_str(), 0755);
}

// What a detached recorder wrote, once it has finished: "" when nothing came
// within a few seconds.
inline std::string awaitRecord(const std::string& record) {
    for (int i = 0; i < 500; ++i) {
        const std::string content = readBytes(record);
        if (content.size() >= 2 && content.ends_with(".\n")) {
            return content.substr(0, content.size() - 2);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

}  // namespace quarlo::test
