// Errors reach the user in one place. Handlers raise exceptions (DatabaseError, ConversionError);
// every connection from a Qt signal or timer to a handler goes through guardedConnect, which runs
// the handler inside try/catch and shows the message in the default error box. An exception never
// passes through Qt's signal machinery. A handler that "clicks" another button calls that handler
// directly, so an exception there skips the rest of the outer handler too.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>

#include <concepts>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

class Prompts;

// The prompts the default error box is shown through (set once at start-up, and by tests).
void SetErrorPrompts(Prompts* prompts);
Prompts* ErrorPrompts();

// Shows `message` in the default error box, speaking for the window of `context` (the nearest
// widget among it and its parents), or for the window the user works in.
void ShowDefaultError(const QString& message, const QObject* context = nullptr);

// Runs `step`; an exception is shown in the default error box (for the window of `context`) and
// swallowed. Returns true when the step ran to its end.
bool RunGuarded(const std::function<void()>& step, const QObject* context = nullptr);

// Runs `step`; returns the message of the exception that ended it, or nothing when it ran to its
// end (the caller decides how the message reaches the user).
std::optional<QString> CaughtError(const std::function<void()>& step);

// Connects a signal to a handler that takes no arguments.
template <typename Sender, typename Signal, typename Handler>
requires std::invocable<Handler&> QMetaObject::Connection guardedConnect(Sender* sender,
                                                                         Signal signal,
                                                                         const QObject* context,
                                                                         Handler handler) {
    return QObject::connect(
        sender, signal, context,
        [context, handler = std::move(handler)]() mutable { RunGuarded(handler, context); });
}

// Connects a signal to a handler that takes the signal's arguments.
template <typename Sender, typename SignalOwner, typename... Args, typename Handler>
requires(sizeof...(Args) > 0 && !std::invocable<Handler&> &&
         std::invocable<Handler&, Args...>) QMetaObject::Connection
    guardedConnect(Sender* sender, void (SignalOwner::*signal)(Args...), const QObject* context,
                   Handler handler) {
    return QObject::connect(sender, signal, context,
                            [context, handler = std::move(handler)](Args... args) mutable {
                                RunGuarded([&] { handler(args...); }, context);
                            });
}
