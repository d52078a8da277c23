// Hostile input typed into every edit box of every window: quotes, statement pieces, a 10,000-
// character line, line breaks, tabs, control characters, characters beyond the BMP, Chinese, and
// out-of-range and overlong numbers in the number boxes. A box that stores its text stores exactly
// what was typed, in its own cell and nowhere else; every other box changes nothing; the schema
// never changes; every click shows at most one box.
#include "../exam/ExamRig.h"
#include "back_office/BackOffice.h"
#include "back_office/BankTraits.h"
#include "data_store/Conversions.h"
#include "reliability/HostileInput.h"
#include "shell/AdminSignIn.h"
#include "shell/CandidateSignIn.h"
#include "shell/HelpWindow.h"
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
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// The program on a fresh copy of the delivered database, every window created, the back office
// shown, a candidate holding an objective score for the grading tab.
struct Classroom {
    Classroom() {
        ResetTermination();
        SetErrorPrompts(&prompts);
        dir.Sql(QStringLiteral("update Userxinxi set Chengji = '80'"));
        program = std::make_unique<Program>(prompts, platform, false);
        const AppWindows& windows = program->Windows();
        windows.signIn->show();
        windows.adminSignIn->show();
        windows.help->show();
        windows.backOffice->show();
        // The windows not shown get their controls too, so that every box is there.
        windows.main->EnsureBuilt();
        windows.exam->EnsureBuilt();
        prompts.Clear();
    }
    ~Classroom() { SetErrorPrompts(nullptr); }

    QWidget* Window(const QString& name) const {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == name) return top;
        return nullptr;
    }
    template <typename T = QWidget>
    T* Find(const QString& window, const QString& name) const {
        QWidget* top = Window(window);
        T* found = top ? top->findChild<T*>(name) : nullptr;
        if (!found) qWarning("no %s in %s", qPrintable(name), qPrintable(window));
        return found;
    }
    void Set(const QString& window, const QString& box, const QString& text) const {
        Find<QLineEdit>(window, box)->setText(text);
    }
    // Clicks the button; returns the number of boxes it showed.
    int Click(const QString& window, const QString& button) {
        const qsizetype before = prompts.shown.size();
        QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
        return int(prompts.shown.size() - before);
    }
    DatabaseDump Now() const { return Dump(dir.DatabaseFile()); }

    TestWorkdir dir;
    ScriptedPrompts prompts;
    FakePlatform platform;
    std::unique_ptr<Program> program;
};

const QString kOffice = QStringLiteral("BackOffice");

QVariant Text(const QString& text) {
    return QVariant(text.toUtf8());
}

// Boxes 1.. of a bank tab hold what the bank's row `row` holds (except box `skip`).
void FillFromRow(Classroom& c, const BankTraits& t, int row, int skip) {
    const QVariantList cells = c.Now().rows[t.table].value(row);
    for (int j = 1; j < t.boxNames.size(); ++j)
        if (j != skip)
            c.Set(kOffice, t.boxNames[j], QString::fromUtf8(cells.value(j).toByteArray()));
}

// A box that stores what is typed into it: what else to fill, which button, which cell.
struct StoringBox {
    QString name;  // for the test's row name
    QString box;
    std::function<void(Classroom&)> prepare;  // before each text: the other boxes
    QString button;
    QString table;
    int row;  // -1: the click adds a row
    QString column;
    std::function<void(Classroom&)> undo = {};  // after each text
};

std::vector<StoringBox> StoringBoxes() {
    std::vector<StoringBox> boxes = {
        {QStringLiteral("candidate name"), QStringLiteral("Edit6"),
         [](Classroom& c) { c.Set(kOffice, QStringLiteral("Edit5"), QStringLiteral("120001")); },
         QStringLiteral("Button7"), QStringLiteral("Userxinxi"), -1, QStringLiteral("Xingmin"),
         [](Classroom& c) { c.dir.Sql(QStringLiteral("delete from Userxinxi where UserID = 2")); }},
        {QStringLiteral("administrator name"), QStringLiteral("Edit8"),
         [](Classroom& c) { c.Set(kOffice, QStringLiteral("Edit9"), QStringLiteral("pw")); },
         QStringLiteral("Button9"), QStringLiteral("UserGL"), -1, QStringLiteral("Usermin"),
         [](Classroom& c) { c.dir.Sql(QStringLiteral("delete from UserGL where UserGLID = 2")); }},
        {QStringLiteral("administrator password"), QStringLiteral("Edit9"),
         [](Classroom& c) { c.Set(kOffice, QStringLiteral("Edit8"), QStringLiteral("新管理员")); },
         QStringLiteral("Button9"), QStringLiteral("UserGL"), -1, QStringLiteral("password"),
         [](Classroom& c) { c.dir.Sql(QStringLiteral("delete from UserGL where UserGLID = 2")); }},
        {QStringLiteral("new password"), QStringLiteral("Edit4"),
         [](Classroom& c) {
             c.Set(kOffice, QStringLiteral("Edit2"), QStringLiteral("admin"));
             c.Set(kOffice, QStringLiteral("Edit3"), QStringLiteral("123456"));
         },
         QStringLiteral("Button5"), QStringLiteral("UserGL"), 0, QStringLiteral("password"),
         [](Classroom& c) { c.dir.Sql(QStringLiteral("update UserGL set password = '123456'")); }},
        {QStringLiteral("school name"), QStringLiteral("SchoolName"), [](Classroom&) {},
         QStringLiteral("SchoolNameSet"), QStringLiteral("Shezhi"), -1, QStringLiteral("Zhi"),
         [](Classroom& c) { c.dir.Sql(QStringLiteral("delete from Shezhi")); }},
    };
    // Every text box of every bank, by "change" on question 1 and by "add" of a new question.
    for (Bank bank : {Bank::SingleChoice, Bank::MultiChoice, Bank::TrueFalse, Bank::Subjective}) {
        const BankTraits& t = TraitsOf(bank);
        for (int k = 1; k < t.boxNames.size(); ++k) {
            if (k == t.pointsBox) continue;
            const auto fill = [t, k](Classroom& c, const QString& number) {
                c.Set(kOffice, t.boxNames[0], number);
                for (int j = 1; j < t.boxNames.size(); ++j)
                    if (j != k) c.Set(kOffice, t.boxNames[j], j == t.pointsBox ? "2" : "A");
            };
            boxes.push_back({t.table + QStringLiteral(" change ") + t.columns[k].column,
                             t.boxNames[k],
                             [t, k](Classroom& c) {
                                 c.Set(kOffice, t.boxNames[0], QStringLiteral("1"));
                                 FillFromRow(c, t, 0, k);
                             },
                             t.change.name, t.table, 0, t.columns[k].column});
            if (t.insertSql.isEmpty()) continue;
            boxes.push_back(
                {t.table + QStringLiteral(" add ") + t.columns[k].column, t.boxNames[k],
                 [fill, t](Classroom& c) {
                     c.dir.Sql(QStringLiteral("delete from %1 where TestID > 2").arg(t.table));
                     fill(c, QStringLiteral("3"));
                 },
                 t.add.name, t.table, -1, t.columns[k].column});
        }
    }
    return boxes;
}

// A box whose text is only compared or looked up: what else to fill and which button.
struct LookingBox {
    QString window;
    QString box;
    std::function<void(Classroom&)> prepare;
    QString button;  // empty: the box has no action (the help text)
};

std::vector<LookingBox> LookingBoxes() {
    const QString signIn = QStringLiteral("CandidateSignIn");
    const QString admin = QStringLiteral("AdminSignIn");
    const auto none = [](Classroom&) {};
    return {
        {signIn, QStringLiteral("Edit2"),
         [signIn](Classroom& c) {
             c.Set(signIn, QStringLiteral("Edit1"), QStringLiteral("110101"));
         },
         QStringLiteral("Button1")},
        {admin, QStringLiteral("Edit1"),
         [admin](Classroom& c) { c.Set(admin, QStringLiteral("Edit2"), QStringLiteral("123456")); },
         QStringLiteral("Button1")},
        {admin, QStringLiteral("Edit2"),
         [admin](Classroom& c) { c.Set(admin, QStringLiteral("Edit1"), QStringLiteral("admin")); },
         QStringLiteral("Button1")},
        {kOffice, QStringLiteral("Edit1"), none, QStringLiteral("Button3")},    // query by name
        {kOffice, QStringLiteral("Edit10"), none, QStringLiteral("Button10")},  // delete admin
        {kOffice, QStringLiteral("Edit2"),
         [](Classroom& c) {
             c.Set(kOffice, QStringLiteral("Edit3"), QStringLiteral("123456"));
             c.Set(kOffice, QStringLiteral("Edit4"), QStringLiteral("new"));
         },
         QStringLiteral("Button5")},
        {kOffice, QStringLiteral("Edit3"),
         [](Classroom& c) {
             c.Set(kOffice, QStringLiteral("Edit2"), QStringLiteral("admin"));
             c.Set(kOffice, QStringLiteral("Edit4"), QStringLiteral("new"));
         },
         QStringLiteral("Button5")},
        // The grading boxes are filled by a row click; typed into, they store nothing.
        {kOffice, QStringLiteral("Edg2"), none, QStringLiteral("Butg9")},
        {kOffice, QStringLiteral("MemoTt"), none, QStringLiteral("Butg9")},
        {QStringLiteral("HelpWindow"), QStringLiteral("Memo1"), none, QString()},
        // The server's address: one box alone is not an address; nothing is stored.
        {kOffice, QStringLiteral("Edit31"), none, QStringLiteral("Button31")},
        {kOffice, QStringLiteral("Edit33"), none, QStringLiteral("Button32")},
        {kOffice, QStringLiteral("Edit34"), none, QStringLiteral("Button31")},
        {kOffice, QStringLiteral("Edit35"), none, QStringLiteral("Button32")},
        {kOffice, QStringLiteral("Edit36"), none, QStringLiteral("Button31")},
        {kOffice, QStringLiteral("Edit37"), none, QStringLiteral("Button32")},
        {kOffice, QStringLiteral("Edit38"), none, QStringLiteral("Button31")},
        // The server's password: read only when the file names a server.
        {admin, QStringLiteral("Edit3"),
         [admin](Classroom& c) {
             c.Set(admin, QStringLiteral("Edit1"), QStringLiteral("admin"));
             c.Set(admin, QStringLiteral("Edit2"), QStringLiteral("123456"));
         },
         QStringLiteral("Button1")},
    };
}

// A box that takes digits (and "." or ":"): what a valid number stores, if anything.
struct NumberBox {
    QString window;
    QString box;
    std::function<void(Classroom&)> prepare;
    QString button;
    // For the text the box holds: the table, row and cells the click changes; no table when the
    // click must change nothing.
    std::function<void(const QString&, QString*, int*, Cells*)> expect;
};

std::vector<NumberBox> NumberBoxes() {
    const auto nothing = [](const QString&, QString*, int*, Cells*) {};
    const auto none = [](Classroom&) {};
    std::vector<NumberBox> boxes = {
        {QStringLiteral("CandidateSignIn"), QStringLiteral("Edit1"),
         [](Classroom& c) {
             c.Set(QStringLiteral("CandidateSignIn"), QStringLiteral("Edit2"),
                   QStringLiteral("李四"));
         },
         QStringLiteral("Button1"), nothing},
        {kOffice, QStringLiteral("Edit5"),
         [](Classroom& c) {
             c.dir.Sql(QStringLiteral("delete from Userxinxi where UserID > 1"));
             c.Set(kOffice, QStringLiteral("Edit6"), QStringLiteral("李四"));
         },
         QStringLiteral("Button7"),
         [](const QString& typed, QString* table, int* row, Cells* cells) {
             int number = 0;
             if (!TryStrToInt(typed, &number) || number < 110101 || number > 999999) return;
             // Stored as typed, leading zeros and all.
             *table = QStringLiteral("Userxinxi"), *row = -1;
             *cells = {{QStringLiteral("Xuehao"), Text(typed)}};
         }},
        {kOffice, QStringLiteral("Edit7"), none, QStringLiteral("Button8"), nothing},
        {kOffice, QStringLiteral("Edit11"), none, QStringLiteral("Button19"),
         [](const QString& typed, QString* table, int* row, Cells* cells) {
             int seconds = 0;
             if (!TryStrToTime(typed, &seconds)) return;
             *table = QStringLiteral("Time"), *row = 0;
             *cells = {{QStringLiteral("TimeN"), Text(typed)}};
         }},
        {kOffice, QStringLiteral("Edg1"), none, QStringLiteral("Butg9"), nothing},
        {kOffice, QStringLiteral("Edit32"), none, QStringLiteral("Button31"), nothing},
        {kOffice, QStringLiteral("Edgg1"),
         [](Classroom& c) {
             auto* list = c.Find<ReportList>(kOffice, QStringLiteral("ListView7"));
             list->SelectRow(0);
             emit list->rowClicked();
         },
         QStringLiteral("Butg9"),
         [](const QString& typed, QString* table, int* row, Cells* cells) {
             int marks = 0;
             if (!TryStrToInt(typed, &marks)) return;
             *table = QStringLiteral("Userxinxi"), *row = 0;
             *cells = {{QStringLiteral("Chengji1"), Text(QString::number(marks))},
                       {QStringLiteral("Chengji2"), Text(FormatGeneral(80.0 + marks))}};
         }},
    };
    for (Bank bank : {Bank::SingleChoice, Bank::MultiChoice, Bank::TrueFalse, Bank::Subjective}) {
        const BankTraits& t = TraitsOf(bank);
        Cells filled;
        for (int j = 1; j < t.boxNames.size(); ++j)
            filled[t.columns[j].column] = Text(j == t.pointsBox ? "2" : "A");
        // The question number, on "add" (on "change" where the bank cannot be added to).
        boxes.push_back(
            {kOffice, t.boxNames[0],
             [t](Classroom& c) {
                 if (!t.insertSql.isEmpty())
                     c.dir.Sql(QStringLiteral("delete from %1 where TestID > 2").arg(t.table));
                 for (int j = 1; j < t.boxNames.size(); ++j)
                     c.Set(kOffice, t.boxNames[j], j == t.pointsBox ? "2" : "A");
             },
             t.insertSql.isEmpty() ? t.change.name : t.add.name,
             [t, filled](const QString& typed, QString* table, int* row, Cells* cells) {
                 int number = 0;
                 if (!TryStrToInt(typed, &number)) return;
                 if (t.insertSql.isEmpty()) {
                     // "change" takes the number exactly as the list shows it.
                     if (typed != QString::number(number) || number < 1 || number > 50) return;
                     *row = number - 1;
                 } else {
                     // Questions 1 and 2 are taken; the refresh renumbers the new one to 3.
                     if (number < 3 || number > t.addLimit) return;
                     *row = -1;
                 }
                 *table = t.table;
                 *cells = filled;
             }});
        if (t.pointsBox < 0) continue;
        // The points, on "change" of question 1: stored as typed.
        boxes.push_back({kOffice, t.boxNames[t.pointsBox],
                         [t](Classroom& c) {
                             c.Set(kOffice, t.boxNames[0], QStringLiteral("1"));
                             FillFromRow(c, t, 0, t.pointsBox);
                         },
                         t.change.name,
                         [t](const QString& typed, QString* table, int* row, Cells* cells) {
                             *table = t.table, *row = 0;
                             *cells = {{QStringLiteral("Score"), Text(typed)}};
                         }});
    }
    return boxes;
}

}  // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

  private slots:
    void storingBoxStoresWhatWasTyped_data();
    void storingBoxStoresWhatWasTyped();
    void lookingBoxChangesNothing_data();
    void lookingBoxChangesNothing();
    void numberBoxTakesOnlyNumbers_data();
    void numberBoxTakesOnlyNumbers();
    void subjectiveAnswerIsStoredAsTyped();
    void everyEditBoxIsCovered();
};

void HostileInputTest::storingBoxStoresWhatWasTyped_data() {
    QTest::addColumn<int>("index");
    const auto boxes = StoringBoxes();
    for (size_t i = 0; i < boxes.size(); ++i)
        QTest::newRow(qPrintable(boxes[i].name)) << int(i);
}

void HostileInputTest::storingBoxStoresWhatWasTyped() {
    QFETCH(int, index);
    const StoringBox box = StoringBoxes()[size_t(index)];
    Classroom c;
    QWidget* edit = c.Find(kOffice, box.box);
    for (const auto& [name, text] : HostileTexts()) {
        box.prepare(c);
        TypeAsUser(edit, text);
        QCOMPARE(TextOf(edit), text);
        const DatabaseDump before = c.Now();
        c.prompts.Clear();
        c.Click(kOffice, box.button);
        QVERIFY2(c.prompts.Errors().isEmpty(), qPrintable(name + u' ' + c.prompts.LastText()));
        QCOMPARE(c.prompts.shown.size(), 1);  // "添加成功" and the like
        const QString wrong =
            OnlyChange(before, c.Now(), box.table, box.row, {{box.column, Text(text)}});
        QVERIFY2(wrong.isEmpty(), qPrintable(name + QStringLiteral(": ") + wrong));
        if (box.undo) box.undo(c);
    }
}

void HostileInputTest::lookingBoxChangesNothing_data() {
    QTest::addColumn<int>("index");
    const auto boxes = LookingBoxes();
    for (size_t i = 0; i < boxes.size(); ++i)
        QTest::newRow(qPrintable(boxes[i].window + u' ' + boxes[i].box)) << int(i);
}

void HostileInputTest::lookingBoxChangesNothing() {
    QFETCH(int, index);
    const LookingBox box = LookingBoxes()[size_t(index)];
    Classroom c;
    QWidget* edit = c.Find(box.window, box.box);
    const DatabaseDump before = c.Now();
    for (const auto& [name, text] : HostileTexts()) {
        box.prepare(c);
        TypeAsUser(edit, text);
        if (!box.button.isEmpty()) QVERIFY2(c.Click(box.window, box.button) <= 1, qPrintable(name));
        const QString wrong = NoChange(before, c.Now());
        QVERIFY2(wrong.isEmpty(), qPrintable(name + QStringLiteral(": ") + wrong));
    }
    QVERIFY(!TerminateRequested());
}

void HostileInputTest::numberBoxTakesOnlyNumbers_data() {
    QTest::addColumn<int>("index");
    const auto boxes = NumberBoxes();
    for (size_t i = 0; i < boxes.size(); ++i)
        QTest::newRow(qPrintable(boxes[i].window + u' ' + boxes[i].box)) << int(i);
}

void HostileInputTest::numberBoxTakesOnlyNumbers() {
    QFETCH(int, index);
    const NumberBox box = NumberBoxes()[size_t(index)];
    Classroom c;
    QWidget* edit = c.Find(box.window, box.box);
    static const QRegularExpression allowed(QStringLiteral("^[0-9.:]*$"));
    for (const QString& number : HostileNumbers()) {
        box.prepare(c);
        TypeAsUser(edit, number);
        const QString typed = TextOf(edit);
        QVERIFY2(allowed.match(typed).hasMatch(), qPrintable(typed));  // the filter held
        QString table;
        int row = 0;
        Cells cells;
        box.expect(typed, &table, &row, &cells);
        const DatabaseDump before = c.Now();
        const int shown = c.Click(box.window, box.button);
        QVERIFY2(shown <= 1, qPrintable(typed.left(40)));
        const QString wrong = table.isEmpty() ? NoChange(before, c.Now())
                                              : OnlyChange(before, c.Now(), table, row, cells);
        QVERIFY2(wrong.isEmpty(), qPrintable(typed.left(40) + QStringLiteral(": ") + wrong));
        if (box.window == QLatin1String("CandidateSignIn")) QVERIFY(c.Window(box.window));
    }
}

void HostileInputTest::subjectiveAnswerIsStoredAsTyped() {
    ExamRig rig;
    rig.Start();
    rig.StopClock();
    rig.Click(QStringLiteral("LabBt4"));
    QWidget* memo = rig.Find(QStringLiteral("MeRequest"));
    for (const auto& [name, text] : HostileTexts()) {
        TypeAsUser(memo, text);
        // A memo holds its line breaks as "\n", however they came.
        QString typed = text;
        typed.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        QCOMPARE(TextOf(memo), typed);
        rig.Settle();  // the journal's writer has written what came before
        const DatabaseDump before = Dump(rig.dir.DatabaseFile());
        rig.Click(QStringLiteral("Labee4"));
        rig.Settle();
        QVERIFY2(rig.prompts.shown.isEmpty(), qPrintable(name));
        const QString wrong =
            OnlyChange(before, Dump(rig.dir.DatabaseFile()), QStringLiteral("Userxinxi"), 0,
                       {{QStringLiteral("Tt1"), Text(typed)}});
        QVERIFY2(wrong.isEmpty(), qPrintable(name + QStringLiteral(": ") + wrong));
        // The exam record keeps the same text.
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select Daan from Datijilu where Bufen=4")), typed);
    }
}

// Every box a user can type into is in one of the tables above (the grading marks as one family,
// the main window's hidden exam identifier is never typed into).
void HostileInputTest::everyEditBoxIsCovered() {
    Classroom c;
    ExamRig rig;
    rig.Create().EnsureBuilt();
    QSet<QString> covered{QStringLiteral("ExamWindow/MeRequest"),
                          QStringLiteral("MainWindow/Edit1")};
    for (const StoringBox& box : StoringBoxes())
        covered << kOffice + u'/' + box.box;
    for (const LookingBox& box : LookingBoxes())
        covered << box.window + u'/' + box.box;
    for (const NumberBox& box : NumberBoxes())
        covered << box.window + u'/' + box.box;
    static const QRegularExpression marks(QStringLiteral("^BackOffice/Edgg([2-9]|10)$"));
    for (QWidget* widget : QApplication::allWidgets()) {
        const auto* edit = qobject_cast<QLineEdit*>(widget);
        const auto* memo = qobject_cast<QPlainTextEdit*>(widget);
        if (!(edit && !edit->isReadOnly()) && !(memo && !memo->isReadOnly())) continue;
        const QString name = widget->window()->objectName() + u'/' + widget->objectName();
        QVERIFY2(covered.contains(name) || marks.match(name).hasMatch(), qPrintable(name));
    }
}

QTEST_MAIN(HostileInputTest)
#include "hostile_input_test.moc"
