#include "app/language.h"

#include <algorithm>

#include "platform/platform.h"
#include "texts/catalogue.h"

namespace quarlo::app {

std::vector<std::string> catalogueFolders(platform::Platform& platform) {
    const std::string exe = platform.processes->executableFolder();
    const char sep = platform.saveFiles->separator();
    std::vector<std::string> folders{exe + sep + "locale"};
    const std::size_t up = exe.rfind(sep);
    if (up != std::string::npos) {
        const std::string parent = exe.substr(0, up);
        folders.push_back(parent + sep + "share" + sep + "locale");
        // The build tree: the programs in ui/<front end>/, the catalogues
        // at its top.
        const std::size_t top = parent.rfind(sep);
        if (top != std::string::npos) {
            folders.push_back(parent.substr(0, top) + sep + "locale");
        }
    }
    return folders;
}

namespace {

bool known(const std::string& code) {
    const auto& all = texts::languages();
    return std::any_of(all.begin(), all.end(),
                       [&](const texts::Language& l) { return code == l.code; });
}

std::optional<texts::Catalogue> load(platform::Platform& platform, const std::string& code,
                                     std::string& why) {
    const char sep = platform.saveFiles->separator();
    for (const std::string& folder : catalogueFolders(platform)) {
        const std::string file = folder + sep + code + sep + "LC_MESSAGES" + sep + "quarlo.mo";
        if (platform.saveFiles->kindOf(file) != platform::PathKind::file) {
            continue;
        }
        const auto bytes = platform.saveFiles->read(file, 0, 8u << 20);
        if (!bytes) {
            why = file + " cannot be read";
            continue;
        }
        std::string whyNot;
        if (auto c = texts::parseMo(bytes->bytes, whyNot)) {
            return c;
        }
        why = file + " is damaged (" + whyNot + ")";
    }
    if (why.empty()) {
        why = "no catalogue of " + code + " is installed";
    }
    return std::nullopt;
}

}  // namespace

bool useLanguage(platform::Platform& platform, const std::string& asked, std::string& why) {
    std::vector<std::string> wanted;
    if (!asked.empty()) {
        wanted.push_back(asked);
    } else {
        wanted.push_back(platform::rememberedLanguage());
        for (const std::string& code : platform::preferredLanguages()) {
            wanted.push_back(code);
        }
    }
    for (const std::string& code : wanted) {
        if (code.empty()) {
            continue;
        }
        if (code == "en") {
            texts::use("en", std::nullopt);
            return true;
        }
        if (!known(code)) {
            if (!asked.empty()) {
                why = "'" + code + "' is no language Quarlo speaks";
                texts::use("en", std::nullopt);
                return false;
            }
            continue;
        }
        std::string whyNot;
        if (auto c = load(platform, code, whyNot)) {
            texts::use(code, std::move(c));
            return true;
        }
        if (!asked.empty()) {
            why = whyNot;
            texts::use("en", std::nullopt);
            return false;
        }
    }
    texts::use("en", std::nullopt);
    return true;
}

std::vector<LanguageChoice> languageChoices() {
    std::vector<LanguageChoice> choices{{"", texts::tr(N_("System language"))}};
    for (const texts::Language& l : texts::languages()) {
        choices.push_back({l.code, l.name});
    }
    return choices;
}

std::size_t keptLanguageChoice() {
    const std::string kept = platform::rememberedLanguage();
    const auto choices = languageChoices();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].code == kept) {
            return i;
        }
    }
    return 0;
}

std::string keepLanguageChoice(std::size_t index) {
    const auto choices = languageChoices();
    if (index >= choices.size() || !platform::rememberLanguage(choices[index].code)) {
        return texts::tr(N_("Failed. Quarlo's settings file could not be written."));
    }
    return texts::tr(N_("Quarlo speaks it from its next start."));
}

}  // namespace quarlo::app
