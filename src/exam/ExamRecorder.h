// The exam window's side of the exam record: it keeps the row of every question the candidate has
// touched and hands a journal entry to the writer the moment a row changes (a pick, a first
// showing, a mark, a saved answer), a subjective draft when it changed and a while passed or the
// question is left, the running score, and a sign of life with the time left every few seconds.
// The writer makes each entry durable on this workstation and applies it to the database on its
// own thread, proving first that this workstation still owns the attempt (its token): the window
// never waits for the disk or the database. One that finds the attempt gone writes nothing more
// and the window is told why; a database that cannot be reached is an outage the window shows in
// one line while the entries wait on the disk.
#pragma once

#include "data_store/FrozenPaper.h"
#include "journal/Writer.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class Platform;
class QObject;

class ExamRecorder {
  public:
    // A draft is written once it is this old, and a sign of life this often.
    static constexpr qint64 kDraftSeconds = 15;
    static constexpr qint64 kLifeSeconds = 5;
    // The countdown is set right when it is further than this from the sitting's clock.
    static constexpr int kDriftSeconds = 2;
    // The exam start waits this long at most for the journal left by an earlier run to ship.
    static constexpr int kShipAtStartMs = 15000;

    explicit ExamRecorder(Platform& platform);
    ~ExamRecorder();

    // Told once when the workstation finds it no longer owns the attempt.
    void OnLost(std::function<void(const AttemptLost&)> handler) { onLost_ = std::move(handler); }
    // Told when the database cannot be reached (the entries waiting on this workstation), and
    // with std::nullopt once it can again.
    void OnOutage(std::function<void(std::optional<int>)> handler) {
        onOutage_ = std::move(handler);
    }

    // The exam start, all from one state of the database: the open sitting (one opens by itself
    // when none is), its frozen paper, and the candidate's attempt in progress in it taken over
    // under a new owner token, or a new attempt (with a seed of its own when the sitting
    // shuffles). What this workstation's journal still holds is shipped first. Raises
    // DatabaseError or AttemptLost when it cannot: the exam must not go on
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
    // The saved answer of subjective question N as the exam knows it (read at the start, then
    // what the candidate saved); std::nullopt when nothing is recorded.
    std::optional<QString> SavedText(int n) const;

    // The candidate's acts, by section (1..4) and question number.
    void Picked(int section, int n, const QString& answer, double points, const QString& key,
                double earned);
    void Shown(int section, int n);
    void Marked(int section, int n);
    // A subjective answer saved: the candidate's Tt column and the question's row.
    void Saved(int n, const QString& text);
    // Subjective question N is shown with its saved answer, or with a draft carried over.
    void AnswerShown(int n, const QString& saved, const std::optional<QString>& draft);
    // The candidate changed the subjective answer box of question N to `text`.
    void Typed(int n, const QString& text);
    // A draft of question N carried over from the interrupted run, once.
    std::optional<QString> TakeResumedDraft(int n);
    // The running score of "下一题", as the candidate's row keeps it.
    void Score(const QString& scoreText);

    // Every second of the countdown. Returns the time left as it should stand when it differs:
    // time given by a proctor, or a sitting's clock that ran further than this workstation's.
    std::optional<int> Tick(int secondsLeft);
    // Hand-in or time-out: the attempt's end with the score, handed to the writer; nothing is
    // recorded after it.
    void End(AttemptState state, double score, const QString& scoreText, int secondsLeft);
    // The attempt is no longer this workstation's: nothing more is written, the window is told.
    void Lose(const AttemptLost& lost);

    bool Writing() const { return attempt_.has_value(); }
    // The exam has a record: its writes go through the journal (or nowhere, once the attempt
    // ended or went to another owner), never straight to the database.
    bool Recorded() const { return recorded_; }
    // Resuming replays the window's own acts; they are already in the record.
    void Pause(bool paused) { paused_ = paused; }
    // Waits until everything handed over is in the database and the window has heard the
    // answers (tests; the program's exit). False after `timeoutMs` or a failed try.
    bool Drain(int timeoutMs = 30000);
    journal::Writer& Writer() { return *writer_; }

  private:
    AnswerRow& Row(int section, int n);
    void Touch(int section, int n);
    // Hands the pending rows (and position, sign of life) to the writer.
    void Flush(bool life = false);
    journal::Entry NewEntry(journal::Kind kind);
    void Heard(const record::Life& life);
    void Status(const journal::Status& status);
    // The sitting's clock as this workstation measures it now (seconds).
    qint64 SittingClock() const;
    void SetSittingClock(qint64 seconds);

    Platform& platform_;
    std::unique_ptr<QObject> receiver_;  // the writer's answers arrive on the window's thread
    std::unique_ptr<journal::Writer> writer_;
    std::function<void(const AttemptLost&)> onLost_;
    std::function<void(std::optional<int>)> onOutage_;
    std::optional<AttemptRow> attempt_;
    SittingRow sitting_;
    std::map<std::pair<int, int>, AnswerRow> rows_;
    std::map<std::pair<int, int>, bool> pending_;
    std::map<int, QString> savedTexts_;
    bool positionPending_ = false;
    std::optional<qint64> draftSince_;  // a draft waits since then
    std::map<int, QString> resumedDrafts_;
    std::optional<record::Life> heard_;  // a sign of life's answer not yet taken into the countdown
    qint64 seq_ = 0;                     // the owner's last entry
    qint64 lastLife_ = 0;
    int secondsLeft_ = 0;
    qint64 clockMs_ = 0;     // the sitting's clock (ms) at steadyBase_
    qint64 steadyBase_ = 0;  // the steady clock when clockMs_ was taken
    bool paused_ = false;
    bool outage_ = false;  // the window shows the outage line
    bool recorded_ = false;
};
