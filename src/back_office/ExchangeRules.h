// What the spreadsheet exchange of each back-office list stores and how: the table behind the
// list, the save rule and its limits, the checks every row passes before anything is changed. No
// Widgets here: the rows come from a sheet or a list, the changes go to the database.
#pragma once

#include "back_office/BankTraits.h"
#include "back_office/workbook/Workbook.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

class Database;

// The five lists that exchange their rows with workbooks.
enum class Exchange { Candidates, SingleChoice, MultiChoice, TrueFalse, Subjective };

Exchange ExchangeOf(Bank bank);

enum class SaveRule {
    // Drop the table, create it anew, insert the rows below the limit.
    Replace,
    // Update the rows of a fixed bank by position: the p-th row goes to number p when its own
    // number is at most the limit; other rows are left out.
    UpdateByPosition,
    // Delete every row, insert every row.
    DeleteInsert,
};

struct ExchangeRule {
    Exchange member;
    QString title;          // what the list holds, for messages ("多项选择题")
    QString numberCaption;  // caption of the list's first column ("题号", "序号")
    QString table;
    SaveRule rule;
    int columnsNeeded;  // the number plus the further columns the save stores
    int limit;          // Replace: rows stored; UpdateByPosition: highest number stored
    // The column holding a student number, written as a plain number from 110101 to 999999 (the
    // sign-in and the exam find the candidate by that number); -1 when there is none.
    int studentNumberColumn = -1;
    QString dropSql;
    QString createSql;
    QString clearSql;
    // Replace, DeleteInsert: the insert, the number bound first; UpdateByPosition: the update,
    // the position bound last.
    QString writeSql;
};

const ExchangeRule& RuleOf(Exchange member);

// List rows: element [0] the row's caption (its number), then its further columns. A row may
// lack its last column, which is then stored empty: an import reads one column more than the
// sheet's used range, so a sheet without the last column still imports.
using ListRows = QList<QStringList>;

// The list rows a sheet gives: every row below the captions in row 1.
ListRows RowsOfSheet(const SheetTexts& sheet);

// A row that cannot be stored. The message is Simplified Chinese and names the row.
class RowError : public std::runtime_error {
  public:
    explicit RowError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Checks every row before anything is stored: enough columns, whole numbers where the save or the
// refresh after it takes the number as an integer, student numbers written plainly, and no number
// twice among the rows a replacing save stores. Messages name the i-th row (from 0) as `source` +
// "第" + (firstRow + i)
// + "行", for example "文件 a.xlsx 第2行". Raises RowError for the first row that fails.
void CheckRows(const ExchangeRule& rule, const ListRows& rows, const QString& source, int firstRow);

// A student number as the sign-in types it: digits only, no leading zero, 110101 to 999999. Any
// other form ("0110101", " 110101", "+110101") would be stored as a text no look-up finds.
bool IsPlainStudentNumber(const QString& text);
// Why `text` is refused as a student number: "学号“…”不是110101到999999之间的数字（…）".
QString NotPlainStudentNumber(const QString& text);

// Whether any candidate holds a score or an answer (which replacing the candidates removes).
bool CandidatesHoldResults(Database& db);

// Stores checked rows by the member's save rule, and the pictures their texts refer to (bytes
// that passed PictureRefusal), in one transaction: a failure leaves the table as it was. Raises
// DatabaseError.
void StoreRows(Database& db, const ExchangeRule& rule, const ListRows& rows,
               const QList<QByteArray>& pictures = {});
// The same statements inside a transaction the caller holds.
void WriteRows(Database& db, const ExchangeRule& rule, const ListRows& rows);
