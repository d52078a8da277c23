// Reading one exam's record: which attempts count, which questions and keys, the names.
#include "analysis/RecordReader.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"

#include <QtTest>

namespace {

// An attempt of exam `exam` with its answers to single-choice questions "number:answer:earned".
void Attempt(const TestWorkdir& dir, qint64 id, int student, int cishu, const QString& exam,
             int state, const QStringList& answers, const QString& key = QStringLiteral("A")) {
    dir.Sql(QStringLiteral("INSERT INTO Kaoshijilu (JiluID,Xuehao,Cishu,ExamID,Kaishi,Huodong,"
                           "Shengyu,Zhuangtai) VALUES (%1,%2,%3,'%4',%5,%5,0,%6)")
                .arg(id)
                .arg(student)
                .arg(cishu)
                .arg(exam)
                .arg(1000 * id)
                .arg(state));
    for (const QString& a : answers) {
        const QStringList p = a.split(u':');
        dir.Sql(QStringLiteral("INSERT INTO Datijilu (JiluID,Bufen,TestID,Daan,Fenzhi,Biaozhun,"
                               "Defen,Gengxin) VALUES (%1,1,%2,'%3',2,'%4',%5,%6)")
                    .arg(id)
                    .arg(p[0], p[1], key, p[2])
                    .arg(1000 * id));
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
    void countsTheLatestEndedAttempt() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        // 110101 (张三 in the delivered list) handed in twice, then started a third attempt;
        // 110102 timed out; 110103 only has an attempt in progress; 110104 sat another exam.
        Attempt(dir, 1, 110101, 1, QStringLiteral("7"), 1, {QStringLiteral("1:A:2")});
        Attempt(dir, 2, 110101, 2, QStringLiteral("7"), 1,
                {QStringLiteral("1:B:0"), QStringLiteral("2:A:2")});
        Attempt(dir, 3, 110101, 3, QStringLiteral("7"), 0, {QStringLiteral("1:A:2")});
        Attempt(dir, 4, 110102, 1, QStringLiteral("7"), 2, {QStringLiteral("2::0")});
        Attempt(dir, 5, 110103, 1, QStringLiteral("7"), 0, {});
        Attempt(dir, 6, 110104, 1, QStringLiteral("8"), 1, {QStringLiteral("1:A:2")});

        QCOMPARE(RecordedExams(db), QStringList({QStringLiteral("8"), QStringLiteral("7")}));
        const RecordedExam ended = ReadRecordedExam(db, QStringLiteral("7"), false);
        QCOMPARE(Totals(ended),
                 QStringList({QStringLiteral("110101 张三 2"), QStringLiteral("110102  0")}));
        QCOMPARE(ended.questions.size(), size_t(2));
        QCOMPARE(ended.candidates[0].answers[0].answer, QStringLiteral("B"));
        QCOMPARE(ended.candidates[1].answers[0].answer, QString());  // no row: no answer

        const RecordedExam all = ReadRecordedExam(db, QStringLiteral("7"), true);
        QCOMPARE(Totals(all),
                 QStringList({QStringLiteral("110101 张三 2 未交卷"), QStringLiteral("110102  0"),
                              QStringLiteral("110103  0 未交卷")}));
        QVERIFY(ReadRecordedExam(db, QStringLiteral("9"), true).candidates.empty());
    }

    // Points and key are the recorded ones, the latest row's, whatever the bank holds now.
    void keyAndPointsFromTheRecord() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        dir.Sql(QStringLiteral("DELETE FROM Test"));
        Attempt(dir, 1, 110101, 1, QStringLiteral("1"), 1, {QStringLiteral("5:C:0")});
        Attempt(dir, 2, 110102, 1, QStringLiteral("1"), 1, {QStringLiteral("5:C:2")},
                QStringLiteral("C"));
        const RecordedExam record = ReadRecordedExam(db, QStringLiteral("1"), false);
        QCOMPARE(record.questions.size(), size_t(1));
        QCOMPARE(record.questions[0].number, 5);
        QCOMPARE(record.questions[0].key, QStringLiteral("C"));
        QCOMPARE(record.questions[0].points, 2.0);
    }
};

QTEST_GUILESS_MAIN(RecordReaderTest)
#include "record_reader_test.moc"
