// Crash trials of the exam record: a scripted candidate answers the real exam window (picks,
// ticks, marks, subjective answers saved or left as drafts, the countdown running) and is killed
// with SIGKILL at a random moment; a new process then signs the same candidate in on the same file
// and the exam resumes. Every act acknowledged before the kill (its journal entries durable on the
// workstation) must be on the sheet,
// the score must be the sum of the restored earned points, and the countdown within 10 s of the
// last time written.
// Freeze trials (--freeze N): the candidate's workstation is stopped with SIGSTOP at a random
// moment, the candidate moves on at a second workstation (another installation) and answers
// there, then the first one wakes and goes on with its script: it must find the attempt gone and
// write nothing more (no answer, no text, no score, no end).
// Outage trials (--outage): the database is out of reach (its folder moved away) from a random
// moment before the kill until after it, or for a random span that ends before it; the resume
// must still find every acknowledged act.
// On the server (--server): each trial's classroom lives in a database of its own on a
// PostgreSQL server (the CX_PG_* variables', or a cluster of fsync on started for the run) and the
// workstations connect as the exam role. The outages are then the server's own: down (connections
// refused) or hung (its processes stopped: calls taken and never answered), at random.
// --pace MS has the candidate think between two acts, so that outages last seconds.
//   exam_crash_trials [--trials 200] [--seed 1] [--acts 300] [--freeze 0] [--outage] [--server]
//                     [--pace 0]
// Exit code 1 when a trial lost an answer or a stale workstation wrote.
#include "reliability/BenchCluster.h"
#include "reliability/CrashTrials.h"
#include "reliability/ExamCandidate.h"

#include "data_store/Database.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>
#include <random>

namespace {

constexpr qint64 kStartClock = 1'800'000'000;
QString gInstallation = QStringLiteral("bench");  // --installation: which workstation this is
int gPaceMs = 0;  // --pace: the candidate thinks this long between two acts

// A question of the paper: section 0..3 and number.
QString Key(int s, int n) {
    return QStringLiteral("%1.%2").arg(s).arg(n);
}

ExamWindow* gWindow = nullptr;  // the candidate's, once it runs

// An act is acknowledged once its entries are durable in the workstation's journal (made so on
// the writer's thread; the window never waited for it).
void Say(const QString& line) {
    if (gWindow && line.startsWith(QLatin1String("ack")))
        gWindow->Recorder().Writer().WaitDurable(10000);
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

QString Encoded(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toBase64());
}

// The candidate's window, known to Say() while it runs.
struct Candidate : ExamCandidate {
    Candidate() : ExamCandidate(gInstallation, kStartClock) { gWindow = window.get(); }
    ~Candidate() { gWindow = nullptr; }
};

// Worker: `acts` random acts of the candidate, each announced before ("begin" and the questions
// it touches) and acknowledged after it returned, with what the sheet must show of them.
int RunCandidate(quint32 seed, int acts) {
    Candidate c;
    std::mt19937 random(seed);
    auto pickInt = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    int section = 0, shown = 1;  // the question on screen
    QHash<int, QString> saved, draft;
    QString typed;  // in the subjective box, not written yet
    auto subjectiveAck = [&](int n) {
        return QStringLiteral("ack %1 t %2")
            .arg(Key(3, n), Encoded(draft.value(n, saved.value(n))));
    };
    Say(QStringLiteral("ready"));
    for (int a = 0; a < acts; ++a) {
        if (gPaceMs > 0) {
            QEventLoop thinking;  // the window goes on meanwhile: the writer's answers arrive
            QTimer::singleShot(gPaceMs, &thinking, &QEventLoop::quit);
            thinking.exec();
        }
        const int what = pickInt(0, 99);
        if (what < 25) {  // show a question
            const int s = pickInt(0, 3), n = pickInt(1, c.Questions(s));
            const bool leaving = section == 3 && !typed.isNull();
            Say(QStringLiteral("begin %1 %2").arg(Key(s, n), leaving ? Key(3, shown) : QString()));
            c.Click(PanelName(SectionOf(s), n));
            if (leaving) draft[shown] = typed;
            typed = QString();
            if (s == 3) draft.remove(n);  // shown again: the saved answer
            const int left = shown;
            section = s;
            shown = n;
            if (leaving) Say(subjectiveAck(left) + QStringLiteral(" ") + c.Panel(3, left));
            Say(s == 3 ? subjectiveAck(n) + QStringLiteral(" ") + c.Panel(s, n)
                       : QStringLiteral("ack %1 r %2").arg(Key(s, n), c.Row(s, n)));
        } else if (what < 60 && section < 3) {  // pick or tick an option
            const SectionData& data = SectionOf(section);
            const int k = pickInt(1, data.cellCount);
            Say(QStringLiteral("begin %1").arg(Key(section, shown)));
            c.Find<QAbstractButton>(QString::fromUtf16(data.choices[k - 1]))->click();
            Say(QStringLiteral("ack %1 r %2").arg(Key(section, shown), c.Row(section, shown)));
        } else if (what < 65) {  // mark
            Say(QStringLiteral("begin %1").arg(Key(section, shown)));
            c.Click(QString::fromUtf16(SectionOf(section).navNames[2]));
            Say(section == 3 ? subjectiveAck(shown) + QStringLiteral(" ") + c.Panel(3, shown)
                             : QStringLiteral("ack %1 r %2")
                                   .arg(Key(section, shown), c.Row(section, shown)));
        } else if (what < 75 && section == 3) {  // type, then save or not
            typed = QStringLiteral("第%1题的答案 %2\n第二行").arg(shown).arg(a);
            c.Find<QPlainTextEdit>(QStringLiteral("MeRequest"))->setPlainText(typed);
            Say(QStringLiteral("typed %1 %2").arg(Key(3, shown), Encoded(typed)));
            if (pickInt(0, 1) == 0) {
                Say(QStringLiteral("begin %1").arg(Key(3, shown)));
                c.Click(QStringLiteral("Labee4"));
                saved[shown] = typed;
                draft.remove(shown);
                typed = QString();
                Say(subjectiveAck(shown) + QStringLiteral(" ") + c.Panel(3, shown));
            }
        } else {  // a second of the countdown
            Say(QStringLiteral("begin tick"));
            ++*c.platform.now;
            c.window->Timer1Timer();
            Say(QStringLiteral("ack tick %1").arg(c.Left()));
        }
    }
    Say(QStringLiteral("done"));
    return 0;
}

// Worker: the same candidate signs in again; prints the sheet as the resumed exam shows it.
int RunInspect() {
    Candidate c;
    double sum = 0;
    for (int s = 0; s < 3; ++s)
        for (int n = 1; n <= c.Questions(s); ++n) {
            Say(QStringLiteral("%1 r %2").arg(Key(s, n), c.Row(s, n)));
            sum += const_cast<ExamState&>(c.window->State()).EarnedSlot(s, n);
        }
    Say(QStringLiteral("score %1 %2")
            .arg(FormatGeneral(c.window->State().AchievedScore), FormatGeneral(sum)));
    Say(QStringLiteral("left %1").arg(c.Left()));
    for (int n = 1; n <= c.Questions(3); ++n) {
        const QString panel = c.Panel(3, n);  // before the showing turns it lime
        c.Click(PanelName(SectionOf(3), n));
        Say(QStringLiteral("%1 t %2 %3")
                .arg(Key(3, n),
                     Encoded(c.Find<QPlainTextEdit>(QStringLiteral("MeRequest"))->toPlainText()),
                     panel));
    }
    return 0;
}

BenchCluster* gCluster = nullptr;  // --server

// A trial's working folder with the delivered classroom: in its file, or on the server.
void PrepareClassroom(const QString& dir, const QString& name) {
    CopyDatabase(QStringLiteral(CX_DELIVERED_DB), dir);
    if (gCluster) gCluster->PutClassroom(dir + QStringLiteral("/data/Maindb.db"), name);
}

// What the record and the candidate's row hold, every column but the stale workstation's own
// sign of life.
QStringList RecordState(const QString& dir) {
    QStringList rows;
    InOwnThread([&] {
        Database db(dir + QStringLiteral("/data/Maindb.db"));
        for (const char* sql :
             {"SELECT JiluID, Bufen, TestID, Daan, Caogao, Biaoji, Xianshi, Defen FROM Datijilu "
              "ORDER BY JiluID, Bufen, TestID",
              "SELECT JiluID, Zhuren, Zhuangtai, Chengji, Jieshu, Bufen, TestID FROM Kaoshijilu",
              "SELECT Chengji, Tt1, Tt2, Tt3 FROM Userxinxi"}) {
            auto table = db.OpenQuery(QString::fromLatin1(sql));
            for (; !table->AtEnd(); table->MoveNext()) {
                QStringList cells;
                for (int c = 0; c < table->ColumnCount(); ++c)
                    cells << QString::fromUtf8(table->ColumnText(c));
                rows << cells.join(QLatin1Char('|'));
            }
        }
    });
    return rows;
}

// One freeze trial; returns whether the woken workstation wrote anything.
bool FreezeTrial(const QString& self, const QString& dir, quint32 seed, int acts,
                 qint64 stopAfterUs, QString* problem, int* insideWrite) {
    const auto start = [&](QProcess& p, const QString& installation, int count, quint32 s) {
        p.setWorkingDirectory(dir);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(self, {QStringLiteral("--candidate"), QString::number(s), QString::number(count),
                       QStringLiteral("--installation"), installation, QStringLiteral("--pace"),
                       QString::number(gPaceMs)});
        p.waitForStarted(10000);
        while (!p.canReadLine() && p.waitForReadyRead(10000)) {
        }
    };
    QProcess first, second;
    start(first, QStringLiteral("first"), acts, seed);
    QThread::usleep(quint64(stopAfterUs));
    // Stopped inside a write, a workstation holds the file's lock and the whole room waits for it
    // (on a shared file nothing can take a lock back): such a moment is passed over, counted.
    // A server ends the session of a stopped workstation by itself.
    for (;;) {
        ::kill(pid_t(first.processId()), SIGSTOP);
        if (gCluster) break;
        if (CaughtError([&] {
                Database db(dir + QStringLiteral("/data/Maindb.db"), 50);
                db.RunStatement(QStringLiteral("BEGIN EXCLUSIVE"));
                db.RunStatement(QStringLiteral("ROLLBACK"));
            }) == std::nullopt)
            break;
        ++*insideWrite;
        ::kill(pid_t(first.processId()), SIGCONT);
        QThread::msleep(3);
    }
    start(second, QStringLiteral("second"), acts / 3, seed + 7919);  // moves on elsewhere
    second.waitForFinished(600000);
    const QStringList moved = RecordState(dir);
    ::kill(pid_t(first.processId()), SIGCONT);
    if (!first.waitForFinished(120000)) first.kill();
    first.waitForFinished(10000);
    const QStringList after = RecordState(dir);
    if (after == moved) return false;
    for (qsizetype i = 0; i < qMax(after.size(), moved.size()); ++i)
        if (after.value(i) != moved.value(i)) {
            *problem = QStringLiteral("seed %1: %2 became %3")
                           .arg(seed)
                           .arg(moved.value(i), after.value(i));
            break;
        }
    return true;
}

struct Tally {
    int trials = 0, finished = 0, acked = 0, inFlight = 0, lost = 0, checked = 0;
    int maxTimeDrift = 0;
    QStringList problems;
};

QStringList ReadLines(QProcess& process) {
    QStringList lines;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) lines << QString::fromUtf8(line);
    return lines;
}

// A span of the trial (µs from the candidate's start) when the database is out of reach.
struct Outage {
    qint64 fromUs = -1;  // none
    qint64 toUs = 0;     // past the kill: given back after it
    bool hung = false;   // on the server: hung rather than down
};

// Takes the database out of reach (`reach` false), or gives it back.
void Reach(bool reach, const QString& data, const QString& away, const Outage& outage) {
    if (!gCluster)
        QDir().rename(reach ? away : data, reach ? data : away);
    else if (outage.hung)
        reach ? gCluster->Wake() : void(gCluster->Hang());
    else
        reach ? gCluster->Up() : gCluster->Down();
}

void Trial(Tally& tally, const QString& self, const QString& dir, quint32 seed, int acts,
           qint64 killAfterUs, Outage outage = {}) {
    QProcess candidate;
    candidate.setWorkingDirectory(dir);
    candidate.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    candidate.start(self,
                    {QStringLiteral("--candidate"), QString::number(seed), QString::number(acts),
                     QStringLiteral("--pace"), QString::number(gPaceMs)});
    candidate.waitForStarted(10000);
    while (!candidate.canReadLine() && candidate.waitForReadyRead(10000)) {
    }
    const QString data = dir + QStringLiteral("/data"), away = dir + QStringLiteral("/away");
    qint64 slept = 0;
    const auto sleepUntil = [&](qint64 us) {
        if (us > slept) QThread::usleep(quint64(us - slept));
        slept = qMax(slept, us);
    };
    bool cut = false;
    if (outage.fromUs >= 0) {
        sleepUntil(outage.fromUs);
        Reach(false, data, away, outage);
        cut = true;
        if (outage.toUs < killAfterUs) {
            sleepUntil(outage.toUs);
            Reach(true, data, away, outage);
            cut = false;
        }
    }
    sleepUntil(killAfterUs);
    ::kill(pid_t(candidate.processId()), SIGKILL);
    candidate.waitForFinished(10000);
    if (cut) {
        sleepUntil(outage.toUs);
        Reach(true, data, away, outage);
    }
    const QStringList said = ReadLines(candidate);

    // What must be on the sheet: the last acknowledged state of each question, but for those of an
    // act that had begun and not returned; subjective texts typed since may stand instead.
    QHash<QString, QString> expected;
    QHash<QString, QStringList> alternatives;
    QStringList open;
    int lastLeft = -1;
    bool tickOpen = false;
    for (const QString& line : said) {
        const QStringList part = line.split(QLatin1Char(' '));
        if (part[0] == QLatin1String("done")) ++tally.finished;
        if (part[0] == QLatin1String("begin")) {
            open = part.mid(1);
            tickOpen = part.value(1) == QLatin1String("tick");
        } else if (part[0] == QLatin1String("ack")) {
            if (part[1] == QLatin1String("tick")) {
                lastLeft = part[2].toInt();
                tickOpen = false;
            } else {
                expected[part[1]] = part.mid(2).join(QLatin1Char(' '));
                alternatives.remove(part[1]);
                ++tally.acked;
            }
            open.removeAll(part[1]);
        } else if (part[0] == QLatin1String("typed")) {
            alternatives[part[1]] << part[2];
        }
    }
    open.removeAll(QString());
    tally.inFlight += int(open.size());

    QProcess inspect;
    inspect.setWorkingDirectory(dir);
    inspect.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    inspect.start(self, {QStringLiteral("--inspect")});
    inspect.waitForFinished(60000);
    bool lost = false;
    const auto problem = [&](const QString& text) {
        lost = true;
        if (tally.problems.size() < 8)
            tally.problems << QStringLiteral("seed %1: %2").arg(seed).arg(text);
    };
    for (const QString& line : ReadLines(inspect)) {
        const QStringList part = line.split(QLatin1Char(' '));
        if (part[0] == QLatin1String("score")) {
            if (part[1] != part[2])
                problem(QStringLiteral("score %1, earned points %2").arg(part[1], part[2]));
        } else if (part[0] == QLatin1String("left")) {
            if (lastLeft >= 0) {
                const int drift = part[1].toInt() - lastLeft;
                tally.maxTimeDrift = qMax(tally.maxTimeDrift, qAbs(drift));
                if (drift > 10 || drift < (tickOpen ? -1 : 0))
                    problem(QStringLiteral("%1 s left, %2 written").arg(part[1]).arg(lastLeft));
            }
        } else if (expected.contains(part[0]) && !open.contains(part[0])) {
            ++tally.checked;
            const QString shown = part.mid(1).join(QLatin1Char(' '));
            QString want = expected[part[0]];
            if (part[1] == QLatin1String("t")) {  // subjective: the text; its panel colour
                const QStringList w = want.split(QLatin1Char(' '));
                const bool textOk =
                    part[2] == w[1] || alternatives.value(part[0]).contains(part[2]);
                if (!textOk || part.value(3) != w.value(2))
                    problem(part[0] + QStringLiteral(": ") + shown + QStringLiteral(" for ") +
                            want);
            } else if (shown != want) {
                problem(part[0] + QStringLiteral(": ") + shown + QStringLiteral(" for ") + want);
            }
        }
    }
    ++tally.trials;
    if (lost) ++tally.lost;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QStringList args = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.value(0) == QLatin1String("--candidate") ||
        args.value(0) == QLatin1String("--inspect")) {
        QApplication app(argc, argv);
        if (args.value(3) == QLatin1String("--installation")) gInstallation = args.value(4);
        if (const qsizetype pace = args.indexOf(QStringLiteral("--pace")); pace > 0)
            gPaceMs = args.value(pace + 1).toInt();
        return args[0] == QLatin1String("--inspect")
                   ? RunInspect()
                   : RunCandidate(args[1].toUInt(), args[2].toInt());
    }
    QCoreApplication app(argc, argv);
    int trials = 200, acts = 300, freezes = 0;
    const bool outages = args.contains(QStringLiteral("--outage"));
    std::optional<BenchCluster> cluster;
    if (args.contains(QStringLiteral("--server"))) gCluster = &cluster.emplace();
    quint32 seed = 1;
    for (qsizetype i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--trials")) trials = args[i + 1].toInt();
        if (args[i] == QLatin1String("--seed")) seed = args[i + 1].toUInt();
        if (args[i] == QLatin1String("--acts")) acts = args[i + 1].toInt();
        if (args[i] == QLatin1String("--freeze")) freezes = args[i + 1].toInt();
        if (args[i] == QLatin1String("--pace")) gPaceMs = args[i + 1].toInt();
    }
    const QString self = QCoreApplication::applicationFilePath();
    QTemporaryDir base;

    // How long the acts take when nobody kills the candidate.
    const QString calibration = base.path() + QStringLiteral("/calibration");
    PrepareClassroom(calibration, QStringLiteral("crash_calibration"));
    QProcess run;
    run.setWorkingDirectory(calibration);
    run.start(self, {QStringLiteral("--candidate"), QString::number(seed), QString::number(acts),
                     QStringLiteral("--pace"), QString::number(gPaceMs)});
    run.waitForStarted(10000);
    while (!run.canReadLine() && run.waitForReadyRead(10000)) {
    }
    QElapsedTimer clock;
    clock.start();
    run.waitForFinished(600000);
    const double actsMs = double(clock.nsecsElapsed()) / 1e6;

    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> moment(0, qint64(actsMs * 1100.0));  // µs
    Tally tally;
    int hung = 0;
    for (int t = 0; t < trials; ++t) {
        const QString dir = base.path() + QStringLiteral("/trial%1").arg(t);
        PrepareClassroom(dir, QStringLiteral("crash_trial%1").arg(t % 8));
        const qint64 kill = moment(random);
        Outage outage;
        if (outages) {
            outage.fromUs = std::uniform_int_distribution<qint64>(0, kill)(random);
            outage.toUs = std::uniform_int_distribution<qint64>(outage.fromUs, 2 * kill)(random);
            outage.hung = gCluster && random() % 2 == 0;
            hung += outage.hung;
        }
        Trial(tally, self, dir, seed + quint32(t), acts, kill, outage);
        QDir(dir).removeRecursively();
    }
    std::printf(
        "exam crash trials: %d acts of a scripted candidate (%.0f ms when not killed), "
        "SIGKILL at a uniform moment%s\n",
        acts, actsMs, outages ? ", the database out of reach for a random span around it" : "");
    if (gCluster)
        std::printf(
            "on a PostgreSQL server (fsync %s, TLS), as the exam role%s\n",
            qPrintable(gCluster->Fsync()),
            outages
                ? qPrintable(
                      QStringLiteral("; outages: %1 down, %2 hung").arg(trials - hung).arg(hung))
                : "");
    std::printf("%8s %9s %10s %10s %10s %6s %16s\n", "trials", "finished", "acked", "in flight",
                "checked", "lost", "max time drift");
    std::printf("%8d %9d %10d %10d %10d %6d %14d s\n", tally.trials, tally.finished, tally.acked,
                tally.inFlight, tally.checked, tally.lost, tally.maxTimeDrift);
    for (const QString& p : tally.problems)
        std::printf("    %s\n", qPrintable(p));
    std::printf("%s\n", tally.lost == 0 ? "every acknowledged answer was on the resumed sheet"
                                        : "ANSWERS LOST");
    int stale = 0, insideWrite = 0;
    QStringList staleProblems;
    for (int t = 0; t < freezes; ++t) {
        const QString dir = base.path() + QStringLiteral("/freeze%1").arg(t);
        PrepareClassroom(dir, QStringLiteral("crash_freeze%1").arg(t % 8));
        QString problem;
        if (FreezeTrial(self, dir, seed + 100000 + quint32(t), acts, moment(random), &problem,
                        &insideWrite)) {
            ++stale;
            if (staleProblems.size() < 8) staleProblems << problem;
        }
        QDir(dir).removeRecursively();
    }
    if (freezes > 0) {
        std::printf(
            "\nfreeze trials: the workstation stopped (SIGSTOP) at a uniform moment, the "
            "candidate moving on at another installation, then woken (SIGCONT)\n");
        std::printf("%8s %22s %28s\n", "trials", "written while stale",
                    "stops inside a write, retried");
        std::printf("%8d %22d %28d\n", freezes, stale, insideWrite);
        for (const QString& p : staleProblems)
            std::printf("    %s\n", qPrintable(p));
    }
    return tally.lost == 0 && stale == 0 ? 0 : 1;
}
