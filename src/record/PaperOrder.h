// A candidate's own order of the paper (乱序): the questions of each section and the options of
// each single- and multiple-choice question in an order drawn from the attempt's seed. The order is
// a pure function of the seed and the frozen paper, so an attempt resumed on any workstation shows
// exactly what it showed before. This is the one place that turns what the candidate sees (the
// position of a question in their paper, the letter of an option on their screen) into what the
// rest of the program keeps (the bank's TestID, the bank's option letters) and back.
#pragma once

#include <QString>

#include <array>
#include <map>
#include <utility>
#include <vector>

class FrozenPaper;

class PaperOrder {
  public:
    static constexpr int kSections = 4;  // 1 single-choice .. 4 subjective, as the record numbers

    // The paper's own order: every question and option where the bank has it.
    PaperOrder() = default;
    // The order of the attempt whose seed is `seed`; seed 0 is the paper's own order.
    PaperOrder(const FrozenPaper& paper, qint64 seed);

    // A new attempt's seed, from the system's random source: never 0.
    static qint64 DrawSeed();

    bool Shuffled() const { return seed_ != 0; }
    qint64 Seed() const { return seed_; }

    // The bank's TestID of the question at `position` (1..) of `section`, and back. Numbers outside
    // the questions the exam numbers in the section stand for themselves.
    int BankQuestion(int section, int position) const;
    int Position(int section, int bankQuestion) const;
    // A TestID as text (a question row's) as the candidate's number of that question; text that is
    // no such number is returned as it is.
    QString ShownNumber(int section, const QString& testId) const;

    // The bank's option (1 = A .. 4 = D) that the bank's question shows as option `shown` (1..4).
    int BankOption(int section, int bankQuestion, int shown) const;
    // An answer in letters as the candidate's screen shows it ("B", "AC") in the bank's letters,
    // and back; the letters always in the order A, B, C, D, as the exam writes an answer. Other
    // characters, and the answers of true/false and subjective questions, pass unchanged.
    QString ToBank(int section, int bankQuestion, const QString& shownAnswer) const;
    QString ToShown(int section, int bankQuestion, const QString& bankAnswer) const;

  private:
    using Options = std::array<int, 4>;  // shown option - 1 -> bank option (1..4)
    const Options* OptionsOf(int section, int bankQuestion) const;
    QString Translate(const Options* options, const QString& answer, bool toBank) const;

    qint64 seed_ = 0;
    std::array<std::vector<int>, kSections> questions_;  // position - 1 -> TestID
    std::array<std::vector<int>, kSections> positions_;  // TestID - 1 -> position
    std::map<std::pair<int, int>, Options> options_;     // (section, TestID) -> options
};
