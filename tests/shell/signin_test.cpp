// The candidate sign-in driven as a candidate would: every check and message, the status panels,
// the close rule, the keyboard, the web-address label.
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "journal/Entry.h"
#include "record/Sitting.h"
#include "shell/AdminSignIn.h"
#include "shell/CandidateSignIn.h"
#include "shell/MainWindow.h"
#include "shell/ShopLink.h"
#include "shell/Startup.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class SignInTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        ResetTermination();
        workdir_ = std::make_unique<TestWorkdir>();
        prompts_ = std::make_unique<ScriptedPrompts>();
        SetErrorPrompts(prompts_.get());
        program_ = std::make_unique<Program>(*prompts_, platform_, false);
        signIn_ = program_->Windows().signIn;
        signIn_->show();
        QVERIFY(QTest::qWaitForWindowExposed(signIn_));
        prompts_->Clear();
    }
    void cleanup() {
        program_.reset();
        workdir_.reset();
    }

    void checksComeInOrderWithTheirMessages_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty number") << ""
                                      << "张三"
                                      << "学号或姓名不能为空。";
        QTest::newRow("blank number") << "   "
                                      << "张三"
                                      << "学号或姓名不能为空。";
        QTest::newRow("empty name") << "110101"
                                    << ""
                                    << "学号或姓名不能为空。";
        QTest::newRow("blank name") << "110101"
                                    << "  "
                                    << "学号或姓名不能为空。";
        QTest::newRow("below range") << "110100"
                                     << "张三"
                                     << "这个考生不存在。";
        QTest::newRow("above range") << "1000000"
                                     << "张三"
                                     << "这个考生不存在。";
        QTest::newRow("no such candidate") << "110102"
                                           << "张三"
                                           << "学号或姓名不存在。";
        QTest::newRow("wrong name") << "110101"
                                    << "李四"
                                    << "学号或姓名不存在。";
        QTest::newRow("name in other case") << "110105"
                                            << "wang"
                                            << "学号或姓名不存在。";
        QTest::newRow("stored with a leading zero") << "110106"
                                                    << "赵六"
                                                    << "学号或姓名不存在。";
        // The candidate is looked up by the number, so the text as stored finds nobody either:
        // under it no score and no answer of the exam would reach the candidate's row.
        QTest::newRow("leading zero typed as stored") << "0110106"
                                                      << "赵六"
                                                      << "学号或姓名不存在。";
    }
    void checksComeInOrderWithTheirMessages() {
        QFETCH(QString, number);
        QFETCH(QString, name);
        QFETCH(QString, message);
        workdir_->Sql(QStringLiteral(
            "insert into Userxinxi (UserID,Xuehao,Xingmin) values (2,'110105','Wang'),"
            "(3,'0110106','赵六')"));
        Edit("Edit1")->setText(number);
        Edit("Edit2")->setText(name);
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QCOMPARE(prompts_->Texts(), QStringList{message});
        QVERIFY(signIn_->isVisible());
        QCOMPARE(program_->Windows().main->PanelText(2), QString());
    }

    void numberBeyondAnIntegerShowsTheConversionError() {
        Edit("Edit1")->setText(QStringLiteral("99999999999"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QCOMPARE(prompts_->Errors(), QStringList{"'99999999999' is not a valid integer value"});
        QVERIFY(signIn_->isVisible());
    }

    void successClosesTheWindowAndFillsTheStatusBar() {
        Edit("Edit1")->setText(QStringLiteral("110101"));
        Edit("Edit2")->setText(QStringLiteral(" 张三 "));  // blanks around the name are ignored
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QVERIFY(prompts_->shown.isEmpty());
        QVERIFY(!signIn_->isVisible());
        QCOMPARE(signIn_->result(), int(QDialog::Accepted));
        QCOMPARE(program_->Windows().main->PanelText(2), QStringLiteral("110101"));
        QCOMPARE(program_->Windows().main->PanelText(4), QStringLiteral("张三"));
        QCOMPARE(signIn_->NumberText(), QStringLiteral("110101"));
        QVERIFY(!TerminateRequested());
    }

    // An attempt in progress on another installation keeps the candidate out, with nothing
    // written, until this workstation has itself seen its sign-of-life counter stand still for
    // 30 s (the other machine's clock, 10 minutes ahead here, plays no part); then the candidate
    // resumes here and is told so before the exam opens. A record that cannot be read refuses.
    void candidateWritingElsewhereWaitsForItsSilence() {
        {
            Database db(kDatabasePath);
            AttemptRow row;
            row.studentNo = 110101;
            row.workstation = QStringLiteral("ws-07");
            row.installation = QStringLiteral("inst-07");
            row.owner = record::NewOwnerToken();
            row.sitting = record::SittingForSignIn(db, platform_.now).id;
            row.startedAt = row.lastSeen = platform_.now + 600;
            row.secondsLeft = 1234;
            Transaction begin(db);
            record::BeginAttempt(db, row);
            begin.Commit();
        }
        Edit("Edit1")->setText(QStringLiteral("110101"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        const QStringList before = workdir_->Rows(QStringLiteral("select * from Kaoshijilu"));
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QCOMPARE(
            prompts_->Texts(),
            QStringList{"该考生正在另一台机器上考试（ws-07，机器编号inst-07）。请在那台机器上继续；"
                        "若那台机器已停止工作，请等待30秒后再登录。"});
        platform_.steadyMs += 21'000;
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QVERIFY(prompts_->Texts().last().contains(QStringLiteral("请等待9秒后再登录")));
        QVERIFY(signIn_->isVisible());
        QCOMPARE(workdir_->Rows(QStringLiteral("select * from Kaoshijilu")), before);

        platform_.steadyMs += 9'000;
        prompts_->Clear();
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QCOMPARE(prompts_->Texts().size(), 1);
        QVERIFY(prompts_->Texts()[0].startsWith(QStringLiteral("已恢复未完成的考试")));
        // The 30 s this workstation saw it silent are charged (1234 s were left).
        QVERIFY(prompts_->Texts()[0].contains(QStringLiteral("00:20:04")));
        QVERIFY(!signIn_->isVisible());
    }

    // A proctor let the candidate move, but the workstation that has the attempt, alive, still
    // holds answers not shipped: the sign-in waits for them.
    void movedCandidateWaitsForAnUnshippedJournal() {
        AttemptRow row;
        {
            Database db(kDatabasePath);
            row.studentNo = 110101;
            row.workstation = QStringLiteral("ws-07");
            row.installation = QStringLiteral("inst-07");
            row.owner = record::NewOwnerToken();
            row.sitting = record::SittingForSignIn(db, platform_.now).id;
            row.startedAt = row.lastSeen = platform_.now;
            row.secondsLeft = 1234;
            Transaction begin(db);
            record::BeginAttempt(db, row);
            begin.Commit();
            record::AllowMove(db, row.id, QStringLiteral("admin"), platform_.now);
            journal::EnsureAppliedTable(db);
        }
        workdir_->Sql(QStringLiteral("insert into Rizhi values (%1, '%2', 40, 3)")
                          .arg(row.id)
                          .arg(row.owner));
        Edit("Edit1")->setText(QStringLiteral("110101"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QCOMPARE(prompts_->Texts(),
                 QStringList{"该考生在另一台机器上（ws-07，机器编号inst-07）还有3条答案尚未上传到"
                             "考试数据库，请等待上传完成后再登录。"});
        QVERIFY(signIn_->isVisible());
        workdir_->Sql(QStringLiteral("update Rizhi set Daishang = 0"));
        prompts_->Clear();
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QVERIFY(prompts_->Texts().value(0).startsWith(QStringLiteral("已恢复未完成的考试")));
        QVERIFY(!signIn_->isVisible());
    }

    void unreadableRecordRefusesTheSignIn() {
        workdir_->Sql(QStringLiteral("drop table Changci"));
        Edit("Edit1")->setText(QStringLiteral("110101"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QCOMPARE(prompts_->Texts().size(), 1);
        QVERIFY(
            prompts_->Texts()[0].startsWith(QStringLiteral("无法读取考试记录，暂时不能登录。")));
        QVERIFY(signIn_->isVisible());
    }

    void numberPastedWithALeadingBlankSignsIn() {
        Edit("Edit1")->setText(QStringLiteral(" 110101"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        QTest::mouseClick(Button("Button1"), Qt::LeftButton);
        QVERIFY(prompts_->shown.isEmpty());
        QCOMPARE(program_->Windows().main->PanelText(2), QStringLiteral("110101"));
    }

    void numberBoxTakesDigitsOnlyAndEnterSignsNobodyIn() {
        QTest::keyClicks(Edit("Edit1"), QStringLiteral("11a0-1 01"));
        QCOMPARE(Edit("Edit1")->text(), QStringLiteral("110101"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        QTest::keyClick(Edit("Edit2"), Qt::Key_Return);
        QTest::keyClick(Edit("Edit1"), Qt::Key_Enter);
        QTest::keyClick(signIn_, Qt::Key_Escape);
        QVERIFY(signIn_->isVisible());
        QVERIFY(prompts_->shown.isEmpty());
        QCOMPARE(program_->Windows().main->PanelText(2), QString());
    }

    void closingWithoutSigningInEndsTheProgram_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("boxes empty") << ""
                                     << "";
        QTest::newRow("number only") << "110101"
                                     << "";
        // Both boxes filled but never checked: no exam under an unchecked name.
        QTest::newRow("both filled") << "110101"
                                     << "冒名顶替";
    }
    void closingWithoutSigningInEndsTheProgram() {
        QFETCH(QString, number);
        QFETCH(QString, name);
        Edit("Edit1")->setText(number);
        Edit("Edit2")->setText(name);
        signIn_->close();
        QVERIFY(TerminateRequested());
        QVERIFY(!signIn_->isVisible());
    }

    void quitEndsTheProgramWhateverTheBoxesHold() {
        Edit("Edit1")->setText(QStringLiteral("110101"));
        Edit("Edit2")->setText(QStringLiteral("张三"));
        QTest::mouseClick(Button("Button2"), Qt::LeftButton);
        QVERIFY(TerminateRequested());
        QVERIFY(!signIn_->isVisible());
        QCOMPARE(program_->Windows().main->PanelText(2), QString());
    }

    void tabOrderAndCaptions() {
        QCOMPARE(signIn_->windowTitle(), QStringLiteral("澄溪标准化考试系统8.01"));
        QCOMPARE(signIn_->size(), QSize(592, 403));
        QCOMPARE(signIn_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("登录澄溪标准化考试系统"));
        QStringList order;
        QWidget* widget = Edit("Edit1");
        for (int i = 0; i < 6; ++i, widget = widget->nextInFocusChain()) {
            while (widget->focusPolicy() == Qt::NoFocus)
                widget = widget->nextInFocusChain();
            order << widget->objectName();
        }
        QCOMPARE(order,
                 (QStringList{"Edit1", "Edit2", "Button1", "Button2", "Button3", "Button4"}));
        for (const char* name : {"Button1", "Button2", "Button3", "Button4"}) {
            QVERIFY(!Button(name)->isDefault());
            QVERIFY(!Button(name)->autoDefault());
        }
        QCOMPARE(Button("Button3")->text(), QStringLiteral("后台管理"));
        QCOMPARE(Button("Button4")->text(), QStringLiteral("软件帮助"));
    }

    void webAddressLabelOpensTheShop() {
        QTest::mouseClick(signIn_->findChild<QLabel*>(QStringLiteral("Label4")), Qt::LeftButton);
        QCOMPARE(platform_.openedUrls, QStringList{kShopAddress});
        QVERIFY(prompts_->shown.isEmpty());
    }

    void backOfficeAndHelpButtonsOpenTheirWindowsModally() {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            seen << QApplication::activeModalWidget()->objectName();
            QApplication::activeModalWidget()->close();
        });
        QTest::mouseClick(Button("Button3"), Qt::LeftButton);
        QTimer::singleShot(0, [&] {
            seen << QApplication::activeModalWidget()->objectName();
            QApplication::activeModalWidget()->close();
        });
        QTest::mouseClick(Button("Button4"), Qt::LeftButton);
        QCOMPARE(seen, (QStringList{"AdminSignIn", "HelpWindow"}));
        QVERIFY(signIn_->isVisible());
        QVERIFY(!TerminateRequested());
    }

  private:
    QLineEdit* Edit(const char* name) const {
        return signIn_->findChild<QLineEdit*>(QString::fromLatin1(name));
    }
    QPushButton* Button(const char* name) const {
        return signIn_->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    std::unique_ptr<TestWorkdir> workdir_;
    std::unique_ptr<ScriptedPrompts> prompts_;
    FakePlatform platform_;
    std::unique_ptr<Program> program_;
    CandidateSignIn* signIn_ = nullptr;
};

QTEST_MAIN(SignInTest)
#include "signin_test.moc"
