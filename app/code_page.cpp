#include "app/code_page.h"

#include <charconv>

#include "app/game.h"
#include "backups/store.h"
#include "texts/catalogue.h"

namespace quarlo::app {

bool isCodePageChoice(int number) {
    return number >= 1250 && number <= 1258;
}

int keptCodePage(Game& game) {
    const std::string file = game.ownFile("code-page");
    platform::SaveFiles& files = *game.saveFiles();
    if (file.empty() || files.kindOf(file) != platform::PathKind::file) {
        return 0;
    }
    const auto chunk = files.read(file, 0, 16);
    if (!chunk) {
        return 0;
    }
    // Written by Quarlo as "1251\n"; anything else there is no choice.
    std::string_view text = chunk->bytes;
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && isCodePageChoice(number)
               ? number
               : 0;
}

std::string keepCodePage(Game& game, int number) {
    const std::string file = game.ownFile("code-page");
    if (file.empty()) {
        return N_("Failed. Quarlo has no folder of its own to keep the code page in.");
    }
    platform::SaveFiles& files = *game.saveFiles();
    if (number == 0) {
        return files.kindOf(file) == platform::PathKind::missing || files.remove(file)
                   ? N_("Success. Names are read in the code page the game or the system gives.")
                   : N_("Failed. The code page kept could not be forgotten.");
    }
    if (!isCodePageChoice(number)) {
        return texts::format(N_("Failed. Code page {1} is not one of 1250 to 1258."),
                             {std::to_string(number)});
    }
    if (!platform::readerOfCodePage(number)) {
        return texts::format(N_("Failed. This system cannot convert code page {1}."),
                             {std::to_string(number)});
    }
    if (!platform::replaceWhole(files, file, std::to_string(number) + "\n")) {
        return N_("Failed. The code page could not be kept.");
    }
    return texts::format(N_("Success. Names are read in code page {1}."), {std::to_string(number)});
}

CodePageChoice chooseCodePage(Game& game, int forCommand) {
    if (isCodePageChoice(forCommand)) {
        return {forCommand, CodePageFrom::command, {}};
    }
    if (const int kept = keptCodePage(game); kept != 0) {
        return {kept, CodePageFrom::kept, {}};
    }
    const games::Setting& language = game.game().language;
    if (!language.key.empty()) {
        const std::string value = game.readSetting(language, "", kSettingReadCapacity);
        if (const int number = games::codePageOfLanguage(game.game(), value); number != 0) {
            return {number, CodePageFrom::game, std::string(language.key) + "=" + value};
        }
    }
    return {};
}

std::string useCodePage(Game& game, platform::Platform& platform, int forCommand) {
    const CodePageChoice choice = chooseCodePage(game, forCommand);
    const int number = choice.number != 0 ? choice.number : platform.systemCodePage;
    // A platform that does not know its own page (tests) keeps its reader,
    // as does one whose own page its C library cannot convert: that reader
    // passes what it can.
    if (number == 0) {
        return {};
    }
    if (auto reader = platform::readerOfCodePage(number)) {
        platform.ansiToUtf8 = std::move(reader);
        return {};
    }
    if (choice.number == 0) {
        return {};
    }
    if (auto system = platform::readerOfCodePage(platform.systemCodePage)) {
        platform.ansiToUtf8 = std::move(system);
    }
    return platform.systemCodePage == 0
               ? texts::format(N_("Failed. This system cannot convert code page {1}; names are "
                                  "read in the system's code page."),
                               {std::to_string(number)})
               : texts::format(N_("Failed. This system cannot convert code page {1}; names are "
                                  "read in code page {2}."),
                               {std::to_string(number), std::to_string(platform.systemCodePage)});
}

std::string describeCodePage(const CodePageChoice& choice, int systemCodePage) {
    const int number = choice.number != 0 ? choice.number : systemCodePage;
    if (number == 0) {
        return N_("the system's");
    }
    const std::string shown = std::to_string(number);
    switch (choice.from) {
        case CodePageFrom::command:
            return texts::format(N_("{1} (--code-page)"), {shown});
        case CodePageFrom::kept:
            return texts::format(N_("{1} (chosen for this game folder)"), {shown});
        case CodePageFrom::game:
            return texts::format(N_("{1} (the game's setting {2})"), {shown, choice.setting});
        case CodePageFrom::system:
            break;
    }
    return texts::format(N_("{1} (the system's)"), {shown});
}

}  // namespace quarlo::app
