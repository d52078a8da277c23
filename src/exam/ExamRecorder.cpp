#include "exam/ExamRecorder.h"

#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "record/PaperOrder.h"
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

qint64 ExamRecorder::SittingClock() const {
    return (clockMs_ + qMax<qint64>(0, platform_.SteadyMs() - steadyBase_)) / 1000;
}

void ExamRecorder::SetSittingClock(qint64 seconds) {
    if (seconds * 1000 <= clockMs_ + qMax<qint64>(0, platform_.SteadyMs() - steadyBase_)) return;
    clockMs_ = seconds * 1000;
    steadyBase_ = platform_.SteadyMs();
}

ExamRecorder::Started ExamRecorder::Start(int studentNo, int questions) {
    const qint64 now = platform_.Now();
    attempt_.reset();
    rows_.clear();
    pending_.clear();
    resumedDrafts_.clear();
    draftSince_.reset();
    positionPending_ = false;
    lastLife_ = now;
    errorShown_ = false;
    lost_ = false;

    const std::unique_ptr<Database> connection = Connection();
    Database& db = *connection;
    Started started;
    started.sitting = record::SittingForSignIn(db, now);
    Transaction start(db);
    // Looked at again under the write lock: the sitting may have ended since.
    const std::optional<SittingRow> sitting = record::Sitting(db, started.sitting.id);
    if (!sitting || !sitting->IsOpen()) throw AttemptLost(LossReason::SittingEnded);
    started.sitting = *sitting;
    started.paper = ReadPaper(db, sitting->id);

    AttemptRow row;
    qint64 clock = sitting->clock;
    started.secondsTotal = sitting->durationSeconds;
    started.secondsLeft = sitting->durationSeconds;
    const std::optional<AttemptRow> latest = record::LatestAttempt(db, studentNo, sitting->id);
    if (latest && latest->InProgress()) {
        row = *latest;
        const record::ResumeTime time =
            record::TimeOnResume(row, *sitting, platform_.InstallationId(), now);
        clock = time.clock;
        started.secondsTotal = time.secondsTotal;
        started.secondsLeft = time.secondsLeft;
        row.owner = record::NewOwnerToken();
        row.workstation = platform_.HostName();
        row.installation = platform_.InstallationId();
        row.lastClock = clock;
        row.lastSeen = now;
        row.secondsLeft = time.secondsLeft;
        record::TakeOver(db, row, now);
        record::AdvanceClock(db, sitting->id, clock);
        record::NoteResume(db, row, time.silent, now);
        for (const AnswerRow& answer : record::Answers(db, row.id)) {
            rows_[{answer.section, answer.question}] = answer;
            if (answer.draft) resumedDrafts_[answer.question] = *answer.draft;
        }
        started.resumed = row;
    } else {
        row.studentNo = studentNo;
        row.workstation = platform_.HostName();
        row.installation = platform_.InstallationId();
        row.owner = record::NewOwnerToken();
        row.startedAt = row.lastSeen = now;
        row.secondsLeft = sitting->durationSeconds;
        row.questions = questions;
        row.sitting = sitting->id;
        row.startClock = row.lastClock = clock;
        row.examId = record::CurrentExamId(db);
        if (sitting->shuffled) {
            row.seed = PaperOrder::DrawSeed();
            // On screen at the start: the first question of the candidate's paper.
            row.question = PaperOrder(started.paper, row.seed).BankQuestion(row.section, 1);
        }
        record::BeginAttempt(db, row);
    }
    started.seed = row.seed;
    start.Commit();

    attempt_ = row;
    sitting_ = *sitting;
    clockMs_ = clock * 1000;
    steadyBase_ = platform_.SteadyMs();
    secondsLeft_ = started.secondsLeft;
    return started;
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

std::optional<int> ExamRecorder::Tick(int secondsLeft) {
    if (!attempt_) return std::nullopt;
    secondsLeft_ = secondsLeft;
    const qint64 now = platform_.Now();
    // A clock set back makes the next sign of life due at once rather than never.
    const bool life = now - lastLife_ >= kLifeSeconds || now < lastLife_;
    const bool draft = draftSince_ && (now - *draftSince_ >= kDraftSeconds || now < *draftSince_);
    if (!life && !draft) return std::nullopt;
    const std::optional<record::Life> answer = Flush(life);
    if (!answer || !attempt_) return std::nullopt;
    SetSittingClock(answer->sittingClock);
    int left = secondsLeft + (answer->extraSeconds - attempt_->extraSeconds);
    attempt_->extraSeconds = answer->extraSeconds;
    const qint64 byClock =
        sitting_.durationSeconds + attempt_->extraSeconds - (SittingClock() - attempt_->startClock);
    if (byClock < left - kDriftSeconds) left = int(qMax<qint64>(0, byClock));
    if (left == secondsLeft) return std::nullopt;
    secondsLeft_ = left;
    return left;
}

bool ExamRecorder::Prove(Database& db) {
    if (lost_) return false;
    if (!attempt_) return true;  // nobody recorded
    try {
        record::ProveOwner(db, attempt_->id, attempt_->owner);
        return true;
    } catch (const AttemptLost& lost) {
        Lose(lost);
        return false;
    }
}

void ExamRecorder::End(Database& db, AttemptState state, double score, int secondsLeft) {
    if (!attempt_) return;
    secondsLeft_ = secondsLeft;
    WritePending(db, false);
    record::EndAttempt(db, attempt_->id, attempt_->owner, state, score, secondsLeft,
                       platform_.Now());
}

void ExamRecorder::Ended() {
    attempt_.reset();  // nothing more is written for this attempt
    pending_.clear();
}

void ExamRecorder::Lose(const AttemptLost& lost) {
    if (!attempt_) return;
    lost_ = true;
    Ended();
    if (onLost_) onLost_(lost);
}

std::optional<record::Life> ExamRecorder::Flush(bool life) {
    try {
        const std::unique_ptr<Database> connection = Connection();
        Database& db = *connection;
        Transaction all(db);
        const std::optional<record::Life> answer = WritePending(db, life);
        all.Commit();
        Written(life);
        return answer;
    } catch (const AttemptLost& lost) {
        Lose(lost);
    } catch (const std::exception& error) {
        Report(error);  // the rows stay pending for the next write
    }
    return std::nullopt;
}

void ExamRecorder::Report(const std::exception& error) {
    if (errorShown_) return;
    errorShown_ = true;
    ShowDefaultError(QString::fromUtf8(error.what()));
}

std::optional<record::Life> ExamRecorder::WritePending(Database& db, bool life) {
    const qint64 id = attempt_->id;
    record::ProveOwner(db, id, attempt_->owner);
    for (const auto& [key, unused] : pending_)
        record::WriteAnswer(db, id, rows_[key]);
    if (positionPending_) record::WritePosition(db, id, attempt_->section, attempt_->question);
    if (!life) return std::nullopt;
    return record::WriteLife(db, *attempt_, secondsLeft_, SittingClock(), platform_.Now());
}

void ExamRecorder::Written(bool life) {
    pending_.clear();
    positionPending_ = false;
    draftSince_.reset();
    if (life) lastLife_ = platform_.Now();
}
