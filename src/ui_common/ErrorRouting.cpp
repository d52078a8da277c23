#include "ui_common/ErrorRouting.h"

#include "ui_common/Prompts.h"

#include <exception>

namespace {
Prompts* errorPrompts = nullptr;
}

void SetErrorPrompts(Prompts* prompts) {
    errorPrompts = prompts;
}
Prompts* ErrorPrompts() {
    return errorPrompts;
}

void ShowDefaultError(const QString& message) {
    if (errorPrompts) {
        errorPrompts->Error(message);
    } else {
        QtPrompts fallback;
        fallback.Error(message);
    }
}

bool RunGuarded(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        ShowDefaultError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowDefaultError(QStringLiteral("Unknown error"));
    }
    return false;
}
