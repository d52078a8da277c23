#include "shell/AdminSignIn.h"

#include "back_office/BackOffice.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
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

    QLabel* serverLabel =
        MakeLabel(this, QStringLiteral("Label4"), QStringLiteral("服务器密码:"), 95, 222, 125, 26);
    serverLabel->setFont(PixelFont(19, true));
    serverLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit3_ = MakeEdit(this, QStringLiteral("Edit3"), 228, 220, 200, 30, serverLabel);
    edit3_->setFont(PixelFont(16));
    edit3_->setToolTip(QStringLiteral("考试服务器管理账号的密码（不保存）"));
    MaskWithStars(edit3_);
    label4_ = serverLabel;
    serverLabel->hide();
    edit3_->hide();

    QPushButton* confirm =
        MakeButton(this, QStringLiteral("Button1"), QStringLiteral("确定"), 140, 240, 100, 36);
    QPushButton* cancel =
        MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消"), 290, 240, 100, 36);
    confirm->setFont(PixelFont(16, true));
    cancel->setFont(PixelFont(16, true));
    guardedConnect(confirm, &QPushButton::clicked, this, [this] { Button1Click(); });
    guardedConnect(cancel, &QPushButton::clicked, this, [this] { Button2Click(); });

    confirm_ = confirm;
    cancel_ = cancel;
    setTabOrder(edit1_, edit2_);
    setTabOrder(edit2_, edit3_);
    setTabOrder(edit3_, confirm);
    setTabOrder(confirm, cancel);
    edit1_->setFocus();
}

namespace {

// Whether `name` and `password` match an administrator of `db`; `rows` the administrators there.
bool IsAdministrator(Database& db, const QString& name, const QString& password, int& rows) {
    auto officeTable = db.OpenQuery(QStringLiteral("Select * from UserGL"));
    rows = officeTable->RowCount();
    for (; !officeTable->AtEnd(); officeTable->MoveNext()) {
        // Blanks stored in the table count: only the typed texts are trimmed.
        if (officeTable->Value(QStringLiteral("Usermin")) == name &&
            officeTable->Value(QStringLiteral("password")) == password)
            return true;
    }
    return false;
}

}  // namespace

void AdminSignIn::showEvent(QShowEvent* event) {
    FormDialog::showEvent(event);
    ShowServerLine();
}

void AdminSignIn::ShowServerLine() {
    bool server = true;
    try {
        // A short look: a file locked right now leaves the line shown.
        Database file(kDatabasePath, 200, Database::Target::LocalFile);
        server = ServerSettingsIn(file.Handle()).has_value();
    } catch (const ServerUnreachable&) {
    } catch (const DatabaseError&) {
        server = false;  // no file: the sign-in reports it itself
    }
    label4_->setVisible(server);
    edit3_->setVisible(server);
    confirm_->move(confirm_->x(), server ? 272 : 240);
    cancel_->move(cancel_->x(), server ? 272 : 240);
}

void AdminSignIn::OpenBackOffice(const QString& name, bool settingsOnly) {
    close();
    windows_.backOffice->SetAdministrator(name);
    windows_.backOffice->SetServerSettingsOnly(settingsOnly);
    windows_.backOffice->show();
    windows_.backOffice->raise();
    windows_.backOffice->activateWindow();
}

void AdminSignIn::Button1Click() {
    const QString name = edit1_->text().trimmed();
    const QString password = edit2_->text().trimmed();
    if (name.isEmpty() || password.isEmpty()) {
        prompts_.Message(QStringLiteral("管理员或密码不能为空。"));
        return;
    }
    const std::optional<ServerSettings> server = StoredServerSettings(kDatabasePath);
    // The password given earlier in this session is still known.
    const std::optional<QString> earlier = SessionOwnerPassword();
    if (server) {
        if (edit3_->text().isEmpty() && !earlier) {
            ShowServerLine();
            prompts_.Message(QStringLiteral("请输入考试服务器的管理密码。"));
            return;
        }
        if (!edit3_->text().isEmpty()) SetSessionOwnerPassword(edit3_->text());
    }
    bool found = false;
    int rows = 0;
    try {
        Database officeDb(kDatabasePath);
        found = IsAdministrator(officeDb, name, password, rows);
    } catch (const ServerUnreachable& down) {
        SetSessionOwnerPassword(earlier);
        if (down.Detail().contains(QStringLiteral("password authentication failed"))) {
            prompts_.Message(QStringLiteral("考试服务器的管理密码不对（%1）。").arg(down.Server()));
            return;
        }
        if (!prompts_.Confirm(
                QStringLiteral("管理员操作"),
                down.Message() + QStringLiteral("\n\n是否打开本机文件，只修改“服务器”设置？")))
            return;
        // The file's own administrators (as of its last copy) let in to the settings alone.
        Database file(kDatabasePath, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        if (IsAdministrator(file, name, password, rows))
            OpenBackOffice(name, true);
        else if (rows > 0)
            prompts_.Message(QStringLiteral("管理员不存在或密码错误。"));
        return;
    }
    if (found) {
        OpenBackOffice(name, false);
    } else {
        if (server) SetSessionOwnerPassword(earlier);
        if (rows > 0) prompts_.Message(QStringLiteral("管理员不存在或密码错误。"));
    }
}

void AdminSignIn::Button2Click() {
    close();
    if (windows_.signIn) {
        windows_.signIn->raise();
        windows_.signIn->activateWindow();
    }
}
