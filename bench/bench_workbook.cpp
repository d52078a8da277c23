// Times writing and reading a candidates-sized sheet (1,000 rows x 6 columns plus the captions,
// and 10,000 rows for scale) as .xlsx, and reading the same cells from a legacy .xls beside it;
// then reads a 1,000,000 x 4 .xlsx sheet in a child process and prints its time and peak memory.
// bench_workbook [extra.xlsx|extra.xls ...] also times reading the given files' Sheet1 or, for
// "file@name", the sheet of that name (for instance a legacy .xls saved by a spreadsheet program).
#include "MedianTiming.h"
#include "back_office/workbook/Workbook.h"

#include <QFile>
#include <QTemporaryDir>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

SheetCells Candidates(int rows) {
    SheetCells cells = {{QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("姓名"),
                         QStringLiteral("客观成绩"), QStringLiteral("主观成绩"),
                         QStringLiteral("总评成绩")}};
    for (int i = 1; i <= rows; ++i)
        cells.append({QString::number(i), QString::number(110100 + i),
                      QStringLiteral("考生%1号").arg(i), QString::number(40 + i % 60) + ".5",
                      QString::number(i % 30), QString::number(40 + i % 60 + i % 30)});
    return cells;
}

void Time(const char* what, int runs, const std::function<void()>& action) {
    MedianTiming(what, runs, {40, 8, true}, action);
}

QByteArray Record(quint16 type, const QByteArray& body) {
    QByteArray out(4, 0);
    out[0] = char(type & 0xFF);
    out[1] = char(type >> 8);
    out[2] = char(body.size() & 0xFF);
    out[3] = char(body.size() >> 8);
    return out + body;
}

template <typename T>
QByteArray Bytes(T value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// The cells as a BIFF8 workbook, as Excel 97-2003 lays them out: numbers as NUMBER records,
// texts as LABEL records (16-bit characters) in one sheet "Sheet1" of a compound file.
void WriteXls(const QString& path, const SheetCells& cells) {
    const QByteArray bof =
        Record(0x0809, Bytes<quint16>(0x0600) + Bytes<quint16>(5) + QByteArray(12, 0));
    const QByteArray eof = Record(0x000A, QByteArray());
    QByteArray sheet =
        Record(0x0809, Bytes<quint16>(0x0600) + Bytes<quint16>(0x10) + QByteArray(12, 0));
    for (int r = 0; r < cells.size(); ++r)
        for (int c = 0; c < cells[r].size(); ++c) {
            const QString& text = cells[r][c];
            const QByteArray position =
                Bytes<quint16>(quint16(r)) + Bytes<quint16>(quint16(c)) + Bytes<quint16>(0);
            bool number = false;
            const double value = text.toDouble(&number);
            if (number)
                sheet += Record(0x0203, position + Bytes(value));
            else
                sheet += Record(0x0204, position + Bytes<quint16>(quint16(text.size())) + char(1) +
                                            QByteArray(reinterpret_cast<const char*>(text.utf16()),
                                                       text.size() * 2));
        }
    sheet += eof;
    const QByteArray name = QByteArray("\x06\x00", 2) + "Sheet1";
    const quint32 offset = quint32(bof.size() + 4 + 6 + name.size() + eof.size());
    const QByteArray stream =
        bof + Record(0x0085, Bytes(offset) + Bytes<quint16>(0) + name) + eof + sheet;
    gsf_init();
    GsfOutput* output = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    GsfOutfile* container = gsf_outfile_msole_new(output);
    GsfOutput* child = gsf_outfile_new_child(container, "Workbook", FALSE);
    gsf_output_write(child, size_t(stream.size()), reinterpret_cast<const guint8*>(stream.data()));
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(container));
    g_object_unref(container);
    g_object_unref(output);
}

void WriteXlsx(const QString& path, const QByteArray& sheet, const QByteArray& strings);

// A 1,000,000 x 4 sheet as a spreadsheet program writes it: numbers, and names as shared strings.
void WriteMillionRows(const QString& path) {
    QByteArray sheet =
        "<worksheet "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    QByteArray strings =
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (int i = 1; i <= 1000000; ++i) {
        const QByteArray n = QByteArray::number(i);
        sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + QByteArray::number(110100 + i) +
                 "</v></c><c r=\"B" + n + "\" t=\"s\"><v>" + QByteArray::number(i - 1) +
                 "</v></c><c r=\"C" + n + "\"><v>" + QByteArray::number(40 + i % 60) +
                 ".5</v></c><c r=\"D" + n + "\"><v>" + QByteArray::number(i % 30) +
                 "</v></c></row>";
        strings += "<si><t>考生" + n + "号</t></si>";
    }
    sheet += "</sheetData></worksheet>";
    strings += "</sst>";
    WriteXlsx(path, sheet, strings);
}

// The hostile workbooks of the reader faults, written one at a time: a sheet whose sheetData
// start tag never ends (256 MB inflated), one whose rows go on without the sheetData end (300 MB),
// and 10,000,000 empty shared strings (50 MB).
QList<std::pair<const char*, QString>> WriteHostile(const QTemporaryDir& dir) {
    const QByteArray main =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    QList<std::pair<const char*, QString>> paths;
    const auto write = [&](const char* what, const QByteArray& sheet, const QByteArray& strings) {
        const QString path = dir.filePath(QString::fromLatin1(what).replace(u' ', u'_') + ".xlsx");
        WriteXlsx(path, sheet, strings);
        paths.append({what, path});
    };
    write("start tag never ends", main + "<sheetData a=\"" + QByteArray(256 << 20, 'x'), {});
    QByteArray rows = main + "<sheetData>";
    const QByteArray padding = QByteArray("<c s=\"1\"/>").repeated(24);
    for (int i = 1; i <= 1000000; ++i)
        rows += "<row r=\"" + QByteArray::number(i) + "\"><c><v>1</v></c>" + padding + "</row>";
    write("sheetData never ends", rows, {});
    rows.clear();
    write("10,000,000 shared strings", main + "<sheetData/></worksheet>",
          "<sst>" + QByteArray("<si/>").repeated(10000000) + "</sst>");
    return paths;
}

// A workbook of one sheet Sheet1 with the given sheet part and shared strings (none when empty).
void WriteXlsx(const QString& path, const QByteArray& sheet, const QByteArray& strings) {
    const QByteArray rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
    const QByteArray workbook =
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    const std::vector<std::pair<const char*, const QByteArray*>> parts = {
        {"xl/workbook.xml", &workbook},
        {"xl/_rels/workbook.xml.rels", &rels},
        {"xl/worksheets/sheet1.xml", &sheet},
        {"xl/sharedStrings.xml", &strings}};
    for (const auto& [name, bytes] : parts)
        if (!bytes->isEmpty())
            zip_file_add(zip, name, zip_source_buffer(zip, bytes->constData(), bytes->size(), 0),
                         0);
    zip_close(zip);
}

// Runs this program as a child with mode and path, so its peak memory is its own: the time in
// milliseconds, the peak in MB and whether the child did what the mode expects.
std::tuple<double, long, bool> InChild(const char* self, const char* mode, const QString& path) {
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        const QByteArray file = QFile::encodeName(path);
        execl("/proc/self/exe", self, mode, file.constData(), static_cast<char*>(nullptr));
        _exit(2);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {timer.nsecsElapsed() / 1e6, usage.ru_maxrss / 1024,
            WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

// The bare cost of a part: inflated with libzip into a 1 MB buffer, nothing kept.
double InflateBare(const QString& path, const char* part) {
    QElapsedTimer timer;
    timer.start();
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    zip_file_t* file = zip_fopen(zip, part, 0);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (zip_fread(file, buffer.data(), buffer.size()) > 0) {
    }
    zip_fclose(file);
    zip_close(zip);
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    // The children that read a sheet in a fresh process: the large sheet, or a hostile one that
    // must be refused.
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0)
        return ReadSheet(QString::fromLocal8Bit(argv[2])).RowCount() == 1000000 ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--refuse") == 0) {
        try {
            ReadSheet(QString::fromLocal8Bit(argv[2]));
        } catch (const WorkbookError&) {
            return 0;
        }
        return 1;
    }
    QTemporaryDir dir;
    for (int rows : {1000, 10000}) {
        const SheetCells cells = Candidates(rows);
        const QString path = dir.filePath(QStringLiteral("candidates%1.xlsx").arg(rows));
        const QString legacy = dir.filePath(QStringLiteral("candidates%1.xls").arg(rows));
        const int runs = rows == 1000 ? 21 : 5;
        Time(QStringLiteral("write %1 rows x 6 (.xlsx)").arg(rows).toUtf8().constData(), runs,
             [&] { WriteSheet(path, cells); });
        Time(QStringLiteral("read %1 rows x 6 (.xlsx)").arg(rows).toUtf8().constData(), runs, [&] {
            if (ReadSheet(path) != cells) std::printf("read back differs!\n");
        });
        WriteXls(legacy, cells);
        Time(QStringLiteral("read %1 rows x 6 (.xls)").arg(rows).toUtf8().constData(), runs, [&] {
            if (ReadSheet(legacy) != cells) std::printf("read back differs!\n");
        });
    }

    const QString million = dir.filePath(QStringLiteral("million.xlsx"));
    WriteMillionRows(million);
    const auto [ms, peak, ok] = InChild(argv[0], "--read", million);
    std::printf("read 1,000,000 rows x 4 (.xlsx, %lld MB)   %8.0f ms   peak memory %ld MB%s\n",
                static_cast<long long>(QFile(million).size() >> 20), ms, peak,
                ok ? "" : "  FAILED");

    // Hostile parts are refused in time linear in what they inflate to, with bounded memory;
    // beside each, the part inflated bare.
    for (const auto& [what, path] : WriteHostile(dir)) {
        const char* part =
            std::strstr(what, "strings") ? "xl/sharedStrings.xml" : "xl/worksheets/sheet1.xml";
        const double bare = InflateBare(path, part);
        const auto [refusedMs, refusedPeak, refused] = InChild(argv[0], "--refuse", path);
        std::printf("%-27s (%4lld KB): refused %6.0f ms, peak %4ld MB%s; inflated bare %6.0f ms\n",
                    what, static_cast<long long>(QFile(path).size() >> 10), refusedMs, refusedPeak,
                    refused ? "" : "  NOT REFUSED", bare);
    }

    for (int i = 1; i < argc; ++i) {
        // "file" reads Sheet1, "file@name" the sheet of that name.
        const QStringList parts = QString::fromLocal8Bit(argv[i]).split(u'@');
        const QString sheet = parts.size() > 1 ? parts[1] : QStringLiteral("Sheet1");
        try {
            qsizetype rows = 0;
            Time(("read " + parts[0]).toUtf8().constData(), 11,
                 [&] { rows = ReadSheet(parts[0], sheet).RowCount(); });
            std::printf("  (%lld rows)\n", static_cast<long long>(rows));
        } catch (const WorkbookError& error) {
            std::printf("%s\n", error.what());
        }
    }
    return 0;
}
