// A classroom on one shared database: N candidate processes (N = 2, 8, 32) and one back-office
// process refreshing the candidate list, with the busy timeout and without it, side by side.
//   workstations [--seconds S] [--counts 2,8,32] [--record]
//                                                   the benchmark (--record: the exam record's
//                                                   table alone)
//   workstations --short                            2 candidates for 3 s; exit code 1 on any failed
//                                                   statement or lost save (run by the test suite)
//   workstations --server [--seconds S] [--counts 32]
//                                                   the exam record with two back offices, on the
//                                                   file and on a PostgreSQL server (the CX_PG_*
//                                                   variables', else a cluster with fsync on
//                                                   started for the run), a fresh database per N
// With the record, each candidate hands its picks to the exam journal's writer as the exam window
// does (durable on the workstation, applied on the writer's thread, tried again while the database
// does not answer); a pick's latency runs until it is applied. "retried": tries the database did
// not answer (a sign-in clicked again a second later, the writer's tries); "failed": sign-ins that
// never succeeded and entries still not applied 20 s after the run.
#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
#include "reliability/BenchCluster.h"
#include "reliability/Workstation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

struct Figures {
    int processes = 0;
    int statements = 0;
    int failed = 0;
    int retried = 0;
    int saves = 0;
    int lost = 0;
    double savesPerSecond = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    QString firstFailure;
};

double Percentile(std::vector<qint64> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(share * double(values.size())));
    return double(values[index]) / 1000.0;
}

// `record`: the candidates pick answers with the exam record and `offices` back offices show the
// room view; otherwise the candidates take the exam's statements and the back office refreshes.
// `cluster`: the file is copied to a database of that server and points there (the exam role), so
// every process works on it.
// `inStep`: with the record, the candidates all pick within the same 200 ms of every 2 s.
Figures Run(int candidates, int busyTimeoutMs, int seconds, bool record = false, int offices = 1,
            const BenchCluster* cluster = nullptr, bool inStep = false) {
    Figures figures;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString file = dir.path() + QStringLiteral("/") + kDatabasePath;
    QFile::copy(QStringLiteral(CX_DELIVERED_DB), file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    AddCandidates(file, candidates);
    if (cluster)
        cluster->PutClassroom(file, QStringLiteral("bench_workstations_%1").arg(candidates));

    // Every process waits for the same moment, so they all overlap from the first action.
    const qint64 startAt = QDateTime::currentMSecsSinceEpoch() + 800 + 60 * candidates;
    std::vector<std::unique_ptr<QProcess>> processes;
    const auto launch = [&](const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->setWorkingDirectory(dir.path());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QStringLiteral(CX_WORKER), arguments);
        processes.push_back(std::move(process));
    };
    const QString timeout = QString::number(busyTimeoutMs);
    const QString start = QString::number(startAt);
    const QString length = QString::number(seconds);
    for (int i = 0; i < candidates; ++i)
        launch({!record  ? QStringLiteral("candidate")
                : inStep ? QStringLiteral("examinee-in-step")
                         : QStringLiteral("examinee"),
                QString::number(i), timeout, start, length, QString::number(1000 + i)});
    for (int o = 0; o < offices; ++o)
        launch({record ? QStringLiteral("room") : QStringLiteral("office"), timeout, start, length,
                QString::number(7 + o)});

    std::vector<WorkstationReport> reports;
    std::vector<qint64> latencies;
    for (auto& process : processes) {
        process->waitForFinished(seconds * 1000 + 120000);
        WorkstationReport report = WorkstationReport::Parse(process->readAllStandardOutput());
        if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0) {
            ++report.failed;
            if (report.firstFailure.isEmpty())
                report.firstFailure = QStringLiteral("a workstation process ended abnormally");
        }
        figures.statements += report.statements;
        figures.failed += report.failed;
        figures.retried += report.retried;
        figures.saves += report.saves;
        if (figures.firstFailure.isEmpty()) figures.firstFailure = report.firstFailure;
        latencies.insert(latencies.end(), report.latenciesUs.begin(), report.latenciesUs.end());
        reports.push_back(std::move(report));
    }
    reports.resize(size_t(candidates));  // the back offices save nothing
    figures.processes = candidates + offices;
    figures.lost = record ? LostPicks(file, reports) : LostSaves(file, reports);
    figures.savesPerSecond = double(figures.saves) / seconds;
    figures.p50Ms = Percentile(latencies, 0.50);
    figures.p99Ms = Percentile(latencies, 0.99);
    return figures;
}

// The heads of a table of two runs side by side: `left` and `right` over the columns of Cells.
void PrintHeads(const char* left, const char* right, bool picks) {
    const char* head = "%6s %6s %6s %5s %8s %7s %7s";
    std::printf("%3s | %-50s | %s\n", "", left, right);
    std::printf("%3s | ", "N");
    for (const char* gap : {" | ", "\n"}) {
        if (picks)
            std::printf(head, "retry", "failed", "picks", "lost", "picks/s", "p50 ms", "p99 ms");
        else
            std::printf(head, "stmts", "failed", "saves", "lost", "saves/s", "p50 ms", "p99 ms");
        std::printf("%s", gap);
    }
}

QString Cells(const Figures& f, bool picks = false) {
    return QString::asprintf("%6d %6d %6d %5d %8.1f %7.1f %7.1f", picks ? f.retried : f.statements,
                             f.failed, f.saves, f.lost, f.savesPerSecond, f.p50Ms, f.p99Ms);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--short"))) {
        const Figures f = Run(2, Database::kDefaultBusyTimeoutMs, 3);
        std::printf("2 candidates + 1 back office, 3 s, busy timeout 10 s\n");
        std::printf("%6s %6s %6s %5s %8s %7s %7s\n", "stmts", "failed", "saves", "lost", "saves/s",
                    "p50 ms", "p99 ms");
        std::printf("%s\n", qPrintable(Cells(f)));
        if (!f.firstFailure.isEmpty())
            std::printf("first failure: %s\n", qPrintable(f.firstFailure));
        const Figures r = Run(2, Database::kDefaultBusyTimeoutMs, 5, true);
        std::printf("with the exam record: 2 candidates picking every 2 s + the room view, 5 s\n");
        std::printf("%s\n", qPrintable(Cells(r)));
        if (!r.firstFailure.isEmpty())
            std::printf("first failure: %s\n", qPrintable(r.firstFailure));
        const bool sound = f.failed == 0 && f.lost == 0 && f.saves > 0 && r.failed == 0 &&
                           r.lost == 0 && r.saves > 0;
        std::printf("%s\n", sound ? "no failed statement, no lost save" : "FAILED");
        return sound ? 0 : 1;
    }
    int seconds = 10;
    QList<int> counts{2, 8, 32};
    const bool serverRun = args.contains(QStringLiteral("--server"));
    const bool recordOnly = args.contains(QStringLiteral("--record"));
    if (serverRun) counts = {32};
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds")) seconds = args[i + 1].toInt();
        if (args[i] == QLatin1String("--counts")) {
            counts.clear();
            for (const QString& n : args[i + 1].split(u','))
                counts << n.toInt();
        }
    }
    if (serverRun) {
        // The exam record on the file and on the server, side by side in one run.
        const BenchCluster cluster;
        std::printf(
            "the exam record: N candidates picking an answer every 2 s through the exam journal "
            "+ 2 back offices showing the room view every 3 s, %d s; latency: a pick from its "
            "hand-over until applied; file: busy timeout 10 s; server: %s (%s), fsync %s, TLS "
            "%s, the exam role\n",
            seconds, qPrintable(cluster.Address().host),
            cluster.Own() ? "started for the run" : "CX_PG_* variables",
            qPrintable(cluster.Fsync()), qPrintable(cluster.Address().sslMode));
        PrintHeads("SQLite file", "PostgreSQL server", true);
        for (int n : counts) {
            const Figures file = Run(n, Database::kDefaultBusyTimeoutMs, seconds, true, 2);
            const Figures onServer =
                Run(n, Database::kDefaultBusyTimeoutMs, seconds, true, 2, &cluster);
            std::printf("%3d | %s | %s\n", n, qPrintable(Cells(file, true)),
                        qPrintable(Cells(onServer, true)));
            for (const Figures* f : {&file, &onServer})
                if (!f->firstFailure.isEmpty())
                    std::printf("first failure: %s\n", qPrintable(f->firstFailure));
            std::fflush(stdout);
        }
        return 0;
    }
    std::printf(
        "N candidate processes + 1 back-office refresh process on one database file, %d s "
        "each, pauses 0-200 ms\n",
        seconds);
    std::printf("latency: one statement (a refresh's renumbering pass counts as one)\n\n");
    PrintHeads("busy timeout 10 s", "busy timeout off", false);
    QStringList failures;
    for (int n : recordOnly ? QList<int>() : counts) {
        const Figures with = Run(n, Database::kDefaultBusyTimeoutMs, seconds);
        const Figures without = Run(n, 0, seconds);
        std::printf("%3d | %s | %s\n", n, qPrintable(Cells(with)), qPrintable(Cells(without)));
        std::fflush(stdout);
        if (!with.firstFailure.isEmpty())
            failures << QStringLiteral("N=%1 with timeout: %2").arg(n).arg(with.firstFailure);
        if (!without.firstFailure.isEmpty())
            failures << QStringLiteral("N=%1 without timeout: %2").arg(n).arg(without.firstFailure);
    }

    // The exam record: every pick is a write.
    std::printf(
        "\nwith the exam record: N candidates picking an answer every 2 s (each pick one "
        "write of its answer row, a sign of life every 5 s) + 1 back office showing the "
        "room view every 3 s; latency: one pick with its write (open + upsert + close)\n"
        "own pace: each candidate signs in at a moment of the first 2 s and keeps it; "
        "in step: all sign in together and pick within the same 200 ms of every 2 s\n");
    PrintHeads("own pace", "in step", true);
    for (int n : counts) {
        const Figures own = Run(n, Database::kDefaultBusyTimeoutMs, seconds, true);
        const Figures inStep =
            Run(n, Database::kDefaultBusyTimeoutMs, seconds, true, 1, nullptr, true);
        std::printf("%3d | %s | %s\n", n, qPrintable(Cells(own, true)),
                    qPrintable(Cells(inStep, true)));
        std::fflush(stdout);
        if (!own.firstFailure.isEmpty())
            failures << QStringLiteral("N=%1 with the record: %2").arg(n).arg(own.firstFailure);
        if (!inStep.firstFailure.isEmpty())
            failures << QStringLiteral("N=%1 with the record in step: %2")
                            .arg(n)
                            .arg(inStep.firstFailure);
    }
    for (const QString& failure : failures)
        std::printf("first failure, %s\n", qPrintable(failure));
    return 0;
}
