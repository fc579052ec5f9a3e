#include <QApplication>

#include "app/main_window.h"
#include "platform/platform.h"
#include "ui/qt/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    quarlo::platform::Platform platform = quarlo::platform::createPlatform();
    quarlo::ui::MainWindow window;
    quarlo::app::Main main(platform, window);
    window.setHandlers(quarlo::app::handlersFor(main));

    // The window's state is settled before it is first seen.
    main.startUp();
    window.show();
    return application.exec();
}
