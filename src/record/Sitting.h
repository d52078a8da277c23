// Exam sittings: a sitting is opened (by a teacher, or by itself when a candidate signs in and none
// is open), holds a frozen copy of the banks, and ends; every attempt belongs to one. What a
// proctor does to a sitting or to one candidate's attempt is written to an audit table.
#pragma once

#include "record/ExamRecord.h"

#include <QString>

#include <optional>
#include <vector>

class Database;

struct SittingRow {
    qint64 id = 0;
    QString name;
    int durationSeconds = 0;
    qint64 openedAt = 0;  // seconds since 1970, the opener's clock (shown, never compared)
    QString openedBy;     // an administrator; empty when it opened by itself
    std::optional<qint64> endedAt;
    QString endedBy;
    qint64 clock = 0;  // seconds that have run since it opened, as the workstations measured them
    bool shuffled = false;  // 乱序: each attempt gets its own order of questions and options

    bool IsOpen() const { return !endedAt; }
};

// One line of the audit table.
struct AuditRow {
    qint64 sitting = 0;
    std::optional<qint64> attempt;
    std::optional<int> studentNo;
    QString action;  // "开考", "加时", "收卷", "允许换机", "全部收卷", "结束本场", "恢复"
    std::optional<qint64> amount;  // minutes given; seconds an interruption lasted
    QString by;                    // an administrator, or the workstation that resumed
    qint64 at = 0;
};

// A sitting cannot open while another one is.
class SittingAlreadyOpen : public std::runtime_error {
  public:
    explicit SittingAlreadyOpen(const QString& name);
    QString Message() const;

  private:
    QString name_;
};

namespace record {

// The sitting open now (the latest, should there be several), if any.
std::optional<SittingRow> OpenSitting(Database& db);
std::optional<SittingRow> Sitting(Database& db, qint64 id);
// Every sitting, the latest opened first.
std::vector<SittingRow> Sittings(Database& db);
// The sitting a proctor looks at: the open one, else the latest.
std::optional<SittingRow> SittingToShow(Database& db);

// Opens a sitting with a frozen copy of the four banks, in its own transaction; raises
// SittingAlreadyOpen while one is open.
SittingRow OpenNewSitting(Database& db, const QString& name, int durationSeconds, const QString& by,
                          qint64 now, bool shuffled = false);
// The open sitting; when there is none, one opens by itself, named by the date of `now`, with the
// exam time the back office sets, every candidate in the paper's own order.
SittingRow SittingForSignIn(Database& db, qint64 now);
// The duration the back office sets ("Select * from Time"), in seconds (0 when it is no time).
int ConfiguredDuration(Database& db);

// The proctor's acts, each in one transaction with its audit row. Ending an attempt (collecting
// it, or ending the sitting) scores it from its recorded answers and stores that score as the
// candidate's, as a time-out would.
void GiveTime(Database& db, qint64 attemptId, int minutes, const QString& by, qint64 now);
void Collect(Database& db, qint64 attemptId, const QString& by, qint64 now);
void AllowMove(Database& db, qint64 attemptId, const QString& by, qint64 now);
void CollectAll(Database& db, qint64 sitting, const QString& by, qint64 now);
void EndSitting(Database& db, qint64 sitting, const QString& by, qint64 now);
// The time an attempt in progress has left when the sitting's clock reads `clock`: what it last
// wrote, and no more than the sitting's duration and the time given allow since it started; never
// below 0.
int SecondsLeftAt(const AttemptRow& attempt, const SittingRow& sitting, qint64 clock);
// How much time an attempt in progress has when it resumes at an installation: its time down is
// charged. The sitting's clock ran on where other workstations kept it; the installation that
// owned it last measures its own absence on its own clock (never against another machine's).
struct ResumeTime {
    qint64 clock = 0;      // the sitting's clock now
    qint64 silent = 0;     // how long the attempt was interrupted, in the sitting's seconds
    int secondsTotal = 0;  // the sitting's duration and the time given
    int secondsLeft = 0;
};
ResumeTime TimeOnResume(const AttemptRow& attempt, const SittingRow& sitting,
                        const QString& installation, qint64 now);

// A resumed attempt notes how long it was interrupted (seconds of the sitting's clock).
void NoteResume(Database& db, const AttemptRow& attempt, qint64 silentSeconds, qint64 now);

std::vector<AuditRow> Audit(Database& db, qint64 sitting);

}  // namespace record
