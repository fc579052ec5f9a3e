#pragma once

#include "platform/save_files.h"

namespace quarlo::platform::win32 {

class Win32SaveFiles : public SaveFiles {
  public:
    char separator() const override { return '\\'; }
    std::optional<std::vector<std::string>> listFiles(const std::string& folder) const override;
    std::optional<FileChunk> read(const std::string& path, std::uint64_t offset,
                                  std::size_t count) const override;
};

}  // namespace quarlo::platform::win32
