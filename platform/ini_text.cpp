#include "platform/ini_text.h"

namespace quarlo::platform::ini {

std::string readValue(std::string_view, std::string_view, std::string_view,
                      std::string_view defaultValue, int capacity) {
    if (capacity < 1) {
        return {};
    }
    return std::string(defaultValue.substr(0, static_cast<std::size_t>(capacity - 1)));
}

std::optional<std::string> writeValue(std::string_view, std::string_view, std::string_view,
                                      std::string_view) {
    return std::nullopt;
}

}  // namespace quarlo::platform::ini
