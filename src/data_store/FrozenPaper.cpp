#include "data_store/FrozenPaper.h"

#include "data_store/Database.h"
#include "data_store/Schema.h"

namespace {

enum Column { kTestId, kRequest, kA, kB, kC, kD, kKey, kScore, kColumnCount };

PaperRow RowOf(const ResultTable& table) {
    PaperRow row(kColumnCount);
    const QStringList& wanted = FrozenPaper::Columns();
    for (int c = 0; c < kColumnCount; ++c) {
        const int index = int(table.ColumnNames().indexOf(wanted[c].toUpper()));
        if (index >= 0 && !table.IsNull(index))
            row[size_t(c)] = QString::fromUtf8(table.ColumnText(index));
    }
    return row;
}

}  // namespace

const QStringList& FrozenPaper::Columns() {
    static const QStringList columns = {QStringLiteral("TestID"), QStringLiteral("Request"),
                                        QStringLiteral("Axx"),    QStringLiteral("Bxx"),
                                        QStringLiteral("Cxx"),    QStringLiteral("Dxx"),
                                        QStringLiteral("DDx"),    QStringLiteral("Score")};
    return columns;
}

const QString& FrozenPaper::BankOf(int section) {
    static const QString banks[kSections] = {QStringLiteral("KaoShi"), QStringLiteral("KaoShi2"),
                                             QStringLiteral("KaoShi3"), QStringLiteral("KaoShi4")};
    return banks[section - 1];
}

int FrozenPaper::Limit(int section) {
    static const int limits[kSections] = {kSingleChoiceLimit, kMultiChoiceLimit, kTrueFalseLimit,
                                          kSubjectiveLimit};
    return limits[section - 1];
}

ResultTable FrozenPaper::Section(int section) const {
    return ResultTable::FromTexts(Columns(), Rows(section));
}

const PaperRow* FrozenPaper::Find(int section, int number) const {
    for (const PaperRow& row : Rows(section))
        if (row[kTestId] && row[kTestId]->trimmed().toLongLong() == number) return &row;
    return nullptr;
}

ResultTable FrozenPaper::Question(int section, int number) const {
    std::vector<PaperRow> found;
    for (const PaperRow& row : Rows(section))
        if (row[kTestId] && row[kTestId]->trimmed().toLongLong() == number) found.push_back(row);
    return ResultTable::FromTexts(Columns(), found);
}

std::optional<double> FrozenPaper::Points(int section, int number) const {
    const PaperRow* row = Find(section, number);
    bool ok = false;
    const double points = row && (*row)[kScore] ? (*row)[kScore]->trimmed().toDouble(&ok) : 0;
    return ok ? std::optional<double>(points) : std::nullopt;
}

QString FrozenPaper::Key(int section, int number) const {
    const PaperRow* row = Find(section, number);
    return row && (*row)[kKey] ? *(*row)[kKey] : QString();
}

FrozenPaper ReadBanks(Database& db) {
    FrozenPaper paper;
    for (int s = 1; s <= FrozenPaper::kSections; ++s) {
        auto table = db.OpenQuery(QStringLiteral("Select * from ") + FrozenPaper::BankOf(s));
        for (; !table->AtEnd(); table->MoveNext())
            paper.Rows(s).push_back(RowOf(*table));
    }
    return paper;
}

void FreezePaper(Database& db, qint64 sitting) {
    const FrozenPaper banks = ReadBanks(db);
    for (int s = 1; s <= FrozenPaper::kSections; ++s) {
        qint64 place = 0;
        for (const PaperRow& row : banks.Rows(s)) {
            SqlValues values = {sitting, qint64(s), ++place};
            for (const std::optional<QString>& cell : row)
                values << (cell ? SqlValue(*cell) : SqlValue(nullptr));
            db.RunStatement(QStringLiteral("INSERT INTO Shijuan (ChangciID, Bufen, Hanghao, "
                                           "TestID, Request, Axx, Bxx, Cxx, Dxx, DDx, Score) "
                                           "VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
                            values);
        }
    }
}

FrozenPaper ReadPaper(Database& db, qint64 sitting) {
    FrozenPaper paper;
    auto table = db.OpenQuery(
        QStringLiteral("SELECT * FROM Shijuan WHERE ChangciID=? ORDER BY Bufen, Hanghao"),
        {sitting});
    for (; !table->AtEnd(); table->MoveNext()) {
        const int section = int(table->Value(QStringLiteral("Bufen")).toLongLong());
        if (section >= 1 && section <= FrozenPaper::kSections)
            paper.Rows(section).push_back(RowOf(*table));
    }
    return paper;
}
