// Everything a window asks of the user goes through Prompts: message boxes and file dialogs.
// Production uses Qt's dialogs (QtPrompts); tests use a scripted fake that records what was shown.
// Every box speaks for a window (`owner`, any widget of it): it is centred on that window, and
// that window is in front again when the box has gone. Windows hold a WindowPrompts, which names
// them on every call.
#pragma once

#include <QString>

class QWidget;

// The application's title: caption of plain messages and of the default error box.
inline const QString kAppTitle = QStringLiteral("澄溪标准化考试系统");

class Prompts {
  public:
    virtual ~Prompts() = default;
    // A plain message box with the application title as caption and an OK button.
    virtual void Message(QWidget* owner, const QString& text) = 0;
    // The default error box: an error icon, OK, the application title as caption.
    virtual void Error(QWidget* owner, const QString& text) = 0;
    // A question with OK and Cancel and the question icon; true when OK was chosen.
    virtual bool Confirm(QWidget* owner, const QString& caption, const QString& text) = 0;
    // File dialogs; an empty text when cancelled. `filter` is in Qt's form: "caption(*.a *.b)".
    // A name typed in the save dialog without an extension gets the filter's first one.
    virtual QString OpenFileName(QWidget* owner, const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* owner, const QString& filter) = 0;
};

// The prompts of one window: every box raised through it speaks for that window.
class WindowPrompts {
  public:
    WindowPrompts(Prompts& prompts, QWidget* window) : prompts_(prompts), window_(window) {}
    void Message(const QString& text) const { prompts_.Message(window_, text); }
    void Error(const QString& text) const { prompts_.Error(window_, text); }
    bool Confirm(const QString& caption, const QString& text) const {
        return prompts_.Confirm(window_, caption, text);
    }
    QString OpenFileName(const QString& filter) const {
        return prompts_.OpenFileName(window_, filter);
    }
    QString SaveFileName(const QString& filter) const {
        return prompts_.SaveFileName(window_, filter);
    }
    Prompts& Service() const { return prompts_; }

  private:
    Prompts& prompts_;
    QWidget* window_;
};

class QtPrompts : public Prompts {
  public:
    void Message(QWidget* owner, const QString& text) override;
    void Error(QWidget* owner, const QString& text) override;
    bool Confirm(QWidget* owner, const QString& caption, const QString& text) override;
    QString OpenFileName(QWidget* owner, const QString& filter) override;
    QString SaveFileName(QWidget* owner, const QString& filter) override;
};
