// 乱序 seen from the exam window: the candidate answers in their own order and letters, and the
// record, the score and the analysis are those of the same answers in the paper's order; a resumed
// attempt shows its order again, wherever it resumes; two candidates get orders of their own.
#include "ExamRig.h"

#include "analysis/RecordReader.h"
#include "analysis/Statistics.h"
#include "record/Sitting.h"

#include <QPlainTextEdit>

namespace {

qint64 OpenSitting(ExamRig& rig, bool shuffled) {
    Database db(kDatabasePath);
    return record::OpenNewSitting(db, QStringLiteral("期中"), 4200, QStringLiteral("张老师"),
                                  rig.platform.now, shuffled)
        .id;
}

// Bank question `bank` of `section` (1..4) answered with the bank's letters (or saved text), as
// the candidate finds and clicks it on their screen.
void Answer(ExamRig& rig, int section, int bank, const QString& answer) {
    const PaperOrder& order = rig.State().Order;
    const SectionData& data = SectionOf(section - 1);
    rig.Click(PanelName(data, order.Position(section, bank)));
    if (section == 4) {
        rig.Find<QPlainTextEdit>(QStringLiteral("MeRequest"))->setPlainText(answer);
        rig.Click(QStringLiteral("Labee4"));
        return;
    }
    const QString shown = order.ToShown(section, bank, answer);
    for (int k = 1; k <= data.cellCount; ++k)
        if (shown.contains(QString::fromUtf16(data.cellCaptions[k - 1])))
            rig.Click(QString::fromUtf16(data.choices[k - 1]));
}

void SitTheSameAnswers(ExamRig& rig) {
    Answer(rig, 1, 2, QStringLiteral("B"));  // right
    Answer(rig, 1, 3, QStringLiteral("A"));  // wrong
    Answer(rig, 1, 3, QStringLiteral("C"));  // changed: right
    rig.Click(QStringLiteral("lblMarkTest"));
    Answer(rig, 2, 1, QStringLiteral("ABD"));  // right
    Answer(rig, 2, 2, QStringLiteral("A"));    // wrong
    Answer(rig, 3, 2, QStringLiteral("错"));   // right
    Answer(rig, 4, 2, QStringLiteral("相对引用随位置变化"));
    rig.Window().SaveScore();
}

// Everything the rest of the program reads of an attempt.
struct Outcome {
    QStringList rows;
    QString chengji;
    QString saved;
    QStringList analysis;
    bool operator==(const Outcome&) const = default;
};

Outcome Read(ExamRig& rig, qint64 sitting) {
    Outcome outcome;
    outcome.rows = rig.dir.Rows(QStringLiteral(
        "select Bufen, TestID, Daan, Biaoji, Xianshi, Fenzhi, Biaozhun, Defen from Datijilu "
        "order by Bufen, TestID"));
    outcome.chengji = rig.Chengji();
    outcome.saved = rig.dir.Scalar(QStringLiteral("select Tt2 from Userxinxi"));
    Database db(kDatabasePath);
    const RecordedExam exam = ReadRecordedExam(db, sitting, true);
    for (const CandidateRecord& candidate : exam.candidates)
        for (size_t q = 0; q < candidate.answers.size(); ++q)
            outcome.analysis << QStringLiteral("%1-%2:%3=%4")
                                    .arg(exam.questions[q].section)
                                    .arg(exam.questions[q].number)
                                    .arg(candidate.answers[q].answer)
                                    .arg(candidate.answers[q].earned);
    const ExamStatistics statistics = Analyse(exam);
    outcome.analysis << QString::number(statistics.summary.mean.value_or(-1));
    for (const QuestionStatistics& question : statistics.questions)
        outcome.analysis << QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(question.facility.value_or(-1))
                                .arg(question.choices[0])
                                .arg(question.choices[1])
                                .arg(question.choices[2])
                                .arg(question.choices[3]);
    return outcome;
}

// What the candidate sees of every question, position by position: the caption and the options.
QStringList Screens(ExamRig& rig) {
    QStringList screens;
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionData& data = SectionOf(s);
        for (int n = 1; n <= rig.State().Count(s); ++n) {
            rig.Click(PanelName(data, n));
            QString screen = rig.Text(QString::fromUtf16(data.memo));
            for (const char16_t* label : data.optionLabels)
                if (label) screen += u'|' + rig.Text(QString::fromUtf16(label));
            screens << screen;
        }
    }
    return screens;
}

QStringList Colours(ExamRig& rig) {
    QStringList colours;
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionData& data = SectionOf(s);
        for (int n = 1; n <= data.limit; ++n) {
            colours << rig.Color(PanelName(data, n)).name();
            for (int k = 1; k <= data.cellCount; ++k)
                colours << rig.Color(CellName(data, n, k)).name();
        }
    }
    return colours;
}

}  // namespace

class ExamOrderTest : public QObject {
    Q_OBJECT

  private slots:
    void sameAnswersGiveTheSameRecordScoreAndAnalysisInAnyOrder() {
        Outcome inBankOrder, shuffled;
        {
            ExamRig rig;
            const qint64 sitting = OpenSitting(rig, false);
            rig.Start();
            rig.StopClock();
            QVERIFY(!rig.State().Order.Shuffled());
            SitTheSameAnswers(rig);
            inBankOrder = Read(rig, sitting);
            QCOMPARE(rig.dir.Scalar(QStringLiteral("select Zhongzi from Kaoshijilu")), "0");
        }
        {
            ExamRig rig;
            const qint64 sitting = OpenSitting(rig, true);
            rig.Start();
            rig.StopClock();
            const PaperOrder& order = rig.State().Order;
            QVERIFY(order.Shuffled());
            QCOMPARE(rig.dir.Scalar(QStringLiteral("select Zhongzi from Kaoshijilu")),
                     QString::number(order.Seed()));
            // On screen from the start, as a resume shows it: the candidate's question 1.
            QCOMPARE(rig.dir.Scalar(QStringLiteral("select TestID from Kaoshijilu")),
                     QString::number(order.BankQuestion(1, 1)));
            // The candidate reads bank question 2 under its own number, its options in its own
            // letters: the key B ("运算器和控制器") under whatever letter it landed on.
            rig.Click(PanelName(SectionOf(0), order.Position(1, 2)));
            QVERIFY(rig.Text(QStringLiteral("mmoRequest"))
                        .startsWith(QStringLiteral("第%1题").arg(order.Position(1, 2))));
            const QString key = order.ToShown(1, 2, QStringLiteral("B"));
            QCOMPARE(rig.Text(QStringLiteral("LabAX%1").arg(key[0].unicode() - u'A' + 1)),
                     QStringLiteral("运算器和控制器"));
            SitTheSameAnswers(rig);
            shuffled = Read(rig, sitting);
        }
        QCOMPARE(shuffled, inBankOrder);
        QCOMPARE(inBankOrder.chengji, QStringLiteral("6"));  // 1 + 1 + 3 + 1
        QCOMPARE(inBankOrder.saved, QStringLiteral("相对引用随位置变化"));
    }

    // The attempt resumes at another workstation: the same questions under the same numbers,
    // the same options under the same letters, the answer sheet as it was left.
    void resumedAttemptShowsItsOrderAgainAndCandidatesDiffer() {
        ExamRig rig;
        OpenSitting(rig, true);
        rig.Start();
        rig.StopClock();
        const qint64 seed = rig.State().Order.Seed();
        SitTheSameAnswers(rig);
        const QStringList screens = Screens(rig);
        const QStringList colours = Colours(rig);
        const QString onScreen = rig.Text(QStringLiteral("MemoRQ"));
        const double score = rig.State().AchievedScore;

        rig.platform.hostName = QStringLiteral("ws-spare");
        rig.platform.installation = QStringLiteral("inst-spare");
        rig.Restart();
        QVERIFY(rig.prompts.shown.isEmpty());
        QCOMPARE(rig.State().Order.Seed(), seed);
        QCOMPARE(rig.Text(QStringLiteral("MemoRQ")), onScreen);
        QCOMPARE(rig.State().AchievedScore, score);
        QCOMPARE(Colours(rig), colours);
        QCOMPARE(Screens(rig), screens);

        // Another candidate in the same sitting: an order of their own.
        rig.dir.Sql(QStringLiteral(
            "INSERT INTO Userxinxi (UserID, Xuehao, Xingmin) VALUES (2, '110102', '李四')"));
        rig.signedInNumber = rig.numberBox = QStringLiteral("110102");
        rig.Restart();
        QVERIFY(rig.State().Order.Seed() != seed);
        QVERIFY(Screens(rig) != screens);
    }
};

QTEST_MAIN(ExamOrderTest)
#include "test_exam_order.moc"
