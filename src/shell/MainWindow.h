// The main window: a backdrop whose status bar records who signed in. When first shown it runs the
// candidate flow: sign-in, then the exam, both modal; only then does it appear itself.
#pragma once

#include "shell/AppWindows.h"

#include <QMainWindow>

class Prompts;
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

    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);

    int ExamIdValue() const { return examIdValue_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Prompts& prompts_;
    AppWindows& windows_;
    QLabel* panels_[6] = {};
    QLineEdit* edit1_ = nullptr;
    QPushButton* button11_ = nullptr;
    int examIdValue_ = 0;
};
