// The administrator sign-in ("管理员操作"), guarding the back office.
#pragma once

#include "shell/AppWindows.h"
#include "ui_common/FormDialog.h"

#include "ui_common/Prompts.h"
class QLineEdit;

class AdminSignIn : public FormDialog {
    Q_OBJECT
  public:
    AdminSignIn(Prompts& prompts, AppWindows& windows, QWidget* parent = nullptr);

    // "确定": check name and password against the administrators; on a match close this window
    // and show the back office beside the candidate sign-in.
    void Button1Click();
    // "取消": close this window and bring the candidate sign-in to the front.
    void Button2Click();

  private:
    WindowPrompts prompts_;
    AppWindows& windows_;
    QLineEdit* edit1_ = nullptr;
    QLineEdit* edit2_ = nullptr;
};
