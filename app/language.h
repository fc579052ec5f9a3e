#pragma once

#include <string>
#include <vector>

namespace quarlo::platform {
struct Platform;
}

namespace quarlo::app {

// The catalogues' folder beside the program: <its folder>/locale, or, where
// it is installed in bin/, share/locale beside that.
std::vector<std::string> catalogueFolders(platform::Platform& platform);

// Loads the language asked for ("" for the one remembered, else the
// system's, else English); false with `why` when a language asked for by
// name has no catalogue that can be read (English is used).
bool useLanguage(platform::Platform& platform, const std::string& asked, std::string& why);

}  // namespace quarlo::app
