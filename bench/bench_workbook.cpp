// Times writing and reading a candidates-sized sheet (1,000 rows x 6 columns plus the captions,
// and 10,000 rows for scale): bench_workbook [extra.xlsx|extra.xls ...] also times reading the
// given files' Sheet1 or, for "file@name", the sheet of that name (for instance a legacy .xls
// saved by a spreadsheet program).
#include "back_office/workbook/Workbook.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

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

// Median and fastest of `runs` timings in milliseconds.
void Time(const char* what, int runs, const std::function<void()>& action) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-40s median %8.2f ms   fastest %8.2f ms   (%d runs)\n", what,
                times[times.size() / 2], times.front(), runs);
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    for (int rows : {1000, 10000}) {
        const SheetCells cells = Candidates(rows);
        const QString path = dir.filePath(QStringLiteral("candidates%1.xlsx").arg(rows));
        const int runs = rows == 1000 ? 21 : 5;
        Time(QStringLiteral("write %1 rows x 6 (.xlsx)").arg(rows).toUtf8().constData(), runs,
             [&] { WriteSheet(path, cells); });
        Time(QStringLiteral("read %1 rows x 6 (.xlsx)").arg(rows).toUtf8().constData(), runs, [&] {
            if (ReadSheet(path) != cells) std::printf("read back differs!\n");
        });
    }
    for (int i = 1; i < argc; ++i) {
        // "file" reads Sheet1, "file@name" the sheet of that name.
        const QStringList parts = QString::fromLocal8Bit(argv[i]).split(u'@');
        const QString sheet = parts.size() > 1 ? parts[1] : QStringLiteral("Sheet1");
        try {
            qsizetype rows = 0;
            Time(("read " + parts[0]).toUtf8().constData(), 11,
                 [&] { rows = ReadSheet(parts[0], sheet).size(); });
            std::printf("  (%lld rows)\n", static_cast<long long>(rows));
        } catch (const WorkbookError& error) {
            std::printf("%s\n", error.what());
        }
    }
    return 0;
}
