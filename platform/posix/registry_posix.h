#pragma once

#include <optional>

#include "platform/registry.h"
#include "platform/wine/prefix.h"

namespace quarlo::platform::posix {

// The registry of the game's Wine prefix, read from the files Wine keeps it
// in: system.reg for HKEY_LOCAL_MACHINE, user.reg for HKEY_CURRENT_USER.
// Without a prefix, and for the other root keys, every value reads as missing.
class PosixRegistry : public Registry {
  public:
    PosixRegistry() = default;
    explicit PosixRegistry(std::optional<wine::WinePrefix> prefix) : prefix_(std::move(prefix)) {}

  protected:
    std::string query(std::uint32_t mainKey, const std::string& subKey,
                      const std::string& value) const override;

  private:
    std::optional<wine::WinePrefix> prefix_;
};

}  // namespace quarlo::platform::posix
