// The administrator sign-in ("管理员操作"), guarding the back office.
#pragma once

#include "shell/AppWindows.h"
#include "ui_common/FormDialog.h"

class Prompts;

class AdminSignIn : public FormDialog {
    Q_OBJECT
  public:
    AdminSignIn(Prompts& prompts, AppWindows& windows, QWidget* parent = nullptr);

  private:
    Prompts& prompts_;
    AppWindows& windows_;
};
