// The yardsticks for Quarlo's start-up time, built with the same compiler,
// flags and Qt modules as the program:
//   quarlo_startup_bare_window          an empty window of Quarlo's title and size
//   quarlo_startup_bare_window --label  the same window holding one label in a
//                                       layout, as most Qt windows lay out text
//                                       before they are first shown

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quarlo"));
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("Quarlo"), &window));
    }
    window.resize(246, 223);
    window.show();
    return application.exec();
}
