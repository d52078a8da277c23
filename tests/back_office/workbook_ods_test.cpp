// Reading OpenDocument spreadsheets (.ods): a workbook saved by LibreOffice Calc as .ods and as
// .xlsx (tests/data/make_calc_fixtures.sh) must read the same, and content put together by hand
// covers row groups, repeat counts and the failures.
#include "WorkbookTesting.h"
#include "ZipTesting.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// The parts of an .ods whose content.xml holds the tables given.
QMap<QString, QByteArray> Ods(const QByteArray& tables) {
    return {{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
            {QStringLiteral("content.xml"),
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
             "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
             "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
             "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
             "<office:spreadsheet>" +
                 tables + "</office:spreadsheet></office:body></office:document-content>"}};
}

}  // namespace

class WorkbookOdsTest : public QObject {
    Q_OBJECT

  private slots:
    void calcWorkbook_data();
    void calcWorkbook();
    void rowsInGroupsAndRepeats();
    void longTableAfterAnother();
    void failures();

  private:
    QString File(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

void WorkbookOdsTest::calcWorkbook_data() {
    QTest::addColumn<QString>("fixture");
    QTest::newRow("ods") << QStringLiteral("calc_ods.ods");
    QTest::newRow("xlsx") << QStringLiteral("calc_ods.xlsx");  // the same cells: the same texts
}

void WorkbookOdsTest::calcWorkbook() {
    QFETCH(QString, fixture);
    const QString path = Fixture(fixture);
    const SheetCells expected = {{"张三", "第一段\n第二段", "a   b c", " 注释外 ", ""},
                                 {"42", "3.25", "-7.5", "0.125", "19.9"},
                                 {"TRUE", "FALSE", "2024-03-01", "2024-03-01 08:30:00", "36:00:00"},
                                 {"84", "#DIV/0!", "#N/A", "张三同学", "TRUE"},
                                 {"", "", "", "", ""},
                                 {"", "", "", "", ""},
                                 {"", "", "", "", ""},
                                 {"重复", "重复", "重复", "", "1"},
                                 {"0.5", "", "", "", ""},
                                 {"0.5", "", "", "", ""}};
    QCOMPARE(ReadSheet(path, QStringLiteral("名单")).Rows(), expected);
    QCOMPARE(ReadSheet(path).Rows(), SheetCells({{"", "第二页"}}));  // "sheet1" by letter case
}

void WorkbookOdsTest::rowsInGroupsAndRepeats() {
    // Header rows and row groups hold rows like the table; the trailing rest of the sheet is a
    // million empty rows of 16,000 empty cells and must cost nothing.
    const QString path = File(QStringLiteral("groups.ods"));
    WriteZip(path,
             Ods("<table:table table:name=\"Sheet1\">"
                 "<table:table-column table:number-columns-repeated=\"16384\"/>"
                 "<table:table-header-rows><table:table-row>"
                 "<table:table-cell office:value-type=\"string\"><text:p>题号</text:p>"
                 "</table:table-cell><table:table-cell><text:p>无类型</text:p></table:table-cell>"
                 "</table:table-row></table:table-header-rows>"
                 "<table:table-row-group table:display=\"false\"><table:table-rows>"
                 "<table:table-row table:number-rows-repeated=\"2\">"
                 "<table:table-cell table:number-columns-repeated=\"2\"/>"
                 "<table:table-cell office:value-type=\"float\" office:value=\"7E0\"/>"
                 "</table:table-row></table:table-rows></table:table-row-group>"
                 "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>  甲 "
                 "<text:span>乙</text:span> <text:a>丙</text:a><text:tab/>丁<text:line-break/>"
                 "戊</text:p></table:table-cell><table:covered-table-cell "
                 "office:value-type=\"percentage\" office:value=\"2\"/><table:table-cell "
                 "office:value-type=\"time\" office:time-value=\"PT08H30M00.4S\"/>"
                 // a boolean formula result as Calc stores it after importing .xlsx
                 "<table:table-cell table:formula=\"of:=1=1\" office:value-type=\"float\" "
                 "office:value=\"1\"><text:p>TRUE</text:p></table:table-cell>"
                 "</table:table-row>"
                 "<table:table-row table:number-rows-repeated=\"1048000\">"
                 "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>"
                 "</table:table>"));
    QCOMPARE(ReadSheet(path).Rows(), SheetCells({{"题号", "无类型", "", ""},
                                                 {"", "", "7", ""},
                                                 {"", "", "7", ""},
                                                 {"甲 乙 丙\t丁\n戊", "2", "08:30:00", "TRUE"}}));

    // A non-empty cell repeated over the whole sheet is refused as too large, not looped over.
    WriteZip(path, Ods("<table:table table:name=\"Sheet1\">"
                       "<table:table-row table:number-rows-repeated=\"1048576\"><table:table-cell "
                       "table:number-columns-repeated=\"99999\" office:value-type=\"float\" "
                       "office:value=\"1\"/></table:table-row></table:table>"));
    QCOMPARE(
        ErrorOf([&] { ReadSheet(path); }),
        workbook_detail::SheetTooLarge(path, QStringLiteral("Sheet1"), 1048576, 16384).Message());
}

void WorkbookOdsTest::longTableAfterAnother() {
    // Content is read in pieces of 1 MB: the tables before the one read are passed over, and
    // rows and group tags cut by a piece's end come out whole.
    const auto rows = [](const QByteArray& text) {
        QByteArray xml;
        for (int i = 0; i < 30000; ++i)
            xml +=
                "<table:table-row-group><table:table-row><table:table-cell "
                "office:value-type=\"string\"><text:p>" +
                text + QByteArray::number(i) +
                "</text:p></table:table-cell></table:table-row></table:table-row-group>";
        return xml;
    };
    SheetCells expected;
    for (int i = 0; i < 30000; ++i)
        expected.append({QStringLiteral("考生&") + QString::number(i)});
    const QString path = File(QStringLiteral("long.ods"));
    WriteZip(path, Ods("<table:table table:name=\"说明\">" + rows("说明") +
                       "</table:table><table:table table:name=\"名单\">" + rows("考生&amp;") +
                       "</table:table>"));
    QCOMPARE(ReadSheet(path, QStringLiteral("名单")).Rows(), expected);
}

void WorkbookOdsTest::failures() {
    const QString path = File(QStringLiteral("failing.ods"));
    const auto message = [&] { return ErrorOf([&] { ReadSheet(path); }); };
    const QString damaged = workbook_detail::DamagedWorkbook(path, "content.xml").Message();

    QMap<QString, QByteArray> parts = Ods("<table:table table:name=\"Sheet1\"/>");
    parts[QStringLiteral("content.xml")] = QByteArray(300, '\x9c');  // encrypted bytes
    parts[QStringLiteral("META-INF/manifest.xml")] =
        "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
        "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\">"
        "<manifest:encryption-data manifest:checksum-type=\"SHA1/1K\"/></manifest:file-entry>"
        "</manifest:manifest>";
    WriteZip(path, parts);
    QCOMPARE(message(), workbook_detail::PasswordProtected(path).Message());
    const QString saved = Fixture(QStringLiteral("password.ods"));  // by Calc, with a password
    QCOMPARE(ErrorOf([&] { ReadSheet(saved); }),
             workbook_detail::PasswordProtected(saved).Message());

    parts.remove(QStringLiteral("META-INF/manifest.xml"));
    WriteZip(path, parts);  // the same bytes without the manifest: damaged
    QCOMPARE(message(), damaged);

    // Content cut short, content without a table (once refused as a format not read), none.
    WriteZip(path, Ods("<table:table table:name=\"Sheet1\"><table:table-row><table:table-cell>"));
    QCOMPARE(message(), damaged);
    parts = Ods(QByteArray());
    parts[QStringLiteral("content.xml")] = "<office:document-content/>";
    WriteZip(path, parts);
    QCOMPARE(message(), damaged);
    parts.remove(QStringLiteral("content.xml"));
    WriteZip(path, parts);
    QCOMPARE(message(), damaged);

    WriteZip(path, Ods("<table:table table:name=\"名单\"/>"));
    QCOMPARE(message(), workbook_detail::NoSuchSheet(path, QStringLiteral("Sheet1")).Message());
}

QTEST_APPLESS_MAIN(WorkbookOdsTest)
#include "workbook_ods_test.moc"
