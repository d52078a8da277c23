// The exam within a sitting: the paper the sitting froze, the attempt owned by one workstation
// (a stale one writes nothing and goes back to the sign-in), the proctor's acts reaching the
// workstation, time down charged, and a record that cannot be written never keeping a candidate.
#include "ExamRig.h"

#include "data_store/Conversions.h"
#include "record/Sitting.h"
#include "ui_common/Colors.h"
#include "ui_common/Termination.h"

#include <QPlainTextEdit>

namespace {

void Tick(ExamRig& rig, int seconds) {
    for (int i = 0; i < seconds; ++i) {
        ++rig.platform.now;
        rig.platform.steadyMs += 1000;
        rig.Window().Timer1Timer();
    }
}

qint64 AttemptId(ExamRig& rig) {
    return rig.dir.Scalar(QStringLiteral("select max(JiluID) from Kaoshijilu")).toLongLong();
}

QString Record(ExamRig& rig) {
    return rig.dir.Rows(QStringLiteral("select Zhuangtai, Chengji from Kaoshijilu order by JiluID"))
        .join(u',');
}

}  // namespace

class ExamSittingsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { ResetTermination(); }

    // The candidate resumed elsewhere: the workstation that had the attempt finds its token gone
    // at its next write, writes nothing (no answer, no score, no end at its own time-out) and
    // goes back to the sign-in.
    void staleWorkstationWritesNothing() {
        ExamRig rig;
        rig.dir.Sql(QStringLiteral("update Time set TimeN = '00:00:06'"));
        rig.Start();
        rig.StopClock();
        rig.Click(QStringLiteral("RadioButton1"));
        rig.Click(QStringLiteral("lblNext"));
        const QStringList answers = rig.dir.Rows(QStringLiteral("select * from Datijilu"));
        rig.dir.Sql(QStringLiteral("update Kaoshijilu set Zhuren = 'elsewhere'"));

        rig.Click(QStringLiteral("RadioButton2"));
        rig.Settle();  // the writer finds the token gone
        QCOMPARE(rig.prompts.Texts(),
                 QStringList{"本场考试已在另一台机器上继续，本机已停止作答。"});
        QCOMPARE(rig.Window().result(), ExamWindow::kBackToSignIn);
        Tick(rig, 10);  // its countdown runs out: nothing is written
        rig.Window().SaveScore();
        rig.Click(QStringLiteral("LabBt4"));
        rig.Find<QPlainTextEdit>(QStringLiteral("MeRequest"))->setPlainText(QStringLiteral("迟到"));
        rig.Click(QStringLiteral("Labee4"));
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select Tt1 from Userxinxi")), QString());
        QCOMPARE(rig.dir.Rows(QStringLiteral("select * from Datijilu")), answers);
        QCOMPARE(rig.Chengji(), QStringLiteral("1"));
        QCOMPARE(Record(rig), QStringLiteral("0|"));
        QCOMPARE(rig.prompts.Texts().size(), 1);
        QCOMPARE(rig.mainWindowShown, 0);
    }

    // 收卷 and 结束本场 reach the workstation at its next sign of life; the next candidate at
    // the same window starts on a clean sheet, in a sitting opened by itself.
    void proctorsActsStopTheWorkstation() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        rig.Click(QStringLiteral("RadioButton1"));  // right: 1 point
        {
            Database db(kDatabasePath);
            record::Collect(db, AttemptId(rig), QStringLiteral("admin"), rig.platform.now);
        }
        Tick(rig, 5);
        rig.Settle();
        QCOMPARE(rig.prompts.Texts(), QStringList{"监考老师已收卷"});
        QCOMPARE(rig.Window().result(), ExamWindow::kBackToSignIn);
        QCOMPARE(Record(rig), QStringLiteral("1|1.0"));
        QCOMPARE(rig.Chengji(), QStringLiteral("1"));

        rig.prompts.Clear();
        rig.Window().show();  // the next sign-in: a new attempt of the same sitting
        QCOMPARE(rig.Color(QStringLiteral("p1p1")), ButtonFace());
        QCOMPARE(rig.State().AchievedScore, 0.0);
        {
            Database db(kDatabasePath);
            record::EndSitting(db, record::OpenSitting(db)->id, QStringLiteral("admin"),
                               rig.platform.now);
        }
        Tick(rig, 5);
        rig.Settle();
        QCOMPARE(rig.prompts.Texts(), QStringList{"本场考试已结束"});
        QCOMPARE(Record(rig), QStringLiteral("1|1.0,2|0.0"));

        rig.Restart();  // after the sitting ended a sign-in starts afresh, in a new sitting
        QCOMPARE(rig.Text(QStringLiteral("lblTestTime")), QStringLiteral("01:10:00"));
        QCOMPARE(
            rig.dir.Scalar(QStringLiteral("select count(*) from Changci where Jieshu is null")),
            QStringLiteral("1"));
    }

    // Time given shows on the countdown; time down is charged, on this installation's own clock
    // or on the sitting's clock that the other workstations keep.
    void timeGivenAndTimeDown() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        Tick(rig, 20);
        {
            Database db(kDatabasePath);
            record::GiveTime(db, AttemptId(rig), 5, QStringLiteral("admin"), rig.platform.now);
        }
        Tick(rig, 5);
        rig.Settle();  // the sign of life's answer reaches the countdown at the next tick
        rig.Window().Timer1Timer();
        QCOMPARE(rig.Text(QStringLiteral("lblTestTime")), QStringLiteral("01:14:35"));

        rig.platform.now += 600;  // this workstation was off for ten minutes
        rig.Restart();
        QCOMPARE(rig.Text(QStringLiteral("lblTestTime")), QStringLiteral("01:04:35"));

        rig.platform.installation = QStringLiteral("spare");  // moved to a spare workstation
        {
            Database db(kDatabasePath);
            const SittingRow sitting = *record::OpenSitting(db);
            record::AdvanceClock(db, sitting.id, sitting.clock + 120);  // the room ran on
        }
        rig.Restart();
        QCOMPARE(rig.Text(QStringLiteral("lblTestTime")), QStringLiteral("01:02:35"));
        QCOMPARE(rig.dir.Rows(
                     QStringLiteral("select Canshu from Jiankao where Caozuo='恢复' order by ID")),
                 (QStringList{QStringLiteral("600"), QStringLiteral("120")}));
    }

    // The paper is the sitting's: a bank edited while it runs changes nothing on screen or in
    // the scoring, even after a resume.
    void bankEditedDuringTheSittingKeepsThePaper() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        const QString question = rig.Text(QStringLiteral("mmoRequest"));
        rig.dir.Sql(
            QStringLiteral("update Test set Request = '改过的题目', DDx = 'B' where "
                           "TestID = 1"));
        rig.Restart();
        rig.Click(QStringLiteral("Panel1"));
        QCOMPARE(rig.Text(QStringLiteral("mmoRequest")), question);
        rig.Click(QStringLiteral("RadioButton1"));  // the frozen key: A
        QCOMPARE(rig.State().AchievedScore, 1.0);
    }

    // A record that cannot be written never keeps the candidate in the exam: the hand-in and
    // the time-out end it as usual, and the score reaches the database with the attempt's end
    // once the record can be written.
    void unwritableRecordNeverBlocksTheScore() {
        for (const bool timeOut : {false, true}) {
            ResetTermination();
            ExamRig rig;
            rig.dir.Sql(QStringLiteral("update Time set TimeN = '00:00:03'"));
            rig.Start();
            rig.StopClock();
            rig.Click(QStringLiteral("RadioButton1"));
            rig.dir.RefuseWrites(QStringLiteral("Dead"), QStringLiteral("Update"),
                                 QStringLiteral("Kaoshijilu"), {},
                                 QStringLiteral("disk I/O error"));
            if (timeOut) {
                Tick(rig, 3);
                QCOMPARE(rig.mainWindowShown, 1);
                QVERIFY(!rig.Window().isVisible());
            } else {
                rig.Click(QStringLiteral("lblEndTest"));
                QVERIFY(TerminateRequested());
                QCOMPARE(rig.prompts.Messages().last(),
                         QStringLiteral("总分为100分恭喜您考了1分!再见"));
            }
            QCOMPARE(rig.Chengji(), QString());
            rig.dir.DropRefusal(QStringLiteral("Dead"), QStringLiteral("Kaoshijilu"));
            QCOMPARE(rig.Chengji(), QStringLiteral("1"));
            QCOMPARE(Record(rig), timeOut ? QStringLiteral("2|1.0") : QStringLiteral("1|1.0"));
        }
    }

    // A record that cannot be read keeps the exam from starting: back to the sign-in.
    void unreadableRecordStartsNoExam() {
        ExamRig rig;
        rig.Create();
        rig.dir.Sql(QStringLiteral("drop table Changci"));
        rig.Start();
        QTRY_COMPARE(rig.Window().result(), ExamWindow::kBackToSignIn);
        QVERIFY(!rig.Window().isVisible());
        QVERIFY(rig.prompts.Texts().value(0).startsWith(QStringLiteral("无法读取考试记录")));
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select count(*) from Kaoshijilu")),
                 QStringLiteral("0"));
    }
};

QTEST_MAIN(ExamSittingsTest)
#include "test_exam_sittings.moc"
