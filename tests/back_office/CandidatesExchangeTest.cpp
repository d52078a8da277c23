// Importing the candidates list: every candidate replaced, the question before results are lost,
// a list kept by LibreOffice Calc, and the failures that leave every candidate where it was.

#include "ExchangeHarness.h"
#include "back_office/workbook/Workbook.h"
#include "support/TestWorkdir.h"

#include <QTest>

namespace {

QString Fixture(const QString& name) {
    return QStringLiteral(CX_TEST_DATA "/") + name;
}

const QString kListed =
    QStringLiteral("Select UserID,Xuehao,Xingmin,Chengji,Chengji1,Chengji2 from Userxinxi");

const QStringList kCaptions = {QStringLiteral("序号"),     QStringLiteral("学号"),
                               QStringLiteral("姓名"),     QStringLiteral("客观成绩"),
                               QStringLiteral("主观成绩"), QStringLiteral("总评成绩")};

// A workbook with the candidates `rows` below `captions`; its path.
QString CandidatesSheet(const TestWorkdir& dir, const SheetCells& rows,
                        const QStringList& captions = kCaptions) {
    SheetCells cells = {captions};
    cells << rows;
    const QString path = dir.Path() + QStringLiteral("/考生.xlsx");
    WriteSheet(path, cells);
    return path;
}

const SheetCells kTwoCandidates = {
    {QStringLiteral("1"), QStringLiteral("120001"), QStringLiteral("新甲")},
    {QStringLiteral("2"), QStringLiteral("120002"), QStringLiteral("新乙")}};

}  // namespace

class CandidatesExchangeTest : public QObject {
    Q_OBJECT
  private slots:
    void calcListImports_data();
    void calcListImports();
    void replacingResultsIsConfirmed_data();
    void replacingResultsIsConfirmed();
    void candidatesWithoutResultsAreReplacedUnasked();
    void failedImportKeepsEveryCandidate_data();
    void failedImportKeepsEveryCandidate();
};

void CandidatesExchangeTest::calcListImports_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("formulaValue");
    // Formula cells give their cached value, from .xls as from .xlsx.
    QTest::newRow("xlsx") << QStringLiteral("calc_candidates.xlsx") << QStringLiteral("95");
    QTest::newRow("xls") << QStringLiteral("calc_candidates.xls") << QStringLiteral("95");
}

void CandidatesExchangeTest::calcListImports() {
    QFETCH(QString, file);
    QFETCH(QString, formulaValue);
    TestWorkdir dir;
    ExchangeHarness h;
    h.Import(Exchange::Candidates, Fixture(file));
    QCOMPARE(h.prompts.shown.size(), 1);
    const QStringList expected = {
        QStringLiteral("1|110101|张三|85|10|") + formulaValue,
        QStringLiteral("2|110102|欧阳\"小\"明|87.5||"),
        QStringLiteral("3|110103|李四|||"),
    };
    QCOMPARE(dir.Rows(kListed), expected);
    QCOMPARE(h.ListedRows(Exchange::Candidates), expected);
}

void CandidatesExchangeTest::replacingResultsIsConfirmed_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<bool>("confirmed");
    for (const char* column : {"Chengji", "Chengji1", "Chengji2", "Tt1", "Tt10"}) {
        QTest::addRow("%s, cancelled", column) << QString::fromLatin1(column) << false;
        QTest::addRow("%s, confirmed", column) << QString::fromLatin1(column) << true;
    }
}

void CandidatesExchangeTest::replacingResultsIsConfirmed() {
    QFETCH(QString, column);
    QFETCH(bool, confirmed);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Update Userxinxi Set %1='8'").arg(column));
    const QString file = CandidatesSheet(dir, kTwoCandidates);
    ExchangeHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList listed = h.ListedRows(Exchange::Candidates);
    h.prompts.confirmAnswers.enqueue(confirmed);
    h.Import(Exchange::Candidates, file);
    QCOMPARE(h.prompts.shown.size(), 2);
    QCOMPARE(h.prompts.shown.last().kind, ScriptedPrompts::Kind::Confirm);
    QCOMPARE(h.prompts.shown.last().caption, QStringLiteral("提示"));
    QCOMPARE(h.prompts.shown.last().text,
             QStringLiteral("导入将删除现有的全部考生及其答案和成绩，确定要导入吗?"));
    if (!confirmed) {
        QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
        QCOMPARE(h.ListedRows(Exchange::Candidates), listed);
        return;
    }
    QCOMPARE(dir.Rows(QStringLiteral("Select * from Userxinxi")),
             QStringList({QStringLiteral("1|120001|新甲|||") + QString(10, u'|'),
                          QStringLiteral("2|120002|新乙|||") + QString(10, u'|')}));
}

void CandidatesExchangeTest::candidatesWithoutResultsAreReplacedUnasked() {
    TestWorkdir dir;
    // Blank texts are no results.
    dir.Sql(QStringLiteral("Update Userxinxi Set Chengji='', Tt3=''"));
    const QString file = CandidatesSheet(dir, kTwoCandidates);
    ExchangeHarness h;
    h.Import(Exchange::Candidates, file);
    QCOMPARE(h.prompts.shown.size(), 1);
    QCOMPARE(dir.Rows(kListed),
             QStringList({QStringLiteral("1|120001|新甲|||"), QStringLiteral("2|120002|新乙|||")}));
}

void CandidatesExchangeTest::failedImportKeepsEveryCandidate_data() {
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<SheetCells>("rows");
    QTest::addColumn<QString>("message");
    QTest::newRow("number not whole")
        << kCaptions
        << SheetCells{kTwoCandidates[0], {QStringLiteral("二"), QStringLiteral("120002")}}
        << QStringLiteral("文件 %1/考生.xlsx 第3行的序号“二”不是整数。");
    // Stored as written, these would be numbers no sign-in finds (and no score reaches).
    QTest::newRow("student number with a leading zero")
        << kCaptions
        << SheetCells{kTwoCandidates[0], {QStringLiteral("2"), QStringLiteral("0110101")}}
        << QStringLiteral("文件 %1/考生.xlsx 第3行的学号“0110101”不是110101到999999之间的数字");
    QTest::newRow("student number below the range")
        << kCaptions << SheetCells{{QStringLiteral("1"), QStringLiteral("110100")}}
        << QStringLiteral("文件 %1/考生.xlsx 第2行的学号“110100”不是");
    QTest::newRow("too few columns")
        << kCaptions.mid(0, 4)
        << SheetCells{{QStringLiteral("1"), QStringLiteral("120001"), QStringLiteral("新甲"),
                       QStringLiteral("80")}}
        << QStringLiteral("文件 %1/考生.xlsx 第2行只有4列，考生名单至少需要5列。");
    // The database refuses the second candidate: the first one is taken back too.
    QTest::newRow("refused by the database")
        << kCaptions
        << SheetCells{kTwoCandidates[0],
                      {QStringLiteral("2"), QStringLiteral("120002"), QStringLiteral("坏")}}
        << QStringLiteral("写入数据库时出错：");
}

void CandidatesExchangeTest::failedImportKeepsEveryCandidate() {
    QFETCH(QStringList, captions);
    QFETCH(SheetCells, rows);
    QFETCH(QString, message);
    TestWorkdir dir;
    dir.Sql(QStringLiteral("Update Userxinxi Set Chengji='85', Tt1='答案'"));
    dir.RefuseWrites(QStringLiteral("refuse"), QStringLiteral("Insert"),
                     QStringLiteral("Userxinxi"), QStringLiteral("new.Xingmin='坏'"),
                     QStringLiteral("refused"));
    const QString file = CandidatesSheet(dir, rows, captions);
    ExchangeHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList listed = h.ListedRows(Exchange::Candidates);
    h.Import(Exchange::Candidates, file);
    QCOMPARE(h.prompts.Errors().size(), 1);
    const QString shown = h.prompts.Errors().first();
    QVERIFY2(shown.startsWith(message.replace(QStringLiteral("%1"), dir.Path())),
             qPrintable(shown));
    QVERIFY2(shown.endsWith(QStringLiteral("\n数据库中的数据没有改动。")), qPrintable(shown));
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QCOMPARE(h.ListedRows(Exchange::Candidates), listed);
    QVERIFY(h.WorkdirKept());
}

QTEST_MAIN(CandidatesExchangeTest)
#include "CandidatesExchangeTest.moc"
