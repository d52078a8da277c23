// Pictures in the banks' spreadsheet exchange: the export places each picture in the cell of the
// text that shows it (read back by openpyxl and by LibreOffice), the import puts it back where it
// stood; pictures the reader meets in hand-made packages (Excel's one-cell anchors, groups,
// absolute anchors) and pictures a bank cannot take.

#include "ExchangeHarness.h"
#include "ZipTesting.h"
#include "back_office/SheetPictures.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

namespace {

QByteArray Image(int width, int height, const char* format, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// "row,column,bytes" of each picture.
QStringList Places(const CellPictures& pictures) {
    QStringList places;
    for (const CellPicture& p : pictures)
        places << QStringLiteral("%1,%2,%3").arg(p.row).arg(p.column).arg(p.bytes.size());
    return places;
}

QString Python(const QString& script, const QString& file) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, file});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("%s", python.readAllStandardError().constData());
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

// A workbook of Sheet1 with two rows and the drawing given (the anchors of an xdr:wsDr) whose
// relationship rIdP points to media/picture.bin holding `picture`.
void HandMade(const QString& path, const QByteArray& anchors, const QByteArray& picture) {
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    WriteZip(path,
             {{u"xl/workbook.xml"_qs,
               "<workbook xmlns:r=\"" + rel.chopped(1) +
                   "\"><sheets><sheet name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"},
              {u"xl/_rels/workbook.xml.rels"_qs,
               "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                   "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
              {u"xl/worksheets/sheet1.xml"_qs,
               "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>题号</t></is>"
               "</c></row><row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\" t=\"inlineStr\"><is>"
               "<t>图[图片2]后</t></is></c></row></sheetData><drawing r:id=\"rIdD\"/></worksheet>"},
              {u"xl/worksheets/_rels/sheet1.xml.rels"_qs,
               "<Relationships><Relationship Id=\"rIdD\" Type=\"" + rel +
                   "drawing\" Target=\"../drawings/drawing1.xml\"/></Relationships>"},
              {u"xl/drawings/drawing1.xml"_qs,
               "<xdr:wsDr xmlns:xdr=\"x\" xmlns:a=\"a\" xmlns:r=\"r\">" + anchors + "</xdr:wsDr>"},
              {u"xl/drawings/_rels/drawing1.xml.rels"_qs,
               "<Relationships><Relationship Id=\"rIdP\" Type=\"" + rel +
                   "image\" Target=\"../media/picture.bin\"/></Relationships>"},
              {u"xl/media/picture.bin"_qs, picture}});
}

QByteArray Anchor(const char* kind, int row, int column, int rowOffset, const char* inside) {
    return QByteArray("<xdr:") + kind + "><xdr:from><xdr:col>" + QByteArray::number(column) +
           "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" + QByteArray::number(row) +
           "</xdr:row><xdr:rowOff>" + QByteArray::number(rowOffset) + "</xdr:rowOff></xdr:from>" +
           inside + "</xdr:" + kind + ">";
}

const char* kPicture = "<xdr:pic><xdr:blipFill><a:blip r:embed=\"rIdP\"/></xdr:blipFill></xdr:pic>";

}  // namespace

class SheetPicturesTest : public QObject {
    Q_OBJECT
  private slots:
    void picturesGoBackWhereTheyStood();
    void readerTakesAnchorsToCells();
    void pictureABankCannotTakeIsRefused();
};

void SheetPicturesTest::picturesGoBackWhereTheyStood() {
    TestWorkdir dir;
    const QByteArray wide = Image(320, 200, "PNG", 0xFF3366CC);
    const QByteArray small = Image(40, 30, "JPEG", 0xFFCC3300);
    QString stem, option;
    {
        Database db(kDatabasePath);
        stem = QStringLiteral("如图") + StorePicture(db, wide) + QStringLiteral("所示，") +
               StorePicture(db, small) + QStringLiteral("是什么？");
        option = StorePicture(db, wide);
        db.RunStatement(QStringLiteral("Update KaoShi2 Set Request=?, Axx=? where TestID=2"),
                        {stem, option});
    }
    const QStringList before = dir.Rows(QStringLiteral("Select * from KaoShi2 order by TestID"));
    const QString file = dir.Path() + QStringLiteral("/多选.xlsx");
    {
        ExchangeHarness h;
        h.Export(Exchange::MultiChoice, file);
        QCOMPARE(h.prompts.Errors(), QStringList());
    }
    CellPictures pictures;
    const SheetTexts sheet = ReadSheet(file, QStringLiteral("Sheet1"), &pictures);
    // Row 3 holds question 2: its text marks where the pictures stand; no other row changed.
    QCOMPARE(sheet.Text(2, 1), u"如图[图片1]所示，[图片2]是什么？"_qs);
    QCOMPARE(sheet.Text(2, 2), u"[图片1]"_qs);
    QCOMPARE(sheet.Text(1, 1), dir.Scalar(u"Select Request from KaoShi2 where TestID=1"_qs));
    QCOMPARE(Places(pictures), (QStringList{QStringLiteral("2,1,%1").arg(wide.size()),
                                            QStringLiteral("2,1,%1").arg(small.size()),
                                            QStringLiteral("2,2,%1").arg(wide.size())}));
    QCOMPARE(pictures[1].bytes, small);

    // openpyxl sees the same pictures in the same cells.
    QCOMPARE(
        Python(u"import sys, openpyxl\n"
               "ws = openpyxl.load_workbook(sys.argv[1])['Sheet1']\n"
               "a = sorted((i.anchor._from.row, i.anchor._from.col, i.anchor._from.colOff, "
               "len(i._data())) for i in ws._images)\n"
               "print([(r, c, n) for r, c, x, n in a])"_qs,
               file),
        QStringLiteral("[(2, 1, %1), (2, 1, %2), (2, 2, %1)]").arg(wide.size()).arg(small.size()));

    // LibreOffice keeps them in their cells when it saves the workbook again.
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (!office.isEmpty()) {
        QProcess convert;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), dir.Path());
        convert.setProcessEnvironment(environment);
        QDir().mkpath(dir.Path() + QStringLiteral("/calc"));
        convert.start(office,
                      {u"--headless"_qs, u"--convert-to"_qs, u"xlsx:Calc MS Excel 2007 XML"_qs,
                       u"--outdir"_qs, dir.Path() + QStringLiteral("/calc"), file});
        QVERIFY(convert.waitForFinished(120000));
        CellPictures saved;
        const SheetTexts again = ReadSheet(dir.Path() + QStringLiteral("/calc/多选.xlsx"),
                                           QStringLiteral("Sheet1"), &saved);
        QCOMPARE(again.Text(2, 1), sheet.Text(2, 1));
        QStringList cells;
        for (const CellPicture& p : saved)
            cells << QStringLiteral("%1,%2").arg(p.row).arg(p.column);
        QCOMPARE(cells, (QStringList{u"2,1"_qs, u"2,1"_qs, u"2,2"_qs}));
    }

    // The import puts every picture back where it stood, and stores none twice.
    dir.Sql(QStringLiteral("Update KaoShi2 Set Request='x', Axx='y' where TestID=2"));
    const QString hashes = dir.Rows(u"Select Hash from Tupian order by Hash"_qs).join(u',');
    ExchangeHarness h;
    h.Import(Exchange::MultiChoice, file);
    QCOMPARE(h.prompts.Errors(), QStringList());
    QCOMPARE(dir.Rows(QStringLiteral("Select * from KaoShi2 order by TestID")), before);
    QCOMPARE(dir.Rows(u"Select Hash from Tupian order by Hash"_qs).join(u','), hashes);
}

void SheetPicturesTest::readerTakesAnchorsToCells() {
    QTemporaryDir temporary;
    const QString file = temporary.filePath(QStringLiteral("anchors.xlsx"));
    const QByteArray png = Image(8, 8, "PNG", 0xFF00FF00);
    // Excel's one-cell anchor, a group of two pictures lower in the same cell, one placed by
    // absolute position (no cell: not read), and one in the caption row.
    HandMade(
        file,
        Anchor("twoCellAnchor", 1, 1, 90000,
               (QByteArray("<xdr:grpSp>") + kPicture + kPicture + "</xdr:grpSp>").constData()) +
            Anchor("oneCellAnchor", 1, 1, 0, kPicture) +
            "<xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/>" + kPicture + "</xdr:absoluteAnchor>" +
            Anchor("oneCellAnchor", 0, 3, 0, kPicture),
        png);
    CellPictures pictures;
    ReadSheet(file, QStringLiteral("Sheet1"), &pictures);
    const QString size = QString::number(png.size());
    QCOMPARE(Places(pictures), (QStringList{u"0,3,"_qs + size, u"1,1,"_qs + size, u"1,1,"_qs + size,
                                            u"1,1,"_qs + size}));
    // The sheet's row 1 is captions: its picture goes nowhere; the cell's second picture stands
    // where "[图片2]" is, the others follow the text.
    ListRows rows = {{u"1"_qs, u"图[图片2]后"_qs}};
    const QList<QByteArray> stored =
        PlaceSheetPictures(RuleOf(Exchange::Subjective), pictures, &rows, u"文件 a "_qs);
    QCOMPARE(stored, QList<QByteArray>{png});
    const QString marker = PictureMarker(PictureHash(png));
    QCOMPARE(rows[0][1], u"图"_qs + marker + u"后"_qs + marker + marker);
    // Broken anchors are a damaged workbook, never a crash.
    HandMade(file, Anchor("oneCellAnchor", -1, 1, 0, kPicture), png);
    QVERIFY_THROWS_EXCEPTION(WorkbookError, ReadSheet(file, QStringLiteral("Sheet1"), &pictures));
}

void SheetPicturesTest::pictureABankCannotTakeIsRefused() {
    TestWorkdir dir;
    const QString file = dir.Path() + QStringLiteral("/主观.xlsx");
    HandMade(file, Anchor("oneCellAnchor", 1, 1, 0, kPicture),
             QByteArray("\x01\x00\x00\x00 EMF", 8));
    ExchangeHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList before = dir.Rows(u"Select * from KaoShi4"_qs);
    h.Import(Exchange::Subjective, file);
    QCOMPARE(h.prompts.Errors(),
             QStringList{QStringLiteral("文件 %1 第2行 B 单元格中的“picture.bin”不是 PNG、JPEG、"
                                        "GIF 或 BMP 图片。\n数据库中的数据没有改动。")
                             .arg(file)});
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QCOMPARE(dir.Rows(u"Select * from KaoShi4"_qs), before);
}

QTEST_MAIN(SheetPicturesTest)
#include "SheetPicturesTest.moc"
