// The candidates tab's refresh with 1,000 candidates already numbered 1..1000 (so the renumbering
// pass reads but changes nothing), against reading the same rows with bare SQLite calls, and the
// access layer's read alone in between. The refresh reads the table twice (renumbering pass, then
// the list) and fills the list. Prints milliseconds per run.
#include "back_office/CandidatesTab.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kCandidates = 1000;
constexpr int kRuns = 30;

class SilentPrompts : public Prompts {
  public:
    void Message(QWidget*, const QString& text) override {
        std::printf("message: %s\n", qPrintable(text));
    }
    void Error(QWidget*, const QString& text) override {
        std::printf("error: %s\n", qPrintable(text));
    }
    bool Confirm(QWidget*, const QString&, const QString&) override { return true; }
    QString OpenFileName(QWidget*, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&) override { return {}; }
};

void Report(const char* what, const std::function<void()>& run) {
    run();  // warm the page cache and the code paths
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.2f ms   min %7.2f   max %7.2f   (%d runs)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), kRuns);
}

// The same statement as the tab, the six listed columns read as text with bare SQLite calls:
// open, prepare, step, read, finalize, close.
int BareRead(QStringList* cells) {
    sqlite3* db = nullptr;
    sqlite3_open(kDatabasePath.toUtf8().constData(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "Select * from Userxinxi", -1, &statement, nullptr);
    int columns[6] = {};
    const char* names[6] = {"UserID", "Xuehao", "Xingmin", "Chengji", "Chengji1", "Chengji2"};
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            if (qstricmp(sqlite3_column_name(statement, c), names[i]) == 0) columns[i] = c;
    int rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int column : columns) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            *cells << QString::fromUtf8(text ? text : "");
        }
        ++rows;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    TestWorkdir workdir;  // a copy of the delivered database, worked in as the program does
    const QString file = workdir.DatabaseFile();
    {
        Database db(kDatabasePath);
        db.RunStatement(QStringLiteral("DELETE FROM Userxinxi"));
        Transaction transaction(db);
        for (int i = 1; i <= kCandidates; ++i)
            db.RunStatement(
                QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin,Chengji,"
                               "Chengji1,Chengji2,Tt1) values (?,?,?,?,?,?,?)"),
                {qint64(i), QString::number(110100 + i), QStringLiteral("考生%1号").arg(i),
                 QStringLiteral("62.5"), QStringLiteral("20"), QStringLiteral("82"),
                 QStringLiteral("一段不长的主观题答案。").repeated(4)});
        transaction.Commit();
    }
    std::printf("%d candidates, numbered 1..%d, in %s\n", kCandidates, kCandidates,
                qPrintable(file));

    SilentPrompts prompts;
    CandidatesTab tab(prompts, nullptr);
    tab.resize(760, 400);
    tab.show();
    auto* list = tab.findChild<ReportList*>(QStringLiteral("ListView3"));

    Report("candidates tab refresh (Button4Click)", [&] { tab.Refresh(); });
    if (list->RowCount() != kCandidates) {
        std::printf("refresh listed %d rows\n", list->RowCount());
        return 1;
    }
    int read = 0;
    Report("access layer: Select * + Value() of 6 columns", [&] {
        Database db(kDatabasePath);
        auto rows = db.OpenQuery(QStringLiteral("Select * from Userxinxi"));
        QStringList cells;
        for (; !rows->AtEnd(); rows->MoveNext())
            for (const char* column :
                 {"UserID", "Xuehao", "Xingmin", "Chengji", "Chengji1", "Chengji2"})
                cells << rows->Value(QString::fromLatin1(column));
        read = int(cells.size() / 6);
    });
    Report("bare SQLite: Select * + 6 columns as text", [&] {
        QStringList cells;
        read = BareRead(&cells);
    });
    if (read != kCandidates) {
        std::printf("bare read gave %d rows\n", read);
        return 1;
    }
    return 0;
}
