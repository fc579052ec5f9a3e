#pragma once

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
        return (path_ / std::filesystem::path(relative)).make_preferred().string();
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
