// The baseline of the start-up figure: a Qt application linked with Qt Widgets only, showing one
// empty window. Prints "shown" once the window is exposed and leaves at once.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <unistd.h>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(592, 403);
    window.show();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&window] {
        if (window.windowHandle() && window.windowHandle()->isExposed()) {
            QCoreApplication::processEvents();  // its first paint
            std::printf("shown\n");
            std::fflush(stdout);
            _exit(0);
        }
    });
    poll.start(0);
    return app.exec();
}
