#include "ui_common/ErrorRouting.h"

#include "ui_common/Prompts.h"

#include <QWidget>

#include <exception>

namespace {
Prompts* errorPrompts = nullptr;

// The nearest widget among `context` and its parents.
QWidget* WidgetOf(const QObject* context) {
    for (QObject* object = const_cast<QObject*>(context); object; object = object->parent())
        if (object->isWidgetType()) return static_cast<QWidget*>(object);
    return nullptr;
}
}  // namespace

void SetErrorPrompts(Prompts* prompts) {
    errorPrompts = prompts;
}
Prompts* ErrorPrompts() {
    return errorPrompts;
}

void ShowDefaultError(const QString& message, const QObject* context) {
    if (errorPrompts) {
        errorPrompts->Error(WidgetOf(context), message);
    } else {
        QtPrompts fallback;
        fallback.Error(WidgetOf(context), message);
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

bool RunGuarded(const std::function<void()>& step, const QObject* context) {
    const std::optional<QString> error = CaughtError(step);
    if (error) ShowDefaultError(*error, context);
    return !error;
}
