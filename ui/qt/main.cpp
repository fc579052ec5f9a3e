#include <QApplication>
#include <cstdlib>
#include <iostream>

#include "app/language.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "ui/cli/command_line.h"
#include "ui/qt/main_window.h"
#include "ui/qt/picker.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        // The command line: no window unless the picker or a failure of
        // `run` must be seen, and then only that one.
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (args.size() == 2 && args[0] == "--show-failure") {
            // For the Qt-free `quarlo`, which has no window to show it in.
            quarlo::ui::QtScreens(argv[0]).showFailure(args[1]);
            return 0;
        }
        quarlo::ui::QtScreens screens(argv[0]);
        // Over ssh or in a script there is no display to show anything on.
        const bool display =
            std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
        return quarlo::cli::runHere(args, std::cout, std::cerr, display ? &screens : nullptr);
    }
    QApplication application(argc, argv);

    // The game the window starts on; the Game menu lists the others.
    std::vector<quarlo::platform::FoundGame> found = quarlo::platform::findGames();
    quarlo::platform::Platform platform = quarlo::platform::createPlatform(
        quarlo::app::windowGame(found, quarlo::platform::rememberedGame()));
    // The language remembered from the About window, else the system's.
    if (std::string why; !quarlo::app::useLanguage(platform, "", why)) {
        (void)why;  // English, which every text has
    }
    quarlo::ui::MainWindow window;
    quarlo::app::Main main(platform, window);
    main.setGames(
        std::move(found),
        [](const quarlo::games::Game& game) { return quarlo::platform::createPlatform(game); },
        quarlo::platform::rememberGame);
    window.setHandlers(quarlo::app::handlersFor(main));

    // The window's state is settled before it is first seen.
    main.startUp();
    window.show();
    return application.exec();
}
