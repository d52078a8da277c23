// The exam record: every attempt at the exam (Kaoshijilu) and every question of an attempt that was
// shown or answered (Datijilu), written the moment something happens, so that an exam cut short by
// a crash or a power cut resumes where it stopped, on this workstation or another one. Plain rows
// and the statements that read and write them; the exam window decides when.
#pragma once

#include <QString>

#include <optional>
#include <vector>

class Database;

enum class AttemptState { InProgress = 0, HandedIn = 1, TimedOut = 2 };

// A workstation that showed no sign of life for this long has stopped: its candidate may resume
// elsewhere, and the room view calls the attempt interrupted.
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

    bool InProgress() const { return state == AttemptState::InProgress; }
    // In progress but silent for kSilenceSeconds or more at `now`.
    bool Interrupted(qint64 now) const { return InProgress() && now - lastSeen >= kSilenceSeconds; }
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

// The candidate's attempt with the highest number, if any.
std::optional<AttemptRow> LatestAttempt(Database& db, int studentNo);
std::optional<AttemptRow> Attempt(Database& db, qint64 id);
// Every question row of the attempt, by section and number.
std::vector<AnswerRow> Answers(Database& db, qint64 attemptId);

// The exam identifier: ExamID of the last row of Exam (empty without one).
QString CurrentExamId(Database& db);
// A new attempt numbered one past the candidate's latest; `row.id` and `row.number` are set. Run
// it inside a transaction.
void BeginAttempt(Database& db, AttemptRow& row);
// The attempt goes on at `workstation` (a resume).
void TakeOver(Database& db, qint64 attemptId, const QString& workstation, qint64 now);
// One statement: the question's row as it stands now.
void WriteAnswer(Database& db, qint64 attemptId, const AnswerRow& row);
// A sign of life with the time left.
void WriteLife(Database& db, qint64 attemptId, int secondsLeft, qint64 now);
// The question on screen.
void WritePosition(Database& db, qint64 attemptId, int section, int question);
// Hand-in or time-out: the state, the score and the time. Run it in the transaction that writes
// the score into the candidate's row.
void EndAttempt(Database& db, qint64 attemptId, AttemptState state, double score, int secondsLeft,
                qint64 now);

// The latest attempt of every candidate who has one, by student number.
std::vector<RoomRow> Room(Database& db);

}  // namespace record

// Whether a candidate may start or resume here.
struct SignInVerdict {
    bool allowed = true;
    QString busyWorkstation;  // where the attempt in progress is alive, when not allowed
};
SignInVerdict CheckWorkstation(const std::optional<AttemptRow>& latest, const QString& workstation,
                               qint64 now);
