#include "reliability/HostileInput.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <sqlite3.h>

QList<QPair<QString, QString>> HostileTexts() {
    return {
        {QStringLiteral("single quote"), QStringLiteral("'")},
        {QStringLiteral("double quote"), QStringLiteral("\"")},
        {QStringLiteral("statement"), QStringLiteral("'; DROP TABLE UserGL; --")},
        {QStringLiteral("always true"), QStringLiteral("\" OR \"1\"=\"1")},
        {QStringLiteral("placeholders"), QStringLiteral("?1 ? :name @x $y %s %n \\ \\' ''")},
        {QStringLiteral("10,000 characters"),
         QStringLiteral("长").repeated(5000) + QStringLiteral("x").repeated(5000)},
        {QStringLiteral("line breaks"), QStringLiteral("第一行\n第二行\r\n第三行\r")},
        {QStringLiteral("tabs"), QStringLiteral("a\tb\t\tc\t")},
        {QStringLiteral("control characters"), QStringLiteral("x\x01\x02\x07\x08\x1b\x7fy")},
        {QStringLiteral("beyond the BMP"), QStringLiteral("😀 𠀀 𝄞 👨‍👩‍👧")},
        {QStringLiteral("Chinese"),
         QStringLiteral("计算机应用基础：中央处理器（CPU）由运算器和控制器组成。")},
        {QStringLiteral("blanks around"), QStringLiteral("  前后有空格  ")},
    };
}

QStringList HostileNumbers() {
    return {QStringLiteral("0"),
            QStringLiteral("110100"),
            QStringLiteral("999999"),
            QStringLiteral("1000000"),
            QStringLiteral("2147483647"),
            QStringLiteral("2147483648"),
            QStringLiteral("99999999999999999999"),
            QStringLiteral("0000000000000000000000000000000000000000000012"),
            QStringLiteral("7").repeated(10000),
            QStringLiteral("12'; DROP TABLE UserGL; --"),  // the filter keeps the digits
            QStringLiteral("1.5"),
            QStringLiteral("3:30")};
}

void TypeAsUser(QWidget* box, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->clear();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(box)) memo->clear();
    box->setFocus();
    bool keys = text.size() <= 200;
    for (QChar c : text)
        keys = keys && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (keys) {
        QTest::keyClicks(box, text);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

QString TextOf(QWidget* box) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) return edit->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(box)) return memo->toPlainText();
    return QString();
}

namespace {

QVariant Cell(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_NULL:
            return QVariant();
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(statement, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(statement, column));
        default: {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
            return QVariant(QByteArray(bytes, sqlite3_column_bytes(statement, column)));
        }
    }
}

QList<QVariantList> Query(sqlite3* db, const QByteArray& sql, QStringList* names = nullptr) {
    QList<QVariantList> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
        QTest::qFail(sqlite3_errmsg(db), __FILE__, __LINE__);
        return rows;
    }
    if (names)
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            *names << QString::fromUtf8(sqlite3_column_name(statement, c));
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QVariantList row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            row << Cell(statement, c);
        rows << row;
    }
    sqlite3_finalize(statement);
    return rows;
}

QString Describe(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray()).left(60);
    return value.toString();
}

}  // namespace

DatabaseDump Dump(const QString& fileName) {
    DatabaseDump dump;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(fileName.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return dump;
    }
    dump.schema = Query(db, "select type, name, tbl_name, sql from sqlite_master order by rowid");
    for (const QVariantList& entry : dump.schema) {
        // SQLite's own bookkeeping (sqlite_sequence: the highest key an AUTOINCREMENT table
        // ever had) is not the program's data.
        if (entry[0].toByteArray() != "table" || entry[1].toByteArray().startsWith("sqlite_"))
            continue;
        // The exam record (and the journal's mark in it) follows every act of the exam; what it
        // stores is checked on its own.
        if (entry[1].toByteArray() == "Kaoshijilu" || entry[1].toByteArray() == "Datijilu" ||
            entry[1].toByteArray() == "Rizhi")
            continue;
        const QString table = QString::fromUtf8(entry[1].toByteArray());
        QStringList names;
        dump.rows[table] = Query(db, "select * from \"" + table.toUtf8() + "\"", &names);
        dump.columns[table] = names;
    }
    sqlite3_close(db);
    return dump;
}

QString NoChange(const DatabaseDump& before, const DatabaseDump& after) {
    if (before.schema != after.schema) return QStringLiteral("the schema changed");
    for (auto table = before.rows.cbegin(); table != before.rows.cend(); ++table)
        if (after.rows.value(table.key()) != table.value())
            return QStringLiteral("table %1 changed").arg(table.key());
    return before == after ? QString() : QStringLiteral("the tables changed");
}

QString OnlyChange(const DatabaseDump& before, const DatabaseDump& after, const QString& table,
                   int row, const Cells& cells) {
    if (before.schema != after.schema) return QStringLiteral("the schema changed");
    for (auto other = before.rows.cbegin(); other != before.rows.cend(); ++other)
        if (other.key() != table && after.rows.value(other.key()) != other.value())
            return QStringLiteral("table %1 changed too").arg(other.key());
    const QStringList& columns = before.columns.value(table);
    const QList<QVariantList>& old = before.rows.value(table);
    const QList<QVariantList>& now = after.rows.value(table);
    const qsizetype expected = old.size() + (row < 0 ? 1 : 0);
    if (now.size() != expected)
        return QStringLiteral("%1 has %2 rows, not %3").arg(table).arg(now.size()).arg(expected);
    const int changed = row >= 0 ? row : int(old.size());
    for (int r = 0; r < old.size(); ++r)
        if (r != changed && now[r] != old[r])
            return QStringLiteral("row %1 of %2 changed too").arg(r).arg(table);
    for (int k = 0; k < columns.size(); ++k) {
        const QVariant value = now[changed].value(k);
        if (cells.contains(columns[k])) {
            if (value != cells[columns[k]])
                return QStringLiteral("%1.%2 holds \"%3\", not \"%4\"")
                    .arg(table, columns[k], Describe(value), Describe(cells[columns[k]]));
        } else if (row >= 0 && value != old[row].value(k)) {
            return QStringLiteral("%1.%2 changed too").arg(table, columns[k]);
        }
    }
    return QString();
}
