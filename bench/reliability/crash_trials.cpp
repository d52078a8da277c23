// Kills a worker with SIGKILL at random moments during each change made of several statements and
// counts the outcomes: the complete old content, the complete new content, or a bad database.
//   crash_trials [--trials 50] [--seed 1]
// Exit code 1 when a change that must be all-or-nothing left a bad database.
#include "reliability/CrashTrials.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int trials = 50;
    quint32 seed = 1;
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--trials")) trials = args[i + 1].toInt();
        if (args[i] == QLatin1String("--seed")) seed = args[i + 1].toUInt();
    }
    std::printf("SIGKILL at a random moment of each change (uniform over 1.1 x its duration)\n");
    std::printf("finished: ended before the kill; journal: killed with the transaction open\n");
    std::printf("%-40s %9s %7s %8s %7s %5s %5s %5s\n", "change", "change ms", "trials", "finished",
                "journal", "old", "new", "bad");
    bool sound = true;
    for (const CrashKind& kind : CrashKinds()) {
        const TrialTally t = RunTrials(kind.name, trials, seed, QStringLiteral(CX_DELIVERED_DB),
                                       QStringLiteral(CX_WORKER));
        std::printf("%-40s %9.1f %7d %8d %7d %5d %5d %5d\n", qPrintable(t.kind), t.changeMs,
                    t.trials, t.finished, t.hotJournal, t.oldContent, t.newContent, t.bad);
        for (const QString& problem : t.problems.mid(0, 3))
            std::printf("    %s\n", qPrintable(problem));
        std::fflush(stdout);
        if (!kind.control && (t.bad > 0 || t.trials < trials)) sound = false;
    }
    std::printf("%s\n", sound ? "every all-or-nothing change: 0 bad outcomes" : "BAD OUTCOMES");
    return sound ? 0 : 1;
}
