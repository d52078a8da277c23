// From stored answers to stored scores: a candidate's free-text answers are in the database when
// the program starts; the back office, created at start-up, lets a teacher read them question by
// question, enter marks and save the subjective and total scores.
#include "back_office/BackOffice.h"
#include "back_office/GradingFixture.h"
#include "shell/Startup.h"
#include "support/FakePlatform.h"

#include <QTabWidget>
#include <QTest>

class GradingFlowTest : public QObject {
    Q_OBJECT
  private slots:
    void teacherGradesTheAnswersOfAnEarlierExam();
};

void GradingFlowTest::teacherGradesTheAnswersOfAnEarlierExam() {
    TestWorkdir workdir;
    // What the exam left behind: the objective score and three saved answers of 张三.
    const QStringList answers = {
        QStringLiteral("运算器、控制器、存储器、输入设备和输出设备。"),
        QStringLiteral("相对引用随位置变化，如A1；\n绝对引用不变，如$A$1。"),
        QStringLiteral("不用弱密码'123456'；不点陌生链接；及时更新。")};
    workdir.Sql(QStringLiteral("Update Userxinxi Set Chengji='37.5', Tt1='%1', Tt2='%2', Tt3='%3' "
                               "where Xuehao='110101';")
                    .arg(answers[0], answers[1], QString(answers[2]).replace(u'\'', "''")));

    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    FakePlatform platform;
    Program program(prompts, platform, false);
    QVERIFY2(prompts.Errors().isEmpty(), qPrintable(prompts.Errors().join(u'\n')));

    // An answer changed after start-up is not in the list: it shows the state at program start.
    workdir.Sql(QStringLiteral("Update Userxinxi Set Tt3='后来的答案' where Xuehao='110101';"));

    BackOffice* office = program.Windows().backOffice;
    office->show();
    QVERIFY(QTest::qWaitForWindowExposed(office));
    auto* pages = Control<QTabWidget>(office, QStringLiteral("PageControl1"));
    QWidget* grading = Control<QWidget>(office, QStringLiteral("TabSheet6"));
    QCOMPARE(pages->tabText(pages->indexOf(grading)), QStringLiteral("教师阅卷"));
    pages->setCurrentWidget(grading);

    const GradingDriver ui(grading);
    QCOMPARE(ui.List()->RowCount(), 1);
    ui.ChooseCandidate(0);
    QCOMPARE(ui.Edit("Edg1")->text(), QStringLiteral("110101"));
    QCOMPARE(ui.Edit("Edg2")->text(), QStringLiteral("张三"));
    const QStringList marks = {"6", "4", "5"};
    for (int n = 1; n <= 3; ++n) {
        ui.ChooseQuestion(n);
        QCOMPARE(
            ui.Question(),
            workdir.Scalar(QStringLiteral("Select Request from KaoShi4 where TestID=%1").arg(n)));
        QCOMPARE(ui.Answer(), answers[n - 1]);
        ui.TypeMark(n, marks[n - 1]);
    }
    QVERIFY(!ui.Panel(4)->isVisible());
    ui.Save();

    QCOMPARE(prompts.Texts(), QStringList{});
    QCOMPARE(
        workdir.Rows("Select Chengji, Chengji1, Chengji2 from Userxinxi where Xuehao='110101'"),
        QStringList{"37.5|15|52.5"});
    // Grading stores scores only: the answers stay as they are.
    QCOMPARE(workdir.Scalar("Select Tt2 from Userxinxi where Xuehao='110101'"), answers[1]);
    SetErrorPrompts(nullptr);
}

QTEST_MAIN(GradingFlowTest)
#include "grading_flow_test.moc"
