// The candidate sign-in: student number and name checked against the candidate table; the door to
// the administrator sign-in and the help window.
#pragma once

#include "record/ExamRecord.h"
#include "shell/AppWindows.h"
#include "ui_common/FormDialog.h"

class ColorLabel;
class Platform;
#include "ui_common/Prompts.h"
class QLineEdit;
class QPushButton;

// The refusal while the candidate's attempt is alive on another workstation.
QString BusyMessage(const SignInVerdict& verdict);

class CandidateSignIn : public FormDialog {
    Q_OBJECT
  public:
    CandidateSignIn(Prompts& prompts, Platform& platform, AppWindows& windows,
                    QWidget* parent = nullptr);

    QString NumberText() const;  // the number box as typed (the exam takes the candidate from it)

    // "登录": the sign-in check.
    void Button1Click();
    // "退出": close this window and the main window, which ends the program.
    void Button2Click();
    // "后台管理": the administrator sign-in, modal.
    void Button3Click();
    // "软件帮助": the help window, modal.
    void Button4Click();
    // The exam sent the candidate back: the window opens empty for the next sign-in.
    void Reset();

  public slots:
    void accept() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Button1Click's steps; a server that cannot be reached ends them.
    void SignIn();

    // The exam record's say: false when the candidate is writing on another workstation or the
    // record cannot be read; an interrupted exam is announced before it resumes.
    bool RecordAllows(int studentNo);
    LivenessWatch liveness_;

    WindowPrompts prompts_;
    Platform& platform_;
    AppWindows& windows_;
    QLineEdit* edit1_ = nullptr;
    QLineEdit* edit2_ = nullptr;
    bool signedIn_ = false;
};
