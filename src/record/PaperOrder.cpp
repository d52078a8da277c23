#include "record/PaperOrder.h"

#include "data_store/Conversions.h"
#include "data_store/FrozenPaper.h"

#include <QRandomGenerator>

#include <algorithm>
#include <numeric>

namespace {

// The cells of a frozen row (FrozenPaper::Columns()).
constexpr size_t kTestIdCell = 0;
constexpr size_t kFirstOptionCell = 2;  // Axx; Bxx, Cxx, Dxx follow

// SplitMix64: small, fast, and the same numbers on every machine and compiler (unlike the
// standard library's distributions), which a stored seed needs.
class Draw {
  public:
    explicit Draw(quint64 state) : state_(state) {}
    quint64 Next() {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in 0..bound-1 (no bias: the draws past the last whole multiple of `bound` are
    // thrown back).
    quint64 Below(quint64 bound) {
        const quint64 floor = (0 - bound) % bound;
        for (;;) {
            const quint64 r = Next();
            if (r >= floor) return r % bound;
        }
    }
    template <typename T>
    void Shuffle(std::vector<T>& items) {
        for (size_t i = items.size(); i > 1; --i)
            std::swap(items[i - 1], items[size_t(Below(i))]);
    }

  private:
    quint64 state_;
};

// A stream of its own for each use of the seed: the order of a section's questions, the order of
// one question's options. A question's options do not depend on where the question stands.
Draw StreamOf(qint64 seed, int section, int question) {
    Draw mix(quint64(seed) ^ (quint64(section) << 56) ^ (quint64(quint32(question)) << 20));
    mix.Next();
    return Draw(mix.Next());
}

std::optional<int> TestIdOf(const PaperRow& row) {
    int number = 0;
    if (!row[kTestIdCell] || !TryStrToInt(row[kTestIdCell]->trimmed(), &number))
        return std::nullopt;
    return number;
}

// The questions the exam numbers in a section: the single-choice bank up to its last row's
// TestID, the others one per row; never more than the section's limit.
int NumberedQuestions(const FrozenPaper& paper, int section) {
    const std::vector<PaperRow>& rows = paper.Rows(section);
    int count = int(rows.size());
    if (section == 1) count = rows.empty() ? 0 : TestIdOf(rows.back()).value_or(0);
    return std::clamp(count, 0, FrozenPaper::Limit(section));
}

bool HasText(const std::optional<QString>& cell) {
    return cell && !cell->trimmed().isEmpty();
}

}  // namespace

PaperOrder::PaperOrder(const FrozenPaper& paper, qint64 seed) : seed_(seed) {
    if (seed_ == 0) return;
    for (int s = 1; s <= kSections; ++s) {
        const int count = NumberedQuestions(paper, s);
        std::vector<int>& questions = questions_[size_t(s - 1)];
        questions.resize(size_t(count));
        std::iota(questions.begin(), questions.end(), 1);
        StreamOf(seed_, s, 0).Shuffle(questions);
        std::vector<int>& positions = positions_[size_t(s - 1)];
        positions.resize(size_t(count));
        for (int p = 1; p <= count; ++p)
            positions[size_t(questions[size_t(p - 1)] - 1)] = p;
    }
    // Options of single- and multiple-choice questions: those with a text change places among
    // themselves and come first; an option the bank leaves empty keeps to the end, so a question
    // of three options still shows them as A, B, C.
    for (int s = 1; s <= 2; ++s) {
        const int count = int(questions_[size_t(s - 1)].size());
        for (const PaperRow& row : paper.Rows(s)) {
            const std::optional<int> number = TestIdOf(row);
            if (!number || *number < 1 || *number > count || options_.count({s, *number}))
                continue;  // the first row of a TestID is the question, as the exam reads it
            std::vector<int> filled, empty;
            for (int k = 1; k <= 4; ++k)
                (HasText(row[kFirstOptionCell + size_t(k - 1)]) ? filled : empty).push_back(k);
            StreamOf(seed_, s, *number).Shuffle(filled);
            Options options{};
            size_t i = 0;
            for (int k : filled)
                options[i++] = k;
            for (int k : empty)
                options[i++] = k;
            options_[{s, *number}] = options;
        }
    }
}

qint64 PaperOrder::DrawSeed() {
    for (;;) {
        const qint64 seed = qint64(QRandomGenerator::system()->generate64() >> 1);
        if (seed != 0) return seed;
    }
}

int PaperOrder::BankQuestion(int section, int position) const {
    if (section < 1 || section > kSections) return position;
    const std::vector<int>& questions = questions_[size_t(section - 1)];
    if (position < 1 || position > int(questions.size())) return position;
    return questions[size_t(position - 1)];
}

int PaperOrder::Position(int section, int bankQuestion) const {
    if (section < 1 || section > kSections) return bankQuestion;
    const std::vector<int>& positions = positions_[size_t(section - 1)];
    if (bankQuestion < 1 || bankQuestion > int(positions.size())) return bankQuestion;
    return positions[size_t(bankQuestion - 1)];
}

QString PaperOrder::ShownNumber(int section, const QString& testId) const {
    int number = 0;
    if (!Shuffled() || !TryStrToInt(testId.trimmed(), &number)) return testId;
    const int position = Position(section, number);
    return position == number ? testId : QString::number(position);
}

const PaperOrder::Options* PaperOrder::OptionsOf(int section, int bankQuestion) const {
    const auto found = options_.find({section, bankQuestion});
    return found == options_.end() ? nullptr : &found->second;
}

int PaperOrder::BankOption(int section, int bankQuestion, int shown) const {
    const Options* options = OptionsOf(section, bankQuestion);
    if (!options || shown < 1 || shown > 4) return shown;
    return (*options)[size_t(shown - 1)];
}

QString PaperOrder::Translate(const Options* options, const QString& answer, bool toBank) const {
    if (!options) return answer;
    bool picked[4] = {};
    QString rest;
    for (const QChar c : answer) {
        const int letter = c.unicode() - u'A';
        if (letter < 0 || letter >= 4) {
            rest += c;
            continue;
        }
        if (toBank) {
            picked[(*options)[size_t(letter)] - 1] = true;
        } else {
            for (int shown = 0; shown < 4; ++shown)
                if ((*options)[size_t(shown)] == letter + 1) picked[shown] = true;
        }
    }
    QString letters;
    for (int k = 0; k < 4; ++k)
        if (picked[k]) letters += QChar(char16_t(u'A' + k));
    return letters + rest;
}

QString PaperOrder::ToBank(int section, int bankQuestion, const QString& shownAnswer) const {
    return Translate(OptionsOf(section, bankQuestion), shownAnswer, true);
}

QString PaperOrder::ToShown(int section, int bankQuestion, const QString& bankAnswer) const {
    return Translate(OptionsOf(section, bankQuestion), bankAnswer, false);
}
