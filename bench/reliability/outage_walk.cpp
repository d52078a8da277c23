// A walk through an exam while the school's server fails. A scripted candidate answers and moves
// in the real exam window (its countdown running on the real clocks), on a classroom of a
// PostgreSQL server (the CX_PG_* variables', or a cluster of fsync on started for the walk), as
// the exam role; meanwhile the server is stopped for a span (connections refused) and, later,
// hung for a span (its processes stopped: calls taken, never answered). Measured:
//   - each click until the window has answered it (the handler run and the window painted);
//   - the countdown against the steady clock;
//   - after each return of the server, how long until everything the candidate did is on the
//     server, and then that the server's record of the attempt is the window's, row by row;
//   - after the hand-in, the score the server holds against the points of the recorded answers.
//   outage_walk [--span 30] [--seed 1] [--screens DIR]
// --screens saves the window as it looks during each outage and after it (PNG). Exit code 1 when
// a click took 100 ms or more, the countdown was off by more than 1 s, the server lacked anything
// 10 s after its return, or a score was wrong.
#include "reliability/BenchCluster.h"
#include "reliability/CrashTrials.h"
#include "reliability/ExamCandidate.h"

#include "data_store/Database.h"
#include "record/ExamRecord.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

namespace {

constexpr double kClickLimitMs = 100;
constexpr qint64 kShipLimitMs = 10000;

// Lets the window run (its countdown ticking, the writer's answers arriving) for `ms`.
void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Phase {
    explicit Phase(QString title) : name(std::move(title)) {}
    QString name;
    std::vector<double> clicksMs;
    int outageShown = 0;    // clicks after which the outage line was showing
    qint64 shippedMs = -1;  // after the server's return: until nothing waited on the workstation
    QString mismatch;       // the first difference between the window's record and the server's
};

class Walk {
  public:
    Walk(const BenchCluster& cluster, quint32 seed, QString screens)
        : cluster_(cluster), random_(seed), screens_(std::move(screens)) {
        steady_.start();
        left0_ = c_.Left();
    }

    // Acts every 250-500 ms for `seconds`.
    void Act(Phase& phase, int seconds) {
        QElapsedTimer span;
        span.start();
        while (span.elapsed() < seconds * 1000LL) {
            phase.clicksMs.push_back(OneAct());
            if (c_.Find<QLabel>(QStringLiteral("lblOutage"))->isVisible()) ++phase.outageShown;
            CheckClock();
            Idle(std::uniform_int_distribution<int>(250, 500)(random_));
        }
    }

    // The server is back: waits (the window running, the candidate idle) until the writer holds
    // nothing more, then compares the server's record with the window's.
    void Shipped(Phase& phase) {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 30000) {
            const journal::Status status = c_.window->Recorder().Writer().Current();
            if (status.unshipped == 0 && !status.outage) break;
            Idle(20);
        }
        phase.shippedMs = wait.elapsed();
        phase.mismatch = Compare();
        CheckClock();
    }

    void Screen(const QString& name) {
        if (screens_.isEmpty()) return;
        Idle(100);
        c_.window->grab().save(screens_ + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    // "结束考试"; the score the window showed, the server's, and the points of its answers.
    QString HandIn() {
        c_.window->lblEndTestClick();
        c_.window->Recorder().Drain(30000);
        QString problem;
        InOwnThread([&] {
            Database db(QStringLiteral("data/Maindb.db"));
            const std::optional<AttemptRow> attempt = record::LatestAttempt(db, 110101);
            if (!attempt) {
                problem = QStringLiteral("no attempt on the server");
                return;
            }
            double earned = 0;
            for (const AnswerRow& row : record::Answers(db, attempt->id))
                earned += row.earned;
            const double shown = c_.window->State().AchievedScore;
            if (attempt->state != AttemptState::HandedIn || attempt->score != shown ||
                earned != shown)
                problem = QStringLiteral(
                              "state %1, score %2 on the server, %3 earned there, "
                              "%4 shown")
                              .arg(int(attempt->state))
                              .arg(attempt->score.value_or(-1))
                              .arg(earned)
                              .arg(shown);
            score_ = shown;
        });
        return problem;
    }

    int maxClockOff = 0;
    double score_ = 0;

  private:
    double OneAct() {
        const int what = std::uniform_int_distribution<int>(0, 99)(random_);
        QWidget* target = nullptr;
        if (what < 45 && section_ < 3) {  // pick or tick an option
            const SectionData& data = SectionOf(section_);
            const int k = std::uniform_int_distribution<int>(1, data.cellCount)(random_);
            target = c_.Find<QAbstractButton>(QString::fromUtf16(data.choices[k - 1]));
        } else if (what < 75) {  // "下一题" or "上一题"
            target = c_.Find<QWidget>(
                QString::fromUtf16(SectionOf(section_).navNames[what < 65 ? 1 : 0]));
        } else if (what < 85 && section_ == 3) {  // an answer typed and saved
            c_.Find<QPlainTextEdit>(QStringLiteral("MeRequest"))
                ->setPlainText(QStringLiteral("停电时写的答案 %1").arg(what));
            target = c_.Find<QWidget>(QString::fromUtf16(SectionOf(3).navNames[3]));
        } else {  // a number panel, of any section
            section_ = std::uniform_int_distribution<int>(0, 3)(random_);
            const int n = std::uniform_int_distribution<int>(1, c_.Questions(section_))(random_);
            target = c_.Find<QWidget>(PanelName(SectionOf(section_), n));
        }
        QElapsedTimer clock;
        clock.start();
        PressOn(target);
        QCoreApplication::processEvents();  // the window painted
        return double(clock.nsecsElapsed()) / 1e6;
    }

    void CheckClock() {
        const int expected = left0_ - int(steady_.elapsed() / 1000);
        maxClockOff = qMax(maxClockOff, qAbs(c_.Left() - expected));
    }

    // The first difference between the window's record of the attempt and the server's.
    QString Compare() {
        QString difference;
        const auto& rows = c_.window->Recorder().Rows();
        InOwnThread([&] {
            Database db(QStringLiteral("data/Maindb.db"));
            const std::optional<AttemptRow> attempt = record::LatestAttempt(db, 110101);
            if (!attempt) {
                difference = QStringLiteral("no attempt on the server");
                return;
            }
            std::map<std::pair<int, int>, AnswerRow> stored;
            for (const AnswerRow& row : record::Answers(db, attempt->id))
                stored[{row.section, row.question}] = row;
            for (const auto& [key, row] : rows) {
                const auto it = stored.find(key);
                const auto line = [](const AnswerRow& r) {
                    return QStringLiteral("%1.%2 [%3] marked %4 shown %5 earned %6")
                        .arg(r.section)
                        .arg(r.question)
                        .arg(r.answer)
                        .arg(r.marked)
                        .arg(r.shown)
                        .arg(r.earned);
                };
                if (it == stored.end()) {
                    difference = line(row) + QStringLiteral(" is not on the server");
                    return;
                }
                if (line(it->second) != line(row)) {
                    difference = line(row) + QStringLiteral(", the server: ") + line(it->second);
                    return;
                }
            }
        });
        return difference;
    }

    const BenchCluster& cluster_;
    ExamCandidate c_{QStringLiteral("walk"), std::nullopt};
    std::mt19937 random_;
    QString screens_;
    QElapsedTimer steady_;
    int left0_ = 0;
    int section_ = 0;
};

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int span = 30;
    quint32 seed = 1;
    QString screens;
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--span")) span = args[i + 1].toInt();
        if (args[i] == QLatin1String("--seed")) seed = args[i + 1].toUInt();
        if (args[i] == QLatin1String("--screens")) screens = QDir(args[i + 1]).absolutePath();
    }
    if (!screens.isEmpty()) QDir().mkpath(screens);
    BenchCluster cluster;
    QTemporaryDir dir;
    CopyDatabase(QStringLiteral(CX_DELIVERED_DB), dir.path());
    cluster.PutClassroom(dir.path() + QStringLiteral("/data/Maindb.db"),
                         QStringLiteral("outage_walk"));
    QDir::setCurrent(dir.path());

    std::vector<Phase> phases;
    int failures = 0;
    QString scoreProblem;
    {
        Walk walk(cluster, seed, screens);
        // A phase with the server up, then `span` s out of reach (`cut` .. `mend`), the window
        // looked at halfway and after the return.
        const auto phase = [&](const QString& name, const std::function<void()>& cut,
                               const std::function<void()>& mend, const QString& screen) {
            Phase out(name);
            cut();
            walk.Act(out, span / 2);
            walk.Screen(screen);
            walk.Act(out, span - span / 2);
            mend();
            walk.Shipped(out);
            walk.Screen(screen + QStringLiteral("_recovered"));
            phases.push_back(out);
        };
        const auto up = [&](const QString& name) {
            Phase on(name);
            walk.Act(on, 10);
            walk.Shipped(on);
            phases.push_back(on);
        };
        up(QStringLiteral("server up"));
        phase(
            QStringLiteral("server down"), [&] { cluster.Down(); }, [&] { cluster.Up(); },
            QStringLiteral("outage_down"));
        up(QStringLiteral("server up again"));
        phase(
            QStringLiteral("server hung"), [&] { cluster.Hang(); }, [&] { cluster.Wake(); },
            QStringLiteral("outage_hung"));

        scoreProblem = walk.HandIn();
        std::printf(
            "an exam on a PostgreSQL server (fsync %s, TLS, the exam role), a scripted candidate "
            "clicking every 250-500 ms; the server down for %d s, then hung for %d s\n",
            qPrintable(cluster.Fsync()), span, span);
        std::printf("%-16s %7s %9s %9s %9s %13s %16s\n", "phase", "clicks", "p50 ms", "p99 ms",
                    "max ms", "outage line", "shipped after");
        for (const Phase& p : phases) {
            const double max = Percentile(p.clicksMs, 1.0);
            std::printf("%-16s %7zu %9.2f %9.2f %9.2f %13d %13lld ms\n", qPrintable(p.name),
                        p.clicksMs.size(), Percentile(p.clicksMs, 0.5),
                        Percentile(p.clicksMs, 0.99), max, p.outageShown, p.shippedMs);
            if (max >= kClickLimitMs || p.shippedMs > kShipLimitMs || !p.mismatch.isEmpty())
                ++failures;
            if (!p.mismatch.isEmpty())
                std::printf("    record differs: %s\n", qPrintable(p.mismatch));
        }
        std::printf("countdown against the steady clock: off by %d s at most\n", walk.maxClockOff);
        std::printf("hand-in: score %g, %s\n", walk.score_,
                    scoreProblem.isEmpty() ? "the same on the server and in its answers' points"
                                           : qPrintable(scoreProblem));
        if (walk.maxClockOff > 1 || !scoreProblem.isEmpty()) ++failures;
    }
    std::printf("%s\n",
                failures == 0 ? "every click answered within 100 ms, nothing lost" : "FAILED");
    return failures == 0 ? 0 : 1;
}
