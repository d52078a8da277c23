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
    // and show the back office beside the candidate sign-in. When the file names a server, the
    // server's owner password (Edit3) opens the connection the back office works on; a server
    // that cannot be reached is said so, with the offer to open the local file for the "服务器"
    // tab alone (the administrators checked against the file's own).
    void Button1Click();
    // "取消": close this window and bring the candidate sign-in to the front.
    void Button2Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Shows the server password's line when the file names a server (or cannot say).
    void ShowServerLine();
    void OpenBackOffice(const QString& name, bool settingsOnly);

    WindowPrompts prompts_;
    AppWindows& windows_;
    QLineEdit* edit1_ = nullptr;
    QLineEdit* edit2_ = nullptr;
    QLineEdit* edit3_ = nullptr;
    QWidget* label4_ = nullptr;
    QWidget* confirm_ = nullptr;
    QWidget* cancel_ = nullptr;
};
