// The grading tab: set-up from the subjective bank, choosing candidates and questions, marking,
// the key filters, and saving the subjective and total scores.
#include "GradingFixture.h"

#include "back_office/BackOffice.h"

#include "ui_common/Colors.h"

#include <QTabWidget>
#include <QTest>

namespace {

// Two candidates: 张三 (objective 60, three answers) and 李四 (objective 17.5, one answer).
const QString kCandidates = QStringLiteral(
    "Update Userxinxi Set Chengji='60', Tt1='答案一', Tt2='答案二\n第二行', Tt3='答案三' "
    "where Xuehao='110101';"
    "Insert Into Userxinxi (UserID, Xuehao, Xingmin, Chengji, Tt1) "
    "Values (2, '110102', '李四', '17.5', '李四的答案');");

QString Paper(int questions) {
    QString sql = QStringLiteral("Delete From KaoShi4;");
    for (int n = 1; n <= questions; ++n)
        sql += QStringLiteral("Insert Into KaoShi4 Values (%1, '问题%1');").arg(n);
    return sql;
}

QString ScoresOf(const TestWorkdir& workdir, const QString& number) {
    return workdir
        .Rows(QStringLiteral("Select Chengji1, Chengji2 from Userxinxi where Xuehao='") + number +
              QStringLiteral("'"))
        .value(0);
}

}  // namespace

class GradingTabTest : public QObject {
    Q_OBJECT
  private slots:
    void setUpShowsTheQuestionsThatExist_data();
    void setUpShowsTheQuestionsThatExist();
    void setUpErrorLeavesTheTabIncomplete_data();
    void setUpErrorLeavesTheTabIncomplete();
    void setUpReadBeforeTheTabsAreBuilt_data();
    void setUpReadBeforeTheTabsAreBuilt();
    void listShowsEveryCandidateAsStored();
    void choosingCandidateAndQuestion();
    void choosingAnotherCandidateResetsPanelsAndClearsMemos();
    void markingTheChosenQuestion();
    void keyFilters();
    void saveStoresMarksAndTotal_data();
    void saveStoresMarksAndTotal();
    void saveThatDoesNotConvertWritesNothing_data();
    void saveThatDoesNotConvertWritesNothing();
    void saveBeforeChoosingACandidate();
    void hiddenBoxesCountAsZero();
};

void GradingTabTest::setUpShowsTheQuestionsThatExist_data() {
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("shown");
    QTest::newRow("delivered paper") << -1 << 3;
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("four") << 4 << 4;
    QTest::newRow("ten") << 10 << 10;
    QTest::newRow("more than ten") << 12 << 10;
}

void GradingTabTest::setUpShowsTheQuestionsThatExist() {
    QFETCH(int, questions);
    QFETCH(int, shown);
    GradingFixture f(questions < 0 ? QString() : Paper(questions));
    const GradingDriver ui = f.Ui();
    QVERIFY(f.prompts.shown.isEmpty());
    for (int n = 1; n <= 10; ++n) {
        const bool expected = n <= shown;
        QCOMPARE(ui.Panel(n)->isVisible(), expected);
        QCOMPARE(ui.RowTitle(n)->isVisible(), expected);
        QCOMPARE(ui.Box(n)->isVisible(), expected);
        QCOMPARE(ui.Panel(n)->text(), QString::number(n));
        QCOMPARE(ui.RowTitle(n)->text(), QStringLiteral("第%1题").arg(n));
        QCOMPARE(ui.Panel(n)->color(), kLightSkyBlue);
    }
    if (shown > 0) {
        ui.ChooseQuestion(shown);
        const QString expected =
            questions < 0 ? f.workdir.Scalar("Select Request from KaoShi4 where TestID=3")
                          : QStringLiteral("问题%1").arg(shown);
        QCOMPARE(ui.Question(), expected);
    }
}

void GradingTabTest::setUpErrorLeavesTheTabIncomplete_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("shown");
    QTest::newRow("gap in the numbers")
        << QStringLiteral("Delete From KaoShi4 where TestID=2;") << 1;
    QTest::newRow("no subjective bank") << QStringLiteral("Drop Table KaoShi4;") << 0;
}

// The error is shown; the panels found so far stay, but no row titles or boxes are shown and the
// list is not filled.
void GradingTabTest::setUpErrorLeavesTheTabIncomplete() {
    QFETCH(QString, sql);
    QFETCH(int, shown);
    GradingFixture f(sql);
    const GradingDriver ui = f.Ui();
    QCOMPARE(f.prompts.Errors().size(), 1);
    for (int n = 1; n <= 10; ++n) {
        QCOMPARE(ui.Panel(n)->isVisible(), n <= shown);
        QVERIFY(!ui.Box(n)->isVisible());
    }
    QCOMPARE(ui.List()->RowCount(), 0);
}

void GradingTabTest::setUpReadBeforeTheTabsAreBuilt_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("complete");
    QTest::newRow("delivered paper") << QString() << 3 << true;
    QTest::newRow("gap in the numbers")
        << QStringLiteral("Delete From KaoShi4 where TestID=2;") << 1 << false;
    QTest::newRow("no subjective bank") << QStringLiteral("Drop Table KaoShi4;") << 0 << false;
}

// The back office reads the grading set-up at start-up and builds its tabs when first shown: the
// tab then shows what was read then (a candidate added since is not listed), an error included.
void GradingTabTest::setUpReadBeforeTheTabsAreBuilt() {
    QFETCH(QString, sql);
    QFETCH(int, shown);
    QFETCH(bool, complete);
    TestWorkdir workdir;
    if (!sql.isEmpty()) workdir.Sql(sql);
    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    BackOffice office(prompts, nullptr);
    RunGuarded([&] { office.FormCreate(); });
    QCOMPARE(prompts.Errors().size(), complete ? 0 : 1);
    QVERIFY(!office.findChild<QWidget*>(QStringLiteral("TabSheet6")));
    workdir.Sql(
        QStringLiteral("Insert Into Userxinxi (UserID, Xuehao, Xingmin) "
                       "Values (2, '110102', '李四');"));
    office.show();
    QVERIFY(QTest::qWaitForWindowExposed(&office));
    QWidget* tab = Control<QWidget>(&office, QStringLiteral("TabSheet6"));
    office.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentWidget(tab);
    const GradingDriver ui(tab);
    for (int n = 1; n <= 10; ++n) {
        QCOMPARE(ui.Panel(n)->isVisible(), n <= shown);
        QCOMPARE(ui.Box(n)->isVisible(), complete && n <= shown);
    }
    QCOMPARE(ui.List()->RowCount(), complete ? 1 : 0);
    if (complete) {
        ui.ChooseQuestion(3);
        QCOMPARE(ui.Question(), workdir.Scalar("Select Request from KaoShi4 where TestID=3"));
    }
    SetErrorPrompts(nullptr);
}

void GradingTabTest::listShowsEveryCandidateAsStored() {
    GradingFixture f(kCandidates + QStringLiteral("Update Userxinxi Set Chengji1='8', "
                                                  "Chengji2='68', Tt10='末题' where UserID=1;"));
    ReportList* list = f.Ui().List();
    QCOMPARE(list->width(), 153);
    QCOMPARE(list->height(), 376);
    QStringList captions = {QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("姓名")};
    for (int n = 1; n <= 10; ++n)
        captions << QStringLiteral("tm%1").arg(n);
    captions << QStringLiteral("cheng") << QStringLiteral("cheng1") << QStringLiteral("cheng2");
    QCOMPARE(list->Captions(), captions);
    QCOMPARE(list->RowCount(), 2);
    QCOMPARE(list->Row(0),
             (QStringList{"1", "110101", QStringLiteral("张三"), QStringLiteral("答案一"),
                          QStringLiteral("答案二\n第二行"), QStringLiteral("答案三"), "", "", "",
                          "", "", "", QStringLiteral("末题"), "60", "8", "68"}));
    QCOMPARE(list->Row(1),
             (QStringList{"2", "110102", QStringLiteral("李四"), QStringLiteral("李四的答案"), "",
                          "", "", "", "", "", "", "", "", "17.5", "", ""}));
}

void GradingTabTest::choosingCandidateAndQuestion() {
    GradingFixture f(kCandidates);
    const GradingDriver ui = f.Ui();
    ui.ChooseCandidate(0);
    QCOMPARE(ui.Edit("Edg1")->text(), QStringLiteral("110101"));
    QCOMPARE(ui.Edit("Edg2")->text(), QStringLiteral("张三"));
    QVERIFY(ui.Question().isEmpty());

    ui.ChooseQuestion(2);
    QCOMPARE(ui.Panel(2)->color(), kLime);
    QCOMPARE(ui.Panel(1)->color(), kLightSkyBlue);
    QCOMPARE(ui.Question(), f.workdir.Scalar("Select Request from KaoShi4 where TestID=2"));
    QCOMPARE(ui.Answer(), QStringLiteral("答案二\n第二行"));

    // Panels stay lime while the same candidate is graded.
    ui.ChooseQuestion(3);
    QCOMPARE(ui.Panel(2)->color(), kLime);
    QCOMPARE(ui.Panel(3)->color(), kLime);
    QCOMPARE(ui.Answer(), QStringLiteral("答案三"));
    QVERIFY(f.prompts.shown.isEmpty());
}

void GradingTabTest::choosingAnotherCandidateResetsPanelsAndClearsMemos() {
    GradingFixture f(kCandidates);
    const GradingDriver ui = f.Ui();
    ui.ChooseCandidate(0);
    ui.ChooseQuestion(1);
    ui.Click("Butg10");
    ui.ChooseQuestion(3);
    ui.TypeMark(1, "4");

    ui.ChooseCandidate(1);
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(ui.Panel(n)->color(), kLightSkyBlue);
    QCOMPARE(ui.Edit("Edg1")->text(), QStringLiteral("110102"));
    QCOMPARE(ui.Edit("Edg2")->text(), QStringLiteral("李四"));
    // Nothing of 张三's answer is left to be marked as 李四's; the mark boxes keep their marks.
    QCOMPARE(ui.Answer(), QString());
    QCOMPARE(ui.Question(), QString());
    QCOMPARE(ui.Box(1)->text(), QStringLiteral("4"));

    ui.ChooseQuestion(1);
    QCOMPARE(ui.Answer(), QStringLiteral("李四的答案"));
    ui.ChooseQuestion(2);
    QCOMPARE(ui.Answer(), QString());
}

void GradingTabTest::markingTheChosenQuestion() {
    GradingFixture f(kCandidates);
    const GradingDriver ui = f.Ui();
    ui.Click("Butg10");
    QCOMPARE(f.prompts.Errors(), QStringList{"'' is not a valid integer value"});
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(ui.Panel(n)->color(), kLightSkyBlue);

    f.prompts.Clear();
    ui.ChooseQuestion(2);
    ui.Click("Butg10");
    QCOMPARE(ui.Panel(2)->color(), kRed);
    ui.ChooseQuestion(2);
    QCOMPARE(ui.Panel(2)->color(), kLime);
    QVERIFY(f.prompts.shown.isEmpty());
}

void GradingTabTest::keyFilters() {
    GradingFixture f;
    const GradingDriver ui = f.Ui();
    ui.TypeMark(1, "1a2.-5 x");
    QCOMPARE(ui.Box(1)->text(), QStringLiteral("12.5"));
    QTest::keyClick(ui.Box(1), Qt::Key_Backspace);
    QCOMPARE(ui.Box(1)->text(), QStringLiteral("12."));

    QLineEdit* number = ui.Edit("Edg1");
    QTest::keyClicks(number, "11a0.1-01");
    QCOMPARE(number->text(), QStringLiteral("110101"));
    QTest::keyClick(number, Qt::Key_Backspace);
    QCOMPARE(number->text(), QStringLiteral("11010"));
}

void GradingTabTest::saveStoresMarksAndTotal_data() {
    QTest::addColumn<QString>("objective");
    QTest::addColumn<QStringList>("marks");
    QTest::addColumn<QString>("stored");
    QTest::newRow("all boxes empty") << "60" << QStringList{} << "0|60";
    QTest::newRow("5 and 3") << "60" << QStringList{"5", "", "3"} << "8|68";
    QTest::newRow("objective with a fraction") << "17.5" << QStringList{"2"} << "2|19.5";
    QTest::newRow("typed zero") << "45" << QStringList{"0", "7"} << "7|52";
    QTest::newRow("marks beyond 32 bits together")
        << "1" << QStringList{"2000000000", "2000000000"} << "4000000000|4000000001";
}

// The chosen candidate's row gets the marks and the total; nobody else's changes, the list keeps
// the scores it was filled with, marks stay in their boxes and boxes holding "0" are emptied.
void GradingTabTest::saveStoresMarksAndTotal() {
    QFETCH(QString, objective);
    QFETCH(QStringList, marks);
    QFETCH(QString, stored);
    GradingFixture f(kCandidates + QStringLiteral("Update Userxinxi Set Chengji='") + objective +
                     QStringLiteral("' where Xuehao='110101';"));
    const GradingDriver ui = f.Ui();
    ui.ChooseCandidate(0);
    for (int i = 0; i < marks.size(); ++i)
        ui.TypeMark(i + 1, marks[i]);
    ui.Save();

    QCOMPARE(f.prompts.Texts(), QStringList{});
    QCOMPARE(ScoresOf(f.workdir, "110101"), stored);
    QCOMPARE(ScoresOf(f.workdir, "110102"), QStringLiteral("|"));
    QCOMPARE(f.workdir.Scalar("Select Chengji from Userxinxi where Xuehao='110101'"), objective);
    for (int n = 1; n <= 10; ++n) {
        const QString typed = marks.value(n - 1);
        QCOMPARE(ui.Box(n)->text(), typed == QStringLiteral("0") ? QString() : typed);
    }
    QCOMPARE(ui.List()->Cell(0, 14), QString());
    QCOMPARE(ui.List()->Cell(0, 15), QString());

    // A second save with the marks still in their boxes stores the same.
    ui.Save();
    QCOMPARE(ScoresOf(f.workdir, "110101"), stored);
}

void GradingTabTest::saveThatDoesNotConvertWritesNothing_data() {
    QTest::addColumn<QString>("objective");
    QTest::addColumn<QStringList>("marks");
    QTest::addColumn<QString>("error");
    QTest::newRow("mark with a decimal point")
        << "60" << QStringList{"5", "2.5"} << "'2.5' is not a valid integer value";
    QTest::newRow("mark of only a point")
        << "60" << QStringList{"", "", "."} << "'.' is not a valid integer value";
    QTest::newRow("candidate who has not taken the exam")
        << "" << QStringList{"5"} << "'' is not a valid floating point value";
}

void GradingTabTest::saveThatDoesNotConvertWritesNothing() {
    QFETCH(QString, objective);
    QFETCH(QStringList, marks);
    QFETCH(QString, error);
    GradingFixture f(QStringLiteral("Update Userxinxi Set Chengji='") + objective +
                     QStringLiteral("', Chengji1='7', Chengji2='67';"));
    const GradingDriver ui = f.Ui();
    ui.ChooseCandidate(0);
    for (int i = 0; i < marks.size(); ++i)
        ui.TypeMark(i + 1, marks[i]);
    ui.Save();

    QCOMPARE(f.prompts.Errors(), QStringList{error});
    QCOMPARE(ScoresOf(f.workdir, "110101"), QStringLiteral("7|67"));
    for (int n = 1; n <= 10; ++n) {
        const QString typed = marks.value(n - 1);
        QCOMPARE(ui.Box(n)->text(), typed.isEmpty() ? QStringLiteral("0") : typed);
    }
}

void GradingTabTest::saveBeforeChoosingACandidate() {
    GradingFixture f(QStringLiteral("Update Userxinxi Set Chengji='60';"));
    const GradingDriver ui = f.Ui();
    ui.TypeMark(1, "5");
    ui.Save();
    QCOMPARE(f.prompts.Errors(), QStringList{"'' is not a valid floating point value"});
    QCOMPARE(ScoresOf(f.workdir, "110101"), QStringLiteral("|"));
}

// Four questions: the six hidden boxes take part in the save as zeros and end empty.
void GradingTabTest::hiddenBoxesCountAsZero() {
    GradingFixture f(Paper(4) + QStringLiteral("Update Userxinxi Set Chengji='50';"));
    const GradingDriver ui = f.Ui();
    ui.ChooseCandidate(0);
    for (int n = 1; n <= 4; ++n)
        ui.TypeMark(n, QString::number(n));
    ui.Save();
    QCOMPARE(ScoresOf(f.workdir, "110101"), QStringLiteral("10|60"));
    for (int n = 5; n <= 10; ++n)
        QCOMPARE(ui.Box(n)->text(), QString());
}

QTEST_MAIN(GradingTabTest)
#include "GradingTabTest.moc"
