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

std::optional<QString> CaughtError(const std::function<void()>& step) {
    try {
        step();
        return std::nullopt;
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

bool RunGuarded(const std::function<void()>& step) {
    const std::optional<QString> error = CaughtError(step);
    if (error) ShowDefaultError(*error);
    return !error;
}
