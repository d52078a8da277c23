// Reading one sitting's record against its frozen paper: which attempts count, the questions,
// points and keys, the sittings offered.
#include "analysis/RecordReader.h"
#include "analysis/Statistics.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "record/Sitting.h"
#include "support/TestWorkdir.h"

#include <QtTest>

namespace {

// An attempt in `sitting` with its single-choice rows "number:answer:earned"; an answer "-" is a
// question only shown (the row the exam writes then: no answer, no points, no key).
void Attempt(const TestWorkdir& dir, qint64 id, int student, int cishu, qint64 sitting, int state,
             const QStringList& answers) {
    dir.Sql(QStringLiteral("INSERT INTO Kaoshijilu (JiluID,Xuehao,Cishu,ExamID,Kaishi,Huodong,"
                           "Shengyu,Zhuangtai,ChangciID) VALUES (%1,%2,%3,'1',%4,%4,0,%5,%6)")
                .arg(id)
                .arg(student)
                .arg(cishu)
                .arg(1000 * id)
                .arg(state)
                .arg(sitting));
    for (const QString& a : answers) {
        const QStringList p = a.split(u':');
        const bool shown = p[1] == QStringLiteral("-");
        // Change times past 2038, the shown-only rows the latest.
        dir.Sql(QStringLiteral("INSERT INTO Datijilu (JiluID,Bufen,TestID,Daan,Fenzhi,Biaozhun,"
                               "Defen,Gengxin) VALUES (%1,1,%2,'%3',%4,'%5',%6,%7)")
                    .arg(id)
                    .arg(p[0], shown ? QString() : p[1])
                    .arg(shown ? 0 : 2)
                    .arg(shown ? QString() : QStringLiteral("X"), p[2])
                    .arg(3'000'000'000LL + id + (shown ? 100 : 0)));
    }
}

QStringList Totals(const RecordedExam& record) {
    QStringList totals;
    for (const CandidateRecord& c : record.candidates)
        totals << QStringLiteral("%1 %2 %3%4")
                      .arg(c.studentNo)
                      .arg(c.name)
                      .arg(ObjectiveTotal(record, c))
                      .arg(c.ended ? QString() : QStringLiteral(" 未交卷"));
    return totals;
}

}  // namespace

class RecordReaderTest : public QObject {
    Q_OBJECT
  private slots:
    // Two sittings; in the first a make-up attempt, shown-only rows, questions nobody saw and a
    // bank edited after the paper froze.
    void readsTheSittingAgainstItsPaper() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        dir.Sql(QStringLiteral(
            "DELETE FROM Test; DELETE FROM KaoShi2; DELETE FROM KaoShi3; DELETE FROM KaoShi4;"
            "INSERT INTO Test (TestID,Request,DDx,Score) VALUES (1,'q1','A','2'),(2,'q2','B','2'),"
            "(3,'q3','C','2'),(51,'beyond the limit','A','9');"
            "INSERT INTO KaoShi3 (TestID,Request,DDx,Score) VALUES (1,'tf','对','1')"));
        const qint64 first = record::OpenNewSitting(db, QStringLiteral("期中"), 3600,
                                                    QStringLiteral("admin"), 1'790'000'000)
                                 .id;
        dir.Sql(
            QStringLiteral("UPDATE Test SET DDx='D', Score='5' WHERE TestID=1;"
                           "UPDATE Changci SET Jieshu=1790003600"));
        const qint64 second =
            record::OpenNewSitting(db, QStringLiteral("期末"), 3600, QString(), 1'795'000'000).id;

        // 110101 (张三 in the delivered list) handed in, then sat again in the same sitting.
        Attempt(dir, 1, 110101, 1, first, 1, {QStringLiteral("1:A:2"), QStringLiteral("2:-:0")});
        Attempt(dir, 2, 110101, 2, first, 1, {QStringLiteral("1:B:0"), QStringLiteral("2:B:2")});
        // 110102 timed out having only looked at question 1, then started again.
        Attempt(dir, 3, 110102, 1, first, 2, {QStringLiteral("1:-:0")});
        Attempt(dir, 4, 110102, 2, first, 0, {QStringLiteral("1:A:2")});
        Attempt(dir, 5, 110103, 1, second, 1, {QStringLiteral("1:D:5")});

        QVERIFY(!RecordVersion(db).isEmpty());  // sums change times past 2038 on either engine
        const std::vector<SittingChoice> sittings = RecordedSittings(db);
        QCOMPARE(sittings.size(), size_t(2));
        QCOMPARE(sittings[0].id, second);
        QCOMPARE(sittings[0].caption, QStringLiteral("期末（%1）")
                                          .arg(QDateTime::fromSecsSinceEpoch(1'795'000'000)
                                                   .toString(QStringLiteral("yyyy-MM-dd"))));

        const RecordedExam ended = ReadRecordedExam(db, first, false);
        QCOMPARE(Totals(ended),
                 QStringList({QStringLiteral("110101 张三 2"), QStringLiteral("110102  0")}));
        QStringList questions;
        for (const RecordedQuestion& q : ended.questions)
            questions << QStringLiteral("%1.%2 %3 %4")
                             .arg(q.section)
                             .arg(q.number)
                             .arg(q.points)
                             .arg(q.key);
        QCOMPARE(questions, QStringList({QStringLiteral("1.1 2 A"), QStringLiteral("1.2 2 B"),
                                         QStringLiteral("1.3 2 C"), QStringLiteral("3.1 1 对")}));
        QCOMPARE(FullMarks(ended), 7.0);
        QCOMPARE(UnseenObjectiveQuestions(ended), 2);
        QCOMPARE(ended.candidates[0].answers[0].answer, QStringLiteral("B"));

        QCOMPARE(
            Totals(ReadRecordedExam(db, first, true)),
            QStringList({QStringLiteral("110101 张三 2"), QStringLiteral("110102  2 未交卷")}));
        const RecordedExam later = ReadRecordedExam(db, second, false);
        QCOMPARE(Totals(later), QStringList({QStringLiteral("110103  5")}));
        QCOMPARE(FullMarks(later), 10.0);
    }
};

QTEST_GUILESS_MAIN(RecordReaderTest)
#include "record_reader_test.moc"
