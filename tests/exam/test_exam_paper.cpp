// The exam window's set-up, clock, hand-in and window-wide services.
#include "ExamRig.h"

#include "ui_common/Colors.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>

namespace {

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

QProgressBar* Bar(const ExamRig& rig) {
    return rig.Find<QProgressBar>("pb1");
}

// One second of the countdown: the steady clock moves and the timer fires.
void Tick(ExamRig& rig) {
    rig.platform.steadyMs += 1000;
    rig.Window().Timer1Timer();
}

}  // namespace

class ExamPaperTest : public QObject {
    Q_OBJECT
  private slots:
    void startShowsFirstQuestionOfEachObjectiveSection();
    void countsComeFromTheBanks();
    void controlsBuiltBeforeOrAfterTheCreationStepAgree();
    void examStartRecountsSingleChoice();
    void emptyMultipleChoiceBankStopsTheExamStart();
    void contentIsCentredOnTheScreen_data();
    void contentIsCentredOnTheScreen();
    void sectionButtonsSwitchBoxes();

    void clockRunsFromTheExamStart();
    void timeOutOnTheNinetiethTick();
    void timeOutDuringAnOutageEndsTheExam();
    void durationThatIsNoTimeIsReportedOnce_data();
    void durationThatIsNoTimeIsReportedOnce();
    void handIn();
    void handInDuringAnOutageShowsTheScore();
    void emptyCandidateNumberFails();
    void closeAndEscDoNotEndTheExam();

    void rightButtonDoesNothingInAnyWindow();
    void inputMethodMenu();
    void hoverColours();
};

void ExamPaperTest::startShowsFirstQuestionOfEachObjectiveSection() {
    ExamRig rig;
    rig.Start();
    QVERIFY(rig.prompts.shown.isEmpty());
    QVERIFY(rig.Shown("GroupBox1") && !rig.Shown("GroupBox2") && !rig.Shown("GroupBox4"));
    QVERIFY(!rig.Shown("BBn"));
    QCOMPARE(rig.Text("mmoRequest"),
             QStringLiteral("第1题 :  通常认为世界上第一台电子计算机ENIAC诞生于哪一年？"));
    QCOMPARE(rig.Text("LabAX4"), QStringLiteral("1964年"));
    QVERIFY(!rig.Checked("RadioButton1"));
    QCOMPARE(rig.Text("mmoRequest2"), QStringLiteral("第1题 :  下列属于计算机外存储器的有？"));
    QCOMPARE(rig.Text("LabAX42"), QStringLiteral("光盘"));
    QCOMPARE(rig.Text("mmoRequest3"),
             QStringLiteral("第1题 :  计算机断电后，内存（RAM）中的数据会全部丢失。"));
    QCOMPARE(rig.Text("MemoRQ"), QString());  // loaded when the section is first shown
    QCOMPARE(rig.Color("Panel1"), kLime);
    QCOMPARE(rig.Color("Panel151"), kLime);
    QCOMPARE(rig.Color("Panel201"), kLime);
    QCOMPARE(rig.Color("Panel2"), kLightSkyBlue);
    QCOMPARE(rig.Color("p1p1"), ButtonFace());
    QCOMPARE(rig.Text("Lbelks4") + rig.Text("Lbelks5"), QStringLiteral("110101张三"));
    QCOMPARE(rig.State().CandidateNo, QStringLiteral("110101"));
    QCOMPARE(rig.State().CurrentNoText, QStringLiteral("1"));
    // Full marks are known before any answer: 50 × 1 + 10 × 3 + 20 × 1.
    QCOMPARE(rig.State().FullMarks, 100.0);
}

void ExamPaperTest::countsComeFromTheBanks() {
    ExamRig rig;
    // All 50 single-choice rows come back, TestID 12 last; 25 multiple-choice rows; 7 true/false;
    // no subjective questions; a point and a half.
    rig.dir.Sql(
        "drop view KaoShi; create view KaoShi as select TestID, Request, Axx, Bxx, Cxx, "
        "Dxx, DDx, Score from Test order by TestID = 12;"
        "update Test set Score = '1.5' where TestID = 2;"
        "delete from KaoShi3 where TestID > 7; delete from KaoShi4;");
    for (int n = 11; n <= 25; ++n)
        rig.dir.Sql(QStringLiteral("insert into KaoShi2 values (%1, 'q', 'a', 'b', 'c', 'd', 'A', "
                                   "'2');")
                        .arg(n));
    rig.Start();
    const ExamState& state = rig.State();
    QCOMPARE(state.SingleCount, 12);
    QCOMPARE(state.MultiCount, 25);
    QCOMPARE(state.TrueFalseCount, 7);
    QCOMPARE(state.SubjectiveCount, 0);
    QCOMPARE(state.SingleScore[2], 1.5);
    QVERIFY(rig.Shown("Panel12") && rig.Shown("Panel170") && rig.Shown("Panel207"));
    QVERIFY(!rig.Shown("Panel13") && !rig.Shown("Panel208") && !rig.Shown("Panel251"));
    QVERIFY(rig.Shown("c8c1"));  // the cells stay
    QCOMPARE(state.FullMarks, 12.5 + 10 * 3 + 10 * 2 + 7);
}

// The window's controls may be built after its creation step read the paper (start-up) or before
// it (a caller reaching into them early): either way they show the same paper.
void ExamPaperTest::controlsBuiltBeforeOrAfterTheCreationStepAgree() {
    ExamRig rig;
    rig.dir.Sql(
        "delete from Test where TestID > 30; delete from KaoShi2 where TestID > 4;"
        "delete from KaoShi3 where TestID > 7; delete from KaoShi4 where TestID > 2;");
    ExamWindow& after = rig.Create();
    ExamWindow before(rig.prompts, rig.platform, rig.context, false);
    before.EnsureBuilt();
    RunGuarded([&] { before.FormCreate(); });
    QVERIFY(rig.prompts.Errors().isEmpty());
    after.EnsureBuilt();
    QStringList names{QStringLiteral("lblTestTime"), QStringLiteral("zz1")};
    for (int n = 1; n <= 50; ++n)
        names << QStringLiteral("Panel%1").arg(n);
    for (int n = 151; n <= 170; ++n)
        names << QStringLiteral("Panel%1").arg(n);
    for (int n = 201; n <= 220; ++n)
        names << QStringLiteral("Panel%1").arg(n);
    for (int n = 251; n <= 260; ++n)
        names << QStringLiteral("Panel%1").arg(n) << QStringLiteral("Lab%1").arg(n);
    for (const QString& name : names) {
        const QWidget* a = after.findChild<QWidget*>(name);
        const QWidget* b = before.findChild<QWidget*>(name);
        QVERIFY2(a && b, qPrintable(name));
        QCOMPARE(a->isVisibleTo(&after), b->isVisibleTo(&before));
        QCOMPARE(a->pos(), b->pos());
        QCOMPARE(TextIn(&after, name), TextIn(&before, name));
    }
    QVERIFY(rig.Shown("Panel30") && !rig.Shown("Panel31") && rig.Shown("Panel154") &&
            !rig.Shown("Panel155") && rig.Shown("Panel207") && rig.Shown("Panel252") &&
            !rig.Shown("Panel253"));
    QCOMPARE(rig.Text("Lab252"), rig.dir.Scalar("Select Request from KaoShi4 where TestID=2"));
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("01:10:00"));
}

void ExamPaperTest::examStartRecountsSingleChoice() {
    ExamRig rig;
    rig.Create();
    rig.dir.Sql("delete from Test where TestID > 40;");  // in the back office, before the exam
    rig.Start();
    QCOMPARE(rig.State().SingleCount, 40);
    QVERIFY(rig.Shown("Panel40") && !rig.Shown("Panel41"));
    QCOMPARE(rig.State().SingleScore[41], 0.0);  // their points no longer count
    QCOMPARE(rig.State().FullMarks, 90.0);
}

void ExamPaperTest::emptyMultipleChoiceBankStopsTheExamStart() {
    ExamRig rig;
    rig.dir.Sql("delete from KaoShi2;");
    rig.Start();
    QCOMPARE(rig.prompts.Errors(),
             QStringList{QStringLiteral("Field TestID Not found. Empty dataset")});
    QVERIFY(!rig.Text("mmoRequest").isEmpty());
    QCOMPARE(rig.Text("mmoRequest3"), QString());  // never reached
    rig.Click("lblEndTest");  // the candidate is known: the exam can be handed in
    QCOMPARE(rig.Chengji(), QStringLiteral("0"));
    QVERIFY(TerminateRequested());
}

void ExamPaperTest::contentIsCentredOnTheScreen_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("1024x768") << QSize(1024, 768) << QPoint(112, 34);
    QTest::newRow("1366x768") << QSize(1366, 768) << QPoint(283, 34);
    QTest::newRow("odd sizes") << QSize(1025, 769) << QPoint(112, 34);
    QTest::newRow("smaller than the content") << QSize(640, 480) << QPoint(-80, -110);
}

void ExamPaperTest::contentIsCentredOnTheScreen() {
    QFETCH(QSize, screen);
    QFETCH(QPoint, topLeft);
    ExamRig rig;
    rig.platform.screen = screen;
    rig.Start();
    QCOMPARE(rig.Find("zz1")->geometry(), QRect(topLeft, QSize(810, 600)));
    QCOMPARE(rig.Window().size(), screen);
}

void ExamPaperTest::sectionButtonsSwitchBoxes() {
    ExamRig rig;
    rig.Start();
    rig.Click("Panel3");
    rig.Click("LabBt2");
    QVERIFY(rig.Shown("GroupBox2") && !rig.Shown("GroupBox1") && !rig.Shown("GroupBox3"));
    QVERIFY(rig.Text("mmoRequest2").startsWith(QStringLiteral("第1题 :  ")));
    rig.Click("LabBt4");
    QVERIFY(rig.Shown("GroupBox4") && !rig.Shown("GroupBox2"));
    QCOMPARE(rig.Color("Panel251"), kLime);
    rig.Click("Panel7");  // a single-choice number panel brings its section back
    QVERIFY(rig.Shown("GroupBox1") && !rig.Shown("GroupBox4"));
    QVERIFY(rig.Text("mmoRequest").startsWith(QStringLiteral("第7题 :  ")));
    rig.Click("LabBt1");
    QVERIFY(rig.Text("mmoRequest").startsWith(QStringLiteral("第1题 :  ")));
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
    QCOMPARE(Bar(rig)->maximum(), 4200);
    QCOMPARE(Bar(rig)->value(), 0);
    rig.platform.steadyMs += 1000;  // the countdown follows the steady clock
    QTRY_COMPARE_WITH_TIMEOUT(rig.Text("lblTestTime"), QStringLiteral("01:09:59"), 3000);
    QCOMPARE(Bar(rig)->value(), 1);
}

void ExamPaperTest::timeOutOnTheNinetiethTick() {
    ExamRig rig;
    rig.dir.Sql("update Time set TimeN = '00:01:30';");
    rig.Start();
    rig.StopClock();
    rig.Click("RadioButton1");
    Tick(rig);
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:01:29"));
    for (int tick = 2; tick <= 89; ++tick)
        Tick(rig);
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:00:01"));
    QVERIFY(rig.Window().isVisible());
    QCOMPARE(rig.Chengji(), QString());
    Tick(rig);
    QCOMPARE(rig.Text("lblTestTime"), QStringLiteral("00:00:00"));
    QCOMPARE(Bar(rig)->value(), 90);
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    QVERIFY(!rig.Window().isVisible());
    QCOMPARE(rig.mainWindowShown, 1);
    QVERIFY(!rig.Find<QTimer>("Timer1")->isActive());
    QVERIFY(rig.prompts.shown.isEmpty());
    QVERIFY(!TerminateRequested());
}

void ExamPaperTest::timeOutDuringAnOutageEndsTheExam() {
    ExamRig rig;
    rig.dir.Sql("update Time set TimeN = '00:00:02';");
    rig.Start();
    rig.StopClock();
    rig.Click("RadioButton1");
    rig.LockCandidates();
    for (int tick = 1; tick <= 2; ++tick)
        Tick(rig);
    // The exam ends as usual; the score waits on this workstation and is shipped on return.
    QVERIFY(!rig.Window().isVisible());
    QCOMPARE(rig.mainWindowShown, 1);
    QCOMPARE(rig.Chengji(), QString());
    rig.Unlock();
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void ExamPaperTest::durationThatIsNoTimeIsReportedOnce_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("error");
    QTest::newRow("no time of day") << QStringLiteral("update Time set TimeN = '70 分钟';")
                                    << QStringLiteral("'70 分钟' is not a valid time");
    QTest::newRow("no duration") << QStringLiteral("delete from Time;")
                                 << QStringLiteral("Field TimeN Not found. Empty dataset");
}

void ExamPaperTest::durationThatIsNoTimeIsReportedOnce() {
    QFETCH(QString, change);
    QFETCH(QString, error);
    ExamRig rig;
    rig.Create();
    rig.dir.Sql(change);
    rig.Start();
    QCOMPARE(rig.prompts.Errors(), QStringList{error});
    QVERIFY(!rig.Find<QTimer>("Timer1")->isActive());
    // The rest of the exam start ran: the paper is there and can be handed in.
    QVERIFY(!rig.Text("mmoRequest3").isEmpty());
    rig.Click("lblEndTest");
    QCOMPARE(rig.Chengji(), QStringLiteral("0"));
    QVERIFY(TerminateRequested());
}

void ExamPaperTest::handIn() {
    ExamRig rig;
    rig.Start();
    rig.StopClock();
    Tick(rig);
    rig.Click("RadioButton1");
    rig.Click("LabBt2");
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox4"})
        rig.Click(box);  // ABD: 3 points
    rig.prompts.confirmAnswers.enqueue(false);
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.shown.size(), 1);
    QCOMPARE(rig.prompts.shown[0].caption, QStringLiteral("提示"));
    QCOMPARE(rig.prompts.shown[0].text,
             QStringLiteral("您好，确定要结束考试吗?\r你还剩：01:09:59时间。"));
    QCOMPARE(rig.Chengji(), QString());  // cancelled: the exam goes on
    QVERIFY(!TerminateRequested());

    QString savedWhenAnnounced;
    rig.prompts.onShown = [&](const ScriptedPrompts::Shown& shown) {
        if (shown.kind == ScriptedPrompts::Kind::Message) savedWhenAnnounced = rig.Chengji();
    };
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.Messages(), QStringList{QStringLiteral("总分为100分恭喜您考了4分!再见")});
    QCOMPARE(savedWhenAnnounced, QStringLiteral("4"));
    QVERIFY(TerminateRequested());
}

void ExamPaperTest::handInDuringAnOutageShowsTheScore() {
    ExamRig rig;
    rig.Start();
    rig.LockCandidates();
    rig.Click("lblEndTest");
    QCOMPARE(rig.prompts.Messages(), QStringList{QStringLiteral("总分为100分恭喜您考了0分!再见")});
    QVERIFY(TerminateRequested());
    QCOMPARE(rig.Chengji(), QString());
    rig.Unlock();
    QCOMPARE(rig.Chengji(), QStringLiteral("0"));
    QCOMPARE(rig.dir.Scalar("select Zhuangtai from Kaoshijilu"), QStringLiteral("1"));
}

void ExamPaperTest::emptyCandidateNumberFails() {
    ExamRig rig;
    rig.numberBox.clear();
    rig.Start();
    rig.Click("lblNext");
    QCOMPARE(rig.prompts.Errors().size(), 1);
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
    QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(50, 50));
    QCOMPARE(other.rightPresses, 0);
    QCOMPARE(other.menus, 0);
    QCOMPARE(other.leftPresses, 1);
    // The answer memo of the exam window opens no menu, whoever raises it.
    rig.Click("LabBt4");
    QWidget* page = rig.Find<QPlainTextEdit>("MeRequest")->viewport();
    QTest::mouseClick(rig.Window().windowHandle(), Qt::RightButton, {},
                      page->mapTo(&rig.Window(), page->rect().center()));
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
    rig.Click("Label1");
    QCOMPARE(menu->pos(), QPoint(300, 200));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions()[2]).center());
    QCOMPARE(rig.platform.activated, QList<int>{2});

    ExamRig none;  // no input-method framework: an empty menu
    none.Start();
    QVERIFY(none.Find<QMenu>("PopupMenu1")->actions().isEmpty());
}

void ExamPaperTest::hoverColours() {
    ExamRig rig;
    rig.Start();
    const auto pass = [&](const char* name) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(rig.Find(name), &enter);
        const QColor under = rig.Color(name);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(rig.Find(name), &leave);
        return std::make_pair(under, rig.Color(name));
    };
    for (const char* name : {"lblPre", "lblNext", "lblMarkTest", "lblEndTest", "Label1"}) {
        QCOMPARE(rig.Color(name), kLightSkyBlue);
        QCOMPARE(pass(name), std::make_pair(kSkyBlue, kWhite));  // white, not light sky blue
    }
    for (const char* name : {"Labddh", "Labddq3", "Labee4", "LabBt1"})
        QCOMPARE(pass(name), std::make_pair(kLightSkyBlue, kLightSkyBlue));
}

QTEST_MAIN(ExamPaperTest)
#include "test_exam_paper.moc"
