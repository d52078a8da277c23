#include "reliability/Workstation.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Renumbering.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "exam/ExamState.h"
#include "journal/Writer.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"
#include "reliability/BenchCluster.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <functional>
#include <random>

namespace {

constexpr int kAnswers = 3;             // subjective questions the candidates answer
constexpr qint64 kShipGraceMs = 20000;  // for the journal's last entries after the exam

qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

void SleepUntil(qint64 epochMs) {
    const qint64 wait = epochMs - NowMs();
    if (wait > 0) QThread::msleep(quint64(wait));
}

// Runs handlers the way the windows do (a connection each; an error ends the handler) and keeps
// the figures of every statement.
class Recorder {
  public:
    Recorder(const WorkstationPlan& plan, WorkstationReport& report)
        : plan_(plan), report_(report), random_(plan.seed) {}

    // One handler: true when it ran to its end.
    bool Handler(const std::function<void(Database&)>& body) {
        try {
            Database db(kDatabasePath, plan_.busyTimeoutMs);
            body(db);
            return true;
        } catch (const std::exception& error) {
            if (report_.firstFailure.isEmpty())
                report_.firstFailure = QString::fromUtf8(error.what()).replace(u'\r', u' ');
            return false;
        }
    }

    // One statement (or the renumbering pass) inside a handler, timed; a failure is counted and
    // passed on so that the rest of the handler is skipped.
    template <typename Body>
    auto Timed(Body body) {
        QElapsedTimer clock;
        clock.start();
        ++report_.statements;
        try {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                report_.latenciesUs.push_back(clock.nsecsElapsed() / 1000);
            } else {
                auto result = body();
                report_.latenciesUs.push_back(clock.nsecsElapsed() / 1000);
                return result;
            }
        } catch (...) {
            report_.latenciesUs.push_back(clock.nsecsElapsed() / 1000);
            ++report_.failed;
            throw;
        }
    }

    // A human-like pause between two actions: 0-200 ms.
    void Pause() { QThread::msleep(std::uniform_int_distribution<int>(0, 200)(random_)); }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool TimeLeft() const { return NowMs() < plan_.startAtMs + plan_.seconds * 1000LL; }

  private:
    const WorkstationPlan& plan_;
    WorkstationReport& report_;
    std::mt19937 random_;
};

}  // namespace

QByteArray WorkstationReport::Serialize() const {
    QByteArray latencies;
    for (qint64 value : latenciesUs) {
        if (!latencies.isEmpty()) latencies += ',';
        latencies += QByteArray::number(value);
    }
    QByteArray line = "REPORT " + QByteArray::number(statements) + ' ' +
                      QByteArray::number(failed) + ' ' + QByteArray::number(saves) + ' ' +
                      QByteArray::number(lastScore);
    for (qint64 answer : lastAnswer)
        line += ' ' + QByteArray::number(answer);
    line += ' ' + (latencies.isEmpty() ? QByteArray("-") : latencies);
    line += ' ' + (firstFailure.isEmpty() ? QByteArray("-") : firstFailure.toUtf8().toBase64());
    QByteArray picked;
    for (const auto& [question, letter] : picks)
        picked += (picked.isEmpty() ? "" : ",") + QByteArray::number(question) + '=' +
                  QString(letter).toLatin1();
    line += ' ' + (picked.isEmpty() ? QByteArray("-") : picked);
    line += ' ' + QByteArray::number(retried);
    return line + '\n';
}

WorkstationReport WorkstationReport::Parse(const QByteArray& output) {
    WorkstationReport report;
    const qsizetype start = output.lastIndexOf("REPORT ");
    if (start < 0) {
        report.failed = 1;
        report.firstFailure = QStringLiteral("no report (the process died)");
        return report;
    }
    const QList<QByteArray> fields = output.mid(start).trimmed().split(' ');
    if (fields.size() < 10) {
        report.failed = 1;
        report.firstFailure = QStringLiteral("unreadable report");
        return report;
    }
    report.statements = fields[1].toInt();
    report.failed = fields[2].toInt();
    report.saves = fields[3].toInt();
    report.lastScore = fields[4].toLongLong();
    for (int i = 0; i < kAnswers; ++i)
        report.lastAnswer[size_t(i)] = fields[5 + i].toLongLong();
    if (fields[8] != "-")
        for (const QByteArray& value : fields[8].split(','))
            report.latenciesUs.push_back(value.toLongLong());
    if (fields[9] != "-")
        report.firstFailure = QString::fromUtf8(QByteArray::fromBase64(fields[9]));
    if (fields.size() > 10 && fields[10] != "-")
        for (const QByteArray& pick : fields[10].split(','))
            report.picks[pick.split('=')[0].toInt()] = QChar(pick.split('=')[1].at(0));
    if (fields.size() > 11) report.retried = fields[11].toInt();
    return report;
}

QString CandidateNumber(int index) {
    return QString::number(200001 + index);
}

QString ScoreText(qint64 sequence) {
    // Half points as the exam's general format writes them: 0, 0.5, 1, 1.5, ...
    return FormatGeneral(double(sequence) / 2.0);
}

QString AnswerText(int index, int question, qint64 sequence) {
    // 2-5 KB of Chinese text with quotes, tabs and line breaks, different for every save.
    QString text =
        QStringLiteral("考生%1 第%2题 第%3次保存\n").arg(index).arg(question).arg(sequence);
    const int lines = 20 + int(sequence % 30);
    for (int line = 0; line < lines; ++line)
        text += QStringLiteral(
                    "%1\t计算机由运算器、控制器、存储器、输入设备和输出设备组成；"
                    "'单引号' \"双引号\"\n")
                    .arg(line);
    return text;
}

void AddCandidates(const QString& fileName, int count) {
    Database db(fileName);
    Transaction transaction(db);
    for (int i = 0; i < count; ++i)
        db.RunStatement(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) values (?,?,?)"),
            {qint64(1000 + count - i), CandidateNumber(i), QStringLiteral("考生%1").arg(i)});
    transaction.Commit();
}

WorkstationReport ActCandidate(const WorkstationPlan& plan) {
    WorkstationReport report;
    Recorder recorder(plan, report);
    const QString number = CandidateNumber(plan.index);
    SleepUntil(plan.startAtMs);

    // "登录", then the exam start: duration, paper size, question 1.
    recorder.Handler([&](Database& db) {
        recorder.Timed([&] {
            return db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"), {number});
        });
    });
    int singleCount = 50;
    recorder.Handler([&](Database& db) {
        recorder.Timed([&] { return db.OpenQuery(QStringLiteral("Select * from Time")); });
        auto paper =
            recorder.Timed([&] { return db.OpenQuery(QStringLiteral("Select * from KaoShi")); });
        if (paper->MoveLast()) singleCount = StrToInt(paper->Value(QStringLiteral("TestID")));
        recorder.Timed([&] {
            return db.OpenQuery(QStringLiteral("Select * from KaoShi where TestID=?"), {qint64(1)});
        });
    });

    int current = 1;
    qint64 sequence = 0;
    while (recorder.TimeLeft()) {
        recorder.Pause();
        if (recorder.Pick(1, 5) > 1) {
            // "下一题": the next question, then the running score.
            current = current % singleCount + 1;
            const qint64 save = ++sequence;
            if (recorder.Handler([&](Database& db) {
                    recorder.Timed([&] {
                        return db.OpenQuery(QStringLiteral("Select * from KaoShi where TestID=?"),
                                            {qint64(current)});
                    });
                    recorder.Timed([&] {
                        db.RunStatement(
                            QStringLiteral("Update Userxinxi Set Chengji=? where Xuehao=?"),
                            {ScoreText(save), CandidateKey(number)});
                    });
                })) {
                report.lastScore = save;
                ++report.saves;
            }
        } else {
            // A subjective question shown with the stored answer, then its answer saved.
            const int question = recorder.Pick(1, kAnswers);
            const qint64 save = ++sequence;
            recorder.Handler([&](Database& db) {
                recorder.Timed([&] {
                    return db.OpenQuery(QStringLiteral("Select * from Kaoshi4 where TestID=?"),
                                        {qint64(question)});
                });
                recorder.Timed([&] {
                    return db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"),
                                        {CandidateKey(number)});
                });
            });
            recorder.Pause();
            if (recorder.Handler([&](Database& db) {
                    recorder.Timed([&] {
                        db.RunStatement(
                            QStringLiteral("Update Userxinxi Set Tt%1=?  where Xuehao=?")
                                .arg(question),
                            {AnswerText(plan.index, question, save), CandidateKey(number)});
                    });
                })) {
                report.lastAnswer[size_t(question - 1)] = save;
                ++report.saves;
            }
        }
    }
    return report;
}

WorkstationReport ActOffice(const WorkstationPlan& plan) {
    WorkstationReport report;
    Recorder recorder(plan, report);
    SleepUntil(plan.startAtMs);
    // "刷新" of the candidates tab: renumbering pass, then the list.
    while (recorder.TimeLeft()) {
        recorder.Pause();
        recorder.Handler([&](Database& db) {
            recorder.Timed([&] {
                RenumberKeys(db, QStringLiteral("Userxinxi"), QStringLiteral("UserID"),
                             QStringLiteral("Xuehao"));
            });
            recorder.Timed([&] { return db.OpenQuery(QStringLiteral("Select * from Userxinxi")); });
        });
    }
    return report;
}

WorkstationReport ActExaminee(const WorkstationPlan& plan) {
    WorkstationReport report;
    Recorder recorder(plan, report);
    const int number = CandidateNumber(plan.index).toInt();
    // Candidates sign in one after the other and then think at their own pace, so each keeps the
    // moment of the 2 s it began at; in step, they all begin together.
    const qint64 signIn = plan.startAtMs + (plan.inStep ? 0 : recorder.Pick(0, 1999));
    SleepUntil(signIn);
    // The exam start: the record's attempt begins, as the exam window begins it. A sign-in the
    // database does not answer is tried again a second later, as a candidate clicks "登录" again.
    AttemptRow attempt;
    attempt.studentNo = number;
    attempt.workstation = QStringLiteral("ws%1").arg(plan.index);
    attempt.secondsLeft = 4200;
    attempt.questions = 83;
    bool signedIn = false;
    while (!signedIn && recorder.TimeLeft()) {
        attempt.startedAt = attempt.lastSeen = NowMs() / 1000;
        ++report.statements;
        // On a thread of its own: its connection closes with it, the writer keeps its own.
        InOwnThread([&] {
            signedIn = recorder.Handler([&](Database& db) {
                UpgradeSchemaOnce(kDatabasePath);
                const SittingRow sitting = record::SittingForSignIn(db, attempt.startedAt);
                Transaction begin(db, Transaction::Scope::Candidate(number));
                record::HoldAttempts(db, number, sitting.id);
                attempt.examId = record::CurrentExamId(db);
                attempt.sitting = sitting.id;
                attempt.owner = record::NewOwnerToken();
                attempt.installation = attempt.workstation;
                record::BeginAttempt(db, attempt);
                begin.Commit();
            });
        });
        if (!signedIn) {
            ++report.retried;
            QThread::msleep(quint64(1000 + recorder.Pick(0, 500)));
        }
    }
    if (!signedIn) {
        ++report.failed;
        return report;
    }
    // The picks go as the exam window hands them over: to the journal's writer, which makes them
    // durable on this workstation and applies them on its own thread, trying again while the
    // database does not answer. A pick's latency runs from the hand-over until it is applied.
    journal::Writer writer(QStringLiteral("journal/ws%1").arg(plan.index), kDatabasePath);
    qint64 seq = 0;
    const auto entry = [&](journal::Kind kind) {
        journal::Entry e;
        e.kind = kind;
        e.attempt = attempt.id;
        e.owner = attempt.owner;
        e.seq = ++seq;
        e.studentNo = number;
        e.sitting = attempt.sitting;
        return e;
    };
    // Waits until everything handed over is applied or `until` (ms since the epoch) comes.
    const auto shipped = [&](qint64 until) {
        for (;;) {
            const qint64 left = until - NowMs();
            if (left <= 0) return false;
            if (writer.Drain(int(qMin<qint64>(left, 1000)))) return true;
            if (writer.Current().outage) ++report.retried;
        }
    };
    std::vector<QElapsedTimer> waiting;  // picks handed over, not known to be applied yet
    const auto applied = [&] {
        for (const QElapsedTimer& clock : waiting)
            report.latenciesUs.push_back(clock.nsecsElapsed() / 1000);
        waiting.clear();
    };
    qint64 next = signIn, lastLife = NowMs();
    while (recorder.TimeLeft()) {
        next += 2000;
        SleepUntil(next + recorder.Pick(0, 200));
        const int question = recorder.Pick(1, 50);
        const QChar letter(u'A' + recorder.Pick(0, 3));
        journal::Entry pick = entry(journal::Kind::Answer);
        pick.row = AnswerRow{1,
                             question,
                             QString(letter),
                             std::nullopt,
                             false,
                             true,
                             1.0,
                             QStringLiteral("A"),
                             letter == u'A' ? 1.0 : 0.0,
                             NowMs() / 1000};
        std::vector<journal::Entry> entries{pick};
        if (NowMs() - lastLife >= 5000) {
            lastLife = NowMs();
            journal::Entry life = entry(journal::Kind::Life);
            life.secondsLeft = 4000;
            life.clock = (lastLife - signIn) / 1000;
            life.now = lastLife / 1000;
            entries.push_back(life);
        }
        waiting.emplace_back();
        waiting.back().start();
        ++report.statements;
        writer.Submit(std::move(entries));
        report.picks[question] = letter;
        ++report.saves;
        if (shipped(next + 2000)) applied();
    }
    // What is still on the workstation when the exam ends has a while to reach the database.
    if (shipped(NowMs() + kShipGraceMs))
        applied();
    else
        report.failed += writer.Current().unshipped;
    return report;
}

WorkstationReport ActRoomView(const WorkstationPlan& plan) {
    WorkstationReport report;
    Recorder recorder(plan, report);
    SleepUntil(plan.startAtMs);
    while (recorder.TimeLeft()) {
        ++report.statements;
        const auto look = [](Database& db) {
            if (const std::optional<SittingRow> open = record::OpenSitting(db))
                (void)record::Room(db, open->id);
        };
        if (!recorder.Handler(look)) ++report.failed;
        QThread::msleep(3000);
    }
    return report;
}

int LostPicks(const QString& fileName, const std::vector<WorkstationReport>& examinees) {
    Database db(fileName);
    int lost = 0;
    for (size_t index = 0; index < examinees.size(); ++index) {
        const auto attempt = record::LatestAttempt(db, CandidateNumber(int(index)).toInt());
        std::map<int, QString> recorded;
        if (attempt)
            for (const AnswerRow& row : record::Answers(db, attempt->id))
                recorded[row.question] = row.answer;
        for (const auto& [question, letter] : examinees[index].picks)
            if (recorded[question] != QString(letter)) ++lost;
    }
    return lost;
}

int LostSaves(const QString& fileName, const std::vector<WorkstationReport>& candidates) {
    Database db(fileName);
    int lost = 0;
    for (size_t index = 0; index < candidates.size(); ++index) {
        const WorkstationReport& report = candidates[index];
        auto row = db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"),
                                {CandidateNumber(int(index))});
        if (row->RowCount() != 1) {
            lost += 1 + kAnswers;
            continue;
        }
        const QString expectedScore =
            report.lastScore < 0 ? QString() : ScoreText(report.lastScore);
        if (row->Value(QStringLiteral("Chengji")) != expectedScore) ++lost;
        for (int question = 1; question <= kAnswers; ++question) {
            const qint64 save = report.lastAnswer[size_t(question - 1)];
            const QString expected = save < 0 ? QString() : AnswerText(int(index), question, save);
            if (row->Value(QStringLiteral("Tt%1").arg(question)) != expected) ++lost;
        }
    }
    return lost;
}
