// A candidate's order of the paper: every letter the candidate sees maps to one bank letter and
// back, the order is the same wherever it is computed from the same seed, and seed 0 changes
// nothing.
#include "data_store/FrozenPaper.h"
#include "record/PaperOrder.h"

#include <QTest>

#include <set>

namespace {

PaperRow Row(int testId, std::array<std::optional<QString>, 4> options, const QString& key) {
    PaperRow row{QString::number(testId), QStringLiteral("题%1").arg(testId)};
    for (const auto& option : options)
        row.push_back(option);
    row.push_back(key);
    row.push_back(QStringLiteral("2"));
    return row;
}

// 50, 20, 20 and 10 questions, every option filled.
FrozenPaper FullPaper() {
    FrozenPaper paper;
    const int counts[4] = {50, 20, 20, 10};
    for (int s = 1; s <= 4; ++s)
        for (int n = 1; n <= counts[s - 1]; ++n)
            paper.Rows(s).push_back(s == 3 ? Row(n, {}, QStringLiteral("对"))
                                           : Row(n, {"甲", "乙", "丙", "丁"}, "A"));
    return paper;
}

QString Letters(int mask) {
    QString letters;
    for (int k = 0; k < 4; ++k)
        if (mask & (1 << k)) letters += QChar(char16_t(u'A' + k));
    return letters;
}

std::vector<int> QuestionOrder(const PaperOrder& order, int section, int count) {
    std::vector<int> banks;
    for (int p = 1; p <= count; ++p)
        banks.push_back(order.BankQuestion(section, p));
    return banks;
}

}  // namespace

class PaperOrderTest : public QObject {
    Q_OBJECT

  private slots:
    void everyShownAnswerMapsBackToItsBankLettersInEveryOrderOfTheOptions() {
        const FrozenPaper paper = FullPaper();
        std::set<std::array<int, 4>> seen;
        for (qint64 seed = 1; seed <= 2000; ++seed) {
            const PaperOrder order(paper, seed);
            for (int section : {1, 2}) {
                std::array<int, 4> shown{};
                for (int k = 1; k <= 4; ++k)
                    shown[size_t(k - 1)] = order.BankOption(section, 7, k);
                seen.insert(shown);
                // Every answer the candidate can give, one letter or several.
                for (int mask = 0; mask < 16; ++mask) {
                    const QString answer = Letters(mask);
                    int bankMask = 0;
                    for (int k = 0; k < 4; ++k)
                        if (mask & (1 << k)) bankMask |= 1 << (shown[size_t(k)] - 1);
                    QCOMPARE(order.ToBank(section, 7, answer), Letters(bankMask));
                    QCOMPARE(order.ToShown(section, 7, Letters(bankMask)), answer);
                }
            }
        }
        QCOMPARE(seen.size(), size_t(24));  // every order of four options occurs
    }

    void theOrderIsAPermutationDrawnOnlyFromTheSeedAndThePaper() {
        const FrozenPaper paper = FullPaper();
        const qint64 seed = PaperOrder::DrawSeed();
        QVERIFY(seed > 0);
        const PaperOrder order(paper, seed);
        const PaperOrder again(FullPaper(), seed);
        const int counts[4] = {50, 20, 20, 10};
        for (int s = 1; s <= 4; ++s) {
            const std::vector<int> banks = QuestionOrder(order, s, counts[s - 1]);
            QCOMPARE(QuestionOrder(again, s, counts[s - 1]), banks);
            QCOMPARE(std::set<int>(banks.begin(), banks.end()).size(), size_t(counts[s - 1]));
            for (int p = 1; p <= counts[s - 1]; ++p) {
                QCOMPARE(order.Position(s, order.BankQuestion(s, p)), p);
                QCOMPARE(order.ShownNumber(s, QString::number(banks[size_t(p - 1)])),
                         QString::number(p));
            }
            // Past the numbered questions, numbers stand for themselves.
            QCOMPARE(order.BankQuestion(s, counts[s - 1] + 1), counts[s - 1] + 1);
        }
        QVERIFY(QuestionOrder(PaperOrder(paper, seed + 1), 1, 50) != QuestionOrder(order, 1, 50));
        // Pinned: an attempt started by one build resumes in the same order under the next.
        QCOMPARE(QuestionOrder(PaperOrder(paper, 20261209), 4, 10),
                 (std::vector<int>{1, 10, 5, 3, 9, 2, 8, 7, 4, 6}));
    }

    void emptyOptionsStayLastTrueFalseAndSeedZeroChangeNothing() {
        FrozenPaper paper;
        paper.Rows(1).push_back(Row(1, {"甲", "乙", std::nullopt, QStringLiteral("  ")}, "B"));
        paper.Rows(2).push_back(Row(1, {"甲", QString(), "丙", "丁"}, "AC"));
        paper.Rows(3).push_back(Row(1, {}, QStringLiteral("错")));
        for (qint64 seed = 1; seed <= 50; ++seed) {
            const PaperOrder order(paper, seed);
            QCOMPARE(order.BankOption(1, 1, 3), 3);
            QCOMPARE(order.BankOption(1, 1, 4), 4);
            QCOMPARE(order.BankOption(1, 1, 1) + order.BankOption(1, 1, 2), 3);
            QCOMPARE(order.BankOption(2, 1, 4), 2);  // the empty B goes last
            QCOMPARE(order.ToBank(3, 1, QStringLiteral("对")), QStringLiteral("对"));
            QCOMPARE(order.BankOption(3, 1, 1), 1);
        }
        const PaperOrder none(paper, 0);
        QVERIFY(!none.Shuffled());
        QCOMPARE(none.ToBank(2, 1, QStringLiteral("CA")), QStringLiteral("CA"));
        QCOMPARE(none.ShownNumber(1, QStringLiteral(" 1")), QStringLiteral(" 1"));
        QCOMPARE(none.BankQuestion(1, 1), 1);
    }
};

QTEST_GUILESS_MAIN(PaperOrderTest)
#include "paper_order_test.moc"
