// Start-up: the order of the six windows, the main window's creation step, errors at start-up, and
// the candidate flow (sign-in, then exam, then main window) run as the program runs it.
#include "shell/Startup.h"
#include "back_office/BackOffice.h"
#include "data_store/ServerLink.h"
#include "exam/ExamWindow.h"
#include "shell/CandidateSignIn.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindow.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QtTest>

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        ResetTermination();
        prompts_.Clear();
        SetErrorPrompts(&prompts_);
    }

    void windowsAreCreatedOnceInOrder() {
        TestWorkdir workdir;
        QStringList order;
        Program program(prompts_, platform_, false, [&](const QString& name) { order << name; });
        QCOMPARE(order, (QStringList{"MainWindow", "CandidateSignIn", "ExamWindow", "AdminSignIn",
                                     "BackOffice", "HelpWindow"}));
        QVERIFY(prompts_.shown.isEmpty());
        // Nothing is on screen before the flow runs.
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible());
    }

    // Start-up builds the controls of the sign-in only; every other window builds its own when
    // first shown (or asked), showing what its creation step read.
    void onlyTheSignInIsBuiltAtStartUp() {
        TestWorkdir workdir;
        Program program(prompts_, platform_, false);
        const AppWindows& windows = program.Windows();
        QVERIFY(windows.signIn->findChild<QLineEdit*>(QStringLiteral("Edit1")));
        const std::pair<QWidget*, const char*> deferred[] = {{windows.main, "Edit1"},
                                                             {windows.exam, "zz1"},
                                                             {windows.backOffice, "PageControl1"},
                                                             {windows.help, "Memo1"}};
        for (const auto& [window, control] : deferred)
            QVERIFY2(!window->findChild<QWidget*>(QLatin1String(control)), control);
        windows.help->show();
        QVERIFY(windows.help->findChild<QWidget*>(QStringLiteral("Memo1")));
        windows.help->hide();
        QCOMPARE(windows.main->PanelText(1), QStringLiteral("学号"));
        QVERIFY(windows.main->findChild<QLineEdit*>(QStringLiteral("Edit1")));
        QCOMPARE(windows.main->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(),
                 QStringLiteral("1"));
    }

    void mainWindowShowsItsPanelsAndTheLastExamIdentifier() {
        TestWorkdir workdir;
        workdir.Sql(QStringLiteral("insert into Exam values (7)"));
        Program program(prompts_, platform_, false);
        MainWindow* main = program.Windows().main;
        main->EnsureBuilt();
        QCOMPARE(main->windowTitle(), QStringLiteral("澄溪标准化考试系统"));
        QCOMPARE(main->size(), QSize(689, 435));
        QCOMPARE(main->ExamIdValue(), 7);
        QCOMPARE(main->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QStringLiteral("7"));
        QVERIFY(main->findChild<QLineEdit*>(QStringLiteral("Edit1"))->isHidden());
        const QStringList fixed{"提示：", "学号", "", "姓名", ""};
        const int widths[6] = {100, 50, 150, 50, 200, 50};
        for (int i = 0; i < 6; ++i) {
            auto* panel = main->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
            QCOMPARE(panel->width(), widths[i]);
            if (i < 5) QCOMPARE(panel->text(), fixed[i]);
        }
        // The start time is written once, at creation.
        const QString started = main->PanelText(5);
        QVERIFY(
            QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(started).hasMatch());
        QTest::qWait(1100);
        QCOMPARE(main->PanelText(5), started);
        // "开始考试" has no action.
        main->show();
        QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Button11")),
                          Qt::LeftButton);
        QVERIFY(prompts_.shown.isEmpty());
        QVERIFY(main->isVisible());
        // Closing the main window ends the program.
        main->close();
        QVERIFY(TerminateRequested());
    }

    void errorsAtStartUpAreShownAndStartUpGoesOn() {
        TestWorkdir workdir(false);
        QDir(workdir.Path()).rmdir(QStringLiteral("data"));
        QStringList order;
        Program program(prompts_, platform_, false, [&](const QString& name) { order << name; });
        QCOMPARE(order.size(), 6);
        QVERIFY(!prompts_.Errors().isEmpty());
        QCOMPARE(prompts_.Errors().first(),
                 QStringLiteral(
                     "Failed to open database \"data/Maindb.db\" : unable to open database file"));
    }

    void serverRefusingThePasswordIsOneBox() {
        if (!TestWorkdir::OnServer()) QSKIP("needs the test cluster (CX_TEST_ENGINE=postgresql)");
        TestWorkdir workdir;
        ServerAddress wrong = TestWorkdir::Server();
        wrong.password = QStringLiteral("not the password");
        StoreServerAddress(workdir.DatabaseFile(), wrong);
        SetSessionOwnerPassword(std::nullopt);  // a workstation: the exam role's password
        QStringList order;
        Program program(prompts_, platform_, false, [&](const QString& name) { order << name; });
        QCOMPARE(order.size(), 6);  // every window is still created
        QCOMPARE(prompts_.Errors().size(), 1);
        QVERIFY2(prompts_.Errors().first().startsWith(
                     QStringLiteral("无法连接考试服务器 %1。").arg(wrong.Label())),
                 qPrintable(prompts_.Errors().first()));
        QVERIFY(
            prompts_.Errors().first().contains(QStringLiteral("password authentication failed")));
        QVERIFY(!prompts_.Errors().first().contains(wrong.password));
    }

    void emptyExamTableIsReported() {
        TestWorkdir workdir;
        workdir.Sql(QStringLiteral("delete from Exam"));
        Program empty(prompts_, platform_, false);
        QCOMPARE(prompts_.Errors().value(0),
                 QStringLiteral("Field ExamID Not found. Empty dataset"));
    }

    void flowRunsSignInThenExam() {
        TestWorkdir workdir;
        Program program(prompts_, platform_, false);
        AppWindows& windows = program.Windows();
        QStringList modal;
        // Step 1: the sign-in window is up; a wrong name first, then the right one.
        QTimer::singleShot(0, [&] {
            QWidget* active = QApplication::activeModalWidget();
            modal << active->objectName();
            active->findChild<QLineEdit*>(QStringLiteral("Edit1"))
                ->setText(QStringLiteral("110101"));
            active->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("李四"));
            QTest::mouseClick(active->findChild<QPushButton*>(QStringLiteral("Button1")),
                              Qt::LeftButton);
            active->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("张三"));
            QTest::mouseClick(active->findChild<QPushButton*>(QStringLiteral("Button1")),
                              Qt::LeftButton);
            // Step 2: the exam window follows; the main window is not yet visible.
            QTimer::singleShot(0, [&] {
                modal << QApplication::activeModalWidget()->objectName();
                QVERIFY(!windows.main->isVisible());
                RequestTerminate();
            });
        });
        program.Start();
        QCOMPARE(modal, (QStringList{"CandidateSignIn", "ExamWindow"}));
        QCOMPARE(prompts_.Messages(), QStringList{"学号或姓名不存在。"});
        QCOMPARE(windows.main->PanelText(2), QStringLiteral("110101"));
        QCOMPARE(windows.main->PanelText(4), QStringLiteral("张三"));
        QVERIFY(!windows.main->isVisible());  // the program ended during the exam
    }

    void quittingAtSignInSkipsTheExamAndTheMainWindow() {
        TestWorkdir workdir;
        Program program(prompts_, platform_, false);
        bool examShown = false;
        QTimer::singleShot(0, [&] {
            QTest::mouseClick(QApplication::activeModalWidget()->findChild<QPushButton*>(
                                  QStringLiteral("Button2")),
                              Qt::LeftButton);
        });
        program.Start();
        examShown = program.Windows().exam->isVisible();
        QVERIFY(TerminateRequested());
        QVERIFY(!examShown);
        QVERIFY(!program.Windows().main->isVisible());
    }

  private:
    ScriptedPrompts prompts_;
    FakePlatform platform_;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
