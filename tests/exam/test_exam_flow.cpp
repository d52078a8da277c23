// The exam through the real start-up flow: the six windows created against the delivered
// database, the candidate signing in, taking the exam and leaving it by hand-in or time-out.
#include "ExamRig.h"

#include <QScopeGuard>
#include "shell/CandidateSignIn.h"
#include "shell/MainWindow.h"
#include "shell/Startup.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <functional>

namespace {

// Runs `step` once the modal window named `name` is the active one (each exec() starts later than
// the step before it returns).
void WhenModal(const QString& name, std::function<void(QWidget*)> step, int tries = 500) {
    QTimer::singleShot(10, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == name && modal->isVisible())
            step(modal);
        else if (tries > 0)
            WhenModal(name, step, tries - 1);
        else
            RequestTerminate();  // never came: end the flow, the checks after it fail
    });
}

// What the window system sends for the keyboard's Menu key (and, on some desktops, Shift+F10): a
// keyboard context-menu request to the window whose focus is in `box`. The context menus that
// open, each closed again at once.
int KeyboardMenusIn(QWidget* box) {
    box->activateWindow();
    box->setFocus();
    const QPoint centre = box->rect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, box->mapTo(box->window(), centre),
                              box->mapToGlobal(centre));
    QCoreApplication::sendEvent(box->window()->windowHandle(), &request);
    QCoreApplication::processEvents();
    int opened = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("QMenu") && window->isVisible()) {
            ++opened;
            window->close();
        }
    }
    return opened;
}

}  // namespace

class ExamFlowTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { ResetTermination(); }
    void signInTakeTheExamAndHandIn();
    void timeOutShowsTheMainWindow();
    void examThatCannotStartReturnsToTheSignIn();
};

void ExamFlowTest::signInTakeTheExamAndHandIn() {
    TestWorkdir dir;
    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    FakePlatform platform;
    Program program(prompts, platform, false);
    // The exam's writer works on its own thread: reads of the test wait for it.
    TestWorkdir::beforeAccess = [&program] { program.Windows().exam->Recorder().Drain(10000); };
    const auto unhook = qScopeGuard([] { TestWorkdir::beforeAccess = nullptr; });

    int rightClicksSeen = 0, keyboardMenusSeen = 0;
    QString firstCaption, timeLeftAsked;
    QString scoreAfterNext, answerShownAgain;
    bool mainVisibleDuringExam = true;
    const QString answer1 = QStringLiteral(
        "运算器、控制器、存储器、输入设备和输出设备。\n"
        "运算器负责运算；控制器负责控制。");
    const QString answer2 = QStringLiteral("相对引用如 A1，复制后会变；绝对引用如 $A$1。");

    WhenModal("CandidateSignIn", [&](QWidget* signIn) {
        // The right button does nothing here either.
        auto* number = signIn->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        QTest::mouseClick(signIn->windowHandle(), Qt::RightButton, {},
                          number->mapTo(signIn, number->rect().center()));
        if (QApplication::activePopupWidget()) ++rightClicksSeen;
        // Nor does the keyboard's way to a context menu.
        keyboardMenusSeen +=
            KeyboardMenusIn(signIn->findChild<QLineEdit*>(QStringLiteral("Edit2")));
        keyboardMenusSeen += KeyboardMenusIn(number);
        QTest::keyClicks(number, QStringLiteral("110101"));
        TypeInto(signIn->findChild<QLineEdit*>(QStringLiteral("Edit2")), QStringLiteral("张三"));
        WhenModal("ExamWindow", [&](QWidget* exam) {
            mainVisibleDuringExam = program.Windows().main->isVisible();
            firstCaption = TextIn(exam, QStringLiteral("mmoRequest"));
            // Single choice: question 1 right (A), question 2 wrong (A; key B).
            ClickIn(exam, QStringLiteral("RadioButton1"));
            ClickIn(exam, QStringLiteral("lblNext"));
            scoreAfterNext = dir.Scalar("select Chengji from Userxinxi where Xuehao = '110101'");
            ClickIn(exam, QStringLiteral("RadioButton1"));
            // Multiple choice question 2 (AC, 3 points): ticked C then A.
            ClickIn(exam, QStringLiteral("LabBt2"));
            ClickIn(exam, QStringLiteral("Panel152"));
            ClickIn(exam, QStringLiteral("CheckBox3"));
            ClickIn(exam, QStringLiteral("CheckBox1"));
            // True/false question 2 (错): right.
            ClickIn(exam, QStringLiteral("LabBt3"));
            ClickIn(exam, QStringLiteral("Labddh3"));
            ClickIn(exam, QStringLiteral("RadioButton23"));
            // Subjective: two answers saved, the first read back after moving away.
            ClickIn(exam, QStringLiteral("LabBt4"));
            auto* memo = exam->findChild<QPlainTextEdit*>(QStringLiteral("MeRequest"));
            keyboardMenusSeen += KeyboardMenusIn(memo);
            TypeInto(memo, answer1);
            ClickIn(exam, QStringLiteral("Labee4"));
            ClickIn(exam, QStringLiteral("Labee2"));
            TypeInto(memo, answer2);
            ClickIn(exam, QStringLiteral("Labee4"));
            ClickIn(exam, QStringLiteral("Labee2"));
            TypeInto(memo, QStringLiteral("没有保存"));
            ClickIn(exam, QStringLiteral("Labee1"));
            ClickIn(exam, QStringLiteral("Labee1"));
            answerShownAgain = memo->toPlainText();
            ClickIn(exam, QStringLiteral("lblEndTest"));  // confirmed by the scripted prompts
            timeLeftAsked = prompts.shown.isEmpty() ? QString() : prompts.shown.first().text;
        });
        ClickIn(signIn, QStringLiteral("Button1"));
    });
    program.Start();

    QCOMPARE(rightClicksSeen, 0);
    QCOMPARE(keyboardMenusSeen, 0);
    QVERIFY(!mainVisibleDuringExam);
    QCOMPARE(firstCaption,
             QStringLiteral("第1题 :  通常认为世界上第一台电子计算机ENIAC诞生于哪一年？"));
    QCOMPARE(scoreAfterNext, QStringLiteral("1"));
    QCOMPARE(answerShownAgain, answer1);
    QVERIFY(timeLeftAsked.startsWith(QStringLiteral("您好，确定要结束考试吗?\r你还剩：01:")));
    QVERIFY(timeLeftAsked.endsWith(QStringLiteral("时间。")));
    QCOMPARE(prompts.Errors(), QStringList());
    QCOMPARE(prompts.Messages(), QStringList{QStringLiteral("总分为100分恭喜您考了5分!再见")});
    QVERIFY(TerminateRequested());
    QVERIFY(!program.Windows().main->isVisible());
    QCOMPARE(
        dir.Rows("select Chengji, Tt1, Tt2, Tt3, Xingmin from Userxinxi"),
        QStringList{QStringLiteral("5|") + answer1 + u'|' + answer2 + QStringLiteral("||张三")});
    SetErrorPrompts(nullptr);
}

void ExamFlowTest::timeOutShowsTheMainWindow() {
    TestWorkdir dir;
    dir.Sql("update Time set TimeN = '00:01:30';");
    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    FakePlatform platform;
    Program program(prompts, platform, false);
    // The exam's writer works on its own thread: reads of the test wait for it.
    TestWorkdir::beforeAccess = [&program] { program.Windows().exam->Recorder().Drain(10000); };
    const auto unhook = qScopeGuard([] { TestWorkdir::beforeAccess = nullptr; });

    QString before, after;
    bool clockRunning = false, shownAfter89 = false;
    WhenModal("CandidateSignIn", [&](QWidget* signIn) {
        QTest::keyClicks(signIn->findChild<QLineEdit*>(QStringLiteral("Edit1")),
                         QStringLiteral("110101"));
        TypeInto(signIn->findChild<QLineEdit*>(QStringLiteral("Edit2")), QStringLiteral("张三"));
        WhenModal("ExamWindow", [&](QWidget* exam) {
            auto* timer = exam->findChild<QTimer*>(QStringLiteral("Timer1"));
            clockRunning = timer->isActive() && timer->interval() == 1000;
            timer->stop();  // the test ticks
            ClickIn(exam, QStringLiteral("RadioButton1"));
            auto* window = static_cast<ExamWindow*>(exam);
            for (int tick = 1; tick <= 89; ++tick) {
                platform.steadyMs += 1000;
                window->Timer1Timer();
            }
            before = TextIn(exam, QStringLiteral("lblTestTime"));
            shownAfter89 = exam->isVisible();
            platform.steadyMs += 1000;
            window->Timer1Timer();
            after = TextIn(exam, QStringLiteral("lblTestTime"));
        });
        ClickIn(signIn, QStringLiteral("Button1"));
    });
    program.Start();

    QVERIFY(clockRunning);
    QCOMPARE(before, QStringLiteral("00:00:01"));
    QVERIFY(shownAfter89);
    QCOMPARE(after, QStringLiteral("00:00:00"));
    QVERIFY(!program.Windows().exam->isVisible());
    QVERIFY(!TerminateRequested());
    MainWindow* main = program.Windows().main;
    QVERIFY(main->isVisible());
    QCOMPARE(main->PanelText(2), QStringLiteral("110101"));
    QCOMPARE(main->PanelText(4), QStringLiteral("张三"));
    QCOMPARE(dir.Scalar("select Chengji from Userxinxi"), QStringLiteral("1"));
    QVERIFY(prompts.shown.isEmpty());
    main->close();  // closing the main window ends the program
    QVERIFY(TerminateRequested());
    SetErrorPrompts(nullptr);
}

// The exam start cannot write the record (here: no table for the sitting's paper): no exam runs
// unrecorded; the candidate is told and the sign-in comes back, empty, for the next try.
void ExamFlowTest::examThatCannotStartReturnsToTheSignIn() {
    TestWorkdir dir;
    dir.Sql("drop table Shijuan;");
    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    FakePlatform platform;
    Program program(prompts, platform, false);
    // The exam's writer works on its own thread: reads of the test wait for it.
    TestWorkdir::beforeAccess = [&program] { program.Windows().exam->Recorder().Drain(10000); };
    const auto unhook = qScopeGuard([] { TestWorkdir::beforeAccess = nullptr; });
    QString numberAgain = QStringLiteral("not shown");
    WhenModal("CandidateSignIn", [&](QWidget* signIn) {
        QTest::keyClicks(signIn->findChild<QLineEdit*>(QStringLiteral("Edit1")),
                         QStringLiteral("110101"));
        TypeInto(signIn->findChild<QLineEdit*>(QStringLiteral("Edit2")), QStringLiteral("张三"));
        WhenModal("CandidateSignIn", [&](QWidget* again) {
            numberAgain = again->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
            ClickIn(again, QStringLiteral("Button2"));  // "退出"
        });
        ClickIn(signIn, QStringLiteral("Button1"));
    });
    program.Start();
    QCOMPARE(numberAgain, QString());
    QCOMPARE(prompts.Texts().size(), 1);
    QVERIFY(prompts.Texts()[0].startsWith(QStringLiteral("无法读取考试记录，考试未能开始")));
    QVERIFY(TerminateRequested());
    QVERIFY(!program.Windows().main->isVisible());
    QCOMPARE(dir.Scalar("select count(*) from Kaoshijilu"), QStringLiteral("0"));
    SetErrorPrompts(nullptr);
}

QTEST_MAIN(ExamFlowTest)
#include "test_exam_flow.moc"
