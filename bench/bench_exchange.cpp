// The candidates tab's spreadsheet exchange with 1,000 candidates: the whole import ("导入": read
// the workbook, check every row, replace the candidates in one transaction, refresh the list) and
// the whole export ("导出": the list to a workbook), each also split into its steps, so the share
// of reading the file against writing the database shows. Prints milliseconds per run.
#include "back_office/CandidatesTab.h"
#include "back_office/ExchangeRules.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kCandidates = 1000;
constexpr int kRuns = 21;

// Answers every file dialog with one file, every question with OK; prints anything else.
class FilePrompts : public Prompts {
  public:
    explicit FilePrompts(QString file) : file_(std::move(file)) {}
    void Message(QWidget*, const QString& text) override {
        std::printf("message: %s\n", qPrintable(text));
    }
    void Error(QWidget*, const QString& text) override {
        std::printf("error: %s\n", qPrintable(text));
    }
    bool Confirm(QWidget*, const QString&, const QString&) override { return true; }
    QString OpenFileName(QWidget*, const QString&) override { return file_; }
    QString SaveFileName(QWidget*, const QString&) override { return file_; }

  private:
    QString file_;
};

// Median of `kRuns` runs in milliseconds (after one run to warm caches), printed.
double Report(const char* what, const std::function<void()>& run) {
    run();
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("%-50s median %7.2f ms   min %7.2f   max %7.2f   (%d runs)\n", what, median,
                ms.front(), ms.back(), kRuns);
    return median;
}

void Share(const char* what, double part, double whole) {
    std::printf("  %-48s %5.1f %%\n", what, 100.0 * part / whole);
}

SheetCells CandidatesSheet() {
    SheetCells cells = {{QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("姓名"),
                         QStringLiteral("客观成绩"), QStringLiteral("主观成绩"),
                         QStringLiteral("总评成绩")}};
    for (int i = 1; i <= kCandidates; ++i)
        cells.append({QString::number(i), QString::number(110100 + i),
                      QStringLiteral("考生%1号").arg(i), QString::number(40 + i % 60) + ".5",
                      QString::number(i % 30), QString::number(40 + i % 60 + i % 30)});
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TestWorkdir workdir;  // a copy of the delivered database, worked in as the program does
    const QString database = workdir.DatabaseFile();

    const QString workbook = workdir.Path() + QStringLiteral("/考生名单.xlsx");
    WriteSheet(workbook, CandidatesSheet());
    std::printf("%d candidates in %s (%lld bytes)\n", kCandidates, qPrintable(workbook),
                qint64(QFileInfo(workbook).size()));

    FilePrompts prompts(workbook);
    CandidatesTab tab(prompts, nullptr);
    tab.resize(760, 400);
    tab.show();
    auto* list = tab.findChild<ReportList*>(QStringLiteral("ListView3"));
    auto* importButton = tab.findChild<QPushButton*>(QStringLiteral("Butk2"));
    auto* exportButton = tab.findChild<QPushButton*>(QStringLiteral("Butk1"));

    std::printf("\nimport (导入)\n");
    const double import =
        Report("whole import: read, check, replace, refresh", [&] { importButton->click(); });
    if (list->RowCount() != kCandidates) {
        std::printf("the import listed %d rows\n", list->RowCount());
        return 1;
    }
    const ExchangeRule& rule = RuleOf(Exchange::Candidates);
    ListRows rows;
    const double read =
        Report("  read Sheet1 of the workbook", [&] { rows = RowsOfSheet(ReadSheet(workbook)); });
    const double check =
        Report("  check every row", [&] { CheckRows(rule, rows, QStringLiteral("文件 "), 2); });
    const double results = Report("  look for results (the question's condition)", [&] {
        Database db(kDatabasePath);
        CandidatesHoldResults(db);
    });
    const double replace = Report("  replace the candidates (one transaction)", [&] {
        Database db(kDatabasePath);
        StoreRows(db, rule, rows);
    });
    const double refresh = Report("  refresh the list (Button4Click)", [&] { tab.Refresh(); });
    const double steps = read + check + results + replace + refresh;
    std::printf("shares of the steps' sum (%.2f ms):\n", steps);
    Share("reading the file", read, steps);
    Share("checking the rows", check, steps);
    Share("writing the database (replace)", replace, steps);
    Share("reading the database (results, refresh)", results + refresh, steps);
    std::printf("goal: whole import under 1000 ms: %s\n", import < 1000 ? "met" : "NOT met");

    std::printf("\nexport (导出)\n");
    Report("whole export: the list to the workbook", [&] { exportButton->click(); });
    SheetCells cells;
    Report("  take the list's captions and rows", [&] {
        cells = {list->Captions()};
        for (int r = 0; r < list->RowCount(); ++r)
            cells << list->Row(r);
    });
    Report("  write the workbook", [&] { WriteSheet(workbook, cells); });
    if (ReadSheet(workbook) != cells) {
        std::printf("the exported workbook differs from the list\n");
        return 1;
    }
    return 0;
}
