#include "back_office/ServerTab.h"

#include "back_office/TabFields.h"
#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>

#include <cstdio>

namespace {

const QString kMissing =
    QStringLiteral("请填写服务器地址、端口（1-65535）、数据库名、管理账号和管理密码");
// A file a copy from the server replaced is kept under its name with this ending.
const QString kKeptSuffix = QStringLiteral(".bak");
const QString kNotEmpty = QStringLiteral("目标数据库不是空的（已有表 %1），没有复制");
const QStringList kSslModes = {QStringLiteral("verify-full"), QStringLiteral("verify-ca"),
                               QStringLiteral("require")};

constexpr FieldColumns kColumns{96, 116, 220};

// A password for the exam role nobody has to type: the workstations read it from their file.
QString NewPassword() {
    const QString letters =
        QStringLiteral("abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    QString password;
    for (int i = 0; i < 20; ++i)
        password += letters[int(QRandomGenerator::system()->bounded(int(letters.size())))];
    return password;
}

}  // namespace

ServerTab::ServerTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts, this) {
    setObjectName(QStringLiteral("TabSheet9"));
    QGroupBox* box = MakeSection(this, QStringLiteral("GroupBox31"),
                                 QStringLiteral("数据库服务器（PostgreSQL）"), 10, 10, 360, 380);
    host_ = MakeField(box, QStringLiteral("Edit31"), QStringLiteral("服务器地址："), 30, kColumns);
    port_ = MakeField(box, QStringLiteral("Edit32"), QStringLiteral("端口："), 66, kColumns);
    port_->setText(QStringLiteral("5432"));
    FilterKeys(port_, kDigits);
    database_ =
        MakeField(box, QStringLiteral("Edit33"), QStringLiteral("数据库名："), 102, kColumns);
    user_ = MakeField(box, QStringLiteral("Edit34"), QStringLiteral("管理账号："), 138, kColumns);
    password_ =
        MakeField(box, QStringLiteral("Edit35"), QStringLiteral("管理密码："), 174, kColumns);
    MaskWithStars(password_);
    password_->setPlaceholderText(QStringLiteral("不保存，本次登录时已输入"));
    examUser_ =
        MakeField(box, QStringLiteral("Edit36"), QStringLiteral("考试账号："), 210, kColumns);
    examUser_->setPlaceholderText(QStringLiteral("空：自动取名"));
    examPassword_ =
        MakeField(box, QStringLiteral("Edit37"), QStringLiteral("考试密码："), 246, kColumns);
    MaskWithStars(examPassword_);
    examPassword_->setPlaceholderText(QStringLiteral("空：自动生成"));
    MakeLabel(box, QStringLiteral("Label33"), QStringLiteral("加密连接："), 10, 284, 96, 24)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sslMode_ = new QComboBox(box);
    sslMode_->setObjectName(QStringLiteral("ComboBox31"));
    sslMode_->setGeometry(116, 282, 220, 28);
    sslMode_->addItem(QStringLiteral("verify-full 核对证书和地址"), kSslModes[0]);
    sslMode_->addItem(QStringLiteral("verify-ca 核对证书"), kSslModes[1]);
    sslMode_->addItem(QStringLiteral("require 只加密"), kSslModes[2]);
    sslMode_->setCurrentIndex(2);
    sslMode_->setToolTip(
        QStringLiteral("连接一律加密；verify-full 还核对服务器证书由 CA 证书签发、"
                       "并且是发给这个服务器地址的"));
    caFile_ = MakeField(box, QStringLiteral("Edit38"), QStringLiteral("CA 证书："), 318, kColumns);
    caFile_->setPlaceholderText(QStringLiteral("签发服务器证书的 CA 文件（.crt）"));
    // A CA file given for new settings means the server can be checked: verify-full.
    connect(caFile_, &QLineEdit::textEdited, this, [this](const QString& text) {
        sslMode_->setCurrentIndex(int(kSslModes.indexOf(DefaultSslMode(text))));
    });

    state_ = MakeLabel(this, QStringLiteral("Label31"), QString(), 10, 400, 840, 24);
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
    QPushButton* browse = MakeButton(this, QStringLiteral("Button35"),
                                     QStringLiteral("选择CA证书…"), 390, 324, 130, 30);
    guardedConnect(browse, &QPushButton::clicked, this, [this] { Button35Click(); });
    auto* hint = MakeLabel(
        this, QStringLiteral("Label32"),
        QStringLiteral(
            "本机文件 data/Maindb.db 记下服务器后，本机所有窗口都连接服务器：后台用管理账号"
            "（密码在登录时输入，不保存），考试用考试账号（只能读试题、写答题记录和成绩）。"
            "其他考试机复制本机的 data/Maindb.db 即可。\n"
            "复制到服务器需要一个空的数据库；复制回本地文件生成一个独立的数据库文件。"),
        10, 430, 840, 64);
    hint->setWordWrap(true);
}

void ServerTab::Refresh() {
    const std::optional<ServerSettings> stored = StoredServerSettings(kDatabasePath);
    if (stored) {
        host_->setText(stored->host);
        port_->setText(QString::number(stored->port));
        database_->setText(stored->database);
        user_->setText(stored->owner);
        examUser_->setText(stored->examUser);
        examPassword_->setText(stored->examPassword);
        const QString mode =
            stored->sslMode.isEmpty() ? DefaultSslMode(stored->caFile) : stored->sslMode;
        sslMode_->setCurrentIndex(std::max(0, int(kSslModes.indexOf(mode))));
        caFile_->setText(stored->caFile);
    }
    password_->clear();
    const QString offline =
        offline_ ? QStringLiteral("考试服务器现在连不上，只打开了本机文件的服务器设置。")
                 : QString();
    state_->setText(offline +
                    (stored ? QStringLiteral("当前使用服务器：%1（%2）")
                                  .arg(stored->Owner(QString()).Label(),
                                       stored->sslMode.isEmpty() ? DefaultSslMode(stored->caFile)
                                                                 : stored->sslMode)
                            : QStringLiteral("当前使用本地文件：") + kDatabasePath));
}

std::optional<ServerSettings> ServerTab::TypedSettings(QString& ownerPassword) {
    const int port = port_->text().trimmed().toInt();
    ServerSettings settings{.host = host_->text().trimmed(),
                            .port = port,
                            .database = database_->text().trimmed(),
                            .owner = user_->text().trimmed(),
                            .examUser = examUser_->text().trimmed(),
                            .examPassword = examPassword_->text(),
                            .sslMode = sslMode_->currentData().toString(),
                            .caFile = caFile_->text().trimmed(),
                            .copiedAt = QString()};
    ownerPassword = password_->text();
    if (ownerPassword.isEmpty()) ownerPassword = SessionOwnerPassword().value_or(QString());
    if (settings.host.isEmpty() || port < 1 || port > 65535 || settings.database.isEmpty() ||
        settings.owner.isEmpty() || ownerPassword.isEmpty()) {
        prompts_.Message(kMissing);
        return std::nullopt;
    }
    if (settings.examUser.isEmpty())
        settings.examUser = settings.database + QStringLiteral("_kaoshi");
    if (settings.examPassword.isEmpty()) settings.examPassword = NewPassword();
    if (settings.examUser == settings.owner) {
        prompts_.Message(QStringLiteral("考试账号不能和管理账号相同"));
        return std::nullopt;
    }
    // The same server database keeps the note of when this file's content was copied there.
    if (const std::optional<ServerSettings> stored = StoredServerSettings(kDatabasePath);
        stored && stored->host == settings.host && stored->port == settings.port &&
        stored->database == settings.database)
        settings.copiedAt = stored->copiedAt;
    return settings;
}

void ServerTab::Button31Click() {
    QString ownerPassword;
    const std::optional<ServerSettings> settings = TypedSettings(ownerPassword);
    if (!settings) return;
    {
        Database server(settings->Owner(ownerPassword));  // a refused login ends here
        if (server.OpenQuery(QStringLiteral("Select to_regclass(?) as t"), {kDefinitionsTable})
                ->Value(QStringLiteral("t"))
                .isEmpty()) {
            prompts_.Message(
                QStringLiteral("服务器上的数据库里还没有考试数据，请先“复制到服务器”"));
            return;
        }
        GrantExamRole(server, settings->examUser, settings->examPassword);
    }
    StoreServerSettings(kDatabasePath, settings);
    SetSessionOwnerPassword(ownerPassword);
    Refresh();
    prompts_.Message(QStringLiteral("已保存，以后的连接都使用服务器"));
}

void ServerTab::Button32Click() {
    QString ownerPassword;
    std::optional<ServerSettings> settings = TypedSettings(ownerPassword);
    if (!settings) return;
    try {
        Database server(settings->Owner(ownerPassword));
        Database file(kDatabasePath, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        CopyToServer(file, server);
        GrantExamRole(server, settings->examUser, settings->examPassword);
    } catch (const TargetNotEmpty& taken) {
        prompts_.Message(kNotEmpty.arg(taken.table));
        return;
    }
    settings->copiedAt = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    StoreServerSettings(kDatabasePath, settings);
    SetSessionOwnerPassword(ownerPassword);
    Refresh();
    prompts_.Message(QStringLiteral("已复制到服务器，以后的连接都使用服务器"));
}

bool ServerTab::CopyBack(const ServerSettings& settings, const QString& ownerPassword,
                         const QString& target) {
    // Into a new file beside the target, renamed over it once complete: a failed copy leaves
    // whatever was there.
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    try {
        Database server(settings.Owner(ownerPassword));
        Database file(part, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        CopyFromServer(server, file);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    // What the target held stays beside it; the new file takes its place in one step, so that
    // no moment leaves the target missing.
    if (QFile::exists(target)) {
        QFile::remove(target + kKeptSuffix);
        QFile::copy(target, target + kKeptSuffix);
    }
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) !=
        0) {
        QFile::remove(part);
        prompts_.Message(QStringLiteral("无法写入文件 ") + target);
        return false;
    }
    return true;
}

void ServerTab::Button33Click() {
    QString ownerPassword;
    const std::optional<ServerSettings> settings = TypedSettings(ownerPassword);
    if (!settings) return;
    const QString kept = QDir::currentPath();  // the database path is relative
    const QString target = prompts_.SaveFileName(QStringLiteral("数据库文件(*.db)"));
    QDir::setCurrent(kept);
    if (target.isEmpty()) return;
    if (CopyBack(*settings, ownerPassword, target))
        prompts_.Message(QStringLiteral("已从服务器复制到文件 ") + target);
}

void ServerTab::Button34Click() {
    const std::optional<ServerSettings> stored = StoredServerSettings(kDatabasePath);
    if (stored) {
        // The file still holds what it held before the server took over: say so, and offer
        // the server's content first.
        const QString content =
            stored->copiedAt.isEmpty()
                ? QStringLiteral(
                      "本地文件里不是服务器上的内容（服务器上的考试数据不是从本机文件"
                      "复制过去的）。")
                : QStringLiteral(
                      "本地文件里是 %1 复制到服务器时的内容，之后在服务器上的考试记录、"
                      "成绩和修改都不在里面。")
                      .arg(stored->copiedAt);
        if (prompts_.Confirm(
                QStringLiteral("改用本地文件"),
                content + QStringLiteral("\n先把服务器上现在的内容复制回本地文件吗？"))) {
            QString ownerPassword;
            const std::optional<ServerSettings> settings = TypedSettings(ownerPassword);
            if (!settings) return;
            // The copy has no server settings: once it is in place, the file is the database.
            if (!CopyBack(*settings, ownerPassword, kDatabasePath)) return;
            Refresh();
            prompts_.Message(
                QStringLiteral("已把服务器上的内容复制回本地文件，以后的连接都使用本地文件 ") +
                kDatabasePath + QStringLiteral("（原来的文件保留为 ") + kDatabasePath +
                kKeptSuffix + QStringLiteral("）"));
            return;
        }
        if (!prompts_.Confirm(QStringLiteral("改用本地文件"),
                              content + QStringLiteral("\n不复制，直接改用本地文件吗？")))
            return;
    }
    StoreServerSettings(kDatabasePath, std::nullopt);
    Refresh();
    prompts_.Message(QStringLiteral("以后的连接都使用本地文件 ") + kDatabasePath);
}

void ServerTab::Button35Click() {
    const QString kept = QDir::currentPath();
    const QString file =
        prompts_.OpenFileName(QStringLiteral("证书文件(*.crt *.pem);;所有文件(*)"));
    QDir::setCurrent(kept);
    if (file.isEmpty()) return;
    caFile_->setText(file);
    sslMode_->setCurrentIndex(int(kSslModes.indexOf(DefaultSslMode(file))));
}
