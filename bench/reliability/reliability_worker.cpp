// The process behind one workstation of the load tool, and behind one crash trial. Works on
// data/Maindb.db in its working directory, as the program does. Arguments:
//   candidate <index> <busy timeout ms> <start at, ms since the epoch> <seconds> <seed>
//   office <busy timeout ms> <start at> <seconds> <seed>
//   examinee <index> <busy timeout ms> <start at> <seconds> <seed>: with the exam record
//   examinee-in-step <index> <busy timeout ms> <start at> <seconds> <seed>: all picking together
//   room <busy timeout ms> <start at> <seconds> <seed>: the back office's room view
//   change <kind>
//   lock: holds the database locked (BEGIN EXCLUSIVE) until its standard input ends
#include "reliability/CrashTrials.h"
#include "reliability/Workstation.h"

#include "data_store/Database.h"
#include "data_store/Schema.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString role = args.value(0);
    if (role == QLatin1String("candidate") && args.size() == 6) {
        WorkstationPlan plan{args[1].toInt(), args[2].toInt(), args[3].toLongLong(),
                             args[4].toInt(), args[5].toUInt()};
        std::fputs(ActCandidate(plan).Serialize().constData(), stdout);
        return 0;
    }
    if (role.startsWith(QLatin1String("examinee")) && args.size() == 6) {
        WorkstationPlan plan{args[1].toInt(), args[2].toInt(), args[3].toLongLong(),
                             args[4].toInt(), args[5].toUInt()};
        plan.inStep = role == QLatin1String("examinee-in-step");
        std::fputs(ActExaminee(plan).Serialize().constData(), stdout);
        return 0;
    }
    if (role == QLatin1String("room") && args.size() == 5) {
        WorkstationPlan plan{0, args[1].toInt(), args[2].toLongLong(), args[3].toInt(),
                             args[4].toUInt()};
        std::fputs(ActRoomView(plan).Serialize().constData(), stdout);
        return 0;
    }
    if (role == QLatin1String("office") && args.size() == 5) {
        WorkstationPlan plan{0, args[1].toInt(), args[2].toLongLong(), args[3].toInt(),
                             args[4].toUInt()};
        std::fputs(ActOffice(plan).Serialize().constData(), stdout);
        return 0;
    }
    if (role == QLatin1String("change") && args.size() == 2) return RunChange(args[1]);
    if (role == QLatin1String("lock") && args.size() == 1) {
        Database db(kDatabasePath);
        db.RunStatement(QStringLiteral("BEGIN EXCLUSIVE"));
        std::fputs("locked\n", stdout);
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    std::fprintf(stderr, "usage: reliability_worker candidate|office|change|lock ...\n");
    return 2;
}
