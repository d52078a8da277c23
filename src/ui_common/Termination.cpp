#include "ui_common/Termination.h"

#include <QCoreApplication>

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
}
