#pragma once

#include <string>
#include <string_view>

namespace quarlo::platform::wine {

// Whether two file names are the same to the game's file system, which does
// not tell letter case apart: UTF-8 names are compared character by character
// in upper case; bytes that are not UTF-8 compare by ASCII case only.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);

// A key that two names share exactly when sameNameIgnoringCase holds for
// them, for looking names up in a set.
std::string foldedName(std::string_view name);

// The path as it is spelled on disk. Under Wine the game opens "Oblivion.ini"
// for "oblivion.ini" and "saves" for "Saves", so each component that is not
// there as written is looked up among its folder's entries without regard to
// case; an exact match always wins. Components from the first one that
// matches nothing are kept as written, so a path for a new file or folder
// lands beside its existing parent rather than beside a second, differently
// cased one. A path that exists as written costs one lstat.
std::string resolveCase(const std::string& path);

}  // namespace quarlo::platform::wine
