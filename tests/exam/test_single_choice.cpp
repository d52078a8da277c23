// The single-choice section: number panels, "上一题", "下一题", "标识本题", picks, the answer
// sheet's colours and the score write.
#include "ExamRig.h"

#include "ui_common/Colors.h"
#include "ui_common/Widgets.h"

class SingleChoiceTest : public QObject {
    Q_OBJECT
  private slots:
    void pickColoursTheSheetAndScoresAtOnce();
    void nextWritesTheScore();
    void shownAgainRestoresThePick();
    void markIsLostWhenShownAgain();
    void keysThatAreNotOneCapitalNeverScore_data();
    void keysThatAreNotOneCapitalNeverScore();
    void previousOnTheFirstQuestion();
    void nextOnTheLastQuestion();
    void questionsPastFifty();
    void gapInTheBank();
};

void SingleChoiceTest::pickColoursTheSheetAndScoresAtOnce() {
    ExamRig rig;
    rig.Start();
    rig.Click("RadioButton2");  // B; the key of question 1 is A
    QCOMPARE(rig.Color("p1p2"), kBlue);
    QCOMPARE(rig.Color("p1p1"), ButtonFace());
    QCOMPARE(rig.State().SingleEarned[1], 0.0);
    rig.Click("RadioButton1");
    QCOMPARE(rig.Color("p1p1"), kBlue);
    QCOMPARE(rig.Color("p1p2"), ButtonFace());
    QCOMPARE(rig.State().SingleEarned[1], 1.0);
    QCOMPARE(rig.State().AchievedScore, 1.0);
    rig.Click("RadioButton1");  // the option already picked: nothing changes
    QCOMPARE(rig.Color("p1p1"), kBlue);
    QCOMPARE(rig.State().AchievedScore, 1.0);
    rig.Click("RadioButton4");
    QCOMPARE(rig.State().AchievedScore, 0.0);  // dropped at once
    QCOMPARE(rig.State().FullMarks, 100.0);
    QCOMPARE(rig.Chengji(), QString());  // nothing written before "下一题"
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(rig.Color(QStringLiteral("p2p%1").arg(k)), ButtonFace());
}

void SingleChoiceTest::nextWritesTheScore() {
    ExamRig rig;
    rig.Start();
    rig.Click("RadioButton1");
    rig.Click("lblNext");
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    QVERIFY(rig.Text("mmoRequest")
                .startsWith(QStringLiteral("第2题 :  计算机的中央处理器（CPU）主要由哪两部分")));
    QCOMPARE(rig.Text("LabAX2"), QStringLiteral("运算器和控制器"));
    QCOMPARE(rig.Color("Panel2"), kLime);
    QCOMPARE(rig.Color("Panel1"), kLime);  // stays lime after moving on
    QCOMPARE(rig.ScrollOf(1), 25);
    rig.Click("RadioButton2");
    rig.Click("lblNext");
    QCOMPARE(rig.Chengji(), QStringLiteral("2"));
    QCOMPARE(rig.ScrollOf(1), 50);
    rig.Click("lblPre");
    QCOMPARE(rig.ScrollOf(1), 25);
    rig.Click("RadioButton1");  // wrong for question 2: the database keeps 2 until "下一题"
    QCOMPARE(rig.Chengji(), QStringLiteral("2"));
    // Another candidate's row is not touched.
    QCOMPARE(rig.dir.Scalar("select count(*) from Userxinxi where Chengji is not null"),
             QStringLiteral("1"));
}

void SingleChoiceTest::shownAgainRestoresThePick() {
    ExamRig rig;
    rig.Start();
    rig.Click("Panel3");
    rig.Click("RadioButton3");
    QCOMPARE(rig.State().SingleEarned[3], 1.0);
    rig.Click("lblNext");  // question 4, never answered: all four clear
    for (const char* radio : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4"})
        QVERIFY(!rig.Checked(radio));
    rig.Click("lblPre");
    QVERIFY(rig.Checked("RadioButton3"));
    QVERIFY(!rig.Checked("RadioButton1"));
    QCOMPARE(rig.Color("p3p3"), kBlue);
    QCOMPARE(rig.State().SingleEarned[3], 1.0);
    rig.Click("Panel4");
    rig.Click("Panel3");
    QVERIFY(rig.Checked("RadioButton3"));
    QCOMPARE(rig.State().AchievedScore, 1.0);
}

void SingleChoiceTest::markIsLostWhenShownAgain() {
    ExamRig rig;
    rig.Start();
    rig.Click("Panel5");
    rig.Click("lblMarkTest");
    QCOMPARE(rig.Color("Panel5"), kRed);
    rig.Click("lblNext");
    QCOMPARE(rig.Color("Panel5"), kRed);
    QCOMPARE(rig.Color("Panel6"), kLime);
    rig.Click("Panel5");
    QCOMPARE(rig.Color("Panel5"), kLime);
    rig.Click("lblMarkTest");
    rig.Click("lblNext");
    rig.Click("lblPre");  // shown again by "上一题"
    QCOMPARE(rig.Color("Panel5"), kLime);
    QCOMPARE(rig.Chengji(), QStringLiteral("0"));  // marking writes nothing of its own
}

void SingleChoiceTest::keysThatAreNotOneCapitalNeverScore_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("lower case") << QStringLiteral("a");
    QTest::newRow("trailing blank") << QStringLiteral("A ");
    QTest::newRow("two letters") << QStringLiteral("AB");
    QTest::newRow("full-width letter") << QStringLiteral("Ａ");
}

void SingleChoiceTest::keysThatAreNotOneCapitalNeverScore() {
    QFETCH(QString, key);
    ExamRig rig;
    rig.dir.Sql(QStringLiteral("update Test set DDx = '%1' where TestID = 1;").arg(key));
    rig.Start();
    for (const char* radio : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4"}) {
        rig.Click(radio);
        QCOMPARE(rig.State().SingleEarned[1], 0.0);
    }
    QCOMPARE(rig.State().AchievedScore, 0.0);
}

void SingleChoiceTest::previousOnTheFirstQuestion() {
    ExamRig rig;
    rig.Start();
    rig.Click("lblPre");
    QVERIFY(rig.Text("mmoRequest").startsWith(QStringLiteral("第1题")));
    QCOMPARE(rig.ScrollOf(1), 0);
    QCOMPARE(rig.Chengji(), QString());  // "上一题" writes nothing
    QVERIFY(rig.prompts.shown.isEmpty());
}

void SingleChoiceTest::nextOnTheLastQuestion() {
    ExamRig rig;
    rig.Start();
    rig.Click("Panel50");
    rig.Click("RadioButton2");
    const int bottom = rig.ScrollOf(1);
    rig.Click("lblNext");
    QVERIFY(rig.Text("mmoRequest").startsWith(QStringLiteral("第50题")));
    QVERIFY(rig.Shown("GroupBox1") && !rig.Shown("GroupBox2"));  // no move into the next section
    QCOMPARE(rig.Chengji(), QString::number(rig.State().SingleEarned[50]));
    QCOMPARE(rig.ScrollOf(1), qMin(bottom + 25, 1250 - rig.Find("ScrollBox1")->height() + 2));
    QVERIFY(rig.ScrollOf(1) >= bottom);
}

void SingleChoiceTest::questionsPastFifty() {
    ExamRig rig;
    rig.dir.Sql(
        "insert into Test values (51, '第五十一问', 'a', 'b', 'c', 'd', 'B', '5');"
        "insert into Test values (52, '第五十二问', 'a', 'b', 'c', 'd', 'B', '5');");
    rig.Start();
    QCOMPARE(rig.State().SingleCount, 52);
    QCOMPARE(rig.State().FullMarks, 100.0);  // no slot beyond 50
    rig.Click("Panel50");
    rig.Click("RadioButton1");
    const double earned50 = rig.State().SingleEarned[50];
    rig.Click("lblNext");
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第51题 :  第五十一问"));
    QVERIFY(rig.Checked("RadioButton1"));  // keeps question 50's state
    rig.Click("RadioButton2");             // the right answer, but no slot to score in
    QCOMPARE(rig.Color("p50p1"), kBlue);
    QCOMPARE(rig.Color("p50p2"), ButtonFace());
    QCOMPARE(rig.State().SingleEarned[50], earned50);
    QCOMPARE(rig.State().AchievedScore, earned50);
    rig.Click("lblMarkTest");
    QCOMPARE(rig.Color("Panel50"), kLime);
    rig.Click("lblNext");
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第52题 :  第五十二问"));
    rig.Click("lblNext");
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第52题 :  第五十二问"));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void SingleChoiceTest::gapInTheBank() {
    ExamRig rig;
    // Past the set-up's 50 questions a gap is met only by paging.
    rig.dir.Sql(
        "insert into Test values (51, '第五十一问', 'a', 'b', 'c', 'd', 'B', '5');"
        "insert into Test values (53, '第五十三问', 'a', 'b', 'c', 'd', 'B', '5');");
    rig.Start();
    QVERIFY(rig.prompts.shown.isEmpty());
    rig.Click("Panel50");
    rig.Click("lblNext");
    const int scrolled = rig.ScrollOf(1);
    QCOMPARE(rig.Chengji(), QStringLiteral("0"));
    rig.dir.Sql("update Userxinxi set Chengji = NULL;");
    rig.Click("lblNext");
    QCOMPARE(rig.prompts.Errors(),
             QStringList{QStringLiteral("Field TestID Not found. Empty dataset")});
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第51题 :  第五十一问"));  // kept
    QCOMPARE(rig.Chengji(), QString());  // the rest of "下一题" was skipped
    QCOMPARE(rig.ScrollOf(1), scrolled);
    rig.Click("lblNext");  // moves on from the number already taken
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第53题 :  第五十三问"));
}

QTEST_MAIN(SingleChoiceTest)
#include "test_single_choice.moc"
