// Hostile input for every edit box: the texts and numbers a user may type, typing them as a user
// does, and the whole database compared before and after an action.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

class QWidget;

// Texts that have broken programs before: quotes, statement pieces, a 10,000-character line,
// line breaks, tabs, control characters, characters beyond the BMP, Chinese.
QList<QPair<QString, QString>> HostileTexts();  // (name, text)
// For boxes that take digits: out-of-range and overlong numbers, and letters the filter drops.
QStringList HostileNumbers();

// Types `text` into the box (emptied first) as a user would: printable ASCII key by key through
// the box's key filter, anything else as an input method commits it.
void TypeAsUser(QWidget* box, const QString& text);
// The box's text (line edit or memo).
QString TextOf(QWidget* box);

// Every table and the schema, cell by cell: NULL, integers, floats, and text as its bytes.
struct DatabaseDump {
    QList<QVariantList> schema;  // sqlite_master: type, name, tbl_name, sql
    QMap<QString, QStringList> columns;
    QMap<QString, QList<QVariantList>> rows;
    bool operator==(const DatabaseDump& other) const {
        return schema == other.schema && columns == other.columns && rows == other.rows;
    }
};
DatabaseDump Dump(const QString& fileName);

// Empty when `after` is `before` with exactly this change, otherwise what else differs:
// `row` >= 0: that row of `table` holds `cells` (column -> value) and is otherwise unchanged;
// `row` < 0: one row was added to `table`, holding `cells`.
using Cells = QMap<QString, QVariant>;
QString OnlyChange(const DatabaseDump& before, const DatabaseDump& after, const QString& table,
                   int row, const Cells& cells);
// Empty when nothing at all differs.
QString NoChange(const DatabaseDump& before, const DatabaseDump& after);
