// Statements as the PostgreSQL server takes them. The windows write SQLite's dialect; the few
// places where the server needs another form are absorbed here, by rewriting the text:
// - "?" placeholders become $1, $2, … ("?NNN" $NNN) (the values go as untyped text: the server
// takes each as the
//   type of the column it meets, so a student number binds against a text or an integer column);
// - table definitions get the server's types by SQLite's affinity rules (any "INT" type a 64-bit
//   integer, "CHAR"/"CLOB"/"TEXT" unlimited text, so varchar lengths stay unenforced), an INTEGER
//   PRIMARY KEY draws its next number by itself, AUTOINCREMENT goes;
// - every table gets a column `rowid`, SQLite's row order: the INTEGER PRIMARY KEY where there is
//   one, else a number drawn at insertion. "Select * from T …" reads in that order (without it the
//   server returns rows in any order, and the refreshes renumber in table order); no result shows
//   the column unless the statement names it; a view of a table carries its rowid along;
// - "PRAGMA user_version" reads and sets the schema's version in the server's table Banben;
// - double-quoted values of an insert become text literals.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ServerStatement {
    QByteArray text;         // UTF-8, as sent
    bool hideRowid = false;  // drop the result's `rowid` columns ("Select *")
    bool defines = false;    // a CREATE statement
};

ServerStatement ForServer(const QString& sql);

// A text column compared with a bare numeral ("where Xuehao=110101") compares the numeral's text,
// as on the file, and TOTAL() sums as on the file: what a server database gets before the
// classroom's tables.
QStringList ServerComparisons();

// A script cut into its statements at the semicolons outside quotes and comments.
QStringList SplitScript(const QString& sql);
