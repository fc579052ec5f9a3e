#pragma once

#include "platform/registry.h"

namespace quarlo::platform::posix {

// No registry outside Windows: every value reads as missing.
class PosixRegistry : public Registry {
  protected:
    std::string query(std::uint32_t, const std::string&, const std::string&) const override {
        return {};
    }
};

}  // namespace quarlo::platform::posix
