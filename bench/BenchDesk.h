// The desktop a benchmark or a trial drives the windows on: prompts that answer by themselves and
// report errors on standard error, a fixed screen, and a clock that runs or is set by hand.
#pragma once

#include "ui_common/Platform.h"
#include "ui_common/Prompts.h"

#include <QApplication>
#include <QDateTime>
#include <QMouseEvent>
#include <QWidget>

#include <cstdio>
#include <optional>

struct QuietPrompts : Prompts {
    void Message(QWidget*, const QString&) override {}
    void Error(QWidget*, const QString& text) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    bool Confirm(QWidget*, const QString&, const QString&) override { return confirm; }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&) override { return {}; }
    bool confirm = false;
};

struct FixedPlatform : Platform {
    void OpenUrl(const QString&) override {}
    QSize ScreenSize() const override { return {1024, 768}; }
    QPoint CursorPosition() const override { return {}; }
    QStringList InputMethods() override { return {}; }
    void ActivateInputMethod(int) override {}
    qint64 Now() const override { return now ? *now : QDateTime::currentSecsSinceEpoch(); }
    QString HostName() const override { return hostName; }
    QString InstallationId() const override { return installation; }
    qint64 SteadyMs() const override { return steady.SteadyMs(); }
    QString JournalFolder() const override { return journalFolder; }
    std::optional<qint64> now;  // none: the real clock
    QString hostName = QStringLiteral("bench");
    QString installation = QStringLiteral("bench");
    QString journalFolder = QStringLiteral("journal");  // in the working directory
    DesktopPlatform steady;                             // the real steady clock
};

// A left click in the middle of the widget, as the mouse gives it.
inline void PressOn(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}
