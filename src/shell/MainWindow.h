// The main window: a backdrop whose status bar records who signed in. When first shown it runs the
// candidate flow: sign-in, then the exam, both modal; only then does it appear itself.
#pragma once

#include "shell/AppWindows.h"
#include "ui_common/BuildOnce.h"

#include <QMainWindow>

#include "ui_common/Prompts.h"
class QLabel;
class QLineEdit;
class QPushButton;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(Prompts& prompts, AppWindows& windows);

    // Creation step: start time into panel 5, the exam identifier from table Exam into Edit1.
    void FormCreate();
    // Show step: sign-in (modal), then the exam (modal), then the main window itself.
    void FormShow();

    // The status bar's panels (building the window's controls if need be).
    QString PanelText(int index);
    void SetPanelText(int index, const QString& text);
    // The window's controls; built on the first show, or when a panel is first used, or here.
    void EnsureBuilt() { content_.Ensure(); }
    void setVisible(bool visible) override;

    int ExamIdValue() const { return examIdValue_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildContent();

    WindowPrompts prompts_;
    AppWindows& windows_;
    QLabel* panels_[6] = {};
    QLineEdit* edit1_ = nullptr;
    QPushButton* button11_ = nullptr;
    int examIdValue_ = 0;
    QString startTime_;   // panel 5, written once by the creation step
    QString examIdText_;  // Edit1, as the creation step read it
    BuildOnce content_{[this] { BuildContent(); }};
};
