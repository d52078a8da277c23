// The exam window's set-up, clock, hand-in and window-wide services.
#include "ExamRig.h"

#include "exam/ObjectiveSection.h"
#include "ui_common/Colors.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>

namespace {

const QString kFirstQuestion =
    QStringLiteral("第1题 :  通常认为世界上第一台电子计算机ENIAC诞生于哪一年？");

// A window that records what reaches it.
class Recorder : public QWidget {
  public:
    int leftPresses = 0, rightPresses = 0, menus = 0;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        (event->button() == Qt::RightButton ? rightPresses : leftPresses)++;
    }
    void contextMenuEvent(QContextMenuEvent*) override { ++menus; }
};

}  // namespace

class ExamPaperTest : public QObject {
    Q_OBJECT
  private slots:
    void startShowsFirstQuestionOfEachObjectiveSection();
    void countsComeFromTheBanks();
    void singleChoiceCountIsTheLastTestId();
    void examStartRecountsSingleChoice();
    void emptyMultipleChoiceBankStopsTheExamStart();
    void pointsWithADecimalPoint();
    void contentIsCentredOnTheScreen_data();
    void contentIsCentredOnTheScreen();
    void sectionButtonsSwitchBoxes();

    void clockRunsFromTheExamStart();
    void timeOutOnTheNinetiethTick();
    void failedTimeOutSaveIsRetried();
    void durationThatIsNoTimeIsReportedOnce();
    void handInAsksWithTheTimeLeft();
    void handInSavesBeforeCongratulating();
    void handInWithFailedSaveGoesOn();
    void emptyCandidateNumberFails();
    void closeAndEscDoNotEndTheExam();

    void rightButtonDoesNothingInAnyWindow();
    void inputMethodMenu();
    void emptyInputMethodMenu();
    void hoverColours();
};

void ExamPaperTest::startShowsFirstQuestionOfEachObjectiveSection() {
    ExamRig rig;
    rig.Start();
    QVERIFY(rig.prompts.shown.isEmpty());
    QVERIFY(rig.Shown("GroupBox1"));
    QVERIFY(!rig.Shown("GroupBox2") && !rig.Shown("GroupBox3") && !rig.Shown("GroupBox4"));
    QVERIFY(!rig.Shown("BBn"));
    QCOMPARE(rig.Text("mmoRequest"), kFirstQuestion);
    QCOMPARE(rig.Text("LabAX1"), QStringLiteral("1946年"));
    QCOMPARE(rig.Text("LabAX4"), QStringLiteral("1964年"));
    for (const char* radio : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4"})
        QVERIFY(!rig.Checked(radio));
    QCOMPARE(rig.Text("mmoRequest2"), QStringLiteral("第1题 :  下列属于计算机外存储器的有？"));
    QCOMPARE(rig.Text("LabAX42"), QStringLiteral("光盘"));
    QCOMPARE(rig.Text("mmoRequest3"),
             QStringLiteral("第1题 :  计算机断电后，内存（RAM）中的数据会全部丢失。"));
    QVERIFY(!rig.Checked("RadioButton13") && !rig.Checked("RadioButton23"));
    QCOMPARE(rig.Text("MemoRQ"), QString());  // the subjective section loads when first shown
    QCOMPARE(rig.Color("Panel1"), kLime);
    QCOMPARE(rig.Color("Panel151"), kLime);
    QCOMPARE(rig.Color("Panel201"), kLime);
    QCOMPARE(rig.Color("Panel2"), kLightSkyBlue);
    QCOMPARE(rig.Color("Panel251"), kLightSkyBlue);
    QCOMPARE(rig.Color("p1p1"), ButtonFace());
    QCOMPARE(rig.Text("Lbelks4"), QStringLiteral("110101"));
    QCOMPARE(rig.Text("Lbelks5"), QStringLiteral("张三"));
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("01:10:00"));
    QCOMPARE(rig.State().CandidateNo, QStringLiteral("110101"));
    QCOMPARE(rig.State().CurrentNoText, QStringLiteral("1"));  // true/false question 1, loaded last
    // Full marks are known from the start: 50 × 1 + 10 × 3 + 20 × 1.
    QCOMPARE(rig.State().FullMarks, 100.0);
    QCOMPARE(rig.State().AchievedScore, 0.0);
}

void ExamPaperTest::countsComeFromTheBanks() {
    ExamRig rig;
    // 25 multiple-choice rows: 20 get a grid row; a true/false bank of 7; no subjective bank rows.
    for (int n = 11; n <= 25; ++n)
        rig.dir.Sql(QStringLiteral("insert into KaoShi2 values (%1, 'q%1', 'a', 'b', 'c', 'd', "
                                   "'A', '2')")
                        .arg(n));
    rig.dir.Sql("delete from KaoShi3 where TestID > 7; delete from KaoShi4;");
    rig.Start();
    const ExamState& state = rig.State();
    QCOMPARE(state.SingleCount, 50);
    QCOMPARE(state.MultiCount, 25);
    QCOMPARE(state.TrueFalseCount, 7);
    QCOMPARE(state.SubjectiveCount, 0);
    QCOMPARE(state.MultiScore[20], 2.0);
    QVERIFY(rig.Shown("Panel50") && rig.Shown("Panel170") && rig.Shown("Panel207"));
    QVERIFY(!rig.Shown("Panel208") && !rig.Shown("Panel220") && !rig.Shown("Panel251"));
    QVERIFY(rig.Shown("c8c1"));  // cells stay, unanswerable
    QCOMPARE(state.TrueFalseScore[8], 0.0);
    QCOMPARE(state.FullMarks, 50 + 10 * 3 + 10 * 2 + 7.0);
}

void ExamPaperTest::singleChoiceCountIsTheLastTestId() {
    ExamRig rig;
    // All 50 rows come back, the one with TestID 12 last.
    rig.dir.Sql(
        "drop view KaoShi; create view KaoShi as select TestID, Request, Axx, Bxx, Cxx, "
        "Dxx, DDx, Score from Test order by TestID = 12;");
    rig.Start();
    QCOMPARE(rig.State().SingleCount, 12);
    QVERIFY(rig.Shown("Panel12"));
    QVERIFY(!rig.Shown("Panel13"));
    QCOMPARE(rig.State().SingleScore[13], 0.0);
    QCOMPARE(rig.State().FullMarks, 12 + 30 + 20.0);
}

void ExamPaperTest::examStartRecountsSingleChoice() {
    ExamRig rig;
    rig.Create();
    // The back office takes ten questions out before the candidate begins.
    rig.dir.Sql("delete from Test where TestID > 40;");
    rig.Start();
    QCOMPARE(rig.State().SingleCount, 40);
    QVERIFY(rig.Shown("Panel40"));
    QVERIFY(!rig.Shown("Panel41"));
    // Their points no longer count.
    QCOMPARE(rig.State().SingleScore[41], 0.0);
    QCOMPARE(rig.State().FullMarks, 90.0);
}

void ExamPaperTest::emptyMultipleChoiceBankStopsTheExamStart() {
    ExamRig rig;
    rig.dir.Sql("delete from KaoShi2;");
    rig.Start();
    QCOMPARE(rig.prompts.Errors().size(), 1);
    QVERIFY(rig.prompts.Errors().first().contains(QStringLiteral("TestID")));
    QCOMPARE(rig.Text("mmoRequest"), kFirstQuestion);
    QCOMPARE(rig.Text("mmoRequest3"), QString());  // never reached
    // The candidate is known, so the exam can still be handed in.
    rig.Click("lblEndTest");
    QCOMPARE(rig.Chengji(), QStringLiteral("0"));
    QVERIFY(TerminateRequested());
}

void ExamPaperTest::pointsWithADecimalPoint() {
    ExamRig rig;
    rig.dir.Sql("update Test set Score = '2.5' where TestID = 1;");
    rig.Start();
    QCOMPARE(rig.State().SingleScore[1], 2.5);
    rig.Click("RadioButton1");
    QCOMPARE(rig.State().AchievedScore, 2.5);
    rig.Click("lblNext");
    QCOMPARE(rig.Chengji(), QStringLiteral("2.5"));
}

void ExamPaperTest::contentIsCentredOnTheScreen_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("1024x768") << QSize(1024, 768) << QPoint(112, 34);
    QTest::newRow("1366x768") << QSize(1366, 768) << QPoint(283, 34);
    QTest::newRow("1025x769") << QSize(1025, 769) << QPoint(112, 34);
    QTest::newRow("smaller than the content") << QSize(640, 480) << QPoint(-80, -110);
}

void ExamPaperTest::contentIsCentredOnTheScreen() {
    QFETCH(QSize, screen);
    QFETCH(QPoint, topLeft);
    ExamRig rig;
    rig.platform.screen = screen;
    rig.Start();
    QCOMPARE(rig.Find("zz1")->pos(), topLeft);
    QCOMPARE(rig.Find("zz1")->size(), QSize(810, 600));
    QCOMPARE(rig.Window().size(), screen);
}

void ExamPaperTest::sectionButtonsSwitchBoxes() {
    ExamRig rig;
    rig.Start();
    rig.Click("LabBt2");
    QVERIFY(rig.Shown("GroupBox2"));
    QVERIFY(!rig.Shown("GroupBox1") && !rig.Shown("GroupBox3") && !rig.Shown("GroupBox4"));
    QCOMPARE(rig.Text("mmoRequest2"), QStringLiteral("第1题 :  下列属于计算机外存储器的有？"));
    rig.Click("LabBt4");
    QVERIFY(rig.Shown("GroupBox4") && !rig.Shown("GroupBox2"));
    QCOMPARE(rig.Text("MemoRQ"),
             QStringLiteral("第1题 :  计算机硬件系统由哪五大部分组成？请简述各部分的主要作用。"));
    QCOMPARE(rig.Color("Panel251"), kLime);
    rig.Click("LabBt3");
    QVERIFY(rig.Shown("GroupBox3") && !rig.Shown("GroupBox4"));
    // A single-choice number panel brings its section back with that question.
    rig.Click("Panel7");
    QVERIFY(rig.Shown("GroupBox1") && !rig.Shown("GroupBox3"));
    QVERIFY(rig.Text("mmoRequest").startsWith(QStringLiteral("第7题 :  ")));
    QCOMPARE(rig.Find<QGroupBox>("GroupBox4")->title(), QStringLiteral("四、客观题"));
    QCOMPARE(rig.Text("LabBt4"), QStringLiteral("四、主观题"));
}

void ExamPaperTest::clockRunsFromTheExamStart() {
    ExamRig rig;
    rig.Create();
    auto* timer = rig.Find<QTimer>("Timer1");
    QVERIFY(!timer->isActive());  // no time passes while the candidate signs in
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("01:10:00"));
    rig.Start();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QCOMPARE(rig.Find<QProgressBar>("pb1")->maximum(), 4200);
    QCOMPARE(rig.Find<QProgressBar>("pb1")->value(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Text("lblTestTime"), QStringLiteral("01:09:59"), 3000);
    QCOMPARE(rig.Find<QProgressBar>("pb1")->value(), 1);
}

void ExamPaperTest::timeOutOnTheNinetiethTick() {
    ExamRig rig;
    rig.dir.Sql("update Time set TimeN = '00:01:30';");
    rig.Start();
    rig.StopClock();
    rig.Click("RadioButton1");
    rig.Window().Timer1Timer();
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:01:29"));
    for (int tick = 2; tick <= 89; ++tick)
        rig.Window().Timer1Timer();
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:00:01"));
    QVERIFY(rig.Window().isVisible());
    QCOMPARE(rig.Chengji(), QString());
    rig.Window().Timer1Timer();
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:00:00"));
    QCOMPARE(rig.Find<QProgressBar>("pb1")->value(), 90);
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    QVERIFY(!rig.Window().isVisible());
    QCOMPARE(rig.mainWindowShown, 1);
    QVERIFY(!rig.Find<QTimer>("Timer1")->isActive());
    QVERIFY(rig.prompts.shown.isEmpty());  // no message at a time-out
    QVERIFY(!TerminateRequested());
}

void ExamPaperTest::failedTimeOutSaveIsRetried() {
    ExamRig rig;
    rig.dir.Sql("update Time set TimeN = '00:00:02';");
    rig.Start();
    rig.StopClock();
    rig.Click("RadioButton1");
    rig.LockCandidates();
    for (int tick = 1; tick <= 5; ++tick)
        rig.Window().Timer1Timer();
    QCOMPARE(rig.prompts.Errors().size(), 1);  // shown once, not once a second
    QVERIFY(rig.prompts.Errors().first().contains(QStringLiteral("database is locked")));
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:00:00"));  // the countdown stays at zero
    QVERIFY(rig.Window().isVisible());
    QCOMPARE(rig.mainWindowShown, 0);
    rig.Unlock();
    rig.Window().Timer1Timer();
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    QVERIFY(!rig.Window().isVisible());
    QCOMPARE(rig.mainWindowShown, 1);
    QCOMPARE(rig.prompts.Errors().size(), 1);
}

void ExamPaperTest::durationThatIsNoTimeIsReportedOnce() {
    ExamRig rig;
    rig.dir.Sql("update Time set TimeN = '70 分钟';");
    rig.Start();
    QCOMPARE(rig.prompts.Errors(), QStringList{QStringLiteral("'70 分钟' is not a valid time")});
    QVERIFY(!rig.Find<QTimer>("Timer1")->isActive());
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("70 分钟"));
    // The rest of the exam start ran: the paper is there and the exam can be handed in.
    QCOMPARE(rig.Text("mmoRequest3").left(5), QStringLiteral("第1题 :"));
    rig.Click("lblEndTest");
    QVERIFY(TerminateRequested());
    QCOMPARE(rig.prompts.Errors().size(), 1);
}

void ExamPaperTest::handInAsksWithTheTimeLeft() {
    ExamRig rig;
    rig.Start();
    rig.StopClock();
    rig.Window().Timer1Timer();
    rig.prompts.confirmAnswers.enqueue(false);
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].caption, QStringLiteral("提示"));
    QCOMPARE(rig.prompts.shown[0].text,
             QStringLiteral("您好，确定要结束考试吗?\r你还剩：01:09:59时间。"));
    // Cancelled: nothing saved, the exam goes on.
    QCOMPARE(rig.Chengji(), QString());
    QVERIFY(!TerminateRequested());
    QVERIFY(rig.Window().isVisible());
}

void ExamPaperTest::handInSavesBeforeCongratulating() {
    ExamRig rig;
    rig.Start();
    rig.Click("RadioButton2");  // wrong
    rig.Click("RadioButton1");  // right after all: the latest answer counts
    rig.Click("LabBt2");
    rig.Click("CheckBox1");
    rig.Click("CheckBox2");
    rig.Click("CheckBox4");  // ABD, 3 points
    QString savedWhenAnnounced;
    rig.prompts.onShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.kind == ScriptedPrompts::Kind::Message) savedWhenAnnounced = rig.Chengji();
    };
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.Messages(), QStringList{QStringLiteral("总分为100分恭喜您考了4分!再见")});
    QCOMPARE(savedWhenAnnounced, QStringLiteral("4"));
    QVERIFY(TerminateRequested());
}

void ExamPaperTest::handInWithFailedSaveGoesOn() {
    ExamRig rig;
    rig.Start();
    rig.Click("RadioButton1");
    rig.LockCandidates();
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.Errors().size(), 1);
    QVERIFY(rig.prompts.Messages().isEmpty());  // no congratulations for a score not stored
    QVERIFY(!TerminateRequested());
    rig.Unlock();
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.Messages(), QStringList{QStringLiteral("总分为100分恭喜您考了1分!再见")});
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
}

void ExamPaperTest::emptyCandidateNumberFails() {
    ExamRig rig;
    rig.numberBox.clear();
    rig.Start();
    rig.Click("RadioButton1");
    rig.Click("lblNext");
    QCOMPARE(rig.prompts.Errors().size(), 1);
    QVERIFY(rig.Text("mmoRequest").startsWith(QStringLiteral("第2题")));
    QCOMPARE(rig.ScrollOf(1), 0);  // the rest of "下一题" was skipped
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.Errors().size(), 2);
    QVERIFY(!TerminateRequested());
    QCOMPARE(rig.dir.Scalar("select count(*) from Userxinxi where Chengji is not null"),
             QStringLiteral("0"));
}

void ExamPaperTest::closeAndEscDoNotEndTheExam() {
    ExamRig rig;
    rig.Start();
    QVERIFY(!rig.Window().close());
    QVERIFY(rig.Window().isVisible());
    QTest::keyClick(&rig.Window(), Qt::Key_Escape);
    QTest::keyClick(rig.Find("MeRequest"), Qt::Key_Escape);
    QVERIFY(rig.Window().isVisible());
}

void ExamPaperTest::rightButtonDoesNothingInAnyWindow() {
    ExamRig rig;
    rig.Start();
    Recorder other;  // any other window of the program
    other.resize(200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    // Through the window system, where a right press also raises the context menu.
    QTest::mouseClick(other.windowHandle(), Qt::RightButton, {}, QPoint(50, 50));
    QTest::mouseDClick(other.windowHandle(), Qt::RightButton, {}, QPoint(50, 50));
    QCOMPARE(other.rightPresses, 0);
    QCOMPARE(other.menus, 0);
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(other.leftPresses, 1);

    // In the exam window the answer memo opens no menu.
    rig.Click("LabBt4");
    QWidget* answer = rig.Find("MeRequest");
    const QPoint at = answer->mapTo(&rig.Window(), answer->rect().center());
    QTest::mouseClick(rig.Window().windowHandle(), Qt::RightButton, {}, at);
    QVERIFY(!QApplication::activePopupWidget());
    QWidget* page = rig.Find<QPlainTextEdit>("MeRequest")->viewport();
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), page->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(page, &menu);
    QVERIFY(!QApplication::activePopupWidget());
}

void ExamPaperTest::inputMethodMenu() {
    ExamRig rig;
    rig.platform.inputMethods = {QStringLiteral("键盘 - 汉语"), QStringLiteral("拼音"),
                                 QStringLiteral("五笔")};
    rig.platform.cursor = QPoint(300, 200);
    rig.Start();
    auto* menu = rig.Find<QMenu>("PopupMenu1");
    QCOMPARE(menu->actions().size(), 3);
    QCOMPARE(menu->actions()[1]->text(), QStringLiteral("拼音"));
    QCOMPARE(menu->actions()[2]->data().toInt(), 2);
    rig.Click("Label1");
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), QPoint(300, 200));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[2]).center());
    QCOMPARE(rig.platform.activated, QList<int>{2});
    QVERIFY(!menu->isVisible());
}

void ExamPaperTest::emptyInputMethodMenu() {
    ExamRig rig;
    rig.Start();
    auto* menu = rig.Find<QMenu>("PopupMenu1");
    QVERIFY(menu->actions().isEmpty());
    rig.Click("Label1");
    menu->close();
    QVERIFY(rig.platform.activated.isEmpty());
}

void ExamPaperTest::hoverColours() {
    ExamRig rig;
    rig.Start();
    const auto enter = [&](const char* name) {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(rig.Find(name), &event);
    };
    const auto leave = [&](const char* name) {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(rig.Find(name), &event);
    };
    for (const char* name : {"lblPre", "lblNext", "lblMarkTest", "lblEndTest", "Label1"}) {
        QCOMPARE(rig.Color(name), kLightSkyBlue);
        enter(name);
        QCOMPARE(rig.Color(name), kSkyBlue);
        leave(name);
        QCOMPARE(rig.Color(name), kWhite);  // not back to light sky blue
    }
    // The other sections' buttons keep their colour.
    for (const char* name : {"Labddh", "Labddq3", "Labee4"}) {
        enter(name);
        leave(name);
        QCOMPARE(rig.Color(name), kLightSkyBlue);
    }
}

QTEST_MAIN(ExamPaperTest)
#include "test_exam_paper.moc"
