#pragma once

#include <cstdint>
#include <string>

namespace quarlo::platform {

inline constexpr std::uint32_t kHkeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kHkeyDynData = 0x80000006u;

class Registry {
  public:
    virtual ~Registry() = default;

    // One registry value as text: a string value without its terminating NUL,
    // a REG_DWORD as signed decimal, "" on any failure. Root keys outside
    // HKEY_CLASSES_ROOT..HKEY_DYN_DATA return "" without touching the registry.
    std::string RegGetValue(std::uint32_t MainKey, const std::string& SubKey,
                            const std::string& value) const {
        if (MainKey < kHkeyClassesRoot || MainKey > kHkeyDynData) {
            return {};
        }
        return query(MainKey, SubKey, value);
    }

  protected:
    virtual std::string query(std::uint32_t mainKey, const std::string& subKey,
                              const std::string& value) const = 0;
};

}  // namespace quarlo::platform
