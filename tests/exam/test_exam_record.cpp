// The exam record seen from the exam window: an exam cut short comes back as it was left, an
// ended one starts afresh, and a database out of reach keeps the exam going and catches up.
#include "ExamRig.h"

#include "data_store/Conversions.h"
#include "exam/ObjectiveSection.h"
#include "ui_common/Colors.h"
#include "ui_common/Widgets.h"

#include <QPlainTextEdit>

#include <utility>

namespace {

// What the candidate sees of the answer sheets and the score, and the countdown.
struct Sheet {
    QStringList colours;
    QList<double> earned;
    double score = 0;
    QString countdown;
    bool operator==(const Sheet&) const = default;
};

Sheet Look(ExamRig& rig) {
    Sheet sheet;
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionData& data = SectionOf(s);
        for (int n = 1; n <= data.limit; ++n) {
            sheet.colours << rig.Color(PanelName(data, n)).name();
            for (int k = 1; k <= data.cellCount; ++k)
                sheet.colours << rig.Color(CellName(data, n, k)).name();
            if (s != kSubjective)
                sheet.earned << const_cast<ExamState&>(rig.State()).EarnedSlot(s, n);
        }
    }
    sheet.score = rig.State().AchievedScore;
    sheet.countdown = rig.Text(QStringLiteral("lblTestTime"));
    return sheet;
}

void Tick(ExamRig& rig, int seconds) {
    for (int i = 0; i < seconds; ++i) {
        ++rig.platform.now;
        rig.platform.steadyMs += 1000;
        rig.Window().Timer1Timer();
    }
}

void Type(ExamRig& rig, const QString& text) {
    rig.Find<QPlainTextEdit>(QStringLiteral("MeRequest"))->setPlainText(text);
}

}  // namespace

class ExamRecordTest : public QObject {
    Q_OBJECT

  private slots:
    void resumeBringsBackTheSheetTheScoreTheTextsTheTimeAndTheQuestion() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        rig.Click(QStringLiteral("RadioButton1"));  // question 1, key A: right
        rig.Click(QStringLiteral("lblNext"));
        rig.Click(QStringLiteral("RadioButton3"));  // question 2, key B: wrong
        rig.Click(QStringLiteral("lblNext"));
        rig.Click(QStringLiteral("lblMarkTest"));  // question 3 marked
        rig.Click(QStringLiteral("LabBt2"));
        rig.Click(QStringLiteral("CheckBox1"));
        rig.Click(QStringLiteral("CheckBox3"));
        rig.Click(QStringLiteral("Panel202"));
        rig.Click(QStringLiteral("RadioButton13"));
        rig.Click(QStringLiteral("LabBt4"));
        Type(rig, QStringLiteral("答案一"));
        rig.Click(QStringLiteral("Labee4"));
        rig.Click(QStringLiteral("Panel252"));
        Type(rig, QStringLiteral("草稿二"));  // never saved: kept when the question is left
        rig.Click(QStringLiteral("Panel253"));
        Type(rig, QStringLiteral("草稿三"));  // kept once it is 15 s old
        Tick(rig, 20);
        const Sheet before = Look(rig);
        QCOMPARE(before.countdown, QStringLiteral("01:09:40"));
        QCOMPARE(before.score, 1.0);  // question 1 only
        QVERIFY(rig.prompts.shown.isEmpty());

        rig.Restart();
        QVERIFY(rig.prompts.shown.isEmpty());
        QCOMPARE(Look(rig), before);
        QCOMPARE(rig.Color(QStringLiteral("Panel3")), QColor(0xFF0000));
        QVERIFY(rig.Shown(QStringLiteral("GroupBox4")));
        QVERIFY(rig.Text(QStringLiteral("MemoRQ")).startsWith(QStringLiteral("第3题")));
        QCOMPARE(rig.Text(QStringLiteral("MeRequest")), QStringLiteral("草稿三"));
        rig.Click(QStringLiteral("Panel252"));
        QCOMPARE(rig.Text(QStringLiteral("MeRequest")), QStringLiteral("草稿二"));
        rig.Click(QStringLiteral("Panel251"));
        QCOMPARE(rig.Text(QStringLiteral("MeRequest")), QStringLiteral("答案一"));
        rig.Click(QStringLiteral("Panel1"));
        QVERIFY(rig.Checked(QStringLiteral("RadioButton1")));

        // The first "下一题" after the resume keeps the score; the hand-in ends the same attempt.
        rig.Click(QStringLiteral("lblNext"));
        QCOMPARE(rig.Chengji(), FormatGeneral(before.score));
        rig.Click(QStringLiteral("lblEndTest"));
        QCOMPARE(rig.dir.Rows(QStringLiteral("select Cishu, Zhuangtai, Chengji from Kaoshijilu")),
                 QStringList{QStringLiteral("1|1|1.0")});
    }

    void endedAttemptStartsAfresh() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        rig.Click(QStringLiteral("RadioButton1"));
        rig.Click(QStringLiteral("lblEndTest"));
        rig.Restart();
        QCOMPARE(rig.Color(QStringLiteral("p1p1")), ButtonFace());
        QCOMPARE(rig.State().AchievedScore, 0.0);
        QCOMPARE(rig.Text(QStringLiteral("lblTestTime")), QStringLiteral("01:10:00"));
        QCOMPARE(rig.dir.Rows(QStringLiteral("select Cishu, Zhuangtai from Kaoshijilu")),
                 (QStringList{QStringLiteral("1|1"), QStringLiteral("2|0")}));
    }

    // The database out of reach: every button answers, no box; one line counts the entries
    // waiting on this workstation, and everything is shipped in order on return.
    void outageShowsOneLineAndCatchesUp() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        QVERIFY(!rig.Shown(QStringLiteral("lblOutage")));
        rig.dir.Sql(QStringLiteral("alter table Datijilu rename to Elsewhere"));
        rig.Click(QStringLiteral("RadioButton1"));
        rig.Click(QStringLiteral("lblNext"));
        rig.Click(QStringLiteral("RadioButton2"));
        rig.Click(QStringLiteral("lblMarkTest"));
        rig.Click(QStringLiteral("LabBt4"));
        Type(rig, QStringLiteral("断网时的答案"));
        rig.Click(QStringLiteral("Labee4"));
        rig.Settle();
        QVERIFY(rig.prompts.shown.isEmpty());
        QCOMPARE(rig.State().AchievedScore, 2.0);  // the exam went on
        QVERIFY(rig.Shown(QStringLiteral("lblOutage")));
        const QString line = rig.Text(QStringLiteral("lblOutage"));
        QVERIFY2(line.startsWith(QStringLiteral("网络中断：答案已保存在本机，恢复后自动上传（")) &&
                     line.endsWith(QStringLiteral(" 条待上传）")),
                 qPrintable(line));
        QVERIFY(line.section(u'（', 1).section(u' ', 0, 0).toInt() >= 8);

        rig.dir.Sql(QStringLiteral("alter table Elsewhere rename to Datijilu"));
        rig.Settle();
        QVERIFY(!rig.Shown(QStringLiteral("lblOutage")));
        QCOMPARE(rig.dir.Rows(QStringLiteral(
                     "select Bufen, TestID, Daan, Biaoji, Xianshi, Defen from Datijilu")),
                 (QStringList{QStringLiteral("1|1|A|0|0|1.0"), QStringLiteral("1|2|B|1|1|1.0"),
                              QStringLiteral("4|1|断网时的答案|0|1|0.0")}));
        QCOMPARE(rig.dir.Rows(QStringLiteral("select Bufen, TestID from Kaoshijilu")),
                 QStringList{QStringLiteral("4|1")});
        QCOMPARE(rig.Chengji(), QStringLiteral("1"));  // the score of "下一题"
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select Tt1 from Userxinxi")),
                 QStringLiteral("断网时的答案"));
    }

    // Killed during an outage, the workstation ships its journal at its next start before the
    // exam starts again: the resume finds every answer.
    void killDuringAnOutageShipsTheJournalAtTheNextStart() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        rig.Click(QStringLiteral("RadioButton1"));
        rig.LockCandidates();
        rig.dir.RefuseWrites(QStringLiteral("Dead"), QStringLiteral("Update"),
                             QStringLiteral("Kaoshijilu"), {}, QStringLiteral("disk I/O error"));
        rig.Click(QStringLiteral("lblNext"));
        rig.Click(QStringLiteral("RadioButton2"));
        rig.Click(QStringLiteral("lblNext"));
        rig.Click(QStringLiteral("RadioButton1"));  // question 3
        rig.Settle();
        QVERIFY(rig.Shown(QStringLiteral("lblOutage")));
        const Sheet before = Look(rig);

        rig.Create();  // killed: the window and its writer gone, the journal on the disk
        rig.Unlock();
        rig.dir.DropRefusal(QStringLiteral("Dead"), QStringLiteral("Kaoshijilu"));
        rig.Start();
        QCOMPARE(Look(rig).colours, before.colours);
        QCOMPARE(rig.State().AchievedScore, before.score);
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select count(*) from Datijilu where Daan<>''")),
                 QStringLiteral("3"));
        QCOMPARE(rig.Chengji(), QStringLiteral("2"));
        QVERIFY(!rig.Shown(QStringLiteral("lblOutage")));
    }

    // A time-out while the record refuses: it runs once, and the score with the attempt's end
    // reaches the database when the record takes writes again.
    void timeOutDuringAnOutageRunsOnceAndIsShippedOnReturn() {
        ExamRig rig;
        rig.dir.Sql(QStringLiteral("update Time set TimeN = '00:00:10'"));
        rig.Start();
        rig.StopClock();
        rig.Click(QStringLiteral("RadioButton1"));
        rig.dir.RefuseWrites(QStringLiteral("Dead"), QStringLiteral("Update"),
                             QStringLiteral("Kaoshijilu"), {}, QStringLiteral("disk I/O error"));
        Tick(rig, 12);
        QCOMPARE(rig.mainWindowShown, 1);
        QVERIFY(rig.prompts.shown.isEmpty());
        QCOMPARE(rig.dir.Rows(QStringLiteral("select Zhuangtai, Chengji from Kaoshijilu")),
                 QStringList{QStringLiteral("0|")});
        rig.dir.DropRefusal(QStringLiteral("Dead"), QStringLiteral("Kaoshijilu"));
        QCOMPARE(rig.dir.Rows(QStringLiteral("select Zhuangtai, Chengji from Kaoshijilu")),
                 QStringList{QStringLiteral("2|1.0")});
        QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    }
};

QTEST_MAIN(ExamRecordTest)
#include "test_exam_record.moc"
