// What "从Word导入" stores from a parsed Word document, and the storing: each bank the document
// fills is stored as its spreadsheet import stores it (the questions numbered 1..n in document
// order, up to the bank's limit), every bank and picture in one transaction. No Widgets here.
#pragma once

#include "back_office/BankTraits.h"
#include "back_office/ExchangeRules.h"
#include "back_office/workbook/QuestionDocument.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Database;

Bank BankOf(QuestionBank bank);
QuestionBank QuestionBankOf(Bank bank);

// Points of a question that gives none.
inline constexpr double kDefaultPoints = 1;

struct BankImport {
    Bank bank;
    ListRows rows;         // in the bank's columns, the number first
    QList<int> questions;  // the document's question behind each row
};

struct ImportPlan {
    QList<BankImport> banks;  // in bank order; only banks the document has questions for
    QList<int> leftOut;       // questions past their bank's limit
    // The pictures the rows refer to, each once (PNG, JPEG, GIF or BMP up to 5 MB).
    QList<QByteArray> pictures;
};

// The rows each bank gets. A picture stands in the text as its marker where the document shows
// it; a picture that cannot be shown (its question needs attention) as "[图片]".
ImportPlan PlanImport(const QuestionDocument& document);

// A picture the banks can hold: one the program shows, no larger than 5 MB.
bool Storable(const DocumentPicture& picture);

// The text of a question's part with its pictures' markers.
QString StoredText(const RichText& text, const QuestionDocument& document);

// Stores the plan in one transaction: the pictures, then each bank by its exchange rule. A failure
// leaves every bank and the pictures as they were. Raises DatabaseError.
void StoreImport(Database& db, const ImportPlan& plan);
