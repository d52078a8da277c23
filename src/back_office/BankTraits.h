// What differs between the four question-bank tabs: table, columns, control names and captions,
// statements, messages and limits. BankTab builds and serves every tab from one of these.
#pragma once

#include <QList>
#include <QString>

enum class Bank { SingleChoice, MultiChoice, TrueFalse, Subjective };

// One column of a bank: the k-th list column, the k-th edit box and its label.
struct BankColumn {
    QString column;        // table column ("TestID", "Request", ...)
    QString caption;       // list column caption; the label reads caption + "："
    QString emptyMessage;  // shown when the box is empty on change or add
    int listWidth;         // pixels of the list column
};

// A button of a tab. An empty name: the tab has no such button.
struct BankButton {
    QString name;
    QString caption;
    bool visible = true;
};

struct BankTraits {
    Bank bank;
    QString tabName;  // "TabSheet4", ...
    QString table;    // "Test", "KaoShi2", ...
    QString listName;
    QStringList boxNames;  // one per column, in column order
    QList<BankColumn> columns;

    BankButton refresh, change, add, remove, clear;
    // Spreadsheet exchange of this tab; placed here, served elsewhere.
    BankButton exportSheet, importSheet, saveSheet;

    // Statements: values bound in column order, the key last (update) or first (insert).
    QString selectSql;
    QString updateSql;
    QString insertSql;  // empty: the bank cannot be added to
    QString deleteSql;  // empty: the bank cannot be shortened

    // 0: refresh renumbers TestID to 1..n and lists every row; otherwise the bank is a fixed set
    // of this many questions: no renumbering, exactly this many rows listed, the change tries
    // exactly these numbers.
    int fixedRows = 0;
    QString notFound;  // change of a number that is not in the bank
    int addLimit = 0;  // add accepts 1..addLimit
    QString addRangeMessage;
    bool addReportsEveryEmptyBox = false;  // else only the first empty box, as change does
    int pointsBox = -1;                    // index of the points box (digits and "."), -1 none
};

const BankTraits& TraitsOf(Bank bank);

// The question text and the options may hold pictures; numbers, keys and points never do.
bool HoldsPictures(const BankColumn& column);

// Messages shared by every tab.
inline const QString kChanged = QStringLiteral("修改成功。");
inline const QString kAdded = QStringLiteral("添加成功。");
inline const QString kNumberTaken = QStringLiteral("题号已存在，请重新输入题号。");
inline const QString kDeleted = QStringLiteral("删除成功。");
inline const QString kNoSuchNumber = QStringLiteral("此题号不存在，请重新输入要删除的题号。");
