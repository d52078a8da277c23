// The exam window's side of the exam record: it keeps the row of every question the candidate has
// touched and writes a row the moment it changes (a pick, a first showing, a mark, a saved
// answer), a subjective draft when it changed and a while passed or the question is left, and a
// sign of life with the time left every few seconds. Every write proves first that this
// workstation still owns the attempt (its token); one that finds it gone writes nothing more and
// tells the window why. A write that fails otherwise is shown once for the whole exam; the rows it
// could not write stay pending and go with the next write.
#pragma once

#include "data_store/FrozenPaper.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"

#include <QString>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

class Database;
class Platform;

class ExamRecorder {
  public:
    // A draft is written once it is this old, and a sign of life this often.
    static constexpr qint64 kDraftSeconds = 15;
    static constexpr qint64 kLifeSeconds = 5;
    // The countdown is set right when it is further than this from the sitting's clock.
    static constexpr int kDriftSeconds = 2;

    explicit ExamRecorder(Platform& platform);
    ~ExamRecorder();

    // Told once when the workstation finds it no longer owns the attempt.
    void OnLost(std::function<void(const AttemptLost&)> handler) { onLost_ = std::move(handler); }

    // The exam start, all from one state of the database: the open sitting (one opens by itself
    // when none is), its frozen paper, and the candidate's attempt in progress in it taken over
    // under a new owner token, or a new attempt (with a seed of its own when the sitting
    // shuffles). Raises DatabaseError or AttemptLost when it cannot: the exam must not go on
    // unrecorded.
    struct Started {
        SittingRow sitting;
        FrozenPaper paper;
        std::optional<AttemptRow> resumed;
        int secondsLeft = 0;   // the time the attempt has left, its time down charged
        int secondsTotal = 0;  // the sitting's duration and the time given
        qint64 seed = 0;       // the attempt's order of the paper (PaperOrder); 0: the paper's own
    };
    Started Start(int studentNo, int questions);
    // The answers of the attempt resumed by Start().
    const std::map<std::pair<int, int>, AnswerRow>& Rows() const { return rows_; }

    // The candidate's acts, by section (1..4) and question number.
    void Picked(int section, int n, const QString& answer, double points, const QString& key,
                double earned);
    void Shown(int section, int n);
    void Marked(int section, int n);
    void Saved(int n, const QString& text);
    // Subjective question N is shown with its saved answer, or with a draft carried over.
    void AnswerShown(int n, const QString& saved, const std::optional<QString>& draft);
    // The candidate changed the subjective answer box of question N to `text`.
    void Typed(int n, const QString& text);
    // A draft of question N carried over from the interrupted run, once.
    std::optional<QString> TakeResumedDraft(int n);

    // Every second of the countdown. Returns the time left as it should stand when it differs:
    // time given by a proctor, or a clock that stood still while the workstation did.
    std::optional<int> Tick(int secondsLeft);
    // Inside a write of the window's own (a saved answer, the score): proves this workstation
    // still owns the attempt. False when it does not; the window has been told.
    bool Prove(Database& db);
    // Hand-in or time-out, inside the transaction that writes the candidate's score; Ended() once
    // that transaction has committed (or the score was written without the record).
    void End(Database& db, AttemptState state, double score, int secondsLeft);
    void Ended();
    // The attempt is no longer this workstation's: nothing more is written, the window is told.
    void Lose(const AttemptLost& lost);

    bool Writing() const { return attempt_.has_value(); }
    // Resuming replays the window's own acts; they are already in the record.
    void Pause(bool paused) { paused_ = paused; }
    // Shows the first failure of the exam; the later ones are silent.
    void Report(const std::exception& error);

  private:
    AnswerRow& Row(int section, int n);
    void Touch(int section, int n);
    // Writes the pending rows (and position, sign of life); reports the first failure only.
    // Returns the sign of life's answer when one was written.
    std::optional<record::Life> Flush(bool life = false);
    std::optional<record::Life> WritePending(Database& db, bool life);
    // What WritePending wrote is in the file: nothing is pending any more.
    void Written(bool life);
    std::unique_ptr<Database> Connection();
    // The sitting's clock as this workstation measures it now (seconds).
    qint64 SittingClock() const;
    void SetSittingClock(qint64 seconds);

    Platform& platform_;
    std::function<void(const AttemptLost&)> onLost_;
    std::optional<AttemptRow> attempt_;
    SittingRow sitting_;
    std::map<std::pair<int, int>, AnswerRow> rows_;
    std::map<std::pair<int, int>, bool> pending_;
    bool positionPending_ = false;
    std::optional<qint64> draftSince_;  // a draft waits since then
    std::map<int, QString> resumedDrafts_;
    qint64 lastLife_ = 0;
    int secondsLeft_ = 0;
    qint64 clockMs_ = 0;     // the sitting's clock (ms) at steadyBase_
    qint64 steadyBase_ = 0;  // the steady clock when clockMs_ was taken
    bool paused_ = false;
    bool errorShown_ = false;
    bool lost_ = false;  // the attempt went to another owner: nothing more is written
};
