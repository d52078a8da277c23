// The exam record: every attempt at the exam (Kaoshijilu) and every question of an attempt that was
// shown or answered (Datijilu), written the moment something happens, so that an exam cut short by
// a crash or a power cut resumes where it stopped, on this workstation or another one. Plain rows
// and the statements that read and write them; the exam window decides when.
#pragma once

#include <QString>

#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

class Database;

enum class AttemptState { InProgress = 0, HandedIn = 1, TimedOut = 2 };

// A workstation whose sign-of-life counter stood still for this long has stopped: its candidate
// may resume elsewhere, and the room view calls the attempt interrupted. Whoever decides measures
// the silence on its own clock (or on the sitting's), never by another machine's.
inline constexpr qint64 kSilenceSeconds = 30;

struct AttemptRow {
    qint64 id = 0;
    int studentNo = 0;
    int number = 0;  // 1, 2, ... per candidate
    QString workstation;
    QString examId;
    qint64 startedAt = 0;
    qint64 lastSeen = 0;
    int secondsLeft = 0;
    AttemptState state = AttemptState::InProgress;
    std::optional<double> score;  // the objective score at the end
    std::optional<qint64> endedAt;
    int questions = 0;  // in the paper, all four sections
    int section = 1;    // on screen, 1..4
    int question = 1;
    qint64 sitting = 0;
    QString owner;             // the token of the workstation that owns it now
    QString installation;      // the installation that owns it
    int lifeCount = 0;         // signs of life so far
    int extraSeconds = 0;      // time given by a proctor
    qint64 startClock = 0;     // the sitting's clock at the start
    qint64 lastClock = 0;      // the sitting's clock at the last sign of life
    bool moveAllowed = false;  // a proctor let the candidate move to another workstation at once
    qint64 seed = 0;           // the attempt's own order of the paper (PaperOrder); 0: the paper's

    bool InProgress() const { return state == AttemptState::InProgress; }
    // Seconds of the sitting's clock since the last sign of life (an interruption's length so far).
    qint64 SilentFor(qint64 sittingClock) const {
        return qMax<qint64>(0, sittingClock - lastClock);
    }
    // In progress, but silent for kSilenceSeconds or more of the sitting's clock.
    bool Interrupted(qint64 sittingClock) const {
        return InProgress() && SilentFor(sittingClock) >= kSilenceSeconds;
    }
};

// Why a workstation no longer owns the attempt it was writing.
enum class LossReason { MovedElsewhere, Collected, SittingEnded };
class AttemptLost : public std::runtime_error {
  public:
    explicit AttemptLost(LossReason reason);
    LossReason Reason() const { return reason_; }
    // What the workstation tells its candidate.
    QString Message() const;

  private:
    LossReason reason_;
};

struct AnswerRow {
    int section = 1;  // 1 single-choice, 2 multiple-choice, 3 true/false, 4 subjective
    int question = 0;
    QString answer;                // "A", "AC", "对", or the saved text; empty: none
    std::optional<QString> draft;  // subjective text typed after the last save
    bool marked = false;
    bool shown = false;
    double points = 0;  // what the question was worth when scored
    QString key;        // the key it was scored against
    double earned = 0;
    qint64 changedAt = 0;
};

// One line of the room view: a candidate's latest attempt and how far it got.
struct RoomRow {
    AttemptRow attempt;
    QString name;   // Userxinxi.Xingmin, empty when the candidate is gone
    int answered;   // questions with an answer (a saved text for subjective ones)
    double earned;  // the running objective score
};

namespace record {

// The candidate's attempt with the highest number, if any (in `sitting`, when it is not 0).
std::optional<AttemptRow> LatestAttempt(Database& db, int studentNo, qint64 sitting = 0);
std::optional<AttemptRow> Attempt(Database& db, qint64 id);
// Every question row of the attempt, by section and number.
std::vector<AnswerRow> Answers(Database& db, qint64 attemptId);

// The exam identifier: ExamID of the last row of Exam (empty without one).
QString CurrentExamId(Database& db);
// A new owner token, never used before.
QString NewOwnerToken();
// A new attempt numbered one past the candidate's latest; `row.id` and `row.number` are set. Run
// it inside a transaction.
void BeginAttempt(Database& db, AttemptRow& row);
// Takes the row locks of the candidate's attempts in progress in `sitting`, first thing in an exam
// start's transaction: what it reads of them then stays as read (their owners' writes wait) until
// it ends.
void HoldAttempts(Database& db, int studentNo, qint64 sitting);
// The attempt in progress goes on at this workstation under a new owner `row.owner` (a resume):
// the workstation that had it finds its token gone at its next write.
void TakeOver(Database& db, const AttemptRow& row, qint64 now);

// Every write below proves first, in the writer's transaction, that `owner` still owns the attempt
// in progress (the row's lock taken), and raises AttemptLost otherwise, writing nothing.
void ProveOwner(Database& db, qint64 attemptId, const QString& owner);
// One statement: the question's row as it stands now.
void WriteAnswer(Database& db, qint64 attemptId, const AnswerRow& row);
// The question on screen.
void WritePosition(Database& db, qint64 attemptId, int section, int question);
// A sign of life with the time left and the sitting's clock as this workstation measures it; the
// sitting's clock moves up to it. Returns the extra seconds the attempt has been given and the
// sitting's clock as it now stands.
struct Life {
    int extraSeconds = 0;
    qint64 sittingClock = 0;
};
Life WriteLife(Database& db, const AttemptRow& attempt, int secondsLeft, qint64 sittingClock,
               qint64 now);
// The sitting's clock moves up to `clock` (never back).
void AdvanceClock(Database& db, qint64 sitting, qint64 clock);
// Hand-in or time-out by the owner: the state, the score and the time. Run it in the transaction
// that writes the score into the candidate's row.
void EndAttempt(Database& db, qint64 attemptId, const QString& owner, AttemptState state,
                double score, int secondsLeft, qint64 now);

// The latest attempt in `sitting` of every candidate who has one there, by student number.
std::vector<RoomRow> Room(Database& db, qint64 sitting);

}  // namespace record

// Whether a candidate may start or resume here. A workstation that owns the candidate's attempt in
// progress elsewhere counts as alive until this one has itself seen its sign-of-life counter stand
// still for kSilenceSeconds (on its own steady clock), or the sitting's clock has run that long
// since the attempt's last sign of life, or a proctor let the candidate move.
struct SignInVerdict {
    bool allowed = true;
    QString busyWorkstation;   // where the attempt in progress is alive, when not allowed
    int secondsToWait = 0;     // before the attempt counts as stopped
    qint64 silentSeconds = 0;  // allowed: how long this workstation itself saw it silent
};
class LivenessWatch {
  public:
    SignInVerdict Check(const std::optional<AttemptRow>& latest, const QString& installation,
                        qint64 sittingClock, qint64 steadyMs);

  private:
    struct Seen {
        int lifeCount;
        qint64 sinceMs;
    };
    std::map<qint64, Seen> seen_;
};
