// The question-bank tabs that grow and shrink (multiple-choice, true/false, subjective), driven
// through their controls against the delivered database (10, 20 and 3 questions); the change's
// emptiness checks of all four.

#include "BankHarness.h"
#include "support/TestWorkdir.h"

#include "back_office/PictureBox.h"
#include "data_store/Pictures.h"

#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Bank)

namespace {

const Bank kGrowing[] = {Bank::MultiChoice, Bank::TrueFalse, Bank::Subjective};
const Bank kAll[] = {Bank::SingleChoice, Bank::MultiChoice, Bank::TrueFalse, Bank::Subjective};

QString Name(Bank bank) {
    return TraitsOf(bank).table;
}

QStringList TableRows(const TestWorkdir& dir, Bank bank) {
    return dir.Rows(QStringLiteral("Select * from ") + TraitsOf(bank).table);
}

QByteArray Png() {
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QString Write(const QTemporaryDir& files, const QString& name, const QByteArray& bytes) {
    QFile file(files.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return file.fileName();
}

QTextEdit* Editor(const BankHarness& h, int k) {
    return static_cast<PictureBox*>(h.Box(k))->TextEditor();
}

}  // namespace

class BankTabTest : public QObject {
    Q_OBJECT
  private slots:
    void refreshRenumbersGaps();
    void rowClickCopiesEveryColumn();
    void changeReportsOnlyTheFirstEmptyBox_data();
    void changeReportsOnlyTheFirstEmptyBox();
    void changeStoresAndRelists();
    void changeOfAMissingNumberIsNotFound_data();
    void changeOfAMissingNumberIsNotFound();
    void addReportsEmptyBoxes_data();
    void addReportsEmptyBoxes();
    void addWithEmptyNumberStopsWithConversionError_data();
    void addWithEmptyNumberStopsWithConversionError();
    void addOutOfRangeIsRefused_data();
    void addOutOfRangeIsRefused();
    void addBeyondTheEndTakesTheNextNumber_data();
    void addBeyondTheEndTakesTheNextNumber();
    void banksStopAtTheirLimits_data();
    void banksStopAtTheirLimits();
    void takenNumberWithLeadingZeroFailsInTheDatabase_data();
    void takenNumberWithLeadingZeroFailsInTheDatabase();
    void deleteRenumbersTheRest_data();
    void deleteRenumbersTheRest();
    void deleteRefusals();
    void quotesAreStoredAsTyped_data();
    void quotesAreStoredAsTyped();
    void clearEmptiesEveryBox();
    void picturesInsertedPastedStoredAndRemoved();
    void textsWithoutPicturesAreStoredAsTyped();
    void refusedPicturesLeaveTheBankAlone();
};

void BankTabTest::refreshRenumbersGaps() {
    TestWorkdir dir;
    const QString third = dir.Scalar(QStringLiteral("Select Request from KaoShi2 where TestID=3"));
    dir.Sql(QStringLiteral("Delete from KaoShi2 where TestID in (2, 5)"));
    BankHarness h(Bank::MultiChoice);
    QCOMPARE(h.Numbers(), NumbersUpTo(8));
    QCOMPARE(h.List()->Cell(1, 1), third);
    QCOMPARE(dir.Rows(QStringLiteral("Select TestID from KaoShi2")), NumbersUpTo(8));
    QVERIFY(h.prompts.Texts().isEmpty());
}

void BankTabTest::rowClickCopiesEveryColumn() {
    for (Bank bank : kGrowing) {
        TestWorkdir dir;
        BankHarness h(bank);
        h.ClickRow(1);
        const QStringList stored =
            dir.Rows(QStringLiteral("Select * from %1 where TestID=2").arg(Name(bank)))
                .value(0)
                .split(u'|');
        QCOMPARE(h.Boxes(), stored);
    }
}

void BankTabTest::changeReportsOnlyTheFirstEmptyBox_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<int>("box");
    for (Bank bank : kAll)
        for (int k = 0; k < int(TraitsOf(bank).columns.size()); ++k)
            QTest::addRow("%s box %d", qPrintable(Name(bank)), k + 1) << bank << k;
}

void BankTabTest::changeReportsOnlyTheFirstEmptyBox() {
    QFETCH(Bank, bank);
    QFETCH(int, box);
    TestWorkdir dir;
    const QStringList before = TableRows(dir, bank);
    BankHarness h(bank);
    QStringList texts = h.Question(QStringLiteral("2"));
    texts[box] = QStringLiteral("   ");  // blanks only count as empty
    if (box + 1 < texts.size()) texts[box + 1].clear();
    h.Fill(texts);
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{h.Traits().columns[box].emptyMessage});
    QCOMPARE(TableRows(dir, bank), before);
}

void BankTabTest::changeStoresAndRelists() {
    TestWorkdir dir;
    BankHarness h(Bank::MultiChoice);
    h.ClickRow(3);
    h.Box(1)->setText(QStringLiteral("  以下属于输入设备的是？ "));
    h.Box(6)->setText(QStringLiteral("AC"));
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{kChanged});
    // Stored untrimmed; the refresh shows it.
    QCOMPARE(dir.Scalar(QStringLiteral("Select Request from KaoShi2 where TestID=4")),
             QStringLiteral("  以下属于输入设备的是？ "));
    QCOMPARE(dir.Scalar(QStringLiteral("Select DDx from KaoShi2 where TestID=4")),
             QStringLiteral("AC"));
    QCOMPARE(h.List()->Cell(3, 1), QStringLiteral("  以下属于输入设备的是？ "));
    QCOMPARE(h.List()->RowCount(), 10);
    // A successful change leaves the boxes filled.
    QCOMPARE(h.Box(6)->text(), QStringLiteral("AC"));
}

void BankTabTest::changeOfAMissingNumberIsNotFound_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("message");
    const QString up20 = QStringLiteral("此题不存在,题号为1---20号。");
    QTest::newRow("multi after the last") << Bank::MultiChoice << "11" << up20;
    QTest::newRow("multi leading zero") << Bank::MultiChoice << "03" << up20;
    QTest::newRow("multi zero") << Bank::MultiChoice << "0" << up20;
    QTest::newRow("true/false 21") << Bank::TrueFalse << "21" << up20;
    QTest::newRow("subjective 4") << Bank::Subjective << "4"
                                  << QStringLiteral("此题不存在,题号为1---10号。");
}

void BankTabTest::changeOfAMissingNumberIsNotFound() {
    QFETCH(Bank, bank);
    QFETCH(QString, number);
    QFETCH(QString, message);
    TestWorkdir dir;
    const QStringList before = TableRows(dir, bank);
    BankHarness h(bank);
    h.Fill(h.Question(number));
    h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{message});
    QCOMPARE(TableRows(dir, bank), before);
}

void BankTabTest::addReportsEmptyBoxes_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QList<int>>("empty");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("multi: every empty box")
        << Bank::MultiChoice << QList<int>{1, 4, 7}
        << QStringList{QStringLiteral("题目不能为空。"), QStringLiteral("C答案不能为空。"),
                       QStringLiteral("分数不能为空。")};
    QTest::newRow("true/false: the first only")
        << Bank::TrueFalse << QList<int>{2, 3, 5} << QStringList{QStringLiteral("正确不能为空。")};
    QTest::newRow("subjective") << Bank::Subjective << QList<int>{1}
                                << QStringList{QStringLiteral("题目不能为空。")};
}

void BankTabTest::addReportsEmptyBoxes() {
    QFETCH(Bank, bank);
    QFETCH(QList<int>, empty);
    QFETCH(QStringList, messages);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from %1 where TestID>2").arg(Name(bank)));
    const QStringList before = TableRows(dir, bank);
    BankHarness h(bank);
    QStringList texts = h.Question(QStringLiteral("3"));
    for (int k : empty)
        texts[k].clear();
    h.Fill(texts);
    h.Add();
    QCOMPARE(h.prompts.Texts(), messages);
    QCOMPARE(TableRows(dir, bank), before);
}

void BankTabTest::addWithEmptyNumberStopsWithConversionError_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("multi") << Bank::MultiChoice
                           << QStringList{QStringLiteral("题号不能为空。"),
                                          QStringLiteral("B答案不能为空。")};
    QTest::newRow("true/false") << Bank::TrueFalse << QStringList{QStringLiteral("题号不能为空。")};
}

void BankTabTest::addWithEmptyNumberStopsWithConversionError() {
    QFETCH(Bank, bank);
    QFETCH(QStringList, messages);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from %1 where TestID>5").arg(Name(bank)));
    const QStringList before = TableRows(dir, bank);
    BankHarness h(bank);
    QStringList texts = h.Question(QString());
    texts[3].clear();
    h.Fill(texts);
    h.Add();
    QCOMPARE(h.prompts.Messages(), messages);
    QCOMPARE(h.prompts.Errors(), QStringList{QStringLiteral("'' is not a valid integer value")});
    QCOMPARE(TableRows(dir, bank), before);
}

void BankTabTest::addOutOfRangeIsRefused_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("message");
    const QString up20 = QStringLiteral("题号只能为1--20。");
    QTest::newRow("multi 0") << Bank::MultiChoice << "0" << up20;
    QTest::newRow("multi 21") << Bank::MultiChoice << "21" << up20;
    QTest::newRow("true/false 0") << Bank::TrueFalse << "0" << up20;
    QTest::newRow("true/false 000") << Bank::TrueFalse << "000" << up20;
    QTest::newRow("subjective 0") << Bank::Subjective << "0" << QStringLiteral("题号只能为1--10。");
    QTest::newRow("subjective 11")
        << Bank::Subjective << "11" << QStringLiteral("题号只能为1--10。");
}

void BankTabTest::addOutOfRangeIsRefused() {
    QFETCH(Bank, bank);
    QFETCH(QString, number);
    QFETCH(QString, message);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from %1 where TestID>2").arg(Name(bank)));
    const QStringList before = TableRows(dir, bank);
    BankHarness h(bank);
    h.Fill(h.Question(number));
    h.Add();
    QCOMPARE(h.prompts.Texts(), QStringList{message});
    QCOMPARE(TableRows(dir, bank), before);
}

void BankTabTest::addBeyondTheEndTakesTheNextNumber_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<int>("keep");
    QTest::addColumn<QString>("typed");
    QTest::newRow("multi 7 to 5") << Bank::MultiChoice << 5 << "7";
    QTest::newRow("true/false 20 to 5") << Bank::TrueFalse << 5 << "20";
    QTest::newRow("subjective 10 to 3") << Bank::Subjective << 3 << "10";
}

void BankTabTest::addBeyondTheEndTakesTheNextNumber() {
    QFETCH(Bank, bank);
    QFETCH(int, keep);
    QFETCH(QString, typed);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from %1 where TestID>%2").arg(Name(bank)).arg(keep));
    BankHarness h(bank);
    const QStringList question = h.Question(typed, QStringLiteral("新添加的考题"));
    h.Fill(question);
    h.Add();
    QCOMPARE(h.prompts.Texts(), QStringList{kAdded});
    QCOMPARE(h.Numbers(), NumbersUpTo(keep + 1));
    QStringList shown = question;
    shown[0] = QString::number(keep + 1);
    QCOMPARE(h.List()->Row(keep), shown);
    QCOMPARE(
        dir.Rows(QStringLiteral("Select * from %1 where TestID=%2").arg(Name(bank)).arg(keep + 1)),
        QStringList{shown.join(u'|')});
    QCOMPARE(h.Boxes(), question);
}

void BankTabTest::banksStopAtTheirLimits_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("rangeMessage");
    QTest::newRow("multi") << Bank::MultiChoice << 20 << QStringLiteral("题号只能为1--20。");
    QTest::newRow("true/false") << Bank::TrueFalse << 20 << QStringLiteral("题号只能为1--20。");
    QTest::newRow("subjective") << Bank::Subjective << 10 << QStringLiteral("题号只能为1--10。");
}

void BankTabTest::banksStopAtTheirLimits() {
    QFETCH(Bank, bank);
    QFETCH(int, limit);
    QFETCH(QString, rangeMessage);
    TestWorkdir dir;
    BankHarness h(bank);
    // Fill the bank up through the tab, then every number is taken or out of range.
    for (int n = h.List()->RowCount() + 1; n <= limit; ++n) {
        h.prompts.Clear();
        h.Fill(h.Question(QString::number(limit)));
        h.Add();
        QCOMPARE(h.prompts.Texts(), QStringList{kAdded});
    }
    QCOMPARE(h.Numbers(), NumbersUpTo(limit));
    const QStringList full = TableRows(dir, bank);
    for (const QString& number : {QStringLiteral("1"), QString::number(limit)}) {
        h.prompts.Clear();
        h.Fill(h.Question(number));
        h.Add();
        QCOMPARE(h.prompts.Texts(), QStringList{kNumberTaken});
    }
    h.prompts.Clear();
    h.Fill(h.Question(QString::number(limit + 1)));
    h.Add();
    QCOMPARE(h.prompts.Texts(), QStringList{rangeMessage});
    QCOMPARE(TableRows(dir, bank), full);
}

void BankTabTest::takenNumberWithLeadingZeroFailsInTheDatabase_data() {
    QTest::addColumn<Bank>("bank");
    for (Bank bank : kGrowing)
        QTest::newRow(qPrintable(Name(bank))) << bank;
}

void BankTabTest::takenNumberWithLeadingZeroFailsInTheDatabase() {
    QFETCH(Bank, bank);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from %1 where TestID>5").arg(Name(bank)));
    const QStringList before = TableRows(dir, bank);
    BankHarness h(bank);
    h.Fill(h.Question(QStringLiteral("03")));
    h.Add();
    // "03" is not "3", so the number checks pass; the key refuses it.
    QVERIFY(h.prompts.Messages().isEmpty());
    QCOMPARE(h.prompts.Errors().size(), 1);
    const QString taken = TestWorkdir::OnServer()
                              ? QStringLiteral("duplicate key value violates unique constraint")
                              : QStringLiteral("UNIQUE constraint failed");
    QVERIFY2(h.prompts.Errors().first().contains(taken), qPrintable(h.prompts.Errors().first()));
    QCOMPARE(TableRows(dir, bank), before);
    QCOMPARE(h.Numbers(), NumbersUpTo(int(before.size())));
}

void BankTabTest::deleteRenumbersTheRest_data() {
    QTest::addColumn<Bank>("bank");
    for (Bank bank : kGrowing)
        QTest::newRow(qPrintable(Name(bank))) << bank;
}

void BankTabTest::deleteRenumbersTheRest() {
    QFETCH(Bank, bank);
    TestWorkdir dir;
    const QString table = Name(bank);
    dir.Sql(QStringLiteral("Delete from %1 where TestID>5").arg(table));
    if (bank == Bank::Subjective)
        dir.Sql(
            QStringLiteral("Insert into KaoShi4 values (4, '第四题'); "
                           "Insert into KaoShi4 values (5, '第五题')"));
    const QString fourth =
        dir.Scalar(QStringLiteral("Select Request from %1 where TestID=4").arg(table));
    const QString fifth =
        dir.Scalar(QStringLiteral("Select Request from %1 where TestID=5").arg(table));
    BankHarness h(bank);
    h.Box(0)->setText(QStringLiteral(" 3 "));
    h.Delete();
    QCOMPARE(h.prompts.Texts(), QStringList{kDeleted});
    QCOMPARE(h.Numbers(), NumbersUpTo(4));
    QCOMPARE(h.List()->Cell(2, 1), fourth);
    QCOMPARE(h.List()->Cell(3, 1), fifth);
    QCOMPARE(dir.Rows(QStringLiteral("Select TestID from %1").arg(table)), NumbersUpTo(4));
    QCOMPARE(dir.Scalar(QStringLiteral("Select Request from %1 where TestID=3").arg(table)),
             fourth);
}

void BankTabTest::deleteRefusals() {
    for (Bank bank : kGrowing) {
        TestWorkdir dir;
        const QStringList before = TableRows(dir, bank);
        BankHarness h(bank);
        const QList<std::pair<QString, QString>> cases = {
            {QStringLiteral("  "), QStringLiteral("题号不能为空。")},
            {QStringLiteral("03"), kNoSuchNumber},
            {QStringLiteral("0"), kNoSuchNumber},
            {QStringLiteral("21"), kNoSuchNumber},
        };
        for (const auto& [number, message] : cases) {
            h.prompts.Clear();
            h.Box(0)->setText(number);
            h.Delete();
            QCOMPARE(h.prompts.Texts(), QStringList{message});
        }
        QCOMPARE(TableRows(dir, bank), before);
    }
}

void BankTabTest::quotesAreStoredAsTyped_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<bool>("add");
    for (Bank bank : kGrowing) {
        QTest::addRow("%s change", qPrintable(Name(bank))) << bank << false;
        QTest::addRow("%s add", qPrintable(Name(bank))) << bank << true;
    }
}

void BankTabTest::quotesAreStoredAsTyped() {
    QFETCH(Bank, bank);
    QFETCH(bool, add);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from %1 where TestID>2").arg(Name(bank)));
    BankHarness h(bank);
    QStringList texts = h.Question(add ? QStringLiteral("3") : QStringLiteral("2"),
                                   QStringLiteral("He said \"it's\" 'OK'; -- 它\"对\"吗？"));
    for (int k = 2; k < texts.size(); ++k)
        if (k != h.Traits().pointsBox) texts[k] = QStringLiteral("'%1\"").arg(k);
    h.Fill(texts);
    add ? h.Add() : h.Change();
    QCOMPARE(h.prompts.Texts(), QStringList{add ? kAdded : kChanged});
    QCOMPARE(dir.Rows(QStringLiteral("Select * from %1 where TestID=%2").arg(Name(bank), texts[0])),
             QStringList{texts.join(u'|')});
    QCOMPARE(h.List()->Row(texts[0].toInt() - 1), texts);
}

void BankTabTest::clearEmptiesEveryBox() {
    for (Bank bank : kGrowing) {
        TestWorkdir dir;
        BankHarness h(bank);
        h.ClickRow(0);
        h.Click(h.Traits().clear.name);
        QCOMPARE(h.Boxes(), QStringList(h.BoxCount(), QString()));
        QVERIFY(h.prompts.Texts().isEmpty());
    }
}

// A picture from a file goes to the question text (no box had the cursor), the same picture pasted
// goes to option B; both are shown where they stand and stored with the row, the picture once.
// Backspace takes it out again like a character.
void BankTabTest::picturesInsertedPastedStoredAndRemoved() {
    TestWorkdir dir;
    QTemporaryDir files;
    BankHarness h(Bank::MultiChoice);
    const QByteArray png = Png();
    const QString marker = PictureMarker(PictureHash(png));
    h.Fill(h.Question(QStringLiteral("11"), QStringLiteral("如图所示，")));
    h.tab->InsertPictureFile(Write(files, QStringLiteral("图1.png"), png));
    QCOMPARE(h.Box(1)->text(), QStringLiteral("如图所示，") + marker);
    QVERIFY(Editor(h, 1)->toPlainText().endsWith(QChar::ObjectReplacementCharacter));

    auto* pasted = new QMimeData;
    pasted->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(pasted);
    QTest::keyClick(Editor(h, 3), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(h.Box(3)->text(), QStringLiteral("x3") + marker);
    // Text copied from a word processor with a picture of itself alongside: the text comes in.
    auto* copied = new QMimeData;
    copied->setText(QStringLiteral("乙"));
    copied->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(copied);
    QTest::keyClick(Editor(h, 4), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(h.Box(4)->text(), QStringLiteral("x4乙"));
    h.Add();
    QCOMPARE(h.prompts.LastText(), kAdded);
    QCOMPARE(dir.Rows(QStringLiteral("Select Request, Bxx from KaoShi2 where TestID=11")),
             QStringList(QStringLiteral("如图所示，%1|x3%1").arg(marker)));
    QCOMPARE(dir.Rows(QStringLiteral("Select Hash, Geshi, length(Shuju) from Tupian")),
             QStringList(QStringLiteral("%1|png|%2").arg(PictureHash(png)).arg(png.size())));

    QTest::keyClick(Editor(h, 3), Qt::Key_Backspace);
    QCOMPARE(h.Box(3)->text(), QStringLiteral("x3"));
    h.Change();
    QCOMPARE(dir.Scalar(QStringLiteral("Select Bxx from KaoShi2 where TestID=11")),
             QStringLiteral("x3"));
    // Listed with a stand-in, the row clicked brings the picture back into the editor.
    h.Click(QStringLiteral("Button13"));
    h.ClickRow(10);
    QCOMPARE(h.Box(1)->text(), QStringLiteral("如图所示，") + marker);
    QVERIFY(Editor(h, 1)->toPlainText().endsWith(QChar::ObjectReplacementCharacter));
}

// Set as a row click sets it or typed into the editor: stored exactly, markup, tabs, no-break
// spaces, outer blanks and characters beyond the basic plane included.
void BankTabTest::textsWithoutPicturesAreStoredAsTyped() {
    TestWorkdir dir;
    BankHarness h(Bank::Subjective);
    const QString set = QStringLiteral("  制表\t符 <b>粗</b> &amp;\u00a0不换行 \U0001F600 ");
    h.Fill({QStringLiteral("4"), set});
    h.Add();
    QCOMPARE(dir.Scalar(QStringLiteral("Select Request from KaoShi4 where TestID=4")), set);
    const QString typed = QStringLiteral(" a <i>x</i> &lt;  b ");
    h.Fill({QStringLiteral("5"), QString()});
    QTest::keyClicks(Editor(h, 1), typed);
    QCOMPARE(h.Box(1)->text(), typed);
    h.Add();
    QCOMPARE(dir.Scalar(QStringLiteral("Select Request from KaoShi4 where TestID=5")), typed);
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from Tupian")), QStringLiteral("0"));
}

// Too large, or no picture at all: a message names the file, the boxes and the bank stay as they
// were.
void BankTabTest::refusedPicturesLeaveTheBankAlone() {
    TestWorkdir dir;
    QTemporaryDir files;
    BankHarness h(Bank::TrueFalse);
    h.ClickRow(0);
    const QStringList boxes = h.Boxes();
    const QStringList rows = TableRows(dir, Bank::TrueFalse);
    const QByteArray large = Png() + QByteArray(kPictureMaxBytes, '\0');
    h.tab->InsertPictureFile(Write(files, QStringLiteral("大图.png"), large));
    QVERIFY(h.prompts.LastText().contains(QStringLiteral("大图.png")));
    h.tab->InsertPictureFile(Write(files, QStringLiteral("说明.txt"), "not a picture"));
    QVERIFY(h.prompts.LastText().contains(QStringLiteral("说明.txt")));
    QCOMPARE(h.Boxes(), boxes);
    h.Change();
    QCOMPARE(TableRows(dir, Bank::TrueFalse), rows);
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from Tupian")), QStringLiteral("0"));
}

QTEST_MAIN(BankTabTest)
#include "BankTabTest.moc"
