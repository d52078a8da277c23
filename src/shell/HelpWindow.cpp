#include "shell/HelpWindow.h"

HelpWindow::HelpWindow(Platform& platform, QWidget* parent)
    : FormDialog(parent), platform_(platform) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("软件帮助"));
    setFixedSize(882, 555);
}
