// The class list of a large class as a 40-page PDF (read from the database, laid out, written)
// beside baselines of the same run: the same document laid out without painting, and the same
// rows written as a plain .xlsx by the workbook writer. Prints milliseconds per run.
#include "MedianTiming.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "printing/ResultSources.h"
#include "support/SimulatedRecord.h"
#include "support/TestWorkdir.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr TimingColumns kColumns{44, 8, true};
constexpr int kCandidates = 1750;  // about 40 pages

ClassListData Read() {
    Database db(kDatabasePath);
    return ReadClassList(db);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestWorkdir dir;
    {
        SimulatedClass simulated;
        simulated.candidates = kCandidates;
        simulated.single = 10;
        simulated.multi = 5;
        simulated.trueFalse = 5;
        Database db(kDatabasePath);
        db.RunStatement(QStringLiteral("DELETE FROM Userxinxi"));  // numbered from 110101 too
        FillRecord(db, simulated);
    }
    const QString pdf = dir.Path() + QStringLiteral("/class.pdf");
    const QString xlsx = dir.Path() + QStringLiteral("/class.xlsx");
    int pages = 0;
    {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        QPdfWriter writer(&sink);
        pages = PaintDocument(ClassListDocument(Read()), writer, false);
    }
    std::printf("class list: %d candidates, %d A4 pages\n\n", kCandidates, pages);

    const double whole = MedianTiming("read + lay out + write the PDF", kRuns, kColumns,
                                      [&] { WritePdf(ClassListDocument(Read()), pdf); });
    const double layout =
        MedianTiming("baseline: read + lay out, nothing painted", kRuns, kColumns, [&] {
            QBuffer sink;
            sink.open(QIODevice::WriteOnly);
            QPdfWriter writer(&sink);
            PaintDocument(ClassListDocument(Read()), writer, false);
        });
    const double sheet =
        MedianTiming("baseline: read + the same rows as .xlsx", kRuns, kColumns, [&] {
            SheetCells cells;
            for (const ClassListRow& row : Read().rows)
                cells << QStringList{row.studentNo,  row.name,  row.objective,
                                     row.subjective, row.total, row.state};
            WriteSheet(xlsx, cells);
        });
    std::printf(
        "\nPDF %.0f ms (%.1fx the layout alone, %.1fx the .xlsx), %lld KB; goal < 2000 ms\n", whole,
        whole / layout, whole / sheet, QFileInfo(pdf).size() / 1024);
    return 0;
}
