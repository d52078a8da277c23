// Reading .xlsx packages put together by hand (cell types, positions, package layouts other
// programs write) and reading files that are not workbooks, damaged or lack the sheet.
#include "WorkbookTesting.h"
#include "ZipTesting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const char kMain[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kRelationshipTypes[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

QByteArray Relationships(const QList<QByteArrayList>& entries) {
    QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const QByteArrayList& e : entries)
        xml += "<Relationship Id=\"" + e[0] + "\" Type=\"" + kRelationshipTypes + "/" + e[1] +
               "\" Target=\"" + e[2] + "\"/>";
    return xml + "</Relationships>";
}

QByteArray Sheet(const QByteArray& rows) {
    return QByteArray("<worksheet xmlns=\"") + kMain + "\"><sheetData>" + rows +
           "</sheetData></worksheet>";
}

QByteArray SharedStrings(const QByteArray& items) {
    return QByteArray("<sst xmlns=\"") + kMain + "\">" + items + "</sst>";
}

// The parts of a small workbook as the usual writers lay it out; tests change single parts.
struct Package {
    QMap<QString, QByteArray> parts = {
        {QStringLiteral("[Content_Types].xml"), "<Types/>"},
        {QStringLiteral("_rels/.rels"),
         Relationships({{"rId1", "officeDocument", "xl/workbook.xml"}})},
        {QStringLiteral("xl/workbook.xml"),
         QByteArray("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRelationshipTypes +
             "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         Relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                        {"rId2", "sharedStrings", "sharedStrings.xml"}})},
        {QStringLiteral("xl/sharedStrings.xml"), SharedStrings("<si><t>共享</t></si>")},
        {QStringLiteral("xl/worksheets/sheet1.xml"),
         Sheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
               "<c r=\"B1\" t=\"inlineStr\"><is><t>内联</t></is></c></row>")},
    };

    void Write(const QString& path, bool stored = false) const { WriteZip(path, parts, stored); }
};

}  // namespace

Q_DECLARE_METATYPE(Package)

class WorkbookPartsTest : public QObject {
    Q_OBJECT

  private slots:
    void cellTypes();
    void positionsComeFromReferences();
    void packageLayouts_data();
    void packageLayouts();
    void notWorkbooks_data();
    void notWorkbooks();
    void missingAndUnreadableFiles();
    void damagedWorkbooks_data();
    void damagedWorkbooks();
    void missingSheet();
    void datesByCellFormat();
    void formatsNotRead_data();
    void formatsNotRead();
    void sheetLongerThanOnePiece();
    void sheetTooLargeToHold();
    void tooManySharedStrings();
    void legacyFailures_data();
    void legacyFailures();

  private:
    QString File(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

void WorkbookPartsTest::cellTypes() {
    Package package;
    package.parts[QStringLiteral("xl/sharedStrings.xml")] = SharedStrings(
        "<si><t>共享</t><rPh sb=\"0\" eb=\"1\"><t>きょう</t></rPh></si>"
        "<si><r><t>第一行</t></r><r><rPr><b/></rPr><t>_x000D_\n第二行</t></r></si>"
        "<si><t xml:space=\"preserve\">  </t></si>");
    package.parts[QStringLiteral("xl/worksheets/sheet1.xml")] = Sheet(
        "<row r=\"1\">"
        "<c r=\"A1\" t=\"inlineStr\"><is><t>内联文字</t></is></c>"
        "<c r=\"B1\" t=\"inlineStr\"><is><r><t>富</t></r><r><rPr/><t>文本</t></r></is></c>"
        "<c r=\"C1\" t=\"s\"><v>0</v></c><c r=\"D1\" t=\"s\"><v>1</v></c>"
        "<c r=\"E1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">  空格  </t></is></c>"
        "<c r=\"F1\" t=\"inlineStr\"><is><t> </t></is></c></row>"
        "<row r=\"2\">"
        "<c r=\"A2\" t=\"str\"><f>C1&amp;\"!\"</f><v>公式文字</v></c>"
        "<c r=\"B2\" t=\"b\"><v>1</v></c><c r=\"C2\" t=\"b\"><v>0</v></c>"
        "<c r=\"D2\" t=\"e\"><v>#N/A</v></c><c r=\"E2\"><f>1/0</f></c>"
        "<c r=\"F2\" t=\"s\"><v/></c></row>"
        "<row r=\"3\">"
        "<c r=\"A3\"><v>110101</v></c><c r=\"B3\" t=\"n\"><v>0.5</v></c>"
        "<c r=\"C3\"><v>3.0000000000000004</v></c><c r=\"D3\"><v>1E-3</v></c>"
        "<c r=\"E3\" s=\"1\"><v>-12.50</v></c><c r=\"F3\"><f>A3*2</f><v>220202</v></c></row>"
        "<row r=\"4\"><c r=\"A4\"><v>1E+15</v></c><c r=\"B4\"><v>0.000001</v></c>"
        "<c r=\"C4\" t=\"d\"><v>2024-05-01</v></c></row>"
        // White space alone: a formula's text result, a shared string, a value of no number.
        "<row r=\"5\"><c r=\"A5\" t=\"str\"><f>\" \"</f><v xml:space=\"preserve\"> </v></c>"
        "<c r=\"B5\" t=\"s\"><v>2</v></c><c r=\"C5\"><v xml:space=\"preserve\"> </v></c></row>");
    const QString path = File(QStringLiteral("types.xlsx"));
    package.Write(path);
    const SheetCells expected = {
        {QStringLiteral("内联文字"), QStringLiteral("富文本"), QStringLiteral("共享"),
         QStringLiteral("第一行\r\n第二行"), QStringLiteral("  空格  "), QStringLiteral(" ")},
        {QStringLiteral("公式文字"), QStringLiteral("TRUE"), QStringLiteral("FALSE"),
         QStringLiteral("#N/A"), QString(), QString()},
        {QStringLiteral("110101"), QStringLiteral("0.5"), QStringLiteral("3"),
         QStringLiteral("0.001"), QStringLiteral("-12.5"), QStringLiteral("220202")},
        {QStringLiteral("1E15"), QStringLiteral("1E-6"), QStringLiteral("2024-05-01"), QString(),
         QString(), QString()},
        {QStringLiteral(" "), QStringLiteral("  "), QStringLiteral(" "), QString(), QString(),
         QString()},
    };
    QCOMPARE(ReadSheet(path).Rows(), expected);
}

void WorkbookPartsTest::positionsComeFromReferences() {
    Package package;
    package.parts[QStringLiteral("xl/worksheets/sheet1.xml")] = Sheet(
        "<row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>丙</t></is></c></row>"
        "<row r=\"1\"><c r=\"C1\" t=\"inlineStr\"><is><t>c</t></is></c>"
        "<c r=\"A1\" t=\"inlineStr\"><is><t>a</t></is></c></row>"
        // Without references: the row after the previous one, the cells from column A on.
        "<row><c t=\"inlineStr\"><is><t>x</t></is></c><c><v>2</v></c></row>"
        "<row r=\"6\"><c r=\"A6\" s=\"1\"/><c t=\"inlineStr\"><is><t>z</t></is></c></row>");
    const QString path = File(QStringLiteral("positions.xlsx"));
    package.Write(path);
    const SheetCells expected = {
        {QStringLiteral("a"), QString(), QStringLiteral("c")},
        {QStringLiteral("x"), QStringLiteral("2"), QString()},
        {QString(), QStringLiteral("丙"), QString()},
        {QString(), QString(), QString()},
        {QString(), QString(), QString()},
        {QString(), QStringLiteral("z"), QString()},
    };
    QCOMPARE(ReadSheet(path).Rows(), expected);
}

void WorkbookPartsTest::packageLayouts_data() {
    QTest::addColumn<Package>("package");
    const Package usual;
    QTest::newRow("usual") << usual;

    Package absolute;
    absolute.parts[QStringLiteral("xl/_rels/workbook.xml.rels")] =
        Relationships({{"rId1", "worksheet", "/xl/worksheets/sheet1.xml"},
                       {"rId2", "sharedStrings", "/xl/sharedStrings.xml"}});
    QTest::newRow("absolute targets") << absolute;

    Package prefixed;
    prefixed.parts[QStringLiteral("xl/workbook.xml")] =
        QByteArray("<x:workbook xmlns:x=\"") + kMain + "\" xmlns:rel=\"" + kRelationshipTypes +
        "\"><x:sheets><x:sheet name=\"Sheet1\" sheetId=\"1\" rel:id=\"rId1\"/></x:sheets>"
        "</x:workbook>";
    prefixed.parts[QStringLiteral("xl/worksheets/sheet1.xml")] =
        QByteArray("<x:worksheet xmlns:x=\"") + kMain +
        "\"><x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c>"
        "<x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>内联</x:t></x:is></x:c></x:row>"
        "</x:sheetData></x:worksheet>";
    prefixed.parts[QStringLiteral("xl/sharedStrings.xml")] =
        QByteArray("<x:sst xmlns:x=\"") + kMain + "\"><x:si><x:t>共享</x:t></x:si></x:sst>";
    QTest::newRow("prefixed names") << prefixed;

    Package bare = usual;  // no package relationships, no shared strings relationship
    bare.parts.remove(QStringLiteral("_rels/.rels"));
    bare.parts[QStringLiteral("xl/_rels/workbook.xml.rels")] =
        Relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"}});
    QTest::newRow("usual places only") << bare;

    Package moved;
    for (const char* name : {"xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                             "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"})
        moved.parts.remove(QString::fromLatin1(name));
    moved.parts[QStringLiteral("_rels/.rels")] =
        Relationships({{"rId1", "officeDocument", "book/main.xml"}});
    moved.parts[QStringLiteral("book/main.xml")] = usual.parts[QStringLiteral("xl/workbook.xml")];
    moved.parts[QStringLiteral("book/_rels/main.xml.rels")] =
        Relationships({{"rId1", "worksheet", "../sheets/%E8%A1%A8%201.xml"},
                       {"rId2", "sharedStrings", "./strings.xml"}});
    moved.parts[QStringLiteral("sheets/表 1.xml")] =
        usual.parts[QStringLiteral("xl/worksheets/sheet1.xml")];
    moved.parts[QStringLiteral("book/strings.xml")] =
        usual.parts[QStringLiteral("xl/sharedStrings.xml")];
    QTest::newRow("other folders, escaped names") << moved;

    Package third = usual;  // Sheet1 last; relationship ids in another order than the sheets
    third.parts[QStringLiteral("xl/workbook.xml")] =
        QByteArray("<workbook xmlns=\"") + kMain + "\" xmlns:r=\"" + kRelationshipTypes +
        "\"><sheets><sheet name=\"说明\" sheetId=\"1\" r:id=\"rId3\"/>"
        "<sheet name=\"Sheet2\" sheetId=\"2\" r:id=\"rId4\"/>"
        "<sheet name=\"Sheet1\" sheetId=\"3\" r:id=\"rId1\"/></sheets></workbook>";
    third.parts[QStringLiteral("xl/_rels/workbook.xml.rels")] =
        Relationships({{"rId3", "worksheet", "worksheets/sheet2.xml"},
                       {"rId4", "worksheet", "worksheets/sheet3.xml"},
                       {"rId1", "worksheet", "worksheets/sheet1.xml"},
                       {"rId2", "sharedStrings", "sharedStrings.xml"}});
    third.parts[QStringLiteral("xl/worksheets/sheet2.xml")] =
        Sheet("<row r=\"9\"><c r=\"J9\"><v>1</v></c></row>");
    third.parts[QStringLiteral("xl/worksheets/sheet3.xml")] = Sheet("");
    QTest::newRow("Sheet1 third") << third;
}

void WorkbookPartsTest::packageLayouts() {
    QFETCH(Package, package);
    const QString path = File(QStringLiteral("layout.xlsx"));
    package.Write(path);
    QCOMPARE(ReadSheet(path).Rows(),
             SheetCells({{QStringLiteral("共享"), QStringLiteral("内联")}}));
}

void WorkbookPartsTest::notWorkbooks_data() {
    QTest::addColumn<QString>("path");
    const QString text = File(QStringLiteral("名单.xlsx"));
    WriteBytes(text, "学号,姓名\n110101,张三\n");
    QTest::newRow("text named .xlsx") << text;
    const QString empty = File(QStringLiteral("empty.xls"));
    WriteBytes(empty, QByteArray());
    QTest::newRow("empty file") << empty;
    const QString picture = File(QStringLiteral("picture.xls"));
    WriteBytes(picture, QByteArray("\x89PNG\r\n\x1A\n", 8));
    QTest::newRow("picture named .xls") << picture;
    Package document;  // a zip, but of a word-processor document
    document.parts = {{QStringLiteral("word/document.xml"), "<document/>"}};
    const QString zip = File(QStringLiteral("document.xlsx"));
    document.Write(zip);
    QTest::newRow("zip of something else") << zip;
}

void WorkbookPartsTest::notWorkbooks() {
    QFETCH(QString, path);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }),
             QStringLiteral("无法读取文件 %1：不是 Excel 工作簿。").arg(path));
}

void WorkbookPartsTest::missingAndUnreadableFiles() {
    const QString missing = File(QStringLiteral("不存在.xlsx"));
    QCOMPARE(ErrorOf([&] { ReadSheet(missing); }), QStringLiteral("找不到文件 %1。").arg(missing));
    QCOMPARE(ErrorOf([&] { ReadSheet(dir_.path()); }),
             QStringLiteral("无法读取文件 %1。").arg(dir_.path()));
}

void WorkbookPartsTest::damagedWorkbooks_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("detail");  // the damaged part named in the message

    const QString whole = File(QStringLiteral("whole.xlsx"));
    WriteSheet(whole, {{QStringLiteral("学号"), QStringLiteral("姓名")}});
    const QByteArray bytes = ReadBytes(whole);
    const QString truncated = File(QStringLiteral("truncated.xlsx"));
    WriteBytes(truncated, bytes.left(bytes.size() / 2));
    QTest::newRow("truncated") << truncated << QString();

    // A changed byte inside the stored sheet part: its checksum no longer matches.
    const QString changed = File(QStringLiteral("changed.xlsx"));
    Package().Write(changed, true);
    QByteArray stored = ReadBytes(changed);
    const qsizetype at = stored.indexOf("<sheetData>");
    QVERIFY(at > 0);
    stored[at + 1] = 'S';
    WriteBytes(changed, stored);
    QTest::newRow("checksum") << changed << QStringLiteral("xl/worksheets/sheet1.xml");

    const QList<std::tuple<const char*, QString, QByteArray>> parts = {
        {"unclosed element", QStringLiteral("xl/worksheets/sheet1.xml"),
         "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></sheetData>"},
        {"shared string beyond the list", QStringLiteral("xl/worksheets/sheet1.xml"),
         Sheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row>")},
        {"bad cell reference", QStringLiteral("xl/worksheets/sheet1.xml"),
         Sheet("<row r=\"1\"><c r=\"A0\"><v>1</v></c></row>")},
        {"row beyond the limit", QStringLiteral("xl/worksheets/sheet1.xml"),
         Sheet("<row r=\"1048577\"><c><v>1</v></c></row>")},
        {"broken shared strings", QStringLiteral("xl/sharedStrings.xml"), "<sst><si>"},
        // Parts that never end, inflating to far more than they take in the file.
        {"start tag never ends", QStringLiteral("xl/worksheets/sheet1.xml"),
         "<worksheet><sheetData a=\"" + QByteArray(8 << 20, 'x')},
        {"sheet data never ends", QStringLiteral("xl/worksheets/sheet1.xml"),
         "<worksheet><sheetData>" + QByteArray("<row><c><v>1</v></c></row>").repeated(400000)},
        {"row never ends", QStringLiteral("xl/worksheets/sheet1.xml"),
         "<worksheet><sheetData><row>" + QByteArray("<c><v>1</v></c>").repeated(5000000)},
    };
    for (const auto& [name, part, content] : parts) {
        Package package;
        package.parts[part] = content;
        const QString path = File(QString::fromLatin1(name) + QStringLiteral(".xlsx"));
        package.Write(path);
        QTest::newRow(name) << path << part;
    }

    // Cells placed again and again at one position: damage, not a list growing without bound.
    Package repeated;
    repeated.parts[QStringLiteral("xl/worksheets/sheet1.xml")] = Sheet(
        ("<row r=\"1\">" + QByteArray("<c r=\"A1\"><v>1</v></c>").repeated(2600000) + "</row>")
            .repeated(2));
    const QString repeatedPath = File(QStringLiteral("repeated.xlsx"));
    repeated.Write(repeatedPath);
    QTest::newRow("one cell placed millions of times") << repeatedPath << QString();

    Package lost;  // the workbook names a sheet part that the package lacks
    lost.parts.remove(QStringLiteral("xl/worksheets/sheet1.xml"));
    const QString lostPath = File(QStringLiteral("lost.xlsx"));
    lost.Write(lostPath);
    QTest::newRow("sheet part missing") << lostPath << QStringLiteral("xl/workbook.xml");
}

void WorkbookPartsTest::damagedWorkbooks() {
    QFETCH(QString, path);
    QFETCH(QString, detail);
    const QString expected =
        detail.isEmpty()
            ? QStringLiteral("工作簿 %1 已损坏或不完整，无法读取。").arg(path)
            : QStringLiteral("工作簿 %1 已损坏或不完整（%2），无法读取。").arg(path, detail);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }), expected);
}

void WorkbookPartsTest::missingSheet() {
    const QString path = File(QStringLiteral("成绩表.xlsx"));
    WriteSheet(path, {{QStringLiteral("学号")}}, QStringLiteral("成绩"));
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }),
             QStringLiteral("工作簿 %1 中没有名为 Sheet1 的工作表。").arg(path));
    const QString legacy = Fixture(QStringLiteral("calc_sheets.xls"));
    QCOMPARE(ErrorOf([&] { ReadSheet(legacy, QStringLiteral("Sheet9")); }),
             QStringLiteral("工作簿 %1 中没有名为 Sheet9 的工作表。").arg(legacy));
}

void WorkbookPartsTest::datesByCellFormat() {
    // Cell formats 1-6: a built-in date, time and elapsed time, custom formats (Chinese date, a
    // date-time with AM/PM, "d" only inside quotes), in the 1904 date system.
    Package package;
    package.parts[QStringLiteral("xl/styles.xml")] =
        QByteArray("<styleSheet xmlns=\"") + kMain +
        "\"><numFmts><numFmt numFmtId=\"164\" "
        "formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
        "<numFmt numFmtId=\"165\" formatCode=\"[$-409]m/d/yy h:mm AM/PM;@\"/>"
        "<numFmt numFmtId=\"166\" formatCode=\"0.0&quot; days&quot;\"/></numFmts>"
        "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"21\"/>"
        "<xf numFmtId=\"46\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf numFmtId=\"166\"/>"
        "</cellXfs></styleSheet>";
    package.parts[QStringLiteral("xl/_rels/workbook.xml.rels")] =
        Relationships({{"rId1", "worksheet", "worksheets/sheet1.xml"},
                       {"rId2", "sharedStrings", "sharedStrings.xml"},
                       {"rId3", "styles", "styles.xml"}});
    package.parts[QStringLiteral("xl/workbook.xml")].replace(
        "<sheets>", "<workbookPr date1904=\"1\"/><sheets>");
    package.parts[QStringLiteral("xl/worksheets/sheet1.xml")] = Sheet(
        "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>43951</v></c><c r=\"B1\" s=\"2\"><v>0.75</v></c>"
        "<c r=\"C1\" s=\"3\"><v>2.5</v></c><c r=\"D1\" s=\"4\"><v>43951.9</v></c>"
        "<c r=\"E1\" s=\"5\"><v>43951.5</v></c><c r=\"F1\" s=\"6\"><v>2</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>-1</v></c><c r=\"B2\" s=\"4\"><v>0</v></c>"
        "<c r=\"C2\" s=\"5\"><v>0.25</v></c><c r=\"D2\" s=\"9\"><v>7</v></c>"
        "<c r=\"E2\" t=\"d\"><v>2024-05-01T08:30:00</v></c>"
        "<c r=\"F2\" s=\"1\" t=\"d\"><v>2024-05-01T08:30:00</v></c></row>");
    const QString path = File(QStringLiteral("dates.xlsx"));
    package.Write(path);
    QCOMPARE(ReadSheet(path).Rows(),
             SheetCells(
                 {{"2024-05-01", "18:00:00", "60:00:00", "2024-05-01", "2024-05-01 12:00:00", "2"},
                  {"-1", "0", "06:00:00", "7", "2024-05-01 08:30:00", "2024-05-01"}}));
}

void WorkbookPartsTest::formatsNotRead_data() {
    QTest::addColumn<Package>("package");
    QTest::addColumn<QString>("format");
    Package binary;
    binary.parts = {{QStringLiteral("_rels/.rels"),
                     Relationships({{"rId1", "officeDocument", "xl/workbook.bin"}})},
                    {QStringLiteral("xl/workbook.bin"), QByteArray(64, 0)}};
    QTest::newRow(".xlsb") << binary << QStringLiteral("Excel 二进制工作簿（.xlsb）");
}

void WorkbookPartsTest::formatsNotRead() {
    QFETCH(Package, package);
    QFETCH(QString, format);
    const QString path = File(QStringLiteral("other.xlsx"));
    package.Write(path);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }),
             QStringLiteral("无法读取工作簿 %1：%2不能直接导入。请在电子表格程序中打开它，另存为 "
                            "Excel 工作簿（.xlsx）后再导入。")
                 .arg(path, format));
}

void WorkbookPartsTest::sheetLongerThanOnePiece() {
    // The sheet and the shared strings are read in pieces of 1 MB: rows and strings cut by a
    // piece's end, with a namespace prefix, must come out whole.
    QByteArray rows;
    QByteArray strings;
    SheetCells expected;
    for (int i = 0; i < 40000; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        // Rows written as empty elements (formatted, no cells) end a piece as well.
        if (i % 3 == 0) rows += "<x:row r=\"" + n + "\" ht=\"20\" customHeight=\"1\"/>";
        rows += "<x:row r=\"" + n + "\"><x:c r=\"A" + n + "\" t=\"s\"><x:v>" +
                QByteArray::number(i) + "</x:v></x:c><x:c r=\"B" + n + "\"><x:v>" + n +
                ".5</x:v></x:c></x:row>";
        strings += "<x:si><x:t>考生&amp;" + n + "</x:t></x:si>";
        expected.append(
            {QStringLiteral("考生&") + QString::fromLatin1(n), QString::fromLatin1(n + ".5")});
    }
    Package package;
    package.parts[QStringLiteral("xl/worksheets/sheet1.xml")] =
        QByteArray("<x:worksheet xmlns:x=\"") + kMain + "\"><x:sheetData>" + rows +
        "</x:sheetData><x:pageMargins/></x:worksheet>";
    package.parts[QStringLiteral("xl/sharedStrings.xml")] =
        QByteArray("<x:sst xmlns:x=\"") + kMain + "\">" + strings + "</x:sst>";
    const QString path = File(QStringLiteral("long.xlsx"));
    package.Write(path);
    QCOMPARE(ReadSheet(path).Rows(), expected);
}

void WorkbookPartsTest::sheetTooLargeToHold() {
    // One text in the last cell a sheet has would make a rectangle of 17 billion cells.
    Package package;
    package.parts[QStringLiteral("xl/worksheets/sheet1.xml")] = Sheet(
        "<row r=\"1048576\"><c r=\"XFD1048576\" t=\"inlineStr\"><is><t>末</t></is></c></row>");
    const QString path = File(QStringLiteral("far.xlsx"));
    package.Write(path);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }),
             QStringLiteral("工作簿 %1 的工作表 Sheet1 太大（1048576 行、16384 列），无法读取。")
                 .arg(path));
}

void WorkbookPartsTest::tooManySharedStrings() {
    // Strings are counted as they come: a small file of empty items is refused, not collected.
    Package package;
    package.parts[QStringLiteral("xl/sharedStrings.xml")] =
        SharedStrings(QByteArray("<si/>").repeated(5000001));
    const QString path = File(QStringLiteral("strings.xlsx"));
    package.Write(path);
    QVERIFY(QFileInfo(path).size() < 1 << 20);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }),
             QStringLiteral("工作簿 %1 含有的文本太多（超过 5000000 个），无法读取。").arg(path));
}

void WorkbookPartsTest::legacyFailures_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    const QString garbage = File(QStringLiteral("garbage.xls"));
    WriteBytes(garbage, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x'));
    QTest::newRow("compound file header, then garbage")
        << garbage << QStringLiteral("工作簿 %1 已损坏或不完整，无法读取。").arg(garbage);
    const QString truncated = File(QStringLiteral("truncated.xls"));
    WriteBytes(truncated, ReadBytes(Fixture(QStringLiteral("calc_sheets.xls"))).left(3000));
    QTest::newRow("truncated")
        << truncated << QStringLiteral("工作簿 %1 已损坏或不完整，无法读取。").arg(truncated);
}

void WorkbookPartsTest::legacyFailures() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    QCOMPARE(ErrorOf([&] { ReadSheet(path); }), message);
}

QTEST_GUILESS_MAIN(WorkbookPartsTest)
#include "workbook_parts_test.moc"
