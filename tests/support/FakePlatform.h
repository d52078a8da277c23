// A desktop for tests: a fixed screen, a settable cursor, a list of input methods, a clock and a
// workstation name set by hand, and a record of what was opened and activated.
#pragma once

#include "ui_common/Platform.h"

class FakePlatform : public Platform {
  public:
    void OpenUrl(const QString& address) override { openedUrls << address; }
    QSize ScreenSize() const override { return screen; }
    QPoint CursorPosition() const override { return cursor; }
    QStringList InputMethods() override { return inputMethods; }
    void ActivateInputMethod(int index) override { activated << index; }
    qint64 Now() const override { return now; }
    QString HostName() const override { return hostName; }
    QString InstallationId() const override { return installation; }
    qint64 SteadyMs() const override { return steadyMs; }
    QString JournalFolder() const override { return journalFolder; }

    QSize screen{1024, 768};
    QPoint cursor{100, 100};
    QStringList inputMethods;
    QStringList openedUrls;
    QList<int> activated;
    qint64 now = 1'800'000'000;  // a fixed clock: tests move it by hand
    QString hostName = QStringLiteral("ws-test");
    QString installation = QStringLiteral("inst-test");
    qint64 steadyMs = 0;  // a steady clock that stands still unless a test moves it
    QString journalFolder = QStringLiteral("journal");  // in the test's working folder
};
