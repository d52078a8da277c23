#include "exam/ExamRecorder.h"

#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Platform.h"

namespace {
constexpr int kSubjectiveSection = 4;  // the record numbers the sections 1..4
}

ExamRecorder::ExamRecorder(Platform& platform) : platform_(platform) {}

ExamRecorder::~ExamRecorder() = default;

// Like every handler, each write opens its own connection and lets it go: nothing is held open
// between the candidate's acts, and a file that changed underneath is met afresh.
std::unique_ptr<Database> ExamRecorder::Connection() {
    UpgradeSchemaOnce(kDatabasePath);
    return std::make_unique<Database>(kDatabasePath);
}

std::optional<AttemptRow> ExamRecorder::Start(int studentNo, int secondsLeft, int questions) {
    const qint64 now = platform_.Now();
    rows_.clear();
    pending_.clear();
    resumedDrafts_.clear();
    draftSince_.reset();
    positionPending_ = false;
    lastLife_ = now;
    secondsLeft_ = secondsLeft;
    begun_ = false;

    AttemptRow fresh;
    fresh.studentNo = studentNo;
    fresh.workstation = platform_.HostName();
    fresh.startedAt = now;
    fresh.lastSeen = now;
    fresh.secondsLeft = secondsLeft;
    fresh.questions = questions;
    attempt_ = fresh;

    std::optional<AttemptRow> resumed;
    try {
        const std::unique_ptr<Database> connection = Connection();
        Database& db = *connection;
        resumed = record::LatestAttempt(db, studentNo);
        if (resumed && resumed->InProgress()) {
            for (const AnswerRow& row : record::Answers(db, resumed->id)) {
                rows_[{row.section, row.question}] = row;
                if (row.draft) resumedDrafts_[row.question] = *row.draft;
            }
            record::TakeOver(db, resumed->id, fresh.workstation, now);
            attempt_ = *resumed;
            attempt_->workstation = fresh.workstation;
            secondsLeft_ = resumed->secondsLeft;
            begun_ = true;
            return resumed;
        }
        Transaction begin(db);
        attempt_->examId = record::CurrentExamId(db);
        record::BeginAttempt(db, *attempt_);
        begin.Commit();
        begun_ = true;
    } catch (const std::exception& error) {
        Report(error);
    }
    return std::nullopt;
}

AnswerRow& ExamRecorder::Row(int section, int n) {
    AnswerRow& row = rows_[{section, n}];
    row.section = section;
    row.question = n;
    return row;
}

void ExamRecorder::Touch(int section, int n) {
    AnswerRow& row = Row(section, n);
    row.changedAt = platform_.Now();
    pending_[{section, n}] = true;
}

void ExamRecorder::Picked(int section, int n, const QString& answer, double points,
                          const QString& key, double earned) {
    if (paused_ || !attempt_) return;
    AnswerRow& row = Row(section, n);
    row.answer = answer;
    row.points = points;
    row.key = key;
    row.earned = earned;
    Touch(section, n);
    Flush();
}

void ExamRecorder::Shown(int section, int n) {
    if (paused_ || !attempt_) return;
    AnswerRow& row = Row(section, n);
    row.shown = true;
    row.marked = false;  // showing a question again takes its mark away
    Touch(section, n);
    attempt_->section = section;
    attempt_->question = n;
    positionPending_ = true;
    Flush();
}

void ExamRecorder::Marked(int section, int n) {
    if (paused_ || !attempt_) return;
    Row(section, n).marked = true;
    Touch(section, n);
    Flush();
}

void ExamRecorder::Saved(int n, const QString& text) {
    if (paused_ || !attempt_) return;
    AnswerRow& row = Row(kSubjectiveSection, n);
    row.answer = text;
    row.draft.reset();
    Touch(kSubjectiveSection, n);
    Flush();
}

void ExamRecorder::AnswerShown(int n, const QString& saved, const std::optional<QString>& draft) {
    if (paused_ || !attempt_) return;
    AnswerRow& row = Row(kSubjectiveSection, n);
    row.answer = saved;
    row.draft = draft;
    pending_[{kSubjectiveSection, n}] = true;  // goes with the showing's write
}

void ExamRecorder::Typed(int n, const QString& text) {
    if (paused_ || !attempt_) return;
    AnswerRow& row = Row(kSubjectiveSection, n);
    const std::optional<QString> draft =
        text == row.answer ? std::nullopt : std::optional<QString>(text);
    if (draft == row.draft) return;
    row.draft = draft;
    row.changedAt = platform_.Now();
    pending_[{kSubjectiveSection, n}] = true;
    if (!draftSince_) draftSince_ = row.changedAt;
}

std::optional<QString> ExamRecorder::TakeResumedDraft(int n) {
    const auto found = resumedDrafts_.find(n);
    if (found == resumedDrafts_.end()) return std::nullopt;
    const QString draft = found->second;
    resumedDrafts_.erase(found);
    return draft;
}

void ExamRecorder::Tick(int secondsLeft) {
    if (!attempt_) return;
    secondsLeft_ = secondsLeft;
    const qint64 now = platform_.Now();
    const bool life = now - lastLife_ >= kLifeSeconds;
    const bool draft = draftSince_ && now - *draftSince_ >= kDraftSeconds;
    if (life || draft) Flush(life);
}

void ExamRecorder::End(Database& db, AttemptState state, double score, int secondsLeft) {
    if (!attempt_) return;
    secondsLeft_ = secondsLeft;
    WritePending(db, false);
    record::EndAttempt(db, attempt_->id, state, score, secondsLeft, platform_.Now());
}

void ExamRecorder::Ended() {
    attempt_.reset();  // nothing more is written for this attempt
    pending_.clear();
}

void ExamRecorder::Flush(bool life) {
    try {
        const std::unique_ptr<Database> connection = Connection();
        Database& db = *connection;
        const size_t statements =
            pending_.size() + (positionPending_ ? 1 : 0) + (life ? 1 : 0) + (begun_ ? 0 : 1);
        if (statements > 1 || !begun_) {
            Transaction all(db);
            WritePending(db, life);
            all.Commit();
        } else {
            WritePending(db, life);
        }
        Written(life);
    } catch (const std::exception& error) {
        Report(error);  // the rows stay pending for the next write
    }
}

void ExamRecorder::Report(const std::exception& error) {
    if (errorShown_) return;
    errorShown_ = true;
    ShowDefaultError(QString::fromUtf8(error.what()));
}

void ExamRecorder::WritePending(Database& db, bool life) {
    if (!begun_) {
        record::BeginAttempt(db, *attempt_);  // in the caller's transaction
    }
    const qint64 id = attempt_->id;
    for (const auto& [key, unused] : pending_)
        record::WriteAnswer(db, id, rows_[key]);
    if (positionPending_) record::WritePosition(db, id, attempt_->section, attempt_->question);
    if (life) record::WriteLife(db, id, secondsLeft_, platform_.Now());
}

void ExamRecorder::Written(bool life) {
    begun_ = true;
    pending_.clear();
    positionPending_ = false;
    draftSince_.reset();
    if (life) lastLife_ = platform_.Now();
}
