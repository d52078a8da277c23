// Everything a window asks of the user goes through Prompts: message boxes and file dialogs.
// Production uses Qt's dialogs (QtPrompts); tests use a scripted fake that records what was shown.
#pragma once

#include <QString>

class QWidget;

// The application's title: caption of plain messages and of the default error box.
inline const QString kAppTitle = QStringLiteral("澄溪标准化考试系统");

class Prompts {
  public:
    virtual ~Prompts() = default;
    // A plain message box with the application title as caption and an OK button.
    virtual void Message(const QString& text) = 0;
    // The default error box: an error icon, OK, the application title as caption.
    virtual void Error(const QString& text) = 0;
    // A question with OK and Cancel and the question icon; true when OK was chosen.
    virtual bool Confirm(const QString& caption, const QString& text) = 0;
    // File dialogs; an empty text when cancelled. `filter` is in Qt's form: "caption(*.a *.b)".
    // A name typed in the save dialog without an extension gets the filter's first one.
    virtual QString OpenFileName(const QString& filter) = 0;
    virtual QString SaveFileName(const QString& filter) = 0;
};

class QtPrompts : public Prompts {
  public:
    // `parent` (may be null) is the window the boxes are centred on when no window is active.
    explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void Message(const QString& text) override;
    void Error(const QString& text) override;
    bool Confirm(const QString& caption, const QString& text) override;
    QString OpenFileName(const QString& filter) override;
    QString SaveFileName(const QString& filter) override;

  private:
    QWidget* Owner() const;
    QWidget* parent_;
};
