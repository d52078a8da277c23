#include "back_office/ExchangeRules.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

ExchangeRule Candidates() {
    ExchangeRule r;
    r.member = Exchange::Candidates;
    r.title = QStringLiteral("考生名单");
    r.numberCaption = QStringLiteral("序号");
    r.table = QStringLiteral("Userxinxi");
    r.rule = SaveRule::DeleteInsert;
    r.columnsNeeded = 6;
    r.limit = 0;
    r.studentNumberColumn = 1;
    r.clearSql = QStringLiteral("Delete  from Userxinxi");
    r.writeSql = QStringLiteral(
        "INSERT INTO Userxinxi (UserID,Xuehao,Xingmin,Chengji,Chengji1,Chengji2) values "
        "(?,?,?,?,?,?)");
    return r;
}

ExchangeRule SingleChoice() {
    ExchangeRule r;
    r.member = Exchange::SingleChoice;
    r.title = QStringLiteral("单项选择题");
    r.numberCaption = QStringLiteral("题号");
    r.table = QStringLiteral("Test");
    r.rule = SaveRule::UpdateByPosition;
    r.columnsNeeded = 8;
    r.limit = kSingleChoiceLimit;
    // The change's update: the seven texts, then the number.
    r.writeSql = TraitsOf(Bank::SingleChoice).updateSql;
    return r;
}

// A bank that the import replaces: dropped, created by its fixed definition, filled.
ExchangeRule ReplacedBank(Exchange member, Bank bank, const QString& title, int limit,
                          const QString& createSql) {
    const BankTraits& traits = TraitsOf(bank);
    ExchangeRule r;
    r.member = member;
    r.title = title;
    r.numberCaption = QStringLiteral("题号");
    r.table = traits.table;
    r.rule = SaveRule::Replace;
    r.columnsNeeded = int(traits.columns.size());
    r.limit = limit;
    r.dropSql = QStringLiteral("DROP TABLE ") + traits.table;
    r.createSql = createSql;
    // The add's insert: the number, then the texts.
    r.writeSql = traits.insertSql;
    return r;
}

const ExchangeRule& Rules(Exchange member) {
    // In the order of the Exchange enumerators.
    static const ExchangeRule rules[] = {
        Candidates(),
        SingleChoice(),
        ReplacedBank(
            Exchange::MultiChoice, Bank::MultiChoice, QStringLiteral("多项选择题"),
            kMultiChoiceLimit,
            QStringLiteral("Create Table KaoShi2(TestID integer PRIMARY KEY AUTOINCREMENT NOT "
                           "NULL,Request varchar(50),Axx varchar(50),Bxx varchar(50),Cxx "
                           "varchar(50),Dxx varchar(50),DDx varchar,Score varchar(30))")),
        ReplacedBank(Exchange::TrueFalse, Bank::TrueFalse, QStringLiteral("判断题"),
                     kTrueFalseLimit,
                     QStringLiteral("Create Table KaoShi3(TestID integer PRIMARY KEY "
                                    "AUTOINCREMENT NOT NULL,Request varchar(50),Axx "
                                    "varchar(50),Bxx varchar(50),DDx varchar,Score varchar(30))")),
        ReplacedBank(Exchange::Subjective, Bank::Subjective, QStringLiteral("主观题"),
                     kSubjectiveLimit,
                     QStringLiteral("Create Table KaoShi4(TestID integer PRIMARY KEY "
                                    "AUTOINCREMENT NOT NULL,Request varchar(50))")),
    };
    return rules[int(member)];
}

// The k-th column of a row; a missing last column is empty.
QString Cell(const QStringList& row, int k) {
    return k < row.size() ? row[k] : QString();
}

// Whether the save (or the refresh after it) takes the number of the i-th row as an integer.
bool NumberUsed(const ExchangeRule& rule, int i) {
    return rule.rule != SaveRule::Replace || i < rule.limit;
}

// The number first, then the further columns.
SqlValues InsertValues(const ExchangeRule& rule, const QStringList& row) {
    SqlValues values{qint64(StrToInt(row[0]))};
    for (int k = 1; k < rule.columnsNeeded; ++k)
        values << Cell(row, k);
    return values;
}

}  // namespace

bool IsPlainStudentNumber(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[1-9][0-9]{5}$"));
    return plain.match(text).hasMatch() && text.toInt() >= kLowestStudentNo &&
           text.toInt() <= kHighestStudentNo;
}

QString NotPlainStudentNumber(const QString& text) {
    return QStringLiteral(
               "学号“%1”不是110101到999999之间的数字（只写数字，不带空格、符号或前导的0）")
        .arg(text);
}

Exchange ExchangeOf(Bank bank) {
    switch (bank) {
        case Bank::SingleChoice:
            return Exchange::SingleChoice;
        case Bank::MultiChoice:
            return Exchange::MultiChoice;
        case Bank::TrueFalse:
            return Exchange::TrueFalse;
        case Bank::Subjective:
            break;
    }
    return Exchange::Subjective;
}

const ExchangeRule& RuleOf(Exchange member) {
    return Rules(member);
}

ListRows RowsOfSheet(const SheetTexts& sheet) {
    ListRows rows;
    rows.reserve(std::max(sheet.RowCount() - 1, 0));
    for (int r = 1; r < sheet.RowCount(); ++r)
        rows.append(sheet.Row(r));
    return rows;
}

RowError::RowError(const QString& message) : std::runtime_error(message.toUtf8().toStdString()) {}

void CheckRows(const ExchangeRule& rule, const ListRows& rows, const QString& source,
               int firstRow) {
    const auto name = [&](int i) { return source + QStringLiteral("第%1行").arg(firstRow + i); };
    QHash<int, int> seen;  // number -> the first row holding it
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList& row = rows[i];
        if (row.size() < rule.columnsNeeded - 1)
            throw RowError(QStringLiteral("%1只有%2列，%3至少需要%4列。")
                               .arg(name(i))
                               .arg(row.size())
                               .arg(rule.title)
                               .arg(rule.columnsNeeded - 1));
        if (!NumberUsed(rule, i)) continue;
        int number = 0;
        if (!TryStrToInt(row[0], &number))
            throw RowError(
                QStringLiteral("%1的%2“%3”不是整数。").arg(name(i), rule.numberCaption, row[0]));
        if (rule.studentNumberColumn >= 0) {
            const QString student = Cell(row, rule.studentNumberColumn);
            if (!IsPlainStudentNumber(student))
                throw RowError(name(i) + QStringLiteral("的") + NotPlainStudentNumber(student) +
                               QStringLiteral("。"));
        }
        if (rule.rule != SaveRule::Replace) continue;
        if (const auto earlier = seen.constFind(number); earlier != seen.cend())
            throw RowError(QStringLiteral("%1的%2%3与第%4行的相同。")
                               .arg(name(i), rule.numberCaption)
                               .arg(number)
                               .arg(firstRow + *earlier));
        seen.insert(number, i);
    }
}

bool CandidatesHoldResults(Database& db) {
    static const QStringList results = {
        QStringLiteral("Chengji"), QStringLiteral("Chengji1"), QStringLiteral("Chengji2"),
        QStringLiteral("Tt1"),     QStringLiteral("Tt2"),      QStringLiteral("Tt3"),
        QStringLiteral("Tt4"),     QStringLiteral("Tt5"),      QStringLiteral("Tt6"),
        QStringLiteral("Tt7"),     QStringLiteral("Tt8"),      QStringLiteral("Tt9"),
        QStringLiteral("Tt10")};
    const auto rows = db.OpenQuery(QStringLiteral("Select * from Userxinxi"));
    for (; !rows->AtEnd(); rows->MoveNext())
        for (const QString& column : results)
            if (!rows->Value(column).isEmpty()) return true;
    return false;
}

void StoreRows(Database& db, const ExchangeRule& rule, const ListRows& rows,
               const QList<QByteArray>& pictures) {
    Transaction transaction(db);
    for (const QByteArray& picture : pictures)
        StorePicture(db, picture);
    WriteRows(db, rule, rows);
    transaction.Commit();
}

void WriteRows(Database& db, const ExchangeRule& rule, const ListRows& rows) {
    switch (rule.rule) {
        case SaveRule::Replace: {
            db.RunStatement(rule.dropSql);
            db.RunStatement(rule.createSql);
            // Rows from the limit on are left out.
            const qsizetype stored = std::min<qsizetype>(rows.size(), rule.limit);
            for (qsizetype i = 0; i < stored; ++i)
                db.RunStatement(rule.writeSql, InsertValues(rule, rows[i]));
            break;
        }
        case SaveRule::DeleteInsert:
            db.RunStatement(rule.clearSql);
            for (const QStringList& row : rows)
                db.RunStatement(rule.writeSql, InsertValues(rule, row));
            break;
        case SaveRule::UpdateByPosition:
            for (qsizetype i = 0; i < rows.size(); ++i) {
                // The position, not the row's own number, says which question is updated.
                if (StrToInt(rows[i][0]) > rule.limit) continue;
                SqlValues values;
                for (int k = 1; k < rule.columnsNeeded; ++k)
                    values << Cell(rows[i], k);
                values << qint64(i + 1);
                db.RunStatement(rule.writeSql, values);
            }
            break;
    }
}
