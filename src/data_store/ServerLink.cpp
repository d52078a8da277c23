#include "data_store/ServerLink.h"

#include "data_store/Database.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <sqlite3.h>

namespace {

QByteArray Quoted(const QString& value) {
    QByteArray text = value.toUtf8();
    text.replace('\\', "\\\\").replace('\'', "\\'");
    return '\'' + text + '\'';
}

// The files this process has read a server from: when one of them cannot be read any more, the
// server is still where the data is.
QSet<QString>& FilesNamingAServer() {
    static QSet<QString> files;
    return files;
}

std::optional<QString>& OwnerPassword() {
    static std::optional<QString> password;
    return password;
}

const QString kColumns[] = {QStringLiteral("KaoshiYonghu"), QStringLiteral("KaoshiMima"),
                            QStringLiteral("Jiami"), QStringLiteral("Zhengshu"),
                            QStringLiteral("Fuzhi")};

}  // namespace

QByteArray ServerAddress::ConnectionString() const {
    QByteArray text = "host=" + Quoted(host) + " port=" + QByteArray::number(port) +
                      " dbname=" + Quoted(database) + " user=" + Quoted(user) +
                      " password=" + Quoted(password) + " client_encoding=UTF8" +
                      // A server that does not answer is noticed within 5 s: connecting, while
                      // idle (TCP keep-alives), and with data on the way (tcp_user_timeout).
                      " connect_timeout=5 keepalives=1 keepalives_idle=2 keepalives_interval=1" +
                      " keepalives_count=2 tcp_user_timeout=5000" +
                      " application_name='chengxi-exam' sslmode=" +
                      Quoted(sslMode.isEmpty() ? QStringLiteral("require") : sslMode);
    if (!caFile.isEmpty()) text += " sslrootcert=" + Quoted(caFile);
    return text;
}

QString ServerAddress::Label() const {
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

QString DefaultSslMode(const QString& caFile) {
    return caFile.trimmed().isEmpty() ? QStringLiteral("require") : QStringLiteral("verify-full");
}

ServerAddress ServerSettings::As(const QString& user, const QString& password) const {
    return ServerAddress{.host = host,
                         .port = port,
                         .database = database,
                         .user = user,
                         .password = password,
                         .sslMode = sslMode.isEmpty() ? DefaultSslMode(caFile) : sslMode,
                         .caFile = caFile};
}

std::optional<ServerSettings> ServerSettingsIn(sqlite3* file) {
    const char* fileName = sqlite3_db_filename(file, "main");
    const QString name = QFileInfo(QString::fromUtf8(fileName ? fileName : "")).absoluteFilePath();
    auto unreadable = [&]() -> std::optional<ServerSettings> {
        const int code = sqlite3_errcode(file);
        const QString detail = QString::fromUtf8(sqlite3_errmsg(file));
        if (FilesNamingAServer().contains(name))
            throw ServerUnreachable(name,
                                    QStringLiteral("无法读取本机文件中的服务器设置：") + detail);
        throw DatabaseError(
            QStringLiteral("Could not retrieve data.\rError [%1]: %2.\r\"%3\": %4")
                .arg(code)
                .arg(ErrorCodeText(code), QStringLiteral("Select * from Fuwuqi"), detail));
    };
    sqlite3_stmt* statement = nullptr;
    const int prepared = sqlite3_prepare_v2(file, "Select * from Fuwuqi", -1, &statement, nullptr);
    if (prepared != SQLITE_OK) {
        sqlite3_finalize(statement);
        // Locked past the busy timeout: whether it names a server is not known, so it is no
        // answer. Any other failure (no such table: every file before a server was set; not a
        // database) leaves the file to report itself.
        if (prepared == SQLITE_BUSY || prepared == SQLITE_LOCKED) return unreadable();
        FilesNamingAServer().remove(name);
        return std::nullopt;
    }
    std::optional<ServerSettings> settings;
    const int stepped = sqlite3_step(statement);
    if (stepped == SQLITE_ROW) {
        QHash<QString, int> columns;
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            columns.insert(QString::fromUtf8(sqlite3_column_name(statement, c)).toLower(), c);
        auto text = [&](const QString& column) {
            const int c = columns.value(column.toLower(), -1);
            if (c < 0) return QString();
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
        };
        if (!text(QStringLiteral("Dizhi")).trimmed().isEmpty())
            settings = ServerSettings{.host = text(QStringLiteral("Dizhi")).trimmed(),
                                      .port = text(QStringLiteral("Duankou")).toInt(),
                                      .database = text(QStringLiteral("Shujuku")),
                                      .owner = text(QStringLiteral("Yonghu")),
                                      .examUser = text(QStringLiteral("KaoshiYonghu")),
                                      .examPassword = text(QStringLiteral("KaoshiMima")),
                                      .sslMode = text(QStringLiteral("Jiami")),
                                      .caFile = text(QStringLiteral("Zhengshu")),
                                      .copiedAt = text(QStringLiteral("Fuzhi"))};
    }
    sqlite3_finalize(statement);
    if (stepped == SQLITE_BUSY || stepped == SQLITE_LOCKED) return unreadable();
    if (settings)
        FilesNamingAServer().insert(name);
    else
        FilesNamingAServer().remove(name);
    return settings;
}

std::optional<ServerSettings> StoredServerSettings(const QString& fileName) {
    Database db(fileName, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
    return ServerSettingsIn(db.Handle());
}

void StoreServerSettings(const QString& fileName, const std::optional<ServerSettings>& settings) {
    Database db(fileName, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
    Transaction transaction(db);
    db.RunStatement(
        QStringLiteral("Create Table If Not Exists Fuwuqi(Dizhi text, Duankou "
                       "integer, Shujuku text, Yonghu text, Mima text)"));
    // Columns added since the table's first form; a file an older program wrote keeps its row.
    auto present = db.OpenQuery(QStringLiteral("Select name from pragma_table_info('Fuwuqi')"));
    QStringList have;
    for (; !present->AtEnd(); present->MoveNext())
        have << present->Value(QStringLiteral("name")).toLower();
    for (const QString& column : kColumns)
        if (!have.contains(column.toLower()))
            db.RunStatement(QStringLiteral("Alter Table Fuwuqi Add Column %1 text").arg(column));
    db.RunStatement(QStringLiteral("Delete from Fuwuqi"));
    // Mima (the owner's password an older program stored) stays empty from now on.
    if (settings)
        db.RunStatement(
            QStringLiteral("Insert into Fuwuqi (Dizhi, Duankou, Shujuku, Yonghu, Mima, "
                           "KaoshiYonghu, KaoshiMima, Jiami, Zhengshu, Fuzhi) values "
                           "(?,?,?,?,'',?,?,?,?,?)"),
            {settings->host, qint64(settings->port), settings->database, settings->owner,
             settings->examUser, settings->examPassword,
             settings->sslMode.isEmpty() ? DefaultSslMode(settings->caFile) : settings->sslMode,
             settings->caFile, settings->copiedAt});
    transaction.Commit();
}

ServerSettings SettingsFor(const ServerAddress& address) {
    return ServerSettings{.host = address.host,
                          .port = address.port,
                          .database = address.database,
                          .owner = address.user,
                          .examUser = address.user,
                          .examPassword = address.password,
                          .sslMode = address.sslMode,
                          .caFile = address.caFile,
                          .copiedAt = QString()};
}

void StoreServerAddress(const QString& fileName, const std::optional<ServerAddress>& address) {
    StoreServerSettings(fileName, address ? std::optional(SettingsFor(*address)) : std::nullopt);
}

void SetSessionOwnerPassword(const std::optional<QString>& password) {
    OwnerPassword() = password;
}

std::optional<QString> SessionOwnerPassword() {
    return OwnerPassword();
}

ServerAddress ConnectionFor(const ServerSettings& settings) {
    if (const std::optional<QString>& password = OwnerPassword()) return settings.Owner(*password);
    if (settings.examUser.isEmpty())
        throw ServerUnreachable(
            settings.As(settings.owner, QString()).Label(),
            QStringLiteral("本机的服务器设置里没有考试账号，请在后台“服务器”页重新保存设置"));
    return settings.Exam();
}
