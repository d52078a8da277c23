// "管理员管理": administrators, the exam duration and the school's name.
#pragma once

#include "back_office/OfficeTab.h"

#include "ui_common/Prompts.h"
class QLineEdit;
class ReportList;

class AdminsTab : public OfficeTab {
    Q_OBJECT
  public:
    AdminsTab(Prompts& prompts, QWidget* parent);
    void Refresh() override;

    // "刷新": renumber the administrators 1..n and list them.
    void Button1Click();
    // A click in the list: the selected name goes into the delete and password boxes.
    void ListView1Click();
    // "添加": add an administrator.
    void Button9Click();
    // "删除": delete the administrators of that name (never the last one).
    void Button10Click();
    // "修改": change a password.
    void Button5Click();
    // "清空": empty the password change boxes.
    void Button6Click();
    // "设置": store the exam duration.
    void Button19Click();
    // "设置" beside the school's name: store it for every workstation's printed headers.
    void SchoolNameClick();

  private:
    WindowPrompts prompts_;
    ReportList* listView1_ = nullptr;
    QLineEdit* edit2_ = nullptr;   // password change: name
    QLineEdit* edit3_ = nullptr;   // password change: old password
    QLineEdit* edit4_ = nullptr;   // password change: new password
    QLineEdit* edit8_ = nullptr;   // add: name
    QLineEdit* edit9_ = nullptr;   // add: password
    QLineEdit* edit10_ = nullptr;  // delete: name
    QLineEdit* edit11_ = nullptr;  // exam duration
    QLineEdit* school_ = nullptr;  // the school's name
};
