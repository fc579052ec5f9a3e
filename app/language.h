#pragma once

#include <cstddef>
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

// The About window's language choice: the system's first, then each
// language by its own name.
struct LanguageChoice {
    std::string code;  // "" for the system's
    std::string name;
};
std::vector<LanguageChoice> languageChoices();
// The place of the one kept among languageChoices().
std::size_t keptLanguageChoice();
// Keeps the choice at `index` for the next start: the line the window shows
// then, a "Failed." sentence where Quarlo's settings could not be written.
std::string keepLanguageChoice(std::size_t index);

}  // namespace quarlo::app
