#pragma once

#include "platform/win32/win32_api.h"

namespace quarlo::test {

// Whether these tests run under Wine rather than Windows: a few behaviours of
// Wine's own are documented next to the cases that see them.
inline bool underWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace quarlo::test
