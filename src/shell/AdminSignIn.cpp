#include "shell/AdminSignIn.h"

#include "back_office/BackOffice.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "shell/CandidateSignIn.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

AdminSignIn::AdminSignIn(Prompts& prompts, AppWindows& windows, QWidget* parent)
    : FormDialog(parent), prompts_(prompts, this), windows_(windows) {
    setObjectName(QStringLiteral("AdminSignIn"));
    setWindowTitle(QStringLiteral("管理员操作"));
    setFixedSize(520, 334);

    QLabel* title =
        MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("管理员登录"), 0, 40, 520, 40);
    title->setFont(PixelFont(29, true));
    title->setAlignment(Qt::AlignCenter);

    QLabel* nameLabel =
        MakeLabel(this, QStringLiteral("Label2"), QStringLiteral("管理员名称:"), 95, 122, 125, 26);
    nameLabel->setFont(PixelFont(19, true));
    nameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit1_ = MakeEdit(this, QStringLiteral("Edit1"), 228, 120, 200, 30, nameLabel);
    edit1_->setFont(PixelFont(16));

    QLabel* passwordLabel =
        MakeLabel(this, QStringLiteral("Label3"), QStringLiteral("密     码:"), 95, 172, 125, 26);
    passwordLabel->setFont(PixelFont(19, true));
    passwordLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit2_ = MakeEdit(this, QStringLiteral("Edit2"), 228, 170, 200, 30, passwordLabel);
    edit2_->setFont(PixelFont(16));
    MaskWithStars(edit2_);

    QPushButton* confirm =
        MakeButton(this, QStringLiteral("Button1"), QStringLiteral("确定"), 140, 240, 100, 36);
    QPushButton* cancel =
        MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消"), 290, 240, 100, 36);
    confirm->setFont(PixelFont(16, true));
    cancel->setFont(PixelFont(16, true));
    guardedConnect(confirm, &QPushButton::clicked, this, [this] { Button1Click(); });
    guardedConnect(cancel, &QPushButton::clicked, this, [this] { Button2Click(); });

    setTabOrder(edit1_, edit2_);
    setTabOrder(edit2_, confirm);
    setTabOrder(confirm, cancel);
    edit1_->setFocus();
}

void AdminSignIn::Button1Click() {
    const QString name = edit1_->text().trimmed();
    const QString password = edit2_->text().trimmed();
    if (name.isEmpty() || password.isEmpty()) {
        prompts_.Message(QStringLiteral("管理员或密码不能为空。"));
        return;
    }
    bool found = false;
    int rows = 0;
    {
        Database officeDb(kDatabasePath);
        auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from UserGL"));
        rows = officeTable->RowCount();
        for (; !officeTable->AtEnd(); officeTable->MoveNext()) {
            // Blanks stored in the table count: only the typed texts are trimmed.
            if (officeTable->Value(QStringLiteral("Usermin")) == name &&
                officeTable->Value(QStringLiteral("password")) == password) {
                found = true;
                break;
            }
        }
    }
    if (found) {
        close();
        windows_.backOffice->SetAdministrator(name);
        windows_.backOffice->show();
        windows_.backOffice->raise();
        windows_.backOffice->activateWindow();
    } else if (rows > 0) {
        prompts_.Message(QStringLiteral("管理员不存在或密码错误。"));
    }
}

void AdminSignIn::Button2Click() {
    close();
    if (windows_.signIn) {
        windows_.signIn->raise();
        windows_.signIn->activateWindow();
    }
}
