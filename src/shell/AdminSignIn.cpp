#include "shell/AdminSignIn.h"

AdminSignIn::AdminSignIn(Prompts& prompts, AppWindows& windows, QWidget* parent)
    : FormDialog(parent), prompts_(prompts), windows_(windows) {
    setObjectName(QStringLiteral("AdminSignIn"));
    setWindowTitle(QStringLiteral("管理员操作"));
    setFixedSize(520, 334);
}
