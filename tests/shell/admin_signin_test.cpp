// The administrator sign-in: its checks and messages, and the road from the candidate sign-in to
// the back office through the real start-up flow, with both windows taking input.
#include "back_office/BackOffice.h"
#include "exam/ExamWindow.h"
#include "shell/AdminSignIn.h"
#include "shell/CandidateSignIn.h"
#include "shell/MainWindow.h"
#include "shell/Startup.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"
#include "ui_common/Termination.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const QString kEmpty = QStringLiteral("管理员或密码不能为空。");
const QString kRefused = QStringLiteral("管理员不存在或密码错误。");

template <typename T = QWidget>
T* Child(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    if (!child) qFatal("no control %s", name);
    return child;
}

// Input through the window system, as a user gives it: refused for a window that a modal window
// blocks.
void ClickInWindow(QWidget* widget) {
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(top, widget->rect().center()));
}
void TypeInWindow(QLineEdit* edit, const char* keys) {
    edit->setFocus();
    for (const char* k = keys; *k; ++k)
        QTest::keyClick(edit->window()->windowHandle(), *k);
}

// All six windows of the program on the delivered database; the administrator sign-in shown on
// its own.
struct Windows {
    Windows() {
        ResetTermination();
        SetErrorPrompts(&prompts);
    }
    ~Windows() { SetErrorPrompts(nullptr); }
    AdminSignIn* SignIn() const { return program.Windows().adminSignIn; }
    BackOffice* Office() const { return program.Windows().backOffice; }
    void Try(const QString& name, const QString& password) {
        if (!SignIn()->isVisible()) SignIn()->show();
        Child<QLineEdit>(SignIn(), "Edit1")->setText(name);
        Child<QLineEdit>(SignIn(), "Edit2")->setText(password);
        QTest::mouseClick(Child<QPushButton>(SignIn(), "Button1"), Qt::LeftButton);
    }

    TestWorkdir dir;
    ScriptedPrompts prompts;
    FakePlatform platform;
    mutable Program program{prompts, platform, false};
};

}  // namespace

class AdminSignInTest : public QObject {
    Q_OBJECT

  private slots:
    void window() {
        Windows w;
        QCOMPARE(w.SignIn()->windowTitle(), QStringLiteral("管理员操作"));
        QCOMPARE(w.SignIn()->size(), QSize(520, 334));
        Child<QLineEdit>(w.SignIn(), "Edit2")->setText(QStringLiteral("a密1"));
        QCOMPARE(Child<QLineEdit>(w.SignIn(), "Edit2")->displayText(), QStringLiteral("***"));
        QCOMPARE(Child<QPushButton>(w.SignIn(), "Button1")->text(), QStringLiteral("确定"));
        QCOMPARE(Child<QPushButton>(w.SignIn(), "Button2")->text(), QStringLiteral("取消"));
    }

    void emptyNameOrPasswordIsRefused() {
        Windows w;
        w.Try(QString(), QStringLiteral("123456"));
        w.Try(QStringLiteral("  "), QStringLiteral("123456"));
        w.Try(QStringLiteral("admin"), QStringLiteral(" "));
        QCOMPARE(w.prompts.Texts(), QStringList({kEmpty, kEmpty, kEmpty}));
        QVERIFY(w.SignIn()->isVisible());
        QVERIFY(!w.Office()->isVisible());
    }

    void passwordDifferingInCaseIsRefused() {
        Windows w;
        w.dir.Sql(QStringLiteral("UPDATE UserGL SET password='Secret'"));
        w.Try(QStringLiteral("admin"), QStringLiteral("secret"));
        w.Try(QStringLiteral("Admin"), QStringLiteral("Secret"));
        QCOMPARE(w.prompts.Texts(), QStringList({kRefused, kRefused}));
        QVERIFY(w.SignIn()->isVisible());
        QVERIFY(!w.Office()->isVisible());
        QCOMPARE(Child<QLineEdit>(w.SignIn(), "Edit1")->text(), QStringLiteral("Admin"));
    }

    void blanksAroundTypedTextAreIgnoredButNotStoredOnes() {
        Windows w;
        w.dir.Sql(QStringLiteral("INSERT INTO UserGL VALUES (2,' root','pw ')"));
        w.Try(QStringLiteral("root"), QStringLiteral("pw"));
        QCOMPARE(w.prompts.Texts(), QStringList({kRefused}));
        w.Try(QStringLiteral("  admin "), QStringLiteral(" 123456  "));
        QCOMPARE(w.prompts.Texts(), QStringList({kRefused}));
        QVERIFY(!w.SignIn()->isVisible());
        QVERIFY(w.Office()->isVisible());
    }

    void secondAdministratorOpensTheBackOfficeWithoutMessage() {
        Windows w;
        w.dir.Sql(QStringLiteral("INSERT INTO UserGL VALUES (2,'教师','p\"w''')"));
        w.Try(QStringLiteral("教师"), QStringLiteral("p\"w'"));
        QVERIFY(w.prompts.shown.isEmpty());
        QVERIFY(!w.SignIn()->isVisible());
        QVERIFY(w.Office()->isVisible());
        // Showing it refreshed the lists.
        QCOMPARE(Child<ReportList>(w.Office(), "ListView1")->RowCount(), 2);
    }

    void noAdministratorsShowsNothing() {
        Windows w;
        w.dir.Sql(QStringLiteral("DELETE FROM UserGL"));
        w.Try(QStringLiteral("admin"), QStringLiteral("123456"));
        QVERIFY(w.prompts.shown.isEmpty());
        QVERIFY(w.SignIn()->isVisible());
        QVERIFY(!w.Office()->isVisible());
    }

    void missingDatabaseReachesTheDefaultErrorBox() {
        Windows w;
        w.dir.Sql(QStringLiteral("DROP TABLE UserGL"));
        w.Try(QStringLiteral("admin"), QStringLiteral("123456"));
        QCOMPARE(w.prompts.Errors().size(), 1);
        QVERIFY(w.prompts.Messages().isEmpty());
        QVERIFY(w.SignIn()->isVisible());
    }

    void boxesKeepTheirTextBetweenOpenings() {
        Windows w;
        w.Try(QStringLiteral("admin"), QStringLiteral("123456"));
        QVERIFY(!w.SignIn()->isVisible());
        w.SignIn()->show();
        QCOMPARE(Child<QLineEdit>(w.SignIn(), "Edit1")->text(), QStringLiteral("admin"));
        QCOMPARE(Child<QLineEdit>(w.SignIn(), "Edit2")->text(), QStringLiteral("123456"));
    }

    void cancelClosesTheWindow() {
        Windows w;
        w.SignIn()->show();
        Child<QLineEdit>(w.SignIn(), "Edit1")->setText(QStringLiteral("admin"));
        QTest::mouseClick(Child<QPushButton>(w.SignIn(), "Button2"), Qt::LeftButton);
        QVERIFY(!w.SignIn()->isVisible());
        QVERIFY(!w.Office()->isVisible());
        QVERIFY(w.prompts.shown.isEmpty());
        QVERIFY(!TerminateRequested());
    }

    // The real flow: "后台管理" on the candidate sign-in, the delivered administrator signs in,
    // the back office opens beside the sign-in and both take input; an administrator and a
    // candidate are added and deleted, the duration is changed, and "退出" ends the program.
    void backOfficeBesideTheCandidateSignIn() {
        Windows w;
        AppWindows& windows = w.program.Windows();
        CandidateSignIn* signIn = windows.signIn;
        BackOffice* office = windows.backOffice;
        QLineEdit* numberBox = Child<QLineEdit>(signIn, "Edit1");
        QStringList seen;  // what each step found
        const auto note = [&](const QString& what, bool ok) {
            seen << what + (ok ? QStringLiteral(": yes") : QStringLiteral(": NO"));
        };
        bool finished = false;
        // A flow that goes wrong must not hang the test.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { RequestTerminate(); });
        watchdog.start(30000);

        std::function<void()> inBackOffice = [&] {
            note(QStringLiteral("sign-in modal again"),
                 QApplication::activeModalWidget() == signIn);
            note(QStringLiteral("sign-in visible"), signIn->isVisible());
            note(QStringLiteral("back office visible"), office->isVisible());
            note(QStringLiteral("admin sign-in closed"), !windows.adminSignIn->isVisible());
            note(QStringLiteral("administrators listed"),
                 Child<ReportList>(office, "ListView1")->RowCount() == 1);
            note(QStringLiteral("candidates listed"),
                 Child<ReportList>(office, "ListView3")->RowCount() == 1);

            // The back office takes clicks and keys while the sign-in runs modally.
            TypeInWindow(Child<QLineEdit>(office, "Edit8"), "bob");
            TypeInWindow(Child<QLineEdit>(office, "Edit9"), "pw");
            ClickInWindow(Child<QPushButton>(office, "Button9"));
            note(QStringLiteral("administrator added"),
                 Child<ReportList>(office, "ListView1")->RowCount() == 2);
            TypeInWindow(Child<QLineEdit>(office, "Edit10"), "bob");
            ClickInWindow(Child<QPushButton>(office, "Button10"));
            note(QStringLiteral("administrator deleted"),
                 Child<ReportList>(office, "ListView1")->RowCount() == 1);
            Child<QLineEdit>(office, "Edit11")->clear();
            TypeInWindow(Child<QLineEdit>(office, "Edit11"), "00:45:00");
            ClickInWindow(Child<QPushButton>(office, "Button19"));

            Child<QTabWidget>(office, "PageControl1")->setCurrentIndex(1);
            TypeInWindow(Child<QLineEdit>(office, "Edit5"), "110102");
            Child<QLineEdit>(office, "Edit6")->setText(QStringLiteral("李四"));
            ClickInWindow(Child<QPushButton>(office, "Button7"));
            note(QStringLiteral("candidate added"),
                 Child<ReportList>(office, "ListView3")->RowCount() == 2);
            TypeInWindow(Child<QLineEdit>(office, "Edit7"), "110102");
            ClickInWindow(Child<QPushButton>(office, "Button8"));
            note(QStringLiteral("candidate deleted"),
                 Child<ReportList>(office, "ListView3")->RowCount() == 1);

            // And so does the sign-in window.
            numberBox->clear();
            TypeInWindow(numberBox, "110101");
            note(QStringLiteral("sign-in takes keys"),
                 numberBox->text() == QStringLiteral("110101"));

            finished = true;
            ClickInWindow(Child<QPushButton>(office, "Button2"));  // "退出"
        };
        std::function<void()> inAdminSignIn = [&] {
            AdminSignIn* admin = windows.adminSignIn;
            note(QStringLiteral("admin sign-in modal"), QApplication::activeModalWidget() == admin);
            // The sign-in underneath is blocked while the administrator sign-in is open.
            numberBox->clear();
            TypeInWindow(numberBox, "123");
            note(QStringLiteral("sign-in blocked"), numberBox->text().isEmpty());
            TypeInWindow(Child<QLineEdit>(admin, "Edit1"), "admin");
            TypeInWindow(Child<QLineEdit>(admin, "Edit2"), "123456");
            QTimer::singleShot(0, inBackOffice);
            ClickInWindow(Child<QPushButton>(admin, "Button1"));
        };
        QTimer::singleShot(0, [&] {
            note(QStringLiteral("sign-in modal"), QApplication::activeModalWidget() == signIn);
            QTimer::singleShot(0, inAdminSignIn);
            ClickInWindow(Child<QPushButton>(signIn, "Button3"));  // "后台管理"
        });

        w.program.Start();
        watchdog.stop();

        for (const QString& line : seen)
            QVERIFY2(line.endsWith(QStringLiteral(": yes")), qPrintable(line));
        QCOMPARE(seen.size(), 14);
        QVERIFY(finished);
        QVERIFY(TerminateRequested());
        QVERIFY(!windows.exam->isVisible());
        QVERIFY(!windows.main->isVisible());
        QCOMPARE(w.prompts.Texts(),
                 QStringList({QStringLiteral("添加成功,谢谢!"), QStringLiteral("删除成功。"),
                              QStringLiteral("考试时间设置成功。"),
                              QStringLiteral("添加成功,谢谢!"), QStringLiteral("删除成功。")}));
        QCOMPARE(w.dir.Scalar(QStringLiteral("Select TimeN from Time where TimeID=1")),
                 QStringLiteral("00:45:00"));
        QCOMPARE(w.dir.Rows(QStringLiteral("Select UserGLID,Usermin from UserGL")),
                 QStringList({QStringLiteral("1|admin")}));
        QCOMPARE(w.dir.Rows(QStringLiteral("Select Xuehao from Userxinxi")),
                 QStringList({QStringLiteral("110101")}));
    }

    // A back office left open closes when a candidate signs in, and the administrator sign-in
    // with it: nothing of the back office waits behind the exam. Until then its boxes speak for it.
    void candidateSignInClosesTheBackOffice() {
        Windows w;
        AppWindows& windows = w.program.Windows();
        QStringList seen;
        const auto note = [&](const QString& what, bool ok) {
            seen << what + (ok ? QStringLiteral(": yes") : QStringLiteral(": NO"));
        };
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { RequestTerminate(); });
        watchdog.start(30000);

        const auto inBackOffice = [&] {
            note(QStringLiteral("back office open"), windows.backOffice->isVisible());
            ClickInWindow(Child<QPushButton>(windows.backOffice, "Button9"));  // boxes empty
            note(QStringLiteral("message for the back office"),
                 !w.prompts.shown.isEmpty() && w.prompts.shown.last().window == windows.backOffice);
            TypeInWindow(Child<QLineEdit>(windows.signIn, "Edit1"), "110101");
            Child<QLineEdit>(windows.signIn, "Edit2")->setText(QStringLiteral("张三"));
            ClickInWindow(Child<QPushButton>(windows.signIn, "Button1"));
            note(QStringLiteral("candidate signed in"), !windows.signIn->isVisible());
            note(QStringLiteral("back office closed"), !windows.backOffice->isVisible());
            note(QStringLiteral("admin sign-in closed"), !windows.adminSignIn->isVisible());
            RequestTerminate();  // the exam is another test's
        };
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                AdminSignIn* admin = windows.adminSignIn;
                TypeInWindow(Child<QLineEdit>(admin, "Edit1"), "admin");
                TypeInWindow(Child<QLineEdit>(admin, "Edit2"), "123456");
                QTimer::singleShot(0, inBackOffice);
                ClickInWindow(Child<QPushButton>(admin, "Button1"));
            });
            ClickInWindow(Child<QPushButton>(windows.signIn, "Button3"));  // "后台管理"
        });
        w.program.Start();
        watchdog.stop();

        for (const QString& line : seen)
            QVERIFY2(line.endsWith(QStringLiteral(": yes")), qPrintable(line));
        QCOMPARE(seen.size(), 5);
        QCOMPARE(windows.main->PanelText(2), QStringLiteral("110101"));
    }
};

QTEST_MAIN(AdminSignInTest)
#include "admin_signin_test.moc"
