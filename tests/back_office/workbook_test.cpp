// Writing workbooks and reading them back, and reading workbooks made by LibreOffice Calc.
#include "WorkbookTesting.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>

#include <unistd.h>

class WorkbookTest : public QObject {
    Q_OBJECT

  private slots:
    void roundTripKeepsEveryText();
    void roundTripPadsRowsAndDropsTrailingEmptyCells();
    void emptyListWritesAnEmptySheet1();
    void sheetNamesMatchWithoutRegardToCase();
    void writeReplacesAnEarlierFile();
    void failedWriteKeepsTheEarlierFile();
    void writeFailures_data();
    void writeFailures();
    void invalidSheetNameWritesNothing();
    void severalSheetsWithNumbers();
    void calcSheet1_data();
    void calcSheet1();
    void calcOtherSheets_data();
    void calcOtherSheets();
    void sheetTextsFromCellsInAnyOrder();
    void sheetTextsOfNoCells();
    void sheetTextsTooLarge();

  private:
    QTemporaryDir dir_;
};

void WorkbookTest::roundTripKeepsEveryText() {
    const QString longText(32767, QChar(u'字'));
    const SheetCells cells = {
        {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("备注")},
        {QStringLiteral("110101"), QStringLiteral("张三"), QStringLiteral("他说\"对\"，也说'错'")},
        {QStringLiteral("007"), QString(), QStringLiteral("第一行\n第二行")},
        {QStringLiteral("1.50"), QStringLiteral("  前后空格  "),
         QStringLiteral("回车\r\n换行\t制表")},
        {QStringLiteral("=1+1"), QStringLiteral("_x0041_ 与 _x0041_x0042_"),
         QStringLiteral("\x01控制")},
        {QString(), QStringLiteral("-0"), longText},
        {QStringLiteral("𠀀 emoji 😀"), QString(), QStringLiteral("<b>&amp;</b>")},
    };
    const QString path = dir_.filePath(QStringLiteral("考生名单.xlsx"));
    WriteSheet(path, cells);
    QCOMPARE(ReadSheet(path).Rows(), cells);
}

void WorkbookTest::roundTripPadsRowsAndDropsTrailingEmptyCells() {
    const QString path = dir_.filePath(QStringLiteral("ragged.xlsx"));
    WriteSheet(path, {{QStringLiteral("甲")},
                      {QStringLiteral("乙"), QString(), QStringLiteral("丙"), QString()},
                      {},
                      {QString(), QStringLiteral("丁")},
                      {QString(), QString()}});
    const SheetCells expected = {{QStringLiteral("甲"), QString(), QString()},
                                 {QStringLiteral("乙"), QString(), QStringLiteral("丙")},
                                 {QString(), QString(), QString()},
                                 {QString(), QStringLiteral("丁"), QString()}};
    QCOMPARE(ReadSheet(path).Rows(), expected);
}

void WorkbookTest::emptyListWritesAnEmptySheet1() {
    const QString path = dir_.filePath(QStringLiteral("empty.xlsx"));
    WriteSheet(path, {});
    QVERIFY(QFile::exists(path));
    QCOMPARE(ReadSheet(path).Rows(), SheetCells());  // Sheet1 is there (no error) and has no cells
    WriteSheet(path, {{QString(), QString()}, {}});
    QCOMPARE(ReadSheet(path).Rows(), SheetCells());
}

void WorkbookTest::sheetNamesMatchWithoutRegardToCase() {
    const QString path = dir_.filePath(QStringLiteral("lower.xlsx"));
    WriteSheet(path, {{QStringLiteral("一")}}, QStringLiteral("sheet1"));
    QCOMPARE(ReadSheet(path).Rows(), SheetCells({{QStringLiteral("一")}}));
    QCOMPARE(ReadSheet(Fixture(QStringLiteral("calc_sheets.xls")), QStringLiteral("SHEET1"))
                 .Rows()
                 .size(),
             5);
}

void WorkbookTest::writeReplacesAnEarlierFile() {
    const QString path = dir_.filePath(QStringLiteral("replaced.xlsx"));
    {
        QFile text(path);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a workbook");
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    WriteSheet(path, {{QStringLiteral("新")}});
    QCOMPARE(ReadSheet(path).Rows(), SheetCells({{QStringLiteral("新")}}));
    // Owner, group and others' bits (the "user" ones depend on who runs the test).
    QCOMPARE(QFile::permissions(path) & QFile::Permissions(0x7077),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    // Nothing else is left in the folder: the temporary name became the file.
    const QStringList left =
        QDir(dir_.path())
            .entryList({QStringLiteral("*replaced*")}, QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left, QStringList({QStringLiteral("replaced.xlsx")}));
}

void WorkbookTest::failedWriteKeepsTheEarlierFile() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kept.xlsx"));
    WriteSheet(path, {{QStringLiteral("原来的")}});
    const QString message = ErrorOf([&] {
        WriteSheet(path, {{QStringLiteral("新的"), QString(32768, QChar(u'长'))}});
    });
    QCOMPARE(message, QStringLiteral("无法写入文件 %1：单元格 B1 的文字超过 32767 个字符。")
                          .arg(QDir::toNativeSeparators(path)));
    QCOMPARE(ReadSheet(path).Rows(), SheetCells({{QStringLiteral("原来的")}}));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList({QStringLiteral("kept.xlsx")}));
}

void WorkbookTest::writeFailures_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString missing = dir_.filePath(QStringLiteral("没有这个文件夹/out.xlsx"));
    QTest::newRow("missing folder")
        << missing << QStringLiteral("无法写入文件 %1：文件夹不存在。").arg(missing);
    QDir(dir_.path()).mkdir(QStringLiteral("a folder.xlsx"));
    const QString folder = dir_.filePath(QStringLiteral("a folder.xlsx"));
    QTest::newRow("target is a folder")
        << folder << QStringLiteral("无法写入文件 %1：同名的文件夹已经存在。").arg(folder);
    // Root writes into any folder whatever its permissions; /proc takes no new file from anyone.
    QString locked = QStringLiteral("/proc/out.xlsx");
    if (::geteuid() != 0) {
        QDir(dir_.path()).mkdir(QStringLiteral("locked"));
        QFile::setPermissions(dir_.filePath(QStringLiteral("locked")),
                              QFile::ReadOwner | QFile::ExeOwner);
        locked = dir_.filePath(QStringLiteral("locked/out.xlsx"));
    }
    QTest::newRow("unwritable folder")
        << locked << QStringLiteral("无法写入文件 %1：文件夹不可写。").arg(locked);
}

void WorkbookTest::writeFailures() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    QCOMPARE(ErrorOf([&] { WriteSheet(path, {{QStringLiteral("一")}}); }), message);
}

void WorkbookTest::invalidSheetNameWritesNothing() {
    const QString path = dir_.filePath(QStringLiteral("bad name.xlsx"));
    QCOMPARE(
        ErrorOf([&] { WriteSheet(path, {{QStringLiteral("一")}}, QStringLiteral("成绩/2024")); }),
        QStringLiteral("无法写入文件 %1：工作表名 成绩/2024 无效。").arg(path));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(
        QDir(dir_.path()).entryList({QStringLiteral("*bad name*")}, QDir::Files | QDir::Hidden),
        QStringList());
}

// Sheets in order, numbers read back in the general format, an empty text and a value that is not
// a number left unfilled; a name used twice is refused.
void WorkbookTest::severalSheetsWithNumbers() {
    const QString path = dir_.filePath(QStringLiteral("分析.xlsx"));
    const QList<CellValue> numbers = {0.1 + 0.2,    110101.0,  -2.5,
                                      std::nan(""), QString(), QStringLiteral("1")};
    WriteWorkbook(path, {{QStringLiteral("概况"), {{QStringLiteral("人数"), 40.0}}},
                         {QStringLiteral("Sheet1"), {numbers, {}, {QStringLiteral("末")}}}});
    QCOMPARE(ReadSheet(path, QStringLiteral("概况")).Rows(),
             SheetCells({{QStringLiteral("人数"), QStringLiteral("40")}}));
    QCOMPARE(
        ReadSheet(path).Rows(),
        SheetCells({QStringList{QStringLiteral("0.3"), QStringLiteral("110101"),
                                QStringLiteral("-2.5"), QString(), QString(), QStringLiteral("1")},
                    QStringList(6), QStringList{QStringLiteral("末"), {}, {}, {}, {}, {}}}));
    QCOMPARE(ErrorOf([&] {
                 WriteWorkbook(path, {{QStringLiteral("甲"), {}}, {QStringLiteral("甲"), {}}});
             }),
             QStringLiteral("无法写入文件 %1：工作表名 甲 无效。").arg(path));
    QCOMPARE(ReadSheet(path, QStringLiteral("概况")).Rows().size(), 1);  // the earlier file stays
}

void WorkbookTest::calcSheet1_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("formulaNumber");
    QTest::addColumn<QString>("formulaText");
    // Formula cells give their cached value. LibreOffice stores no text result in .xls: the
    // formula's cached value there is the number 0 (the reference reader sees the same).
    QTest::newRow("xlsx") << QStringLiteral("calc_sheets.xlsx") << QStringLiteral("20")
                          << QStringLiteral("北京！");
    QTest::newRow("xls") << QStringLiteral("calc_sheets.xls") << QStringLiteral("20")
                         << QStringLiteral("0");
}

void WorkbookTest::calcSheet1() {
    QFETCH(QString, file);
    QFETCH(QString, formulaNumber);
    QFETCH(QString, formulaText);
    // Sheet1 is the second of three sheets; the first is larger, and must not shape the result.
    const SheetCells expected = {
        {QStringLiteral("题号"), QStringLiteral("题目"), QStringLiteral("A答案"),
         QStringLiteral("分数"), QStringLiteral("备注")},
        {QStringLiteral("1"), QStringLiteral("中国的首都是哪里？"), QStringLiteral("北京"),
         QStringLiteral("2.5"), QStringLiteral("他说\"对\"")},
        {QStringLiteral("2"), QString(), QStringLiteral("上海"), QStringLiteral("0.5"),
         formulaNumber},
        {QStringLiteral("110101"), QStringLiteral("两行\n文本"), QString(), QStringLiteral("-3"),
         formulaText},
        {QString(), QString(), QString(), QStringLiteral("87.25"), QString()},
    };
    QCOMPARE(ReadSheet(Fixture(file)).Rows(), expected);
}

void WorkbookTest::calcOtherSheets_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx") << QStringLiteral("calc_sheets.xlsx");
    QTest::newRow("xls") << QStringLiteral("calc_sheets.xls");
}

void WorkbookTest::calcOtherSheets() {
    QFETCH(QString, file);
    const SheetCells first = ReadSheet(Fixture(file), QStringLiteral("说明")).Rows();
    QCOMPARE(first.size(), 8);
    for (const QStringList& row : first)
        QCOMPARE(row.size(), 8);
    QCOMPARE(first[0][0], QStringLiteral("这一页不是导入的数据"));
    QCOMPARE(first[7][7], QStringLiteral("99"));
    // Calc stores TRUE as the number 1 with a boolean format, in both formats.
    QCOMPARE(ReadSheet(Fixture(file), QStringLiteral("成绩")).Rows(),
             SheetCells({{QStringLiteral("第三页"), QStringLiteral("3"), QStringLiteral("1")}}));
}

// The readers' cells arrive in any order; a later text at a position replaces the earlier, an
// empty one replaces nothing, and a kept text may stand in several cells.
void WorkbookTest::sheetTextsFromCellsInAnyOrder() {
    workbook_detail::SheetBuilder builder;
    const auto shared = builder.Keep(u"共享");
    builder.Add(2, 1, u"末行");
    builder.Add(0, 3, u"旧");
    builder.Add(0, 0, shared);
    builder.Add(0, 3, u"新");
    builder.Add(2, 1, u"");
    builder.Add(1, 2, shared);
    const SheetTexts sheet = builder.Build(QStringLiteral("a.xlsx"), QStringLiteral("Sheet1"));
    const SheetCells expected = {{QStringLiteral("共享"), {}, {}, QStringLiteral("新")},
                                 {{}, {}, QStringLiteral("共享"), {}},
                                 {{}, QStringLiteral("末行"), {}, {}}};
    QCOMPARE(sheet.Rows(), expected);
    QVERIFY(sheet == expected);
    QVERIFY(sheet != SheetCells(expected.mid(0, 2)));
    SheetCells shorter = expected;
    shorter[1].removeLast();
    QVERIFY(sheet != shorter);
    QCOMPARE(sheet.Text(2, 1), QStringLiteral("末行"));
    QCOMPARE(sheet.Text(2, 2), QString());
    QCOMPARE(sheet.Text(3, 0), QString());  // outside the rectangle
    QCOMPARE(sheet.Row(-1), QStringList());
}

void WorkbookTest::sheetTextsOfNoCells() {
    workbook_detail::SheetBuilder builder;
    builder.Keep(u"未用");  // a shared string no cell uses
    builder.Add(5, 5, u"");
    const SheetTexts sheet = builder.Build(QStringLiteral("a.xlsx"), QStringLiteral("Sheet1"));
    QCOMPARE(sheet.RowCount(), 0);
    QCOMPARE(sheet.ColumnCount(), 0);
    QCOMPARE(sheet.Rows(), SheetCells());
    QVERIFY(sheet == SheetCells());
    QCOMPARE(SheetTexts().Text(0, 0), QString());
}

// Past the limit nothing more is kept, and the sheet is refused with the whole extent named.
void WorkbookTest::sheetTextsTooLarge() {
    workbook_detail::SheetBuilder builder;
    builder.Add(0, 0, u"一");
    builder.Add(workbook_detail::kMaxRows - 1, 4, u"二");
    builder.Add(0, 9, u"三");
    QCOMPARE(ErrorOf([&] { builder.Build(QStringLiteral("a.xlsx"), QStringLiteral("表")); }),
             QStringLiteral("工作簿 a.xlsx 的工作表 表 太大（1048576 行、10 列），无法读取。"));
}

QTEST_GUILESS_MAIN(WorkbookTest)
#include "workbook_test.moc"
