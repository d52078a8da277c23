// A sitting's paper: every row of the four banks as the exam reads them, copied when the sitting
// opens, so that a bank edited during a sitting changes the next one, never the one running.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

class Database;
class ResultTable;

// One bank row, its cells as text in the order of FrozenPaper::Columns() (empty: NULL or a column
// the bank does not have).
using PaperRow = std::vector<std::optional<QString>>;

class FrozenPaper {
  public:
    static constexpr int kSections = 4;  // 1 single-choice .. 4 subjective
    // TestID, Request, Axx, Bxx, Cxx, Dxx, DDx, Score.
    static const QStringList& Columns();
    static const QString& BankOf(int section);  // "KaoShi" .. "KaoShi4"
    // The most questions the exam shows of a section: they are numbered 1 up to this.
    static int Limit(int section);

    // Every row of the section (1..4) in bank order, as "Select * from <bank>" returns them.
    ResultTable Section(int section) const;
    // The rows whose TestID is `number`, as "… where TestID=<number>" returns them.
    ResultTable Question(int section, int number) const;
    // A question's points and key, when the section has it.
    std::optional<double> Points(int section, int number) const;
    QString Key(int section, int number) const;
    const std::vector<PaperRow>& Rows(int section) const { return rows_[size_t(section - 1)]; }
    std::vector<PaperRow>& Rows(int section) { return rows_[size_t(section - 1)]; }

  private:
    const PaperRow* Find(int section, int number) const;
    std::array<std::vector<PaperRow>, kSections> rows_;
};

// Copies the four banks into the frozen paper of `sitting`.
void FreezePaper(Database& db, qint64 sitting);
// The frozen paper of `sitting`.
FrozenPaper ReadPaper(Database& db, qint64 sitting);
// The four banks as they stand (what a sitting opened now would freeze).
FrozenPaper ReadBanks(Database& db);
