// The exam window's side of the exam record: it keeps the row of every question the candidate has
// touched and writes a row the moment it changes (a pick, a first showing, a mark, a saved
// answer), a subjective draft when it changed and a while passed or the question is left, and a
// sign of life with the time left every few seconds. A write that fails is shown once for the
// whole exam; the rows it could not write stay pending and go with the next write.
#pragma once

#include "record/ExamRecord.h"

#include <QString>

#include <exception>
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

    explicit ExamRecorder(Platform& platform);
    ~ExamRecorder();

    // The exam start: the candidate's attempt in progress when there is one (with its answers),
    // otherwise a new attempt. Returns the attempt resumed, if any. A record that cannot be read
    // is reported once and the exam goes on with a new attempt, begun at the next write.
    std::optional<AttemptRow> Start(int studentNo, int secondsLeft, int questions);
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

    // Every second of the countdown.
    void Tick(int secondsLeft);
    // Hand-in or time-out, inside the transaction that writes the candidate's score; Ended() once
    // that transaction has committed.
    void End(Database& db, AttemptState state, double score, int secondsLeft);
    void Ended();

    bool Writing() const { return attempt_.has_value(); }
    // Resuming replays the window's own acts; they are already in the record.
    void Pause(bool paused) { paused_ = paused; }

  private:
    AnswerRow& Row(int section, int n);
    void Touch(int section, int n);
    // Writes the pending rows (and position, sign of life); reports the first failure only.
    void Flush(bool life = false);
    void WritePending(Database& db, bool life);
    // What WritePending wrote is in the file: nothing is pending any more.
    void Written(bool life);
    std::unique_ptr<Database> Connection();
    // Shows the first failure of the exam; the later ones are silent.
    void Report(const std::exception& error);

    Platform& platform_;
    std::optional<AttemptRow> attempt_;
    bool begun_ = false;  // the attempt's row exists
    std::map<std::pair<int, int>, AnswerRow> rows_;
    std::map<std::pair<int, int>, bool> pending_;
    bool positionPending_ = false;
    std::optional<qint64> draftSince_;  // a draft waits since then
    std::map<int, QString> resumedDrafts_;
    qint64 lastLife_ = 0;
    int secondsLeft_ = 0;
    bool paused_ = false;
    bool errorShown_ = false;
};
