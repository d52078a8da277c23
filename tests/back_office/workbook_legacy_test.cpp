// Reading legacy .xls workbooks (BIFF8 and BIFF5 records in a compound file) and the dates of both
// formats: fixtures written by LibreOffice Calc, by xlwt and record by record
// (tests/data/make_legacy_fixtures.sh), and record streams put together here.
#include "WorkbookTesting.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

QString Damaged(const QString& path) {
    return QStringLiteral("工作簿 %1 已损坏或不完整，无法读取。").arg(path);
}

// A BIFF record: type, length, body.
QByteArray Record(quint16 type, const QByteArray& body) {
    QByteArray out;
    out.append(char(type & 0xFF)).append(char(type >> 8));
    out.append(char(body.size() & 0xFF)).append(char(body.size() >> 8));
    return out + body;
}

QByteArray U16(int value) {
    return QByteArray(1, char(value & 0xFF)) + char((value >> 8) & 0xFF);
}

QByteArray U32(quint32 value) {
    return U16(int(value & 0xFFFF)) + U16(int(value >> 16));
}

// A bare BIFF8 workbook stream (no compound file) with globals and one sheet "Sheet1".
QByteArray Stream(const QByteArray& globals, const QByteArray& sheet) {
    const QByteArray bof = Record(0x0809, U16(0x0600) + U16(5) + QByteArray(12, 0));
    const QByteArray eof = Record(0x000A, QByteArray());
    const QByteArray name = QByteArray("\x06\x00", 2) + "Sheet1";
    const int boundSheetSize = 4 + 6 + name.size();
    const quint32 offset = quint32(bof.size() + globals.size() + boundSheetSize + eof.size());
    return bof + globals + Record(0x0085, U32(offset) + U16(0) + name) + eof +
           Record(0x0809, U16(0x0600) + U16(0x10) + QByteArray(12, 0)) + sheet + eof;
}

QByteArray Cell(int row, int column) {
    return U16(row) + U16(column) + U16(0);
}

}  // namespace

class WorkbookLegacyTest : public QObject {
    Q_OBJECT

  private slots:
    void recordsOfEachWriter_data();
    void recordsOfEachWriter();
    void sameTextsFromXlsAndXlsx_data();
    void sameTextsFromXlsAndXlsx();
    void sheetNamesInTheCodePage();
    void trueReasons_data();
    void trueReasons();
    void damagedRecords_data();
    void damagedRecords();

  private:
    QTemporaryDir dir_;
};

void WorkbookLegacyTest::recordsOfEachWriter_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<SheetCells>("expected");
    // Excel 5.0/95 records in code page 936: RK and MULRK numbers (integers, hundredths, float
    // bits), rich text, formula results of every kind, BOOLERR, dates by custom (Chinese) and
    // built-in formats, an elapsed time, a negative number in a date format, "d" in quotes (no
    // date). A number in the chart substream inside the sheet is not a cell of the sheet.
    QTest::newRow("BIFF5, code page 936")
        << QStringLiteral("legacy_biff5.xls")
        << SheetCells{{"学号", "姓名", "成绩", "日期", ""},
                      {"110101", "张三丰", "87.5", "2024-05-01", ""},
                      {"110102", "0.5", "-12.5", "2024-05-01 18:00:00", ""},
                      {"20", "北京！", "TRUE", "#DIV/0!", ""},
                      {"FALSE", "#N/A", "36:00:00", "-3", "2.5"}};
    // Shared strings cut over CONTINUE records in every place a writer may cut them (an empty one
    // is an empty cell), the 1904 date system, a formula text continued in a CONTINUE record, in a
    // stream named "WORKBOOK". 0 in a date format is no day, even from 1904: it reads as the
    // number.
    QTest::newRow("BIFF8 shared strings, WORKBOOK stream")
        << QStringLiteral("legacy_sst.xls")
        << SheetCells{{"Hello, 世界", "北京大学", "", "über", "学号"},
                      {"0", "12:00:00", "1904-01-02", "", ""},
                      {QString(4200, u'长') + u'尾', "", "", "", ""},
                      {"abc", "", "", "", ""}};
    // xlwt writes booleans and errors as BOOLERR and formulas without a cached value.
    QTest::newRow("xlwt") << QStringLiteral("legacy_xlwt.xls")
                          << SheetCells{{"题号", "题目", "正确", "错误", "答案", "分数"},
                                        {"1", "地球是圆的", "TRUE", "FALSE", "#N/A", ""},
                                        {"2024-05-01", "#DIV/0!", "0.3", "", "", ""}};
    // A workbook stream small enough to sit in the compound file's mini stream.
    QTest::newRow("mini stream") << QStringLiteral("mini_stream.xls")
                                 << SheetCells{
                                        {"学号", "姓名"}, {"110101", "张三"}, {"110102", "李四"}};
}

void WorkbookLegacyTest::recordsOfEachWriter() {
    QFETCH(QString, file);
    QFETCH(SheetCells, expected);
    QCOMPARE(ReadSheet(Fixture(file)).Rows(), expected);
}

void WorkbookLegacyTest::sameTextsFromXlsAndXlsx_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("formulaText");
    QTest::addColumn<QString>("longFormulaText");
    // Calc stores the text results of formulas in .xlsx; in .xls it stores the number 0.
    QTest::newRow("xls") << QStringLiteral("legacy_cells.xls") << QStringLiteral("0")
                         << QStringLiteral("0");
    QTest::newRow("xlsx") << QStringLiteral("legacy_cells.xlsx") << QStringLiteral("北京！")
                          << QString(5000, u'字');
}

void WorkbookLegacyTest::sameTextsFromXlsAndXlsx() {
    QFETCH(QString, file);
    QFETCH(QString, formulaText);
    QFETCH(QString, longFormulaText);
    const SheetCells expected = {
        {"文字", "考生张三", ""},
        {"长文字", QString(5000, u'长') + u'尾', ""},
        {"富文本", "粗体字", ""},
        {"公式数", "0", "3"},
        {"公式文字", formulaText, ""},
        {"公式长文字", longFormulaText, ""},
        {"逻辑值", "TRUE", "FALSE"},
        {"错误", "#N/A", "#DIV/0!"},
        {"日期", "2024-05-01", "1999-12-31"},
        {"时间", "13:45:30", "2024-05-01 08:30:00"},
        {"经过时间", "36:00:05", ""},
        {"日期格式的数", "-5", "0"},
        {"数", "110101", "-2.5"},
    };
    QCOMPARE(ReadSheet(Fixture(file)).Rows(), expected);
}

void WorkbookLegacyTest::sheetNamesInTheCodePage() {
    // The first sheet of the BIFF5 file is named in code page 936 and has no cells.
    QCOMPARE(
        ReadSheet(Fixture(QStringLiteral("legacy_biff5.xls")), QStringLiteral("成绩表")).Rows(),
        SheetCells());
}

void WorkbookLegacyTest::trueReasons_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString password =
        QStringLiteral("无法读取工作簿 %1：它设有密码。请在电子表格程序中取消密码后再导入。");
    const QString unread = QStringLiteral(
        "无法读取工作簿 %1：%2不能直接导入。请在电子表格程序中打开它，另存为 Excel "
        "工作簿（.xlsx）后再导入。");
    for (const char* name : {"password.xls", "encrypted_package.xlsx"}) {
        const QString path = Fixture(QString::fromLatin1(name));
        QTest::newRow(name) << path << password.arg(path);
    }
    // An Excel 4.0 worksheet: BIFF4 records without a compound file.
    const QString biff4 = dir_.filePath(QStringLiteral("excel4.xls"));
    QFile file(biff4);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Record(0x0409, U16(0) + U16(0x10) + U16(0)) + Record(0x000A, QByteArray()));
    file.close();
    // A file larger than any sheet the exchange takes is refused before it is read (sparse here).
    const QString huge = dir_.filePath(QStringLiteral("huge.xls"));
    QFile big(huge);
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(257LL << 20));
    big.close();
    QTest::newRow("too large") << huge
                               << QStringLiteral("工作簿 %1 太大（257 MB），无法读取。").arg(huge);
    QTest::newRow("Excel 4.0") << biff4
                               << unread.arg(biff4, QStringLiteral("Excel 2.x–4.0 格式的工作表"));
}

void WorkbookLegacyTest::trueReasons() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }), message);
}

void WorkbookLegacyTest::damagedRecords_data() {
    QTest::addColumn<QByteArray>("stream");
    const QByteArray label = Record(0x0204, Cell(0, 0) + U16(2) + char(0) + "ab");
    QTest::newRow("sound") << Stream(QByteArray(), label);  // the control: it reads
    // Formatting runs continued after an empty CONTINUE record (once a hang found by fuzzing).
    QTest::newRow("sound, empty CONTINUE")
        << Stream(Record(0x00FC, U32(1) + U32(1) + U16(1) + char(8) + U16(1) + "x") +
                      Record(0x003C, QByteArray()) + Record(0x003C, U32(0)),
                  Record(0x00FD, Cell(0, 0) + U32(0)));
    QTest::newRow("record cut off") << Stream(QByteArray(), label).chopped(8);
    QTest::newRow("string longer than its record")
        << Stream(QByteArray(), Record(0x0204, Cell(0, 0) + U16(200) + char(0) + "ab"));
    QTest::newRow("shared string beyond the list")
        << Stream(Record(0x00FC, U32(1) + U32(1) + U16(1) + char(0) + "x"),
                  Record(0x00FD, Cell(0, 0) + U32(1)));
    QTest::newRow("more shared strings counted than bytes")
        << Stream(Record(0x00FC, U32(0xFFFFFFF) + U32(0xFFFFFFF)), QByteArray());
    QTest::newRow("cell record too short") << Stream(QByteArray(), Record(0x0203, Cell(0, 0)));
    QByteArray beyond = Stream(QByteArray(), label);
    beyond[beyond.indexOf("Sheet1") - 5] = char(0x7F);  // the sheet's offset, past the end
    QTest::newRow("sheet beyond the stream") << beyond;
}

void WorkbookLegacyTest::damagedRecords() {
    QFETCH(QByteArray, stream);
    const QString path = dir_.filePath(QStringLiteral("records.xls"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(stream);
    file.close();
    const QString message = ErrorOf([&] { ReadSheet(path); });
    if (QByteArray(QTest::currentDataTag()).startsWith("sound"))
        QCOMPARE(message, QString());
    else
        QCOMPARE(message, Damaged(path));
}

QTEST_GUILESS_MAIN(WorkbookLegacyTest)
#include "workbook_legacy_test.moc"
