// "考生信息管理": the candidates list, add, delete, query and row click, driven through the tab
// with scripted prompts on a real database file.
#include "OfficeFixture.h"

#include <QtTest>

namespace {
const QString kEmpty = QStringLiteral("学号或姓名不能为空。");
const QString kOutOfRange = QStringLiteral("学号不在110101-999999内,请重新输入学号。");
const QString kExists = QStringLiteral("学号已存在,请重新输入学号。");
const QString kAdded = QStringLiteral("添加成功,谢谢!");
const QString kDeleted = QStringLiteral("删除成功。");
const QString kNoSuchCandidate = QStringLiteral("考生不存在，请重新输入考生学号。");
const QString kCandidatesQuery = QStringLiteral("Select UserID,Xuehao,Xingmin from Userxinxi");
}  // namespace

class CandidatesTabTest : public QObject {
    Q_OBJECT

    struct Tab : OfficeFixture {
        Tab() : OfficeFixture("TabSheet1") {}
        ReportList* List() const { return OfficeFixture::List("ListView3"); }
        void Add(const QString& number, const QString& name) {
            Type("Edit5", number);
            Type("Edit6", name);
            Click("Button7");
        }
        void Remove(const QString& number) {
            Type("Edit7", number);
            Click("Button8");
        }
        void Query(const QString& text) {
            Type("Edit1", text);
            Click("Button3");
        }
        // The names the list shows.
        QStringList Names() const {
            QStringList names;
            for (int r = 0; r < List()->RowCount(); ++r)
                names << List()->Cell(r, 2);
            return names;
        }
    };

  private slots:
    void listsCandidatesWithTheirResults() {
        Tab tab;
        QCOMPARE(tab.List()->Captions(),
                 QStringList({QStringLiteral("序号"), QStringLiteral("学号"),
                              QStringLiteral("姓名"), QStringLiteral("客观成绩"),
                              QStringLiteral("主观成绩"), QStringLiteral("总评成绩")}));
        QCOMPARE(Tab::Rows(tab.List()), QStringList({QStringLiteral("1|110101|张三|||")}));

        tab.dir.Sql(
            QStringLiteral("UPDATE Userxinxi SET Chengji=87.5, Chengji1='10', "
                           "Chengji2='97'"));
        tab.Click("Button4");
        QCOMPARE(Tab::Rows(tab.List()), QStringList({QStringLiteral("1|110101|张三|87.5|10|97")}));
        QVERIFY(tab.prompts.shown.isEmpty());
    }

    void deletingSecondOfThreeRenumbersListAndTable() {
        Tab tab;
        tab.Add(QStringLiteral("110102"), QStringLiteral("李四"));
        tab.Add(QStringLiteral("110103"), QStringLiteral("王五"));
        QCOMPARE(tab.prompts.Texts(), QStringList({kAdded, kAdded}));
        QVERIFY(tab.Edit("Edit5")->text().isEmpty());
        QVERIFY(tab.Edit("Edit6")->text().isEmpty());
        QCOMPARE(tab.List()->RowCount(), 3);
        QCOMPARE(tab.List()->Cell(2, 0), QStringLiteral("3"));

        tab.Remove(QStringLiteral("110102"));
        QCOMPARE(tab.prompts.LastText(), kDeleted);
        const QStringList expected = {QStringLiteral("1|110101|张三"),
                                      QStringLiteral("2|110103|王五")};
        QCOMPARE(tab.dir.Rows(kCandidatesQuery), expected);
        QCOMPARE(Tab::Rows(tab.List()), QStringList({expected[0] + QStringLiteral("|||"),
                                                     expected[1] + QStringLiteral("|||")}));
    }

    void addAcceptsTheNumberRangeInclusive() {
        Tab tab;
        tab.dir.Sql(QStringLiteral("DELETE FROM Userxinxi"));
        tab.Add(QStringLiteral("110100"), QStringLiteral("甲"));
        tab.Add(QStringLiteral("1000000"), QStringLiteral("乙"));
        tab.Add(QStringLiteral("110101"), QStringLiteral("丙"));
        tab.Add(QStringLiteral("999999"), QStringLiteral("丁"));
        // In range, but not as the sign-in types it: refused as the import refuses it.
        tab.Add(QStringLiteral("0110102"), QStringLiteral("戊"));
        tab.Add(QStringLiteral("+110102"), QStringLiteral("己"));
        QCOMPARE(tab.prompts.Texts(),
                 QStringList({kOutOfRange, kOutOfRange, kAdded, kAdded,
                              QStringLiteral("学号“0110102”不是110101到999999之间的数字（只写数字，"
                                             "不带空格、符号或前导的0），请重新输入学号。"),
                              QStringLiteral("学号“+110102”不是110101到999999之间的数字（只写数字，"
                                             "不带空格、符号或前导的0），请重新输入学号。")}));
        QCOMPARE(tab.dir.Rows(kCandidatesQuery),
                 QStringList({QStringLiteral("1|110101|丙"), QStringLiteral("2|999999|丁")}));
    }

    void numberBeyond32BitsStopsTheAdd() {
        Tab tab;
        // Written behind the tab's back: a refresh would show it.
        tab.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) "
                           "VALUES (2,'110102','李四')"));
        tab.Add(QStringLiteral("2147483648"), QStringLiteral("甲"));
        QCOMPARE(tab.prompts.Errors(),
                 QStringList({QStringLiteral("'2147483648' is not a valid integer value")}));
        QVERIFY(tab.prompts.Messages().isEmpty());
        QCOMPARE(tab.dir.Rows(kCandidatesQuery).size(), 2);
        QCOMPARE(tab.List()->RowCount(), 1);  // no refresh followed
        QCOMPARE(tab.Edit("Edit5")->text(), QStringLiteral("2147483648"));
    }

    void addRefusesEmptyBoxesAndDuplicateNumbers() {
        Tab tab;
        tab.Add(QString(), QStringLiteral("甲"));
        tab.Add(QStringLiteral("110102"), QStringLiteral("  "));
        // A number already present is refused whatever the name.
        tab.Add(QStringLiteral("110101"), QStringLiteral("李四"));
        QCOMPARE(tab.prompts.Texts(), QStringList({kEmpty, kEmpty, kExists}));
        QCOMPARE(tab.dir.Rows(kCandidatesQuery), QStringList({QStringLiteral("1|110101|张三")}));

        // Refused adds refresh too.
        tab.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) "
                           "VALUES (2,'110102','李四')"));
        tab.Add(QString(), QString());
        QCOMPARE(tab.List()->RowCount(), 2);
    }

    void namesWithQuotesAreStoredAsTyped() {
        Tab tab;
        const QString name = QStringLiteral("O\"Brien 'Jr', 小明");
        tab.Add(QStringLiteral("110102"), name);
        QCOMPARE(tab.prompts.Texts(), QStringList({kAdded}));
        QCOMPARE(tab.dir.Rows(kCandidatesQuery).last(), QStringLiteral("2|110102|") + name);
        QCOMPARE(tab.List()->Cell(1, 2), name);
    }

    void deleteMessagesTrimmingAndRepeatedNumbers() {
        Tab tab;
        tab.Remove(QStringLiteral(" "));
        tab.Remove(QStringLiteral("123456"));
        tab.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) VALUES "
                           "(2,'110102','李四'), (3,'110102','李四'), (4,'110103','王五')"));
        tab.Remove(QStringLiteral(" 110102 "));
        QCOMPARE(tab.prompts.Texts(), QStringList({kEmpty, kNoSuchCandidate, kDeleted, kDeleted}));
        QCOMPARE(tab.dir.Rows(kCandidatesQuery),
                 QStringList({QStringLiteral("1|110101|张三"), QStringLiteral("2|110103|王五")}));
    }

    void queryByName() {
        Tab tab;
        tab.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) VALUES "
                           "(2,'110102','张小明'), (3,'110103','王五'), "
                           "(4,'110104','王 五')"));
        tab.Click("Button4");
        tab.Query(QStringLiteral("张"));
        QCOMPARE(tab.Names(), QStringList({QStringLiteral("张三"), QStringLiteral("张小明")}));
        QCOMPARE(tab.List()->Row(1),
                 QStringList({QStringLiteral("2"), QStringLiteral("110102"),
                              QStringLiteral("张小明"), QString(), QString(), QString()}));
        tab.Query(QStringLiteral("   "));
        QVERIFY(tab.Names().isEmpty());
        // The text is sought as typed: a trailing blank must be in the name.
        tab.Query(QStringLiteral("王 "));
        QCOMPARE(tab.Names(), QStringList({QStringLiteral("王 五")}));
        tab.Query(QString());
        QVERIFY(tab.Names().isEmpty());
        QVERIFY(tab.prompts.shown.isEmpty());
    }

    void queryDoesNotRenumber() {
        Tab tab;
        tab.dir.Sql(QStringLiteral("UPDATE Userxinxi SET UserID=7"));
        tab.Query(QStringLiteral("三"));
        QCOMPARE(tab.List()->Cell(0, 0), QStringLiteral("7"));
        QCOMPARE(tab.dir.Scalar(QStringLiteral("Select UserID from Userxinxi")),
                 QStringLiteral("7"));
    }

    void refreshStopsAtAnEmptyNumber() {
        Tab tab;
        tab.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) "
                           "VALUES (NULL,'110102','李四')"));
        tab.Click("Button4");
        QCOMPARE(tab.prompts.Errors(),
                 QStringList({QStringLiteral("'' is not a valid integer value")}));
        QCOMPARE(tab.List()->RowCount(), 0);
        QCOMPARE(tab.dir.Rows(QStringLiteral("Select UserID from Userxinxi")),
                 QStringList({QStringLiteral("1"), QString()}));
    }

    void rowClickFillsDeleteBox() {
        Tab tab;
        tab.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) "
                           "VALUES (2,'110102','李四')"));
        tab.Click("Button4");
        Tab::ClickRow(tab.List(), 1);
        QCOMPARE(tab.Edit("Edit7")->text(), QStringLiteral("110102"));
        tab.Remove(tab.Edit("Edit7")->text());
        QCOMPARE(tab.prompts.Texts(), QStringList({kDeleted}));
    }

    void numberBoxesTakeDigitsOnly() {
        Tab tab;
        for (const char* name : {"Edit5", "Edit7"}) {
            QLineEdit* edit = tab.Edit(name);
            QTest::keyClicks(edit, "1a1 0-1.0:2");
            QCOMPARE(edit->text(), QStringLiteral("110102"));
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCOMPARE(edit->text(), QStringLiteral("11010"));
        }
        QTest::keyClicks(tab.Edit("Edit1"), "a b");
        QCOMPARE(tab.Edit("Edit1")->text(), QStringLiteral("a b"));
    }

    void spreadsheetButtonsArePlaced() {
        Tab tab;
        QCOMPARE(tab.Find<QPushButton>("Butk1")->text(), QStringLiteral("导出"));
        QCOMPARE(tab.Find<QPushButton>("Butk2")->text(), QStringLiteral("导入"));
        QCOMPARE(tab.Find<QPushButton>("Butk3")->text(), QStringLiteral("保存"));
        QVERIFY(tab.Find<QPushButton>("Butk1")->isVisible());
        QVERIFY(tab.Find<QPushButton>("Butk2")->isVisible());
        QVERIFY(!tab.Find<QPushButton>("Butk3")->isVisible());
    }

    void layoutOfListAndPanel() {
        Tab tab;
        const QRect list = tab.List()->geometry();
        QCOMPARE(list.size(), QSize(415, 297));
        const QRect panel = tab.Find<QWidget>("Panel1")->geometry();
        QCOMPARE(panel.size(), QSize(297, 297));
        QVERIFY(panel.left() > list.right());
        QCOMPARE(panel.top(), list.top());
        for (const char* name : {"Button4", "Butk1", "Butk2"}) {
            const QRect button = tab.Find<QPushButton>(name)->geometry();
            QVERIFY(button.top() > list.bottom());
            QCOMPARE(button.top(), tab.Find<QPushButton>("Button4")->geometry().top());
        }
    }
};

QTEST_MAIN(CandidatesTabTest)
#include "candidates_tab_test.moc"
