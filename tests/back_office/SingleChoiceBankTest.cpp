// The fixed single-choice bank, what every bank tab shows (buttons, key filters), and a teacher's
// session through the back office whose single-choice change reaches the exam paper.

#include "BankHarness.h"
#include "back_office/BackOffice.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "shell/Startup.h"
#include "support/FakePlatform.h"
#include "support/TestWorkdir.h"

#include <QTest>

Q_DECLARE_METATYPE(Bank)

namespace {

const QString kTestRows = QStringLiteral("Select * from Test");

}  // namespace

class SingleChoiceBankTest : public QObject {
    Q_OBJECT
  private slots:
    void refreshListsExactlyFifty();
    void refreshWithFewerRowsStopsAtTheEnd();
    void refreshOfAnEmptyBankFails();
    void changeStoresTheQuestion();
    void changeOutsideTheBankIsNotFound_data();
    void changeOutsideTheBankIsNotFound();
    void changeOfAMissingRowIsNotASuccess();
    void buttonsOfEachTab_data();
    void buttonsOfEachTab();
    void keyFilters_data();
    void keyFilters();
    void teacherSessionReachesTheExam();
};

void SingleChoiceBankTest::refreshListsExactlyFifty() {
    TestWorkdir dir;
    // A 51st row is neither listed nor renumbered; gaps are left alone.
    dir.Sql(QStringLiteral("Insert into Test values (60, '多余', 'a', 'b', 'c', 'd', 'A', '1')"));
    BankHarness h(Bank::SingleChoice);
    QVERIFY(h.prompts.Texts().isEmpty());
    QCOMPARE(h.Numbers(), NumbersUpTo(50));
    QCOMPARE(h.List()->Row(2).join(u'|'),
             dir.Rows(QStringLiteral("Select * from Test where TestID=3")).value(0));
    QCOMPARE(dir.Scalar(QStringLiteral("Select max(TestID) from Test")), QStringLiteral("60"));
}

void SingleChoiceBankTest::refreshWithFewerRowsStopsAtTheEnd() {
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from Test where TestID in (10, 50)"));
    BankHarness h(Bank::SingleChoice);
    QCOMPARE(h.prompts.Errors(), QStringList{QStringLiteral("Table is at End of File")});
    QCOMPARE(h.List()->RowCount(), 48);
    QCOMPARE(h.List()->Cell(9, 0), QStringLiteral("11"));
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from Test where TestID=11")),
             QStringLiteral("1"));
}

void SingleChoiceBankTest::refreshOfAnEmptyBankFails() {
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from Test"));
    BankHarness h(Bank::SingleChoice);
    QCOMPARE(h.prompts.Errors(),
             QStringList{QStringLiteral("Field TestID Not found. Empty dataset")});
    QCOMPARE(h.List()->RowCount(), 0);
}

void SingleChoiceBankTest::changeStoresTheQuestion() {
    TestWorkdir dir;
    BankHarness h(Bank::SingleChoice);
    h.ClickRow(49);
    QCOMPARE(h.Box(0)->text(), QStringLiteral("50"));
    // Stored again unchanged: still a success.
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{kChanged});
    h.prompts.Clear();
    h.Box(1)->setText(QStringLiteral("最后一题：Tom's \"PC\""));
    h.Box(7)->setText(QStringLiteral("2.5"));
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{kChanged});
    QCOMPARE(dir.Rows(QStringLiteral("Select Request, Score from Test where TestID=50")),
             QStringList{QStringLiteral("最后一题：Tom's \"PC\"|2.5")});
    QCOMPARE(h.List()->Cell(49, 1), QStringLiteral("最后一题：Tom's \"PC\""));
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from Test")), QStringLiteral("50"));
}

void SingleChoiceBankTest::changeOutsideTheBankIsNotFound_data() {
    QTest::addColumn<QString>("number");
    QTest::newRow("51") << "51";
    QTest::newRow("0") << "0";
    QTest::newRow("leading zero") << "03";
}

void SingleChoiceBankTest::changeOutsideTheBankIsNotFound() {
    QFETCH(QString, number);
    TestWorkdir dir;
    const QStringList before = dir.Rows(kTestRows);
    BankHarness h(Bank::SingleChoice);
    h.Fill(h.Question(number));
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{QStringLiteral("此题不存在,题号为1---50号。")});
    QCOMPARE(dir.Rows(kTestRows), before);
}

void SingleChoiceBankTest::changeOfAMissingRowIsNotASuccess() {
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from Test where TestID=50"));
    BankHarness h(Bank::SingleChoice);
    h.prompts.Clear();
    h.Fill(h.Question(QStringLiteral("50")));
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{QStringLiteral("此题不存在,题号为1---50号。")});
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from Test")), QStringLiteral("49"));
}

void SingleChoiceBankTest::buttonsOfEachTab_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QStringList>("visible");  // name=caption, left to right
    QTest::addColumn<QStringList>("hidden");
    QTest::newRow("single") << Bank::SingleChoice << QStringList{"Butz2=更改",
                                                                 "Butz3=清空",
                                                                 "TabSheet4InsertPicture=插入图片",
                                                                 "TabSheet4Word=从Word导入",
                                                                 "Butz4=导出",
                                                                 "Butz5=导入"}
                            << QStringList{"Butz1=刷新", "Butz6=保存"};
    QTest::newRow("multi") << Bank::MultiChoice
                           << QStringList{"Button11=更改考题",
                                          "Button12=添加考题",
                                          "Button15=删除考题",
                                          "Button13=清空",
                                          "TabSheet3InsertPicture=插入图片",
                                          "TabSheet3Word=从Word导入",
                                          "Button16=导出考题",
                                          "Button17=导入考题"}
                           << QStringList{"Button14=刷新", "Button18=保存"};
    QTest::newRow("true/false") << Bank::TrueFalse
                                << QStringList{"Buty1=刷新",
                                               "Buty2=更改考题",
                                               "Buty3=添加考题",
                                               "Buty5=删除考题",
                                               "Buty4=清空",
                                               "TabSheet7InsertPicture=插入图片",
                                               "TabSheet7Word=从Word导入",
                                               "Buty6=导出考题",
                                               "Buty7=导入考题"}
                                << QStringList{"Buty8=保存"};
    QTest::newRow("subjective") << Bank::Subjective
                                << QStringList{"Butx2=更改",
                                               "Butx3=添加",
                                               "Buttx4=删除",
                                               "Butx5=清空",
                                               "TabSheet5InsertPicture=插入图片",
                                               "TabSheet5Word=从Word导入",
                                               "Butx6=导出",
                                               "Butx7=导入"}
                                << QStringList{"Butx1=刷新", "Butx8=保存"};
}

void SingleChoiceBankTest::buttonsOfEachTab() {
    QFETCH(Bank, bank);
    QFETCH(QStringList, visible);
    QFETCH(QStringList, hidden);
    TestWorkdir dir;
    BankHarness h(bank);
    QStringList shown, notShown;
    QList<QPushButton*> buttons = h.tab->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    int right = -1;  // of the last button shown: none overlaps the next
    for (QPushButton* b : buttons) {
        (b->isVisible() ? shown : notShown) << b->objectName() + u'=' + b->text();
        if (!b->isVisible()) continue;
        QVERIFY2(h.tab->rect().contains(b->geometry()), qPrintable(b->objectName()));
        QVERIFY2(b->x() > right, qPrintable(b->objectName()));
        right = b->geometry().right();
    }
    notShown.sort();
    hidden.sort();
    QCOMPARE(shown, visible);
    QCOMPARE(notShown, hidden);
}

void SingleChoiceBankTest::keyFilters_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("kept");
    const QString digits = QStringLiteral("1230");
    const QString points = QStringLiteral("12.30.");
    const QString all = QStringLiteral("1a2.3-0 .");
    QTest::newRow("Edz1") << Bank::SingleChoice << "Edz1" << digits;
    QTest::newRow("Edz8") << Bank::SingleChoice << "Edz8" << points;
    QTest::newRow("Edz7") << Bank::SingleChoice << "Edz7" << all;
    QTest::newRow("Edx1") << Bank::MultiChoice << "Edx1" << digits;
    QTest::newRow("Edx8") << Bank::MultiChoice << "Edx8" << points;
    QTest::newRow("Edx2") << Bank::MultiChoice << "Edx2" << all;
    QTest::newRow("Edy1") << Bank::TrueFalse << "Edy1" << digits;
    QTest::newRow("Edy6") << Bank::TrueFalse << "Edy6" << points;
    QTest::newRow("Edy5") << Bank::TrueFalse << "Edy5" << all;
    QTest::newRow("Edxx1") << Bank::Subjective << "Edxx1" << digits;
    QTest::newRow("Edxx2") << Bank::Subjective << "Edxx2" << all;
}

void SingleChoiceBankTest::keyFilters() {
    QFETCH(Bank, bank);
    QFETCH(QString, box);
    QFETCH(QString, kept);
    TestWorkdir dir;
    BankHarness h(bank);
    auto* edit = h.tab->findChild<QLineEdit*>(box);
    QVERIFY(edit);
    QTest::keyClicks(edit, QStringLiteral("1a2.3-0 ."));
    QCOMPARE(edit->text(), kept);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), kept.chopped(1));
}

// A teacher in the back office the start-up created: changes single-choice question 3, then adds,
// changes and deletes in the other banks; the next exam reads the changed question from its paper.
void SingleChoiceBankTest::teacherSessionReachesTheExam() {
    TestWorkdir dir;
    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    const struct Reset {
        ~Reset() { SetErrorPrompts(nullptr); }
    } reset;
    FakePlatform platform;
    Program program(prompts, platform, false);
    QVERIFY(prompts.Texts().isEmpty());
    BackOffice& office = *program.Windows().backOffice;
    office.show();  // refreshes every list
    QVERIFY(prompts.Errors().isEmpty());
    const auto tab = [&](const char* name) {
        auto* found = office.findChild<BankTab*>(QLatin1String(name));
        office.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentWidget(found);
        return found;
    };
    const auto click = [](BankTab* t, const QString& name) {
        QTest::mouseClick(t->findChild<QPushButton*>(name), Qt::LeftButton);
    };
    const auto clickRow = [](BankTab* t, int row) {
        t->List()->scrollToItem(t->List()->topLevelItem(row));
        QTest::mouseClick(t->List()->viewport(), Qt::LeftButton, {},
                          t->List()->visualItemRect(t->List()->topLevelItem(row)).center());
    };

    BankTab* single = tab("TabSheet4");
    QCOMPARE(single->List()->RowCount(), 50);
    clickRow(single, 2);
    QCOMPARE(single->Box(0)->text(), QStringLiteral("3"));
    single->Box(1)->setText(QStringLiteral("冯·诺依曼计算机的工作原理是“存储程序”和什么？"));
    single->Box(4)->setText(QStringLiteral("程序控制"));
    click(single, QStringLiteral("Butz2"));
    QCOMPARE(prompts.Texts(), QStringList{kChanged});

    BankTab* multi = tab("TabSheet3");
    multi->Box(0)->setText(QStringLiteral("15"));
    for (int k = 1; k < 8; ++k)
        multi->Box(k)->setText(k == 6 ? QStringLiteral("ABD") : QStringLiteral("选项%1").arg(k));
    click(multi, QStringLiteral("Button12"));
    QCOMPARE(multi->List()->Cell(10, 0), QStringLiteral("11"));
    clickRow(multi, 0);
    multi->Box(7)->setText(QStringLiteral("4"));
    click(multi, QStringLiteral("Button11"));
    multi->Box(0)->setText(QStringLiteral("2"));
    click(multi, QStringLiteral("Button15"));
    QCOMPARE(multi->List()->RowCount(), 10);
    QCOMPARE(multi->List()->Cell(9, 1), QStringLiteral("选项1"));

    BankTab* trueFalse = tab("TabSheet7");
    trueFalse->Box(0)->setText(QStringLiteral("20"));
    click(trueFalse, QStringLiteral("Buty5"));
    clickRow(trueFalse, 0);
    trueFalse->Box(4)->setText(QStringLiteral("错"));
    click(trueFalse, QStringLiteral("Buty2"));
    trueFalse->Box(0)->setText(QStringLiteral("20"));
    trueFalse->Box(1)->setText(QStringLiteral("新的判断题"));
    click(trueFalse, QStringLiteral("Buty3"));
    QCOMPARE(trueFalse->List()->RowCount(), 20);

    BankTab* subjective = tab("TabSheet5");
    subjective->Box(0)->setText(QStringLiteral("1"));
    click(subjective, QStringLiteral("Buttx4"));
    QCOMPARE(subjective->List()->Cell(0, 0), QStringLiteral("1"));
    subjective->Box(0)->setText(QStringLiteral("9"));
    subjective->Box(1)->setText(QStringLiteral("简述操作系统的作用。"));
    click(subjective, QStringLiteral("Butx3"));
    clickRow(subjective, 2);
    subjective->Box(1)->setText(QStringLiteral("简述操作系统的主要功能。"));
    click(subjective, QStringLiteral("Butx2"));
    QCOMPARE(subjective->List()->Row(2),
             (QStringList{QStringLiteral("3"), QStringLiteral("简述操作系统的主要功能。")}));

    QCOMPARE(prompts.Errors(), QStringList{});
    QCOMPARE(prompts.Messages(), (QStringList{kChanged, kAdded, kChanged, kDeleted, kDeleted,
                                              kChanged, kAdded, kDeleted, kAdded, kChanged}));
    QCOMPARE(dir.Scalar(QStringLiteral("Select Score from KaoShi2 where TestID=1")),
             QStringLiteral("4"));
    QCOMPARE(dir.Scalar(QStringLiteral("Select DDx from KaoShi3 where TestID=1")),
             QStringLiteral("错"));

    // The next exam's paper: the exam reads its single-choice questions from KaoShi.
    Database db(kDatabasePath);
    const auto paper = db.OpenQuery(QStringLiteral("Select * from KaoShi where TestID=3"));
    QCOMPARE(paper->Value(QStringLiteral("Request")),
             QStringLiteral("冯·诺依曼计算机的工作原理是“存储程序”和什么？"));
    QCOMPARE(paper->Value(QStringLiteral("Cxx")), QStringLiteral("程序控制"));
}

QTEST_MAIN(SingleChoiceBankTest)
#include "SingleChoiceBankTest.moc"
