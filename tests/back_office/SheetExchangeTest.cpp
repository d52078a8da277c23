// The spreadsheet exchange through the real back office: every list exported and imported back,
// sheets written by LibreOffice Calc, the banks' limits, the single-choice update by position and
// the hidden save.

#include "ExchangeHarness.h"
#include "back_office/workbook/Workbook.h"
#include "support/TestWorkdir.h"

#include <QTest>

namespace {

QString Fixture(const QString& name) {
    return QStringLiteral(CX_TEST_DATA "/") + name;
}

QStringList TableRows(const TestWorkdir& dir, Exchange member) {
    return dir.Rows(QStringLiteral("Select * from ") + NameOf(member));
}

// The definition SQLite keeps for a table, after the words "CREATE TABLE" (which SQLite keeps in
// capitals).
QString Definition(const TestWorkdir& dir, const QString& table) {
    return dir.Scalar(QStringLiteral("Select sql from sqlite_master where name='%1'").arg(table))
        .mid(QStringLiteral("CREATE TABLE ").size());
}

// A choice-bank row: number, question, four options, key, points.
QStringList ChoiceRow(const QString& number, const QString& text) {
    return {number,
            text,
            QStringLiteral("甲"),
            QStringLiteral("乙"),
            QStringLiteral("丙"),
            QStringLiteral("丁"),
            QStringLiteral("AB"),
            QStringLiteral("2")};
}

const QStringList kChoiceCaptions = {QStringLiteral("题号"),     QStringLiteral("题目"),
                                     QStringLiteral("A答案"),    QStringLiteral("B答案"),
                                     QStringLiteral("C答案"),    QStringLiteral("D答案"),
                                     QStringLiteral("标准答案"), QStringLiteral("分数")};

// Every box the handler showed, of one kind.
QStringList Shown(const ScriptedPrompts& prompts, ScriptedPrompts::Kind kind) {
    QStringList texts;
    for (const auto& shown : prompts.shown)
        if (shown.kind == kind) texts << shown.text;
    return texts;
}

}  // namespace

class SheetExchangeTest : public QObject {
    Q_OBJECT
  private slots:
    void roundTripKeepsTheTable_data();
    void roundTripKeepsTheTable();
    void calcSheetImports_data();
    void calcSheetImports();
    void multiChoiceStoresTheFirstTwenty();
    void banksStopAtTheirLimits_data();
    void banksStopAtTheirLimits();
    void singleChoiceUpdatesByPosition();
    void missingLastColumnIsStoredEmpty();
    void emptyListExportsNoCell();
    void hiddenSaveStoresTheListAsShown();
};

void SheetExchangeTest::roundTripKeepsTheTable_data() {
    QTest::addColumn<Exchange>("member");
    QTest::addColumn<QString>("textColumn");
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<int>("boxes");  // shown by the import
    // Candidates with scores: replacing them is confirmed first.
    QTest::newRow("candidates")
        << Exchange::Candidates << QStringLiteral("Xingmin")
        << QStringLiteral(
               "Insert into Userxinxi (UserID,Xuehao,Xingmin,Chengji,Chengji1,Chengji2) "
               "values (2,'110102','李四','87.5','10','97'), (3,'110103','王五','60',"
               "NULL,NULL), (4,'999999','赵六',NULL,NULL,NULL)")
        << 2;
    QTest::newRow("single-choice")
        << Exchange::SingleChoice << QStringLiteral("Request") << QString() << 1;
    QTest::newRow("multiple-choice")
        << Exchange::MultiChoice << QStringLiteral("Request") << QString() << 1;
    QTest::newRow("true/false") << Exchange::TrueFalse << QStringLiteral("Request") << QString()
                                << 1;
    QTest::newRow("subjective") << Exchange::Subjective << QStringLiteral("Request") << QString()
                                << 1;
}

void SheetExchangeTest::roundTripKeepsTheTable() {
    QFETCH(Exchange, member);
    QFETCH(QString, textColumn);
    QFETCH(QString, setUp);
    QFETCH(int, boxes);
    TestWorkdir dir;
    if (!setUp.isEmpty()) dir.Sql(setUp);
    const QString table = NameOf(member);
    // Quotes and line breaks go out and come back as they stand.
    dir.Sql(QStringLiteral("Update %1 Set %2='他说\"对\"，也说''错''\n第二行' where rowid=2")
                .arg(table, textColumn));
    ExchangeHarness h;
    const QStringList before = TableRows(dir, member);
    const QStringList listed = h.ListedRows(member);
    QVERIFY(listed.size() > 2);

    const QString file = dir.Path() + QStringLiteral("/导出的") + table + QStringLiteral(".xlsx");
    h.Export(member, file);
    QVERIFY(h.WorkdirKept());
    QCOMPARE(Shown(h.prompts, ScriptedPrompts::Kind::SaveFile), QStringList{kExportFilter});
    QCOMPARE(h.prompts.shown.size(), 1);
    // Row 1 the captions, then the list's rows.
    const SheetCells sheet = ReadSheet(file).Rows();
    QCOMPARE(sheet.size(), listed.size() + 1);
    QCOMPARE(sheet.first(), h.List(member)->Captions());
    for (int r = 0; r < listed.size(); ++r)
        QCOMPARE(sheet[r + 1].join(u'|'), listed[r]);

    // Spoil the table; the import brings it back.
    dir.Sql(QStringLiteral("Update %1 Set %2='改过'").arg(table, textColumn));
    h.prompts.Clear();
    h.Import(member, file);
    QVERIFY(h.WorkdirKept());
    QCOMPARE(Shown(h.prompts, ScriptedPrompts::Kind::OpenFile),
             QStringList{kImportFilter + QStringLiteral(";;") + kImportOdsFilter});
    QCOMPARE(h.prompts.shown.size(), boxes);
    QCOMPARE(TableRows(dir, member), before);
    QCOMPARE(h.ListedRows(member), listed);
}

void SheetExchangeTest::calcSheetImports_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("formulaValue");
    // Formula cells give their cached value, from .xls as from .xlsx.
    QTest::newRow("xlsx") << QStringLiteral("calc_truefalse.xlsx") << QStringLiteral("2");
    QTest::newRow("xls") << QStringLiteral("calc_truefalse.xls") << QStringLiteral("2");
}

void SheetExchangeTest::calcSheetImports() {
    QFETCH(QString, file);
    QFETCH(QString, formulaValue);
    TestWorkdir dir;
    ExchangeHarness h;
    h.Import(Exchange::TrueFalse, Fixture(file));
    QCOMPARE(h.prompts.shown.size(), 1);
    // Sheet1 is the second sheet; its remarks column is left out.
    const QStringList expected = {
        QStringLiteral("1|计算机病毒是一种程序。|正确|错误|对|2"),
        QStringLiteral("2|他说\"内存断电后数据不丢失\"，这是'对'的吗？||错误|错|1.5"),
        QStringLiteral("3|第一行\n第二行|是|否|对|") + formulaValue,
    };
    QCOMPARE(TableRows(dir, Exchange::TrueFalse), expected);
    QCOMPARE(h.ListedRows(Exchange::TrueFalse), expected);
    if (!TestWorkdir::OnServer())  // the file's own record of a definition
        QCOMPARE(Definition(dir, QStringLiteral("KaoShi3")),
                 QStringLiteral("KaoShi3(TestID integer PRIMARY KEY AUTOINCREMENT NOT NULL,Request "
                                "varchar(50),Axx varchar(50),Bxx varchar(50),DDx varchar,Score "
                                "varchar(30))"));
}

void SheetExchangeTest::multiChoiceStoresTheFirstTwenty() {
    TestWorkdir dir;
    SheetCells cells = {kChoiceCaptions};
    QStringList expected;
    for (int i = 1; i <= 25; ++i) {
        const QStringList row = ChoiceRow(QString::number(i), QStringLiteral("第%1题").arg(i));
        cells << row;
        if (i <= 20) expected << row.join(u'|');
    }
    // Rows from the limit on are not stored, so their numbers do not matter.
    cells[22][0] = QStringLiteral("二十二");
    cells[24][0] = QStringLiteral("3");
    const QString file = dir.Path() + QStringLiteral("/多选25.xlsx");
    WriteSheet(file, cells);
    ExchangeHarness h;
    h.Import(Exchange::MultiChoice, file);
    QCOMPARE(h.prompts.shown.size(), 1);
    QCOMPARE(TableRows(dir, Exchange::MultiChoice), expected);
    QCOMPARE(h.ListedRows(Exchange::MultiChoice), expected);
    // The table is the one the import creates.
    if (!TestWorkdir::OnServer())
        QCOMPARE(Definition(dir, QStringLiteral("KaoShi2")),
                 QStringLiteral("KaoShi2(TestID integer PRIMARY KEY AUTOINCREMENT NOT NULL,Request "
                                "varchar(50),Axx varchar(50),Bxx varchar(50),Cxx varchar(50),Dxx "
                                "varchar(50),DDx varchar,Score varchar(30))"));
}

void SheetExchangeTest::banksStopAtTheirLimits_data() {
    QTest::addColumn<Exchange>("member");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("limit");
    QTest::newRow("true/false") << Exchange::TrueFalse << 6 << 20;
    QTest::newRow("subjective") << Exchange::Subjective << 2 << 10;
}

void SheetExchangeTest::banksStopAtTheirLimits() {
    QFETCH(Exchange, member);
    QFETCH(int, columns);
    QFETCH(int, limit);
    TestWorkdir dir;
    // Numbered from 101 down, with gaps: stored as they stand, then renumbered 1..n by the refresh
    // in the order of their numbers.
    QStringList captions{QStringLiteral("题号"), QStringLiteral("题目")};
    while (captions.size() < columns)
        captions << QStringLiteral("列%1").arg(captions.size() + 1);
    SheetCells cells = {captions};
    for (int i = 0; i < limit + 3; ++i) {
        QStringList row{QString::number(200 - 3 * i), QStringLiteral("题%1").arg(i)};
        while (row.size() < columns)
            row << QStringLiteral("x");
        cells << row;
    }
    const QString file = dir.Path() + QStringLiteral("/limit.xlsx");
    WriteSheet(file, cells);
    ExchangeHarness h;
    h.Import(member, file);
    QCOMPARE(h.prompts.shown.size(), 1);
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from ") + NameOf(member)),
             QString::number(limit));
    // The lowest stored number was the last row within the limit.
    QCOMPARE(
        dir.Scalar(QStringLiteral("Select Request from %1 where TestID=1").arg(NameOf(member))),
        QStringLiteral("题%1").arg(limit - 1));
    QCOMPARE(h.List(member)->RowCount(), limit);
}

void SheetExchangeTest::singleChoiceUpdatesByPosition() {
    TestWorkdir dir;
    const QStringList before = TableRows(dir, Exchange::SingleChoice);
    const QString file = dir.Path() + QStringLiteral("/单选.xlsx");
    WriteSheet(file, {kChoiceCaptions, ChoiceRow(QStringLiteral("1"), QStringLiteral("新一")),
                      ChoiceRow(QStringLiteral("2"), QStringLiteral("新二")),
                      ChoiceRow(QStringLiteral("60"), QStringLiteral("新六十")),
                      ChoiceRow(QStringLiteral("4"), QStringLiteral("新四"))});
    ExchangeHarness h;
    h.Import(Exchange::SingleChoice, file);
    QCOMPARE(h.prompts.shown.size(), 1);
    QStringList expected = before;
    expected[0] = ChoiceRow(QStringLiteral("1"), QStringLiteral("新一")).join(u'|');
    expected[1] = ChoiceRow(QStringLiteral("2"), QStringLiteral("新二")).join(u'|');
    // The row numbered 60 is left out; the 4th row still goes to question 4.
    expected[3] = ChoiceRow(QStringLiteral("4"), QStringLiteral("新四")).join(u'|');
    QCOMPARE(TableRows(dir, Exchange::SingleChoice), expected);
    // The list shows the bank as stored.
    QCOMPARE(h.ListedRows(Exchange::SingleChoice), expected);
}

void SheetExchangeTest::missingLastColumnIsStoredEmpty() {
    TestWorkdir dir;
    // The import reads one column more than the sheet has: a sheet without "分数" still imports.
    QStringList row = ChoiceRow(QStringLiteral("1"), QStringLiteral("没有分数"));
    row.removeLast();
    const QString file = dir.Path() + QStringLiteral("/七列.xlsx");
    WriteSheet(file, {kChoiceCaptions.mid(0, 7), row});
    ExchangeHarness h;
    h.Import(Exchange::MultiChoice, file);
    QCOMPARE(h.prompts.shown.size(), 1);
    QCOMPARE(TableRows(dir, Exchange::MultiChoice), QStringList{row.join(u'|') + u'|'});
}

void SheetExchangeTest::emptyListExportsNoCell() {
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Delete from KaoShi4"));
    ExchangeHarness h;
    QCOMPARE(h.List(Exchange::Subjective)->RowCount(), 0);
    const QString file = dir.Path() + QStringLiteral("/空.xlsx");
    h.Export(Exchange::Subjective, file);
    QCOMPARE(h.prompts.shown.size(), 1);
    QVERIFY(QFile::exists(file));
    QCOMPARE(ReadSheet(file).Rows(), SheetCells());
    // Imported back, the bank stays empty.
    h.Import(Exchange::Subjective, file);
    QCOMPARE(h.prompts.shown.size(), 2);
    QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from KaoShi4")), QStringLiteral("0"));
}

void SheetExchangeTest::hiddenSaveStoresTheListAsShown() {
    TestWorkdir dir;
    ExchangeHarness h;
    const QStringList listed = TableRows(dir, Exchange::TrueFalse);
    QVERIFY(!h.Button(QStringLiteral("Buty8"))->isVisible());
    dir.Sql(
        QStringLiteral("Update KaoShi3 Set Request='改过'; Delete from KaoShi3 where TestID=5"));
    h.Save(Exchange::TrueFalse);
    QVERIFY(h.prompts.shown.isEmpty());
    QCOMPARE(TableRows(dir, Exchange::TrueFalse), listed);
}

QTEST_MAIN(SheetExchangeTest)
#include "SheetExchangeTest.moc"
