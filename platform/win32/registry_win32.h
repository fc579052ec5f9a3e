#pragma once

#include "platform/registry.h"

namespace quarlo::platform::win32 {

class Win32Registry : public Registry {
  protected:
    std::string query(std::uint32_t mainKey, const std::string& subKey,
                      const std::string& value) const override;
};

}  // namespace quarlo::platform::win32
