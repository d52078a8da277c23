#include "data_store/ServerLink.h"

#include "data_store/Database.h"

#include <sqlite3.h>

namespace {

QByteArray Quoted(const QString& value) {
    QByteArray text = value.toUtf8();
    text.replace('\\', "\\\\").replace('\'', "\\'");
    return '\'' + text + '\'';
}

}  // namespace

QByteArray ServerAddress::ConnectionString() const {
    return "host=" + Quoted(host) + " port=" + QByteArray::number(port) +
           " dbname=" + Quoted(database) + " user=" + Quoted(user) +
           " password=" + Quoted(password) + " connect_timeout=10 client_encoding=UTF8" +
           " application_name='chengxi-exam'";
}

QString ServerAddress::Label() const {
    return QStringLiteral("%1@%2:%3/%4").arg(user, host).arg(port).arg(database);
}

std::optional<ServerAddress> ServerAddressIn(sqlite3* file) {
    sqlite3_stmt* statement = nullptr;
    // A file without the table (every file before a server was set) simply fails to prepare.
    if (sqlite3_prepare_v2(file, "Select Dizhi,Duankou,Shujuku,Yonghu,Mima from Fuwuqi", -1,
                           &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    std::optional<ServerAddress> address;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        auto text = [&](int c) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
        };
        if (!text(0).trimmed().isEmpty())
            address = ServerAddress{.host = text(0).trimmed(),
                                    .port = sqlite3_column_int(statement, 1),
                                    .database = text(2),
                                    .user = text(3),
                                    .password = text(4)};
    }
    sqlite3_finalize(statement);
    return address;
}

std::optional<ServerAddress> StoredServerAddress(const QString& fileName) {
    Database db(fileName, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
    return ServerAddressIn(db.Handle());
}

void StoreServerAddress(const QString& fileName, const std::optional<ServerAddress>& address) {
    Database db(fileName, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
    Transaction transaction(db);
    db.RunStatement(
        QStringLiteral("Create Table If Not Exists Fuwuqi(Dizhi text, Duankou "
                       "integer, Shujuku text, Yonghu text, Mima text)"));
    db.RunStatement(QStringLiteral("Delete from Fuwuqi"));
    if (address)
        db.RunStatement(QStringLiteral("Insert into Fuwuqi values (?,?,?,?,?)"),
                        {address->host, qint64(address->port), address->database, address->user,
                         address->password});
    transaction.Commit();
}
