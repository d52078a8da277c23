// The statistics of small classes worked by hand, and the classes where a figure is not defined.
#include "analysis/Statistics.h"

#include <QtTest>

namespace {

// A class answering single-choice questions of one point each: rows are candidates, 1 right and 0
// wrong (answered "B"; the key is "A").
RecordedExam Class(const std::vector<std::vector<int>>& marks, double points = 1) {
    RecordedExam record;
    for (size_t q = 0; q < marks.front().size(); ++q)
        record.questions.push_back({1, int(q) + 1, points, QStringLiteral("A")});
    qint64 number = 110101;
    for (const auto& row : marks) {
        CandidateRecord c{number++, QString(), true, {}};
        for (int mark : row)
            c.answers.push_back({mark ? QStringLiteral("A") : QStringLiteral("B"), mark * points});
        record.candidates.push_back(c);
    }
    return record;
}

void Near(const std::optional<double>& value, double expected) {
    QVERIFY(value.has_value());
    QVERIFY2(std::abs(*value - expected) < 1e-9,
             qPrintable(QStringLiteral("%1 != %2").arg(*value, 0, 'g', 12).arg(expected)));
}

}  // namespace

class StatisticsTest : public QObject {
    Q_OBJECT
  private slots:
    // Five candidates in a perfect scale on four questions. Totals 4,3,2,1,0: mean 2, population
    // variance 2; facilities .8 .6 .4 .2, item variances p(1-p) sum to .8, so
    // KR-20 = 4/3 * (1 - .8/2) = .8. Question 1 against the rest (3,2,1,0,0): covariance sum 1.2,
    // squares .8 and 6.8, r = 1.2 / sqrt(5.44) = .5145. Groups of round(.27*5) = 1: D = 1.
    void perfectScale() {
        const ExamStatistics s =
            Analyse(Class({{1, 1, 1, 1}, {1, 1, 1, 0}, {1, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 0}}));
        QCOMPARE(s.summary.candidates, 5);
        QCOMPARE(s.summary.fullMarks, 4.0);
        Near(s.summary.mean, 2);
        Near(s.summary.median, 2);
        Near(s.summary.standardDeviation, std::sqrt(2.0));
        Near(s.summary.highest, 4);
        Near(s.summary.lowest, 0);
        Near(s.summary.passRate, 0.4);       // 4 and 3 reach 2.4
        Near(s.summary.excellentRate, 0.2);  // only 4 reaches 3.4
        Near(s.summary.reliability, 0.8);
        const double facility[4] = {0.8, 0.6, 0.4, 0.2};
        for (int q = 0; q < 4; ++q) {
            Near(s.questions[q].facility, facility[q]);
            Near(s.questions[q].discrimination, 1);
        }
        Near(s.questions[0].pointBiserial, 1.2 / std::sqrt(5.44));
        QCOMPARE(s.questions[0].choices, (ChoiceCounts{4, 1, 0, 0}));
        QCOMPARE(s.bands, (std::array<int, 10>{1, 0, 1, 0, 0, 1, 0, 1, 0, 1}));
    }

    // Ten candidates on five questions: groups of three. Totals 5 4 4 3 2 2 1 1 1 0: the lower
    // group is the 0 and two places shared by the three 1s, each counting 2/3.
    void tenCandidates() {
        const ExamStatistics s = Analyse(Class({{1, 1, 1, 1, 1},
                                                {1, 1, 1, 1, 0},
                                                {1, 1, 1, 0, 1},
                                                {1, 1, 0, 1, 0},
                                                {1, 0, 1, 0, 0},
                                                {1, 1, 0, 0, 0},
                                                {0, 1, 0, 0, 0},
                                                {1, 0, 0, 0, 0},
                                                {0, 0, 1, 0, 0},
                                                {0, 0, 0, 0, 0}},
                                               2));
        Near(s.summary.mean, 4.6);
        Near(s.summary.median, 4);
        Near(s.summary.standardDeviation, 2 * 1.5524174696260025);
        Near(s.summary.reliability, 0.6950207468879668);  // KR-20 does not depend on the points
        const double facility[5] = {0.7, 0.6, 0.5, 0.3, 0.2};
        const double discrimination[5] = {7 / 9.0, 7 / 9.0, 7 / 9.0, 2 / 3.0, 2 / 3.0};
        const double pointBiserial[5] = {0.4771187236136979, 0.4504426164614508,
                                         0.30151134457776363, 0.5175491695067655,
                                         0.5384615384615384};
        for (int q = 0; q < 5; ++q) {
            Near(s.questions[q].facility, facility[q]);
            Near(s.questions[q].discrimination, discrimination[q]);
            Near(s.questions[q].pointBiserial, pointBiserial[q]);
            QVERIFY(!s.questions[q].flagged);  // .2 is not below .2
        }
    }

    // Candidates tied across a group's boundary count alike whatever their order: D does not
    // depend on who has the lower student number.
    void tiesAtTheBoundaryShareThePlaces() {
        // Totals 3 2 2 2 0 0 (group of 2): the upper group is the 3 and one place shared by the
        // three 2s; question 1 is right for one of them, question 2 for two.
        std::vector<std::vector<int>> marks = {{1, 1, 1}, {1, 0, 1}, {0, 1, 1},
                                               {0, 1, 1}, {0, 0, 0}, {0, 0, 0}};
        const ExamStatistics s = Analyse(Class(marks));
        std::swap(marks[1], marks[3]);
        const ExamStatistics swapped = Analyse(Class(marks));
        Near(s.questions[0].discrimination, (1 + 1 / 3.0) / 2);
        Near(s.questions[1].discrimination, (1 + 2 / 3.0) / 2);
        for (int q = 0; q < 3; ++q)
            Near(swapped.questions[q].discrimination, *s.questions[q].discrimination);
    }

    void flagsQuestionsToLookAt() {
        // Question 1 everyone gets right, question 2 only the weaker half, question 3 nobody.
        const ExamStatistics s =
            Analyse(Class({{1, 0, 0, 1, 1}, {1, 0, 0, 1, 1}, {1, 1, 0, 0, 0}, {1, 1, 0, 0, 0}}));
        QVERIFY(s.questions[0].flagged && !s.questions[0].pointBiserial);
        Near(s.questions[0].discrimination, 0);
        QVERIFY(s.questions[1].flagged);
        Near(s.questions[1].discrimination, -1);
        Near(s.questions[1].pointBiserial, -1);
        QVERIFY(s.questions[2].flagged && !s.questions[2].pointBiserial);
        QVERIFY(!s.questions[3].flagged);
    }

    void noCandidate() {
        RecordedExam record = Class({{1, 0}});
        record.candidates.clear();
        const ExamStatistics s = Analyse(record);
        QCOMPARE(s.summary.candidates, 0);
        QCOMPARE(s.summary.fullMarks, 2.0);
        QVERIFY(!s.summary.mean && !s.summary.median && !s.summary.passRate);
        QVERIFY(!s.questions[0].facility && !s.questions[0].discrimination);
        QCOMPARE(s.questions[0].blank, 0);
    }

    void oneCandidate() {
        const ExamStatistics s = Analyse(Class({{1, 0, 1}}));
        Near(s.summary.mean, 2);
        Near(s.summary.median, 2);
        QVERIFY(!s.summary.standardDeviation && !s.summary.reliability);
        Near(s.questions[0].facility, 1);
        QVERIFY(!s.questions[0].discrimination && !s.questions[0].pointBiserial);
    }

    // Equal totals by different answers: no spread, so no groups, correlations or reliability.
    void everyoneTheSameScore() {
        // Points 0.3, 0.1 and 0.2: 0.1 + 0.2 is not 0.3 in binary, yet the totals are equal.
        RecordedExam record = Class({{1, 0, 0}, {0, 1, 1}, {1, 0, 0}});
        const double points[3] = {0.3, 0.1, 0.2};
        for (int q = 0; q < 3; ++q) {
            record.questions[q].points = points[q];
            for (CandidateRecord& c : record.candidates)
                c.answers[q].earned *= points[q];
        }
        const ExamStatistics s = Analyse(record);
        QVERIFY(s.totals[0] != s.totals[1]);
        QCOMPARE(s.summary.standardDeviation, 0.0);
        QVERIFY(!s.summary.reliability);
        for (const QuestionStatistics& q : s.questions) {
            QVERIFY(!q.discrimination && !q.pointBiserial);
            QVERIFY(q.facility.has_value());
        }
    }

    // 54 of 90 is 60 %, 76.5 of 90 is 85 %, although neither product is exact in binary.
    void ratesIncludeTheThreshold() {
        RecordedExam record = Class({{1}, {1}}, 90);
        record.candidates[0].answers[0].earned = 54;
        record.candidates[1].answers[0].earned = 76.5;
        const ExamStatistics s = Analyse(record);
        Near(s.summary.passRate, 1);
        Near(s.summary.excellentRate, 0.5);
        QCOMPARE(s.bands[6] + s.bands[8], 2);
    }

    // Multiple-choice letters counted one by one, true/false, blanks, subjective answers; a
    // question worth nothing has no facility; the subjective points do not count.
    void answersCounted() {
        RecordedExam record;
        record.questions = {{2, 1, 2, QStringLiteral("AC")},
                            {3, 1, 1, QStringLiteral("对")},
                            {3, 2, 0, QStringLiteral("错")},
                            {4, 1, 5, QString()}};
        const auto candidate = [](QString multi, QString tf, QString text) {
            return CandidateRecord{1,
                                   QString(),
                                   true,
                                   {{multi, multi == QStringLiteral("AC") ? 2.0 : 0.0},
                                    {tf, tf == QStringLiteral("对") ? 1.0 : 0.0},
                                    {QString(), 0},
                                    {text, 0}}};
        };
        record.candidates = {
            candidate(QStringLiteral("AC"), QStringLiteral("对"), QStringLiteral("x")),
            candidate(QStringLiteral("AB"), QStringLiteral("错"), QString()),
            candidate(QString(), QStringLiteral("对"), QStringLiteral("y"))};
        const ExamStatistics s = Analyse(record);
        QCOMPARE(s.summary.fullMarks, 3.0);
        QCOMPARE(s.totals, (std::vector<double>{3, 0, 1}));
        QCOMPARE(s.questions[0].choices, (ChoiceCounts{2, 1, 1, 0}));
        QCOMPARE(s.questions[0].blank, 1);
        QCOMPARE(s.questions[1].choices, (ChoiceCounts{2, 1, 0, 0}));
        QVERIFY(!s.questions[2].facility && !s.questions[2].flagged);
        QCOMPARE(s.questions[2].blank, 3);
        QCOMPARE(s.questions[3].answered, 2);
        QVERIFY(!s.questions[3].facility);
        Near(s.summary.reliability, 2.0 / 1.0 * (1 - (8 / 9.0 + 2 / 9.0) / (14 / 9.0)));
    }
};

QTEST_GUILESS_MAIN(StatisticsTest)
#include "statistics_test.moc"
