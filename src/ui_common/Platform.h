// Services of the desktop the windows rely on: opening a web address, the screen size, the mouse
// cursor, the input methods, the clock and the workstation's name. Tests hand the windows a fake.
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

class Platform {
  public:
    virtual ~Platform() = default;
    // Opens a web address in the default browser.
    virtual void OpenUrl(const QString& address) = 0;
    virtual QSize ScreenSize() const = 0;
    virtual QPoint CursorPosition() const = 0;
    // Names of the installed input methods, in the platform's order (empty without a framework).
    virtual QStringList InputMethods() = 0;
    // Makes the input method at `index` of InputMethods() the active one.
    virtual void ActivateInputMethod(int index) = 0;
    // Seconds since 1970-01-01 UTC.
    virtual qint64 Now() const = 0;
    // This workstation's name on the network.
    virtual QString HostName() const = 0;
    // This installation's own identifier, kept in the workstation's own settings (not the shared
    // database, not the host name, which machines cloned from one image share).
    virtual QString InstallationId() const = 0;
    // Milliseconds of a steady clock: never set back, and running on while the machine sleeps or
    // the program is stopped. Only ever compared with itself.
    virtual qint64 SteadyMs() const = 0;
    // The workstation's own folder for the exam's journal (never the shared data folder).
    virtual QString JournalFolder() const = 0;
};

// The real desktop: Qt for the browser, screen and cursor; fcitx5 or IBus over D-Bus for input
// methods.
class DesktopPlatform : public Platform {
  public:
    void OpenUrl(const QString& address) override;
    QSize ScreenSize() const override;
    QPoint CursorPosition() const override;
    QStringList InputMethods() override;
    void ActivateInputMethod(int index) override;
    qint64 Now() const override;
    QString HostName() const override;
    QString InstallationId() const override;
    qint64 SteadyMs() const override;
    QString JournalFolder() const override;

  private:
    enum class Framework { None, Fcitx5, IBus };
    void Discover();
    bool discovered_ = false;
    Framework framework_ = Framework::None;
    QStringList names_;    // shown in the menu
    QStringList engines_;  // what the framework activates
};
