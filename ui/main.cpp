#include <QApplication>

#include "app/main.h"
#include "platform/platform.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    quarlo::platform::Platform platform = quarlo::platform::createPlatform();
    quarlo::ui::MainWindow window;
    quarlo::app::Main main(platform, window);
    window.setHandlers(quarlo::ui::MainWindow::handlersFor(main));

    // The window's state is settled before it is first seen.
    main.startUp();
    window.show();
    return application.exec();
}
