#include "data_store/ClassroomCopy.h"

#include "data_store/Database.h"
#include "data_store/SchemaUpgrade.h"
#include "data_store/ServerLink.h"
#include "data_store/ServerSql.h"

#include <QStringList>

namespace {

struct Definition {
    QString name;
    QString type;  // "table" or "view"
    QString sql;
};

// Binds each value as the kind the source read it as: integers and floats exactly, texts as text,
// blobs as bytes.
SqlValues RowValues(const ResultTable& rows) {
    SqlValues values;
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        if (rows.IsNull(c)) {
            values << nullptr;
            continue;
        }
        switch (rows.KindOf(c)) {
            case ColumnKind::Integer:
                values << rows.ColumnAsInt64(c);
                break;
            case ColumnKind::Float:
                values << rows.ColumnAsFloat(c);
                break;
            case ColumnKind::Blob:
                values << *rows.ColumnBlob(c);
                break;
            default:
                values << QString::fromUtf8(rows.ColumnText(c));
                break;
        }
    }
    return values;
}

void CopyRows(Database& from, Database& to, const QString& table) {
    auto rows = from.OpenQuery(QStringLiteral("Select * from ") + table);
    if (rows->RowCount() == 0) return;
    QStringList marks;
    for (int c = 0; c < rows->ColumnCount(); ++c)
        marks << QStringLiteral("?");
    const QString insert = QStringLiteral("Insert into %1 (%2) values (%3)")
                               .arg(table, rows->ColumnNames().join(u','), marks.join(u','));
    for (; !rows->AtEnd(); rows->MoveNext())
        to.RunStatement(insert, RowValues(*rows));
}

void CreateAndCopy(Database& from, Database& to, const QList<Definition>& definitions) {
    for (const Definition& d : definitions)
        to.RunStatement(d.sql);
    for (const Definition& d : definitions)
        if (d.type == QStringLiteral("table")) CopyRows(from, to, d.name);
}

}  // namespace

void CopyToServer(Database& file, Database& server) {
    auto existing = server.OpenQuery(QStringLiteral(
        "Select table_name from information_schema.tables where table_schema=current_schema()"));
    if (existing->RowCount() > 0)
        throw TargetNotEmpty{existing->Value(QStringLiteral("table_name"))};
    // The server starts at the schema version this program writes.
    UpgradeSchema(file);
    // One snapshot of the file for everything read from it: a workstation writing meanwhile
    // waits, and the copy holds the file as it was at one moment.
    ReadTransaction snapshot(file);
    const qint64 version = file.OpenQuery(QStringLiteral("PRAGMA user_version"))->ColumnAsInt64(0);
    QList<Definition> definitions;
    auto master = file.OpenQuery(
        QStringLiteral(
            "Select name, type, sql from sqlite_master where type in ('table','view') and name not "
            "like 'sqlite%' and name<>? order by rowid"),
        {kServerTable});
    for (; !master->AtEnd(); master->MoveNext())
        definitions << Definition{master->Value(QStringLiteral("name")),
                                  master->Value(QStringLiteral("type")),
                                  master->Value(QStringLiteral("sql"))};
    Transaction transaction(server);
    for (const QString& statement : ServerComparisons())
        server.RunStatement(statement);
    CreateAndCopy(file, server, definitions);
    server.RunStatement(QStringLiteral(
        "Create Table Jiegou(Xuhao INTEGER PRIMARY KEY, Mingcheng text, Leixing text, Yuju text)"));
    for (qsizetype i = 0; i < definitions.size(); ++i)
        server.RunStatement(
            QStringLiteral("Insert into Jiegou values (?,?,?,?)"),
            {qint64(i + 1), definitions[i].name, definitions[i].type, definitions[i].sql});
    // The file's catalogue as its readers ask it ("is there a table named …").
    server.RunStatement(QStringLiteral(
        "Create View sqlite_master As Select Leixing As type, Mingcheng As name, Mingcheng As "
        "tbl_name, Yuju As sql From Jiegou"));
    server.RunStatement(QStringLiteral("Create Table Banben(user_version INTEGER)"));
    server.RunStatement(QStringLiteral("Insert into Banben values (?)"), {version});
    // Numbers drawn by the server (an INTEGER PRIMARY KEY left out of an insert, the row order)
    // go on after the copied ones, as the file would number the next row.
    auto drawn = server.OpenQuery(QStringLiteral(
        "Select table_name, column_name from information_schema.columns where "
        "table_schema=current_schema() and (is_identity='YES' or column_default like 'nextval%')"));
    for (; !drawn->AtEnd(); drawn->MoveNext()) {
        const QString table = drawn->Value(QStringLiteral("table_name"));
        const QString column = drawn->Value(QStringLiteral("column_name"));
        auto next = server.OpenQuery(
            QStringLiteral("Select setval(pg_get_serial_sequence(?, ?), coalesce(max(%1), 0) + 1, "
                           "false) from %2")
                .arg(column, table),
            {table, column});
    }
    transaction.Commit();
}

void CopyFromServer(Database& server, Database& file) {
    auto existing = file.OpenQuery(QStringLiteral(
        "Select name from sqlite_master where type in ('table','view') and name not like "
        "'sqlite%'"));
    if (existing->RowCount() > 0) throw TargetNotEmpty{existing->Value(QStringLiteral("name"))};
    QList<Definition> definitions;
    auto stored = server.OpenQuery(QStringLiteral("Select * from Jiegou"));
    for (; !stored->AtEnd(); stored->MoveNext())
        definitions << Definition{stored->Value(QStringLiteral("Mingcheng")),
                                  stored->Value(QStringLiteral("Leixing")),
                                  stored->Value(QStringLiteral("Yuju"))};
    Transaction transaction(file);
    CreateAndCopy(server, file, definitions);
    file.RunStatement(
        QStringLiteral("PRAGMA user_version = %1")
            .arg(server.OpenQuery(QStringLiteral("PRAGMA user_version"))->ColumnAsInt64(0)));
    transaction.Commit();
}

namespace {

QString Quoted(Database& server, const char* function, const QString& value) {
    return server
        .OpenQuery(QStringLiteral("Select %1(?) as q").arg(QLatin1String(function)), {value})
        ->Value(QStringLiteral("q"));
}

}  // namespace

void GrantExamRole(Database& server, const QString& examUser, const QString& password) {
    Transaction transaction(server);
    const QString role = Quoted(server, "quote_ident", examUser);
    const QString secret = Quoted(server, "quote_literal", password);
    const QString database =
        Quoted(server, "quote_ident",
               server.OpenQuery(QStringLiteral("Select current_database() as d"))
                   ->Value(QStringLiteral("d")));
    const bool exists =
        server.OpenQuery(QStringLiteral("Select 1 from pg_roles where rolname=?"), {examUser})
            ->RowCount() > 0;
    // Only a superuser may name the superuser attribute of an existing role, even to deny it; an
    // owner with CREATEROLE alone can alter a role that is not a superuser, which is all an exam
    // role may be.
    server.RunStatement(
        QStringLiteral("%1 Role %2 Login %3NoCreatedb NoCreaterole NoInherit Password %4")
            .arg(exists ? QStringLiteral("Alter") : QStringLiteral("Create"), role,
                 exists ? QString() : QStringLiteral("NoSuperuser "), secret));
    // Nothing to create, in the database or its schema; connecting and reading, yes.
    server.RunStatement(
        QStringLiteral("Revoke Create, Temporary On Database %1 From Public").arg(database));
    server.RunStatement(QStringLiteral("Grant Connect On Database %1 To %2").arg(database, role));
    server.RunStatement(QStringLiteral("Grant Usage On Schema public To %1").arg(role));
    server.RunStatement(
        QStringLiteral("Revoke All On All Tables In Schema public From %1").arg(role));
    server.RunStatement(
        QStringLiteral("Grant Select On All Tables In Schema public To %1").arg(role));
    server.RunStatement(
        QStringLiteral("Grant Usage On All Sequences In Schema public To %1").arg(role));
    // Tables the back office adds later (a new bank) can be read as well.
    server.RunStatement(
        QStringLiteral("Alter Default Privileges In Schema public Grant Select On Tables To %1")
            .arg(role));
    server.RunStatement(
        QStringLiteral("Alter Default Privileges In Schema public Grant Usage On Sequences To %1")
            .arg(role));
    // The administrators and their passwords are the back office's alone.
    server.RunStatement(QStringLiteral("Revoke All On UserGL From Public, %1").arg(role));
    // The record, and the results the exam writes.
    server.RunStatement(
        QStringLiteral("Grant Insert, Update On Kaoshijilu, Datijilu To %1").arg(role));
    server.RunStatement(QStringLiteral("Grant Insert On Jiankao To %1").arg(role));
    // The journal's last entry applied per attempt.
    server.RunStatement(QStringLiteral("Grant Insert, Update On Rizhi To %1").arg(role));
    // The first sign-in with no sitting open opens one, its paper frozen; the sitting's clock.
    server.RunStatement(QStringLiteral("Grant Insert On Changci, Shijuan To %1").arg(role));
    server.RunStatement(QStringLiteral("Grant Update (Shizhong) On Changci To %1").arg(role));
    QStringList scores;
    auto columns = server.OpenQuery(QStringLiteral(
        "Select column_name from information_schema.columns where table_schema=current_schema() "
        "and lower(table_name)='userxinxi' and (lower(column_name)='chengji' or "
        "lower(column_name) ~ '^tt[0-9]+$')"));
    for (; !columns->AtEnd(); columns->MoveNext())
        scores << columns->Value(QStringLiteral("column_name"));
    if (!scores.isEmpty())
        server.RunStatement(
            QStringLiteral("Grant Update (%1) On Userxinxi To %2").arg(scores.join(u','), role));
    transaction.Commit();
}
