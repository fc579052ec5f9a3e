#pragma once

// <windows.h> as every Win32 file of ours includes it: without the rarely used
// parts, without min/max macros, and without the RegGetValue macro, which
// would otherwise rename Registry::RegGetValue wherever both are seen.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#ifdef RegGetValue
#undef RegGetValue
#endif
