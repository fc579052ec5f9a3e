#pragma once

#include <algorithm>
#include <filesystem>
#include <string>

namespace quarlo::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // path() / relative, as a string with the platform's separators
    std::string at(const std::string& relative) const {
        // Joined as bytes: a path made from a std::string takes it in the
        // ANSI code page on Windows, which would garble a UTF-8 name.
        const char sep = static_cast<char>(std::filesystem::path::preferred_separator);
        std::string joined = str() + sep + relative;
        std::replace(joined.begin(), joined.end(), '/', sep);
        return joined;
    }

  private:
    std::filesystem::path path_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& content);
// A sample file from tests/data, copied into `dir`; returns the copy's path.
std::string copySample(const TempDir& dir, const std::string& sampleName,
                       const std::string& targetName);

}  // namespace quarlo::test
