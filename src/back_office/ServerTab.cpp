#include "back_office/ServerTab.h"

#include "back_office/TabFields.h"
#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kMissing = QStringLiteral("请填写服务器地址、端口（1-65535）、数据库名和用户名");
const QString kNotEmpty = QStringLiteral("目标数据库不是空的（已有表 %1），没有复制");

constexpr FieldColumns kColumns{96, 116, 220};

}  // namespace

ServerTab::ServerTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts, this) {
    setObjectName(QStringLiteral("TabSheet9"));
    QGroupBox* box = MakeSection(this, QStringLiteral("GroupBox31"),
                                 QStringLiteral("数据库服务器（PostgreSQL）"), 10, 10, 360, 230);
    host_ = MakeField(box, QStringLiteral("Edit31"), QStringLiteral("服务器地址："), 30, kColumns);
    port_ = MakeField(box, QStringLiteral("Edit32"), QStringLiteral("端口："), 66, kColumns);
    port_->setText(QStringLiteral("5432"));
    FilterKeys(port_, kDigits);
    database_ =
        MakeField(box, QStringLiteral("Edit33"), QStringLiteral("数据库名："), 102, kColumns);
    user_ = MakeField(box, QStringLiteral("Edit34"), QStringLiteral("用户名："), 138, kColumns);
    password_ = MakeField(box, QStringLiteral("Edit35"), QStringLiteral("密码："), 174, kColumns);
    MaskWithStars(password_);

    state_ = MakeLabel(this, QStringLiteral("Label31"), QString(), 10, 250, 840, 24);
    const struct {
        const char* name;
        const char* caption;
        void (ServerTab::*click)();
    } buttons[] = {{"Button31", "保存设置", &ServerTab::Button31Click},
                   {"Button32", "复制到服务器", &ServerTab::Button32Click},
                   {"Button33", "复制回本地文件", &ServerTab::Button33Click},
                   {"Button34", "改用本地文件", &ServerTab::Button34Click}};
    int y = 18;
    for (const auto& b : buttons) {
        QPushButton* button = MakeButton(this, QString::fromLatin1(b.name),
                                         QString::fromUtf8(b.caption), 390, y, 130, 30);
        const auto click = b.click;
        guardedConnect(button, &QPushButton::clicked, this, [this, click] { (this->*click)(); });
        y += 44;
    }
    auto* hint = MakeLabel(
        this, QStringLiteral("Label32"),
        QStringLiteral("本机文件 data/Maindb.db 记下服务器后，本机所有窗口都连接服务器。\n"
                       "复制到服务器需要一个空的数据库；复制回本地文件生成一个独立的数据库文件。"),
        10, 290, 840, 48);
    hint->setWordWrap(true);
}

void ServerTab::Refresh() {
    const std::optional<ServerAddress> stored = StoredServerAddress(kDatabasePath);
    if (stored) {
        host_->setText(stored->host);
        port_->setText(QString::number(stored->port));
        database_->setText(stored->database);
        user_->setText(stored->user);
        password_->setText(stored->password);
    }
    state_->setText(stored ? QStringLiteral("当前使用服务器：") + stored->Label()
                           : QStringLiteral("当前使用本地文件：") + kDatabasePath);
}

std::optional<ServerAddress> ServerTab::TypedAddress() {
    const int port = port_->text().trimmed().toInt();
    ServerAddress address{.host = host_->text().trimmed(),
                          .port = port,
                          .database = database_->text().trimmed(),
                          .user = user_->text().trimmed(),
                          .password = password_->text()};
    if (address.host.isEmpty() || port < 1 || port > 65535 || address.database.isEmpty() ||
        address.user.isEmpty()) {
        prompts_.Message(kMissing);
        return std::nullopt;
    }
    return address;
}

void ServerTab::Button31Click() {
    const std::optional<ServerAddress> address = TypedAddress();
    if (!address) return;
    {
        Database server(*address);  // a refused login or a missing database ends here
        if (server.OpenQuery(QStringLiteral("Select to_regclass(?) as t"), {kDefinitionsTable})
                ->Value(QStringLiteral("t"))
                .isEmpty()) {
            prompts_.Message(
                QStringLiteral("服务器上的数据库里还没有考试数据，请先“复制到服务器”"));
            return;
        }
    }
    StoreServerAddress(kDatabasePath, address);
    Refresh();
    prompts_.Message(QStringLiteral("已保存，以后的连接都使用服务器"));
}

void ServerTab::Button32Click() {
    const std::optional<ServerAddress> address = TypedAddress();
    if (!address) return;
    try {
        Database server(*address);
        Database file(kDatabasePath, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        CopyToServer(file, server);
    } catch (const TargetNotEmpty& taken) {
        prompts_.Message(kNotEmpty.arg(taken.table));
        return;
    }
    StoreServerAddress(kDatabasePath, address);
    Refresh();
    prompts_.Message(QStringLiteral("已复制到服务器，以后的连接都使用服务器"));
}

void ServerTab::Button33Click() {
    const std::optional<ServerAddress> address = TypedAddress();
    if (!address) return;
    const QString kept = QDir::currentPath();  // the database path is relative
    const QString target = prompts_.SaveFileName(QStringLiteral("数据库文件(*.db)"));
    QDir::setCurrent(kept);
    if (target.isEmpty()) return;
    // Into a new file beside the target, renamed over it once complete: a failed copy leaves
    // whatever was there.
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    try {
        Database server(*address);
        Database file(part, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        CopyFromServer(server, file);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    QFile::remove(target);
    if (!QFile::rename(part, target)) {
        QFile::remove(part);
        prompts_.Message(QStringLiteral("无法写入文件 ") + target);
        return;
    }
    prompts_.Message(QStringLiteral("已从服务器复制到文件 ") + target);
}

void ServerTab::Button34Click() {
    StoreServerAddress(kDatabasePath, std::nullopt);
    Refresh();
    prompts_.Message(QStringLiteral("以后的连接都使用本地文件 ") + kDatabasePath);
}
