// The four sections: paging, marking and the answer sheets, checked alike for every section where
// they behave alike, then what is particular to each.
#include "ExamRig.h"

#include "ui_common/Colors.h"
#include "ui_common/Widgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QBuffer>
#include <QDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextBrowser>

#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "ui_common/PictureShelf.h"

namespace {

struct Names {
    const char *pre, *next, *mark, *memo, *choice1, *choice2, *cell;
    int panelBase, count, limit;
};
const Names kSections[4] = {
    {"lblPre", "lblNext", "lblMarkTest", "mmoRequest", "RadioButton1", "RadioButton2", "p", 0, 50,
     50},
    {"Labddq", "Labddh", "Labddb", "mmoRequest2", "CheckBox1", "CheckBox2", "b", 150, 10, 20},
    {"Labddq3", "Labddh3", "Labddb3", "mmoRequest3", "RadioButton13", "RadioButton23", "c", 200, 20,
     20},
    {"Labee1", "Labee2", "Labee3", "MemoRQ", nullptr, nullptr, nullptr, 250, 3, 10},
};
QString Panel(int section, int n) {
    return QStringLiteral("Panel%1").arg(kSections[section].panelBase + n);
}
QString Cell(int section, int n, int k) {
    return QStringLiteral("%1%2%1%3").arg(QLatin1String(kSections[section].cell)).arg(n).arg(k);
}
QString Button(int section) {
    return QStringLiteral("LabBt%1").arg(section + 1);
}

void AddSections(int last) {
    QTest::addColumn<int>("section");
    const char* names[4] = {"single choice", "multiple choice", "true/false", "subjective"};
    for (int s = 0; s <= last; ++s)
        QTest::newRow(names[s]) << s;
}

}  // namespace

class SectionsTest : public QObject {
    Q_OBJECT
  private slots:
    void pagingAndMarking_data() { AddSections(3); }
    void pagingAndMarking();
    void answersComeBackWhenShownAgain_data() { AddSections(2); }
    void answersComeBackWhenShownAgain();
    void questionsPastTheLimit_data() { AddSections(2); }
    void questionsPastTheLimit();
    void gapInTheBank();

    void singleChoicePicks();
    void singleChoiceKeysThatAreNotOneCapital_data();
    void singleChoiceKeysThatAreNotOneCapital();
    void multipleChoiceIsAllOrNothing();
    void multipleChoiceStoredAnswersInOtherForms_data();
    void multipleChoiceStoredAnswersInOtherForms();
    void trueFalseAnswers();
    void scoreIsTheSumOfAllObjectiveSections();
    void answersByKeyboardAndAssistiveTechnology();
    void subjectiveAnswers();
    void subjectiveTextIsStoredAsTyped();
    void picturesInEverySection();
};

void SectionsTest::pagingAndMarking() {
    QFETCH(int, section);
    const Names& s = kSections[section];
    const bool objective = section < 3;
    ExamRig rig;
    rig.Start();
    rig.Click(Button(section));
    rig.Click(s.pre);  // on question 1: stays, writes nothing
    QVERIFY(rig.Text(s.memo).startsWith(QStringLiteral("第1题 :  ")));
    QCOMPARE(rig.ScrollOf(section + 1), 0);
    rig.Click(s.mark);
    QCOMPARE(rig.Color(Panel(section, 1)), kRed);
    rig.Click(s.next);
    QVERIFY(rig.Text(s.memo).startsWith(QStringLiteral("第2题 :  ")));
    QCOMPARE(rig.Color(Panel(section, 2)), kLime);
    QCOMPARE(rig.Color(Panel(section, 1)), kRed);
    QCOMPARE(rig.Color(Panel(section, 3)), kLightSkyBlue);
    QCOMPARE(rig.ScrollOf(section + 1), 25);
    QCOMPARE(rig.Chengji(), objective ? QStringLiteral("0") : QString());
    rig.Click(s.pre);  // shown again: the mark is gone
    QCOMPARE(rig.Color(Panel(section, 1)), kLime);
    QCOMPARE(rig.ScrollOf(section + 1), 0);
    rig.Click(s.mark);
    rig.Click(Panel(section, 1));
    QCOMPARE(rig.Color(Panel(section, 1)), kLime);

    rig.dir.Sql("update Userxinxi set Chengji = NULL;");
    rig.Click(Panel(section, s.count));
    rig.Click(s.next);  // on the last question: stays in this section, writes all the same
    QVERIFY(rig.Text(s.memo).startsWith(QStringLiteral("第%1题 :  ").arg(s.count)));
    QVERIFY(rig.Shown(QStringLiteral("GroupBox%1").arg(section + 1)));
    QCOMPARE(rig.Chengji(), objective ? QStringLiteral("0") : QString());
    if (s.count < s.limit) QVERIFY(!rig.Shown(Panel(section, s.count + 1)));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void SectionsTest::answersComeBackWhenShownAgain() {
    QFETCH(int, section);
    const Names& s = kSections[section];
    ExamRig rig;
    rig.Start();
    rig.Click(Button(section));
    rig.Click(s.choice2);
    if (section == 1) rig.Click("CheckBox4");  // multiple choice question 1 is ABD
    const double earned = rig.State().AchievedScore;
    rig.Click(s.next);  // never answered: nothing checked
    QVERIFY(!rig.Checked(s.choice1) && !rig.Checked(s.choice2));
    rig.Click(s.pre);
    QVERIFY(rig.Checked(s.choice2));
    QVERIFY(!rig.Checked(s.choice1));
    QCOMPARE(rig.Color(Cell(section, 1, 2)), kBlue);
    QCOMPARE(rig.Color(Cell(section, 1, 1)), ButtonFace());
    QCOMPARE(rig.State().AchievedScore, earned);
    rig.Click(Panel(section, 2));
    rig.Click(Panel(section, 1));
    QVERIFY(rig.Checked(s.choice2));
    QCOMPARE(rig.State().AchievedScore, earned);
}

void SectionsTest::questionsPastTheLimit() {
    QFETCH(int, section);
    const Names& s = kSections[section];
    ExamRig rig;
    const char* inserts[3] = {
        "insert into Test values (%1, '第%1问', 'a', 'b', 'c', 'd', 'B', '5');",
        "insert into KaoShi2 values (%1, '第%1问', 'a', 'b', 'c', 'd', 'B', '5');",
        "insert into KaoShi3 values (%1, '第%1问', '正确', '错误', '错', '5');"};
    for (int n = s.count + 1; n <= s.limit + 2; ++n)
        rig.dir.Sql(QString::fromUtf8(inserts[section]).arg(n));
    rig.Start();
    QCOMPARE(rig.State().Count(section), s.limit + 2);
    rig.Click(Panel(section, s.limit));
    rig.Click(s.choice1);
    const double achieved = rig.State().AchievedScore;
    rig.Click(s.next);  // shown, but no grid row and no score slot
    QCOMPARE(rig.Text(s.memo), QStringLiteral("第%1题 :  第%1问").arg(s.limit + 1));
    QVERIFY(rig.Checked(s.choice1));  // keeps the previous question's state
    rig.Click(s.choice2);             // the right answer, scored nowhere
    QCOMPARE(rig.Color(Cell(section, s.limit, 1)), kBlue);
    QCOMPARE(rig.Color(Cell(section, s.limit, 2)), ButtonFace());
    QCOMPARE(rig.State().AchievedScore, achieved);
    rig.Click(s.mark);
    QCOMPARE(rig.Color(Panel(section, s.limit)), kLime);
    rig.Click(s.next);
    rig.Click(s.next);
    QCOMPARE(rig.Text(s.memo), QStringLiteral("第%1题 :  第%1问").arg(s.limit + 2));
    QVERIFY(rig.prompts.shown.isEmpty());
}

void SectionsTest::gapInTheBank() {
    ExamRig rig;
    // Past the set-up's 50 questions a gap is met only by paging.
    rig.dir.Sql(
        "insert into Test values (51, '第五十一问', 'a', 'b', 'c', 'd', 'B', '5');"
        "insert into Test values (53, '第五十三问', 'a', 'b', 'c', 'd', 'B', '5');");
    rig.Start();
    rig.Click("Panel50");
    rig.Click("lblNext");
    rig.dir.Sql("update Userxinxi set Chengji = NULL;");
    const int scrolled = rig.ScrollOf(1);
    rig.Click("lblNext");
    QCOMPARE(rig.prompts.Errors(),
             QStringList{QStringLiteral("Field TestID Not found. Empty dataset")});
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第51题 :  第五十一问"));  // kept
    QCOMPARE(rig.Chengji(), QString());  // the rest of "下一题" was skipped
    QCOMPARE(rig.ScrollOf(1), scrolled);
    rig.Click("lblNext");  // moves on from the number already taken
    QCOMPARE(rig.Text("mmoRequest"), QStringLiteral("第53题 :  第五十三问"));
}

void SectionsTest::singleChoicePicks() {
    ExamRig rig;
    rig.Start();
    rig.Click("RadioButton2");  // B; the key of question 1 is A
    QCOMPARE(rig.Color("p1p2"), kBlue);
    QCOMPARE(rig.State().SingleEarned[1], 0.0);
    rig.Click("RadioButton1");
    QCOMPARE(rig.Color("p1p1"), kBlue);
    QCOMPARE(rig.Color("p1p2"), ButtonFace());
    QCOMPARE(rig.State().AchievedScore, 1.0);
    rig.Click("RadioButton1");  // the option already picked: nothing changes
    QCOMPARE(rig.State().AchievedScore, 1.0);
    QCOMPARE(rig.Chengji(), QString());  // nothing written before "下一题"
    rig.Click("lblNext");
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    QCOMPARE(rig.Text("LabAX2"), QStringLiteral("运算器和控制器"));
    rig.Click("lblPre");
    rig.Click("RadioButton4");  // wrong after all: dropped at once, stored at the next "下一题"
    QCOMPARE(rig.State().AchievedScore, 0.0);
    QCOMPARE(rig.Chengji(), QStringLiteral("1"));
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(rig.Color(QStringLiteral("p2p%1").arg(k)), ButtonFace());
}

void SectionsTest::singleChoiceKeysThatAreNotOneCapital_data() {
    QTest::addColumn<QString>("key");
    QTest::newRow("lower case") << QStringLiteral("a");
    QTest::newRow("trailing blank") << QStringLiteral("A ");
    QTest::newRow("two letters") << QStringLiteral("AB");
}

void SectionsTest::singleChoiceKeysThatAreNotOneCapital() {
    QFETCH(QString, key);
    ExamRig rig;
    rig.dir.Sql(QStringLiteral("update Test set DDx = '%1' where TestID = 1;").arg(key));
    rig.Start();
    for (const char* radio : {"RadioButton1", "RadioButton2", "RadioButton3", "RadioButton4"}) {
        rig.Click(radio);
        QCOMPARE(rig.State().AchievedScore, 0.0);
    }
}

void SectionsTest::multipleChoiceIsAllOrNothing() {
    ExamRig rig;
    rig.dir.Sql("update KaoShi2 set DDx = '' where TestID = 3;");
    rig.Start();
    rig.Click("Panel152");  // stored AC, 3 points
    rig.Click("CheckBox1");
    QCOMPARE(rig.State().MultiEarned[2], 0.0);
    rig.Click("CheckBox3");
    QCOMPARE(rig.State().MultiAnswer, QStringLiteral("AC"));
    QCOMPARE(rig.State().MultiEarned[2], 3.0);
    rig.Click("CheckBox2");
    QCOMPARE(rig.State().MultiEarned[2], 0.0);
    rig.Click("CheckBox2");  // unticked: its cell back to button face, AC again
    QCOMPARE(rig.Color("b2b2"), ButtonFace());
    QCOMPARE(rig.State().AchievedScore, 3.0);
    rig.Click("Panel155");  // stored BD: ticked D first
    rig.Click("CheckBox4");
    rig.Click("CheckBox2");
    QCOMPARE(rig.State().MultiAnswer, QStringLiteral("BD"));
    QCOMPARE(rig.State().AchievedScore, 6.0);
    rig.Click("Panel153");  // an empty stored answer matches a tick operation leaving none ticked
    rig.Click("CheckBox1");
    rig.Click("CheckBox1");
    QCOMPARE(rig.State().MultiEarned[3], 3.0);
}

void SectionsTest::multipleChoiceStoredAnswersInOtherForms_data() {
    QTest::addColumn<QString>("stored");
    QTest::newRow("other order") << QStringLiteral("CA");
    QTest::newRow("lower case") << QStringLiteral("ac");
    QTest::newRow("separated") << QStringLiteral("A,C");
}

void SectionsTest::multipleChoiceStoredAnswersInOtherForms() {
    QFETCH(QString, stored);
    ExamRig rig;
    rig.dir.Sql(QStringLiteral("update KaoShi2 set DDx = '%1' where TestID = 1;").arg(stored));
    rig.Start();
    rig.Click("LabBt2");
    const char* boxes[4] = {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4"};
    for (int mask = 1; mask < 16; ++mask) {  // every set of ticks, in several orders
        for (int k = 0; k < 4; ++k)
            if (rig.Checked(boxes[k]) != bool(mask & (1 << k))) rig.Click(boxes[k]);
        QCOMPARE(rig.State().MultiEarned[1], 0.0);
    }
}

void SectionsTest::trueFalseAnswers() {
    ExamRig rig;
    rig.dir.Sql("update KaoShi3 set DDx = '正确' where TestID = 3;");  // neither 对 nor 错
    rig.Start();
    rig.Click("LabBt3");  // question 1: 对
    rig.Click("RadioButton13");
    rig.Click("RadioButton23");
    QCOMPARE(rig.State().TrueFalseEarned[1], 0.0);
    rig.Click("RadioButton13");
    QCOMPARE(rig.Color("c1c1"), kBlue);
    QCOMPARE(rig.Color("c1c2"), ButtonFace());
    QCOMPARE(rig.State().TrueFalseEarned[1], 1.0);
    rig.Click("Panel202");  // 错
    rig.Click("RadioButton23");
    QCOMPARE(rig.State().TrueFalseEarned[2], 1.0);
    rig.Click("Panel203");
    rig.Click("RadioButton13");
    QCOMPARE(rig.State().TrueFalseEarned[3], 0.0);
    rig.Click("RadioButton23");
    QCOMPARE(rig.State().TrueFalseEarned[3], 0.0);
    QCOMPARE(rig.State().AchievedScore, 2.0);
}

namespace {
// The accessibility interface's toggle action on an answer control, as a screen reader does it.
void Toggle(ExamRig& rig, const char* name) {
    QAccessibleInterface* control =
        QAccessible::queryAccessibleInterface(rig.Find<QAbstractButton>(QLatin1String(name)));
    QVERIFY(control && control->actionInterface());
    control->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}
void PressSpace(ExamRig& rig, const char* name) {
    QTest::keyClick(rig.Find<QAbstractButton>(QLatin1String(name)), Qt::Key_Space);
}
}  // namespace

// Any change of an option is an answer: the sheet and the score follow it as after a click.
void SectionsTest::answersByKeyboardAndAssistiveTechnology() {
    ExamRig rig;
    rig.Start();
    Toggle(rig, "RadioButton1");  // single choice 1: A is right
    QCOMPARE(rig.Color("p1p1"), kBlue);
    QCOMPARE(rig.State().AchievedScore, 1.0);
    PressSpace(rig, "RadioButton2");
    QCOMPARE(rig.Color("p1p1"), ButtonFace());
    QCOMPARE(rig.Color("p1p2"), kBlue);
    QCOMPARE(rig.State().AchievedScore, 0.0);

    rig.Click("Panel152");  // multiple choice 2: AC, 3 points
    Toggle(rig, "CheckBox1");
    PressSpace(rig, "CheckBox3");
    QCOMPARE(rig.State().MultiEarned[2], 3.0);
    Toggle(rig, "CheckBox3");  // unticked again
    QCOMPARE(rig.Color("b2b3"), ButtonFace());
    QCOMPARE(rig.State().MultiEarned[2], 0.0);
    rig.Click("Panel151");  // showing a question is not answering it, although the boxes change
    QCOMPARE(rig.State().MultiAnswer, QStringLiteral("A"));

    rig.Click("LabBt3");  // true/false 1: 对
    Toggle(rig, "RadioButton13");
    QCOMPARE(rig.Color("c1c1"), kBlue);
    QCOMPARE(rig.State().AchievedScore, 1.0);
}

void SectionsTest::scoreIsTheSumOfAllObjectiveSections() {
    ExamRig rig;
    rig.dir.Sql("update Test set Score = '0.5' where TestID = 1;");
    rig.Start();
    rig.Click("RadioButton1");  // 0.5
    rig.Click("LabBt2");
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox4"})
        rig.Click(box);  // 3
    rig.Click("LabBt3");
    rig.Click("RadioButton13");  // 1
    QCOMPARE(rig.State().AchievedScore, 4.5);
    QCOMPARE(rig.State().FullMarks, 99.5);
    rig.Click("Labddh3");
    QCOMPARE(rig.Chengji(), QStringLiteral("4.5"));
    rig.Click("LabBt1");
    rig.Click("RadioButton2");
    QCOMPARE(rig.State().AchievedScore, 4.0);
}

void SectionsTest::subjectiveAnswers() {
    ExamRig rig;
    rig.Start();
    rig.Click("LabBt4");
    QCOMPARE(rig.Text("MemoRQ"),
             QStringLiteral("第1题 :  计算机硬件系统由哪五大部分组成？请简述各部分的主要作用。"));
    QCOMPARE(rig.Text("Lab252"),
             QStringLiteral("简述Excel中相对引用与绝对引用的区别，并各举一例。"));
    // The row shows what fits; the whole question is on hover.
    QCOMPARE(rig.Find("Lab252")->toolTip(), rig.Text("Lab252"));
    QWidget* memo = rig.Find("MeRequest");
    TypeInto(memo, QStringLiteral("运算器、控制器"));
    QTest::keyClick(memo, Qt::Key_Return);
    TypeInto(memo, QStringLiteral("存储器"));
    rig.Click("Labee3");
    rig.Click("Labee4");
    QCOMPARE(rig.dir.Scalar("select Tt1 from Userxinxi"), QStringLiteral("运算器、控制器\n存储器"));
    QCOMPARE(rig.Color("Panel251"), kRed);         // saving changes no colour
    TypeInto(memo, QStringLiteral("，输入设备"));  // typed, not saved
    rig.Click("Labee2");
    QCOMPARE(rig.Text("MeRequest"), QString());
    rig.Click("Labee1");
    QCOMPARE(rig.Text("MeRequest"), QStringLiteral("运算器、控制器\n存储器"));
    rig.Find<QPlainTextEdit>("MeRequest")->setPlainText(QStringLiteral("第二稿"));
    rig.Click("Labee4");  // saved twice: the second text stays
    rig.Click("Panel252");
    rig.Click("Panel251");
    QCOMPARE(rig.Text("MeRequest"), QStringLiteral("第二稿"));
    QCOMPARE(rig.dir.Rows("select Tt1, Tt2, Chengji from Userxinxi"),
             QStringList{QStringLiteral("第二稿||")});
    QVERIFY(rig.prompts.shown.isEmpty());
}

void SectionsTest::subjectiveTextIsStoredAsTyped() {
    ExamRig rig;
    rig.dir.Sql("update Userxinxi set Chengji = '7', Tt2 = 'keep';");
    rig.Start();
    rig.Click("Panel251");
    QWidget* memo = rig.Find("MeRequest");
    memo->setFocus();
    const QString typed = QStringLiteral("it's \"A1\"', Tt2='x', Chengji='100");
    QTest::keyClicks(memo, typed);
    rig.Click("Labee4");
    QCOMPARE(rig.dir.Rows("select Tt1, Tt2, Chengji, Xingmin from Userxinxi"),
             QStringList{typed + QStringLiteral("|keep|7|张三")});
    // A save the database cannot take now waits on this workstation: no box, the memo as it is.
    rig.LockCandidates();
    QTest::keyClicks(memo, QStringLiteral("!"));
    rig.Click("Labee4");
    rig.Settle();
    QVERIFY(rig.prompts.shown.isEmpty());
    QCOMPARE(rig.Text("MeRequest"), typed + u'!');
    rig.Unlock();
    QCOMPARE(rig.dir.Scalar("select Tt1 from Userxinxi"), typed + u'!');
}

// Question 1 of every section shows its picture in the question, and single- and multiple-choice
// option A shows one beside it, fitted with its proportions; question 2 (none) shows none; a
// picture clicked opens at full size and closes with Esc or its button.
void SectionsTest::picturesInEverySection() {
    ExamRig rig;
    QImage image(240, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(20, 20, 100, 60, Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QString marker;
    {
        Database db(kDatabasePath);
        marker = StorePicture(db, png);
    }
    const QString request = QStringLiteral("如图所示：") + marker + QStringLiteral("，是什么？");
    for (const char* table : {"Test", "KaoShi2", "KaoShi3", "KaoShi4"})
        rig.dir.Sql(QStringLiteral("update %1 set Request = '%2' where TestID = 1;")
                        .arg(QLatin1String(table), request));
    rig.dir.Sql(QStringLiteral("update Test set Axx = '%1' where TestID = 1;"
                               "update KaoShi2 set Axx = '甲%1' where TestID = 1;")
                    .arg(marker));
    rig.Start();
    const char* options[4] = {"LabAX1", "LabAX12", nullptr, nullptr};
    for (int section = 0; section < 4; ++section) {
        const Names& s = kSections[section];
        rig.Click(Button(section));
        const QString viewName = QLatin1String(s.memo) + QStringLiteral("Pictures");
        auto* view = rig.Find<QTextBrowser>(viewName);
        QVERIFY(view && rig.Shown(viewName));
        QCOMPARE(PictureTextOf(view->document()), QStringLiteral("第1题 :  ") + request);
        QCOMPARE(view->document()->toPlainText().count(QChar::ObjectReplacementCharacter), 1);
        QVERIFY(!rig.Text(s.memo).contains(QChar(kPictureOpen)));
        if (options[section]) {
            const QString name = QLatin1String(options[section]) + QStringLiteral("Picture1");
            auto* picture = rig.Find<PictureLabel>(name);
            QVERIFY(picture && rig.Shown(name));
            QVERIFY(picture->height() <= 34);
            QCOMPARE(picture->width(), 2 * picture->height());  // as the picture, 2:1
            QVERIFY(!rig.Text(options[section]).contains(QChar(kPictureOpen)));
            rig.Click(name);
            auto* enlarged = rig.Window().findChild<QDialog*>(QStringLiteral("PictureWindow"));
            QVERIFY(enlarged && enlarged->isVisible());
            QCOMPARE(enlarged->findChild<QLabel*>(QStringLiteral("PictureWindowPicture"))->size(),
                     image.size());
            if (section == 0)
                QTest::keyClick(enlarged, Qt::Key_Escape);
            else
                QTest::mouseClick(
                    enlarged->findChild<QWidget*>(QStringLiteral("PictureWindowClose")),
                    Qt::LeftButton);
            QTRY_VERIFY(!rig.Window().findChild<QDialog*>(QStringLiteral("PictureWindow")));
            rig.Click(s.next);
            QVERIFY(!rig.Shown(name));
        } else {
            rig.Click(s.next);
        }
        QVERIFY(!rig.Shown(viewName));
        QVERIFY(rig.Text(s.memo).startsWith(QStringLiteral("第2题 :  ")));
    }
}

QTEST_MAIN(SectionsTest)
#include "test_sections.moc"
