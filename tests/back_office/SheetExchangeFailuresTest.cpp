// What the spreadsheet exchange does when it cannot go on: cancelled dialogs, unreadable files,
// rows that cannot be stored, a database that refuses a row, a file that cannot be written. A
// failed import leaves the database file as it was, byte for byte, and says why.

#include "ExchangeHarness.h"
#include "back_office/workbook/Workbook.h"
#include "support/TestWorkdir.h"

#include <QDir>
#include <QTest>

#include <functional>

namespace {

QString Fixture(const QString& name) {
    return QStringLiteral(CX_TEST_DATA "/") + name;
}

const QString kUnchanged = QStringLiteral("数据库中的数据没有改动。");

// Sheet1 with the captions of the eight-column banks and `rows` below them.
void WriteChoiceSheet(const QString& path, const SheetCells& rows) {
    SheetCells cells = {{QStringLiteral("题号"), QStringLiteral("题目"), QStringLiteral("A答案"),
                         QStringLiteral("B答案"), QStringLiteral("C答案"), QStringLiteral("D答案"),
                         QStringLiteral("标准答案"), QStringLiteral("分数")}};
    cells << rows;
    WriteSheet(path, cells);
}

QStringList Choice(const QString& number) {
    return {number,
            QStringLiteral("题"),
            QStringLiteral("a"),
            QStringLiteral("b"),
            QStringLiteral("c"),
            QStringLiteral("d"),
            QStringLiteral("A"),
            QStringLiteral("1")};
}

// Makes the file to import in `dir` and returns its path.
using FileMaker = std::function<QString(const QString& dir)>;

}  // namespace

Q_DECLARE_METATYPE(FileMaker)

class SheetExchangeFailuresTest : public QObject {
    Q_OBJECT
  private slots:
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void failedImportLeavesTheDatabase_data();
    void failedImportLeavesTheDatabase();
    void refusedRowRollsBackEveryRow();
    void unwritableExportIsReported_data();
    void unwritableExportIsReported();
};

void SheetExchangeFailuresTest::cancelledDialogsChangeNothing_data() {
    QTest::addColumn<Exchange>("member");
    QTest::newRow("candidates") << Exchange::Candidates;
    QTest::newRow("single-choice") << Exchange::SingleChoice;
    QTest::newRow("multiple-choice") << Exchange::MultiChoice;
    QTest::newRow("true/false") << Exchange::TrueFalse;
    QTest::newRow("subjective") << Exchange::Subjective;
}

void SheetExchangeFailuresTest::cancelledDialogsChangeNothing() {
    QFETCH(Exchange, member);
    TestWorkdir dir;
    ExchangeHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList listed = h.ListedRows(member);
    const QStringList files = QDir(dir.Path()).entryList(QDir::AllEntries | QDir::Hidden);
    h.Export(member, QString());
    QVERIFY(h.WorkdirKept());
    h.Import(member, QString());
    QVERIFY(h.WorkdirKept());
    // Two dialogs and nothing else.
    QCOMPARE(h.prompts.shown.size(), 2);
    QCOMPARE(QDir(dir.Path()).entryList(QDir::AllEntries | QDir::Hidden), files);
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QCOMPARE(h.ListedRows(member), listed);
}

void SheetExchangeFailuresTest::failedImportLeavesTheDatabase_data() {
    QTest::addColumn<Exchange>("member");
    QTest::addColumn<FileMaker>("make");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing file") << Exchange::MultiChoice << FileMaker([](const QString& dir) {
        return dir + QStringLiteral("/没有这个文件.xlsx");
    }) << QStringLiteral("找不到文件 %1/没有这个文件.xlsx。");
    QTest::newRow("not a workbook") << Exchange::TrueFalse << FileMaker([](const QString& dir) {
        const QString path = dir + QStringLiteral("/题.xlsx");
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("题号,题目\n1,计算机\n");
        return path;
    }) << QStringLiteral("无法读取文件 %1/题.xlsx：不是 Excel 工作簿。");
    QTest::newRow("truncated workbook")
        << Exchange::MultiChoice << FileMaker([](const QString& dir) {
               const QString path = dir + QStringLiteral("/半截.xlsx");
               WriteChoiceSheet(path, {Choice(QStringLiteral("1")), Choice(QStringLiteral("2"))});
               QFile file(path);
               file.resize(file.size() / 2);
               return path;
           })
        << QStringLiteral("工作簿 %1/半截.xlsx 已损坏或不完整");
    QTest::newRow("no Sheet1") << Exchange::Subjective << FileMaker([](const QString& dir) {
        const QString path = dir + QStringLiteral("/考题.xlsx");
        WriteSheet(path,
                   {{QStringLiteral("题号"), QStringLiteral("题目")},
                    {QStringLiteral("1"), QStringLiteral("简答")}},
                   QStringLiteral("考题"));
        return path;
    }) << QStringLiteral("工作簿 %1/考题.xlsx 中没有名为 Sheet1 的工作表。");
    QTest::newRow("too few columns") << Exchange::MultiChoice << FileMaker([](const QString& dir) {
        const QString path = dir + QStringLiteral("/六列.xlsx");
        WriteSheet(path, {Choice(QStringLiteral("题号")).mid(0, 6),
                          Choice(QStringLiteral("1")).mid(0, 6)});
        return path;
    }) << QStringLiteral("文件 %1/六列.xlsx 第2行只有6列，多项选择题至少需要7列。");
    QTest::newRow("duplicate number") << Exchange::MultiChoice << FileMaker([](const QString& dir) {
        const QString path = dir + QStringLiteral("/重号.xlsx");
        WriteChoiceSheet(path, {Choice(QStringLiteral("1")), Choice(QStringLiteral("2")),
                                Choice(QStringLiteral("01"))});
        return path;
    }) << QStringLiteral("文件 %1/重号.xlsx 第4行的题号1与第2行的相同。");
    QTest::newRow("fraction as single-choice number")
        << Exchange::SingleChoice << FileMaker([](const QString& dir) {
               const QString path = dir + QStringLiteral("/小数.xlsx");
               WriteChoiceSheet(path, {Choice(QStringLiteral("1")), Choice(QStringLiteral("2.5"))});
               return path;
           })
        << QStringLiteral("文件 %1/小数.xlsx 第3行的题号“2.5”不是整数。");
    // Calc's sheet has a row without a number.
    QTest::newRow("Calc sheet with an empty number")
        << Exchange::Subjective << FileMaker([](const QString& dir) {
               const QString path = dir + QStringLiteral("/calc_sheets.xlsx");
               QFile::copy(Fixture(QStringLiteral("calc_sheets.xlsx")), path);
               return path;
           })
        << QStringLiteral("文件 %1/calc_sheets.xlsx 第5行的题号“”不是整数。");
}

void SheetExchangeFailuresTest::failedImportLeavesTheDatabase() {
    QFETCH(Exchange, member);
    QFETCH(FileMaker, make);
    QFETCH(QString, message);
    TestWorkdir dir;
    const QString file = make(dir.Path());
    ExchangeHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList listed = h.ListedRows(member);
    h.Import(member, file);
    QVERIFY(h.WorkdirKept());
    QCOMPARE(h.prompts.Errors().size(), 1);
    const QString shown = h.prompts.Errors().first();
    QVERIFY2(shown.startsWith(message.arg(dir.Path())), qPrintable(shown));
    QVERIFY2(shown.endsWith(u'\n' + kUnchanged), qPrintable(shown));
    QCOMPARE(h.prompts.shown.size(), 2);
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QCOMPARE(h.ListedRows(member), listed);
}

void SheetExchangeFailuresTest::refusedRowRollsBackEveryRow() {
    TestWorkdir dir;
    // The database refuses the third row's text; the two rows before it are taken back too.
    dir.RefuseWrites(QStringLiteral("refuse"), QStringLiteral("Update"), QStringLiteral("Test"),
                     QStringLiteral("new.Request='坏'"), QStringLiteral("refused"));
    const QString file = dir.Path() + QStringLiteral("/单选.xlsx");
    QStringList bad = Choice(QStringLiteral("3"));
    bad[1] = QStringLiteral("坏");
    WriteChoiceSheet(file, {Choice(QStringLiteral("1")), Choice(QStringLiteral("2")), bad});
    ExchangeHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    h.Import(Exchange::SingleChoice, file);
    QCOMPARE(h.prompts.Errors().size(), 1);
    const QString shown = h.prompts.Errors().first();
    QVERIFY2(shown.startsWith(QStringLiteral("写入数据库时出错：")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("refused")), qPrintable(shown));
    QVERIFY2(shown.endsWith(kUnchanged), qPrintable(shown));
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QVERIFY(!QFile::exists(dir.DatabaseFile() + QStringLiteral("-journal")));
}

void SheetExchangeFailuresTest::unwritableExportIsReported_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder")
        << QStringLiteral("没有的文件夹/题.xlsx") << QStringLiteral("文件夹不存在");
    QTest::newRow("a folder of that name")
        << QStringLiteral("data") << QStringLiteral("同名的文件夹已经存在");
}

void SheetExchangeFailuresTest::unwritableExportIsReported() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    TestWorkdir dir;
    ExchangeHarness h;
    const QString file = dir.Path() + u'/' + name;
    h.Export(Exchange::MultiChoice, file);
    QVERIFY(h.WorkdirKept());
    QCOMPARE(h.prompts.Errors(),
             QStringList{QStringLiteral("导出失败：无法写入文件 %1：%2。").arg(file, reason)});
}

QTEST_MAIN(SheetExchangeFailuresTest)
#include "SheetExchangeFailuresTest.moc"
