#include "ui_common/Termination.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {
bool terminated = false;
}

void RequestTerminate() {
    terminated = true;
    // Exits the main loop and every nested loop (modal dialogs) running in this thread.
    QCoreApplication::exit(0);
}

bool TerminateRequested() {
    return terminated;
}

void ResetTermination() {
    terminated = false;
    // An exit request made while no loop runs leaves Qt refusing every later loop; a short run of
    // the application loop clears that.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QCoreApplication::removePostedEvents(app, QEvent::Quit);
        QObject scope;  // cancels the timer if the loop ends another way
        QTimer::singleShot(0, &scope, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}
