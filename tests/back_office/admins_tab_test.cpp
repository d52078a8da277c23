// "管理员管理": the administrators list, add, delete, password change and the exam duration,
// driven through the tab with scripted prompts on a real database file.
#include "OfficeFixture.h"

#include <QtTest>

namespace {
const QString kEmptyAdmin = QStringLiteral("管理员或密码不能为空。");
const QString kAdminExists = QStringLiteral("管理员已存在,请重新输入管理员。");
const QString kAdded = QStringLiteral("添加成功,谢谢!");
const QString kNoName = QStringLiteral("管理员不能为空。");
const QString kNoSuchAdmin = QStringLiteral("管理员不存在，请重新输入管理员。");
const QString kDeleted = QStringLiteral("删除成功。");
const QString kKeepOne = QStringLiteral("至少保留一个管理员。");
const QString kPasswordChanged = QStringLiteral("密码修改成功。");
const QString kWrongPassword = QStringLiteral("管理员不存在或原密码错误。");
const QString kAdminsQuery = QStringLiteral("Select UserGLID,Usermin,password from UserGL");
}  // namespace

class AdminsTabTest : public QObject {
    Q_OBJECT

    struct Tab : OfficeFixture {
        Tab() : OfficeFixture("TabSheet2") {}
        ReportList* List() const { return OfficeFixture::List("ListView1"); }
        void Add(const QString& name, const QString& password) {
            Type("Edit8", name);
            Type("Edit9", password);
            Click("Button9");
        }
        void Remove(const QString& name) {
            Type("Edit10", name);
            Click("Button10");
        }
        void ChangePassword(const QString& name, const QString& old, const QString& fresh) {
            Type("Edit2", name);
            Type("Edit3", old);
            Type("Edit4", fresh);
            Click("Button5");
        }
    };

  private slots:
    void showsAdministratorsWhenOpened() {
        Tab tab;
        QCOMPARE(tab.List()->Captions(),
                 QStringList({QStringLiteral("序号"), QStringLiteral("管理员名称"),
                              QStringLiteral("密码")}));
        QCOMPARE(Tab::Rows(tab.List()), QStringList({QStringLiteral("1|admin|123456")}));
        QVERIFY(tab.prompts.shown.isEmpty());
    }

    void deletingSecondOfThreeRenumbersListAndTable() {
        Tab tab;
        tab.Add(QStringLiteral("bob"), QStringLiteral("b1"));
        tab.Add(QStringLiteral("carol"), QStringLiteral("c1"));
        QCOMPARE(tab.prompts.Texts(), QStringList({kAdded, kAdded}));
        QCOMPARE(Tab::Rows(tab.List()),
                 QStringList({QStringLiteral("1|admin|123456"), QStringLiteral("2|bob|b1"),
                              QStringLiteral("3|carol|c1")}));
        QVERIFY(tab.Edit("Edit8")->text().isEmpty());
        QVERIFY(tab.Edit("Edit9")->text().isEmpty());

        tab.Remove(QStringLiteral("bob"));
        QCOMPARE(tab.prompts.LastText(), kDeleted);
        const QStringList expected = {QStringLiteral("1|admin|123456"),
                                      QStringLiteral("2|carol|c1")};
        QCOMPARE(Tab::Rows(tab.List()), expected);
        QCOMPARE(tab.dir.Rows(kAdminsQuery), expected);
        // The next one added takes the number after the renumbered rows.
        tab.Add(QStringLiteral("dave"), QStringLiteral("d1"));
        QCOMPARE(tab.dir.Rows(kAdminsQuery).last(), QStringLiteral("3|dave|d1"));
    }

    void addRefusesEmptyAndDuplicateNamesButNotUntrimmedOnes() {
        Tab tab;
        tab.Add(QStringLiteral("   "), QStringLiteral("pw"));
        tab.Add(QStringLiteral("eve"), QStringLiteral("  "));
        // Every add ends with a refresh, also a refused one: a row written behind the tab's
        // back shows up.
        tab.dir.Sql(QStringLiteral("INSERT INTO UserGL VALUES (2,'root','r')"));
        tab.Add(QStringLiteral("admin"), QStringLiteral("other"));
        QCOMPARE(tab.List()->RowCount(), 2);
        QCOMPARE(tab.Edit("Edit8")->text(), QStringLiteral("admin"));
        // The comparison uses the name as typed: with a leading blank it is a new name.
        tab.Add(QStringLiteral(" admin"), QStringLiteral("x"));
        QCOMPARE(tab.prompts.Texts(),
                 QStringList({kEmptyAdmin, kEmptyAdmin, kAdminExists, kAdded}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery),
                 QStringList({QStringLiteral("1|admin|123456"), QStringLiteral("2|root|r"),
                              QStringLiteral("3| admin|x")}));
    }

    void namesAndPasswordsWithQuotesAreStoredAsTyped() {
        Tab tab;
        const QString name = QStringLiteral("o\"neil's");
        const QString password = QStringLiteral("p'a\"ss; --");
        tab.Add(name, password);
        QCOMPARE(tab.prompts.Texts(), QStringList({kAdded}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery).last(), QStringLiteral("2|") + name + u'|' + password);
        QCOMPARE(tab.List()->Row(1), QStringList({QStringLiteral("2"), name, password}));

        tab.ChangePassword(name, password, QStringLiteral("it's \"new\""));
        QCOMPARE(tab.prompts.LastText(), kPasswordChanged);
        QCOMPARE(tab.dir.Scalar(QStringLiteral("Select password from UserGL where UserGLID=2")),
                 QStringLiteral("it's \"new\""));

        tab.Remove(name);
        QCOMPARE(tab.prompts.LastText(), kDeleted);
        QCOMPARE(tab.dir.Rows(kAdminsQuery), QStringList({QStringLiteral("1|admin|123456")}));
    }

    void deleteMessagesAndTrimmedName() {
        Tab tab;
        tab.Remove(QStringLiteral("  "));
        tab.Remove(QStringLiteral("nobody"));
        tab.dir.Sql(
            QStringLiteral("INSERT INTO UserGL VALUES (2,'bob','b'); "
                           "INSERT INTO UserGL VALUES (3,'bob','b2'); "
                           "INSERT INTO UserGL VALUES (4,'carol','c');"));
        // Both rows of that name go, each with its message; the gap closes.
        tab.Remove(QStringLiteral("  bob "));
        QCOMPARE(tab.prompts.Texts(), QStringList({kNoName, kNoSuchAdmin, kDeleted, kDeleted}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery),
                 QStringList({QStringLiteral("1|admin|123456"), QStringLiteral("2|carol|c")}));
        QCOMPARE(Tab::Rows(tab.List()), tab.dir.Rows(kAdminsQuery));
    }

    void lastAdministratorIsKept() {
        Tab tab;
        tab.Remove(QStringLiteral("admin"));
        QCOMPARE(tab.prompts.Texts(), QStringList({kKeepOne}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery), QStringList({QStringLiteral("1|admin|123456")}));

        // Two rows of one name that are all there is: neither goes.
        tab.prompts.Clear();
        tab.dir.Sql(QStringLiteral("INSERT INTO UserGL VALUES (2,'admin','other')"));
        tab.Remove(QStringLiteral("admin"));
        QCOMPARE(tab.prompts.Texts(), QStringList({kKeepOne}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery).size(), 2);
        QCOMPARE(tab.List()->RowCount(), 2);
    }

    void rowClickFillsDeleteAndPasswordBoxes() {
        Tab tab;
        tab.dir.Sql(QStringLiteral("INSERT INTO UserGL VALUES (2,'bob','b')"));
        tab.Click("Button1");
        Tab::ClickRow(tab.List(), 1);
        QCOMPARE(tab.Edit("Edit10")->text(), QStringLiteral("bob"));
        QCOMPARE(tab.Edit("Edit2")->text(), QStringLiteral("bob"));

        // A click that selects nothing changes nothing.
        tab.Click("Button1");
        tab.Type("Edit10", QStringLiteral("keep"));
        Tab::ClickRow(tab.List(), -1);
        QCOMPARE(tab.List()->SelectedRow(), -1);
        QCOMPARE(tab.Edit("Edit10")->text(), QStringLiteral("keep"));
        QCOMPARE(tab.Edit("Edit2")->text(), QStringLiteral("bob"));
    }

    void passwordChange() {
        Tab tab;
        for (const char* box : {"Edit3", "Edit4"}) {
            tab.Edit(box)->setText(QStringLiteral("旧pw"));
            QCOMPARE(tab.Edit(box)->displayText(), QStringLiteral("***"));
        }
        tab.dir.Sql(QStringLiteral("INSERT INTO UserGL VALUES (2,'bob','Secret')"));
        tab.Click("Button1");
        tab.ChangePassword(QStringLiteral(" "), QStringLiteral("Secret"), QStringLiteral("n"));
        tab.ChangePassword(QStringLiteral("bob"), QStringLiteral(" "), QStringLiteral("n"));
        tab.ChangePassword(QStringLiteral("bob"), QStringLiteral("Secret"), QStringLiteral(" "));
        // A password that differs only in letter case is wrong.
        tab.ChangePassword(QStringLiteral("bob"), QStringLiteral("secret"), QStringLiteral("n"));
        QCOMPARE(tab.prompts.Texts(),
                 QStringList({kEmptyAdmin, kEmptyAdmin, kEmptyAdmin, kWrongPassword}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery).last(), QStringLiteral("2|bob|Secret"));

        // The same password again succeeds, once.
        tab.prompts.Clear();
        tab.ChangePassword(QStringLiteral(" bob "), QStringLiteral(" Secret "),
                           QStringLiteral("Secret"));
        QCOMPARE(tab.prompts.Texts(), QStringList({kPasswordChanged}));
        // The new password is stored as typed, blanks included; the list is not refreshed.
        tab.ChangePassword(QStringLiteral("bob"), QStringLiteral("Secret"),
                           QStringLiteral(" n w "));
        QCOMPARE(tab.prompts.Texts(), QStringList({kPasswordChanged, kPasswordChanged}));
        QCOMPARE(tab.dir.Rows(kAdminsQuery).last(), QStringLiteral("2|bob| n w "));
        QCOMPARE(tab.List()->Cell(1, 2), QStringLiteral("Secret"));

        tab.Click("Button6");
        QVERIFY(tab.Edit("Edit2")->text().isEmpty());
        QVERIFY(tab.Edit("Edit3")->text().isEmpty());
        QVERIFY(tab.Edit("Edit4")->text().isEmpty());
    }

    void examDuration() {
        Tab tab;
        const QString durationQuery = QStringLiteral("Select TimeN from Time where TimeID=1");
        QCOMPARE(tab.Edit("Edit11")->text(), QStringLiteral("01:10:00"));
        tab.Type("Edit11", QStringLiteral("  "));
        tab.Click("Button19");
        for (const char* wrong : {"25:00:00", "12:60", "1", "::"}) {
            tab.Type("Edit11", QString::fromLatin1(wrong));
            tab.Click("Button19");
        }
        QCOMPARE(tab.prompts.Texts(),
                 QStringList({QStringLiteral("时间不能为空。"), QStringLiteral("不是时间格式"),
                              QStringLiteral("不是时间格式"), QStringLiteral("不是时间格式"),
                              QStringLiteral("不是时间格式")}));
        QCOMPARE(tab.dir.Scalar(durationQuery), QStringLiteral("01:10:00"));

        // Hours and minutes alone are a time; the text is stored as typed.
        tab.prompts.Clear();
        tab.Type("Edit11", QStringLiteral("1:30"));
        tab.Click("Button19");
        QCOMPARE(tab.prompts.Texts(), QStringList({QStringLiteral("考试时间设置成功。")}));
        QCOMPARE(tab.dir.Scalar(durationQuery), QStringLiteral("1:30"));
    }

    // The school's name is one shared setting: stored as typed, quotes and all, shown again by
    // the next back office (any workstation's), and cleared by an empty box.
    void schoolName() {
        const QString query = QStringLiteral("select Zhi from Shezhi where Mingcheng='Xuexiao'");
        Tab tab;
        QCOMPARE(tab.Edit("SchoolName")->text(), QString());
        tab.Type("SchoolName", QStringLiteral("  澄溪县第一中学 '初二' "));
        tab.Click("SchoolNameSet");
        QCOMPARE(tab.prompts.Texts(), QStringList({QStringLiteral("学校名称设置成功。")}));
        QCOMPARE(tab.dir.Scalar(query), QStringLiteral("  澄溪县第一中学 '初二' "));
        tab.Type("SchoolName", QStringLiteral("澄溪县第二中学"));
        tab.Click("SchoolNameSet");
        QCOMPARE(tab.dir.Scalar(QStringLiteral("select count(*) from Shezhi")), "1");
        tab.window.hide();
        tab.window.show();  // shown again: the stored name
        QCOMPARE(tab.Edit("SchoolName")->text(), QStringLiteral("澄溪县第二中学"));
        tab.Type("SchoolName", QString());
        tab.Click("SchoolNameSet");
        QCOMPARE(tab.dir.Scalar(query), QString());
    }

    void durationBoxTakesDigitsAndColonsOnly() {
        Tab tab;
        QLineEdit* edit = tab.Edit("Edit11");
        edit->clear();
        QTest::keyClicks(edit, "0a2:3 x0-");
        QCOMPARE(edit->text(), QStringLiteral("02:30"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("02:3"));
    }

    // Every password box of the back office, the server tab's too, shows "*" for each character.
    void passwordBoxesShowStars() {
        Tab tab;
        QStringList boxes;
        for (QLineEdit* edit : tab.window.findChildren<QLineEdit*>()) {
            if (edit->echoMode() != QLineEdit::Password) continue;
            edit->ensurePolished();
            edit->clear();  // the server tab's box holds the server's password on a server
            QTest::keyClicks(edit, QStringLiteral("ab1"));
            QCOMPARE(edit->displayText(), QStringLiteral("***"));
            boxes << edit->objectName();
        }
        boxes.sort();
        QCOMPARE(boxes, (QStringList{QStringLiteral("Edit3"), QStringLiteral("Edit35"),
                                     QStringLiteral("Edit37"), QStringLiteral("Edit4")}));
    }
};

QTEST_MAIN(AdminsTabTest)
#include "admins_tab_test.moc"
