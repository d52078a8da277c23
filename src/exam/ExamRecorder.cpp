#include "exam/ExamRecorder.h"

#include "data_store/Database.h"
#include "data_store/DatabaseTurn.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "record/PaperOrder.h"
#include "ui_common/Platform.h"

#include <QCoreApplication>
#include <QObject>
#include <QRegularExpression>

namespace {
constexpr int kSubjectiveSection = 4;  // the record numbers the sections 1..4
}

ExamRecorder::ExamRecorder(Platform& platform)
    : platform_(platform),
      receiver_(std::make_unique<QObject>()),
      writer_(std::make_unique<journal::Writer>(platform.JournalFolder(), kDatabasePath)) {
    journal::Writer::Listener listener;
    listener.context = receiver_.get();
    listener.status = [this](const journal::Status& status) { Status(status); };
    listener.life = [this](const record::Life& life) { Heard(life); };
    listener.lost = [this](const AttemptLost& lost, qint64 attempt, const QString& owner) {
        if (attempt_ && attempt_->id == attempt && attempt_->owner == owner) Lose(lost);
    };
    writer_->SetListener(std::move(listener));
}

// The writer goes first: its thread ends before the receiver of its answers does.
ExamRecorder::~ExamRecorder() {
    writer_.reset();
}

qint64 ExamRecorder::SittingClock() const {
    return (clockMs_ + qMax<qint64>(0, platform_.SteadyMs() - steadyBase_)) / 1000;
}

void ExamRecorder::SetSittingClock(qint64 seconds) {
    if (seconds * 1000 <= clockMs_ + qMax<qint64>(0, platform_.SteadyMs() - steadyBase_)) return;
    clockMs_ = seconds * 1000;
    steadyBase_ = platform_.SteadyMs();
}

bool ExamRecorder::Drain(int timeoutMs) {
    const bool drained = writer_->Drain(timeoutMs);
    // The writer's answers (a sign of life, a lost attempt, the outage) reach the window now.
    QCoreApplication::sendPostedEvents(receiver_.get());
    return drained;
}

ExamRecorder::Started ExamRecorder::Start(int studentNo, int questions) {
    const qint64 now = platform_.Now();
    recorded_ = false;
    attempt_.reset();
    rows_.clear();
    pending_.clear();
    savedTexts_.clear();
    resumedDrafts_.clear();
    draftSince_.reset();
    heard_.reset();
    positionPending_ = false;
    lastLife_ = now;
    seq_ = 0;

    // What this workstation's journal still holds goes first: taking the attempt over under a
    // new token would leave it refused. A database that cannot be reached fails below.
    Drain(kShipAtStartMs);
    const std::lock_guard turn(DatabaseTurn());
    UpgradeSchemaOnce(kDatabasePath);
    Database db(kDatabasePath);
    Started started;
    started.sitting = record::SittingForSignIn(db, now);
    // On a server the starts of different candidates run side by side (the paper read meanwhile
    // holds nobody up); the candidate's own wait for each other.
    Transaction start(db, Transaction::Scope::Candidate(studentNo));
    record::HoldAttempts(db, studentNo, started.sitting.id);
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
    // The saved subjective answers, read once: showing a question never waits for the database.
    static const QRegularExpression textColumn(QStringLiteral("^Tt(\\d+)$"),
                                               QRegularExpression::CaseInsensitiveOption);
    auto candidate =
        db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"), {qint64(studentNo)});
    if (candidate->RowCount() > 0)
        for (int c = 0; c < candidate->ColumnCount(); ++c)
            if (const auto match = textColumn.match(candidate->ColumnNames().at(c));
                match.hasMatch())
                savedTexts_[match.captured(1).toInt()] =
                    QString::fromUtf8(candidate->ColumnText(c));
    start.Commit();

    attempt_ = row;
    recorded_ = true;
    sitting_ = *sitting;
    clockMs_ = clock * 1000;
    steadyBase_ = platform_.SteadyMs();
    secondsLeft_ = started.secondsLeft;
    return started;
}

std::optional<QString> ExamRecorder::SavedText(int n) const {
    if (!recorded_) return std::nullopt;
    const auto found = savedTexts_.find(n);
    return found == savedTexts_.end() ? QString() : found->second;
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

journal::Entry ExamRecorder::NewEntry(journal::Kind kind) {
    journal::Entry entry;
    entry.kind = kind;
    entry.attempt = attempt_->id;
    entry.owner = attempt_->owner;
    entry.seq = ++seq_;
    entry.studentNo = attempt_->studentNo;
    entry.sitting = attempt_->sitting;
    return entry;
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
    savedTexts_[n] = text;
    pending_.erase({kSubjectiveSection, n});  // the saved entry carries the row
    Flush();
    journal::Entry saved = NewEntry(journal::Kind::Saved);
    saved.question = n;
    saved.text = text;
    saved.row = row;
    writer_->Submit({std::move(saved)});
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

void ExamRecorder::Score(const QString& scoreText) {
    if (!attempt_) return;
    Flush();
    journal::Entry score = NewEntry(journal::Kind::Score);
    score.text = scoreText;
    score.now = platform_.Now();
    writer_->Submit({std::move(score)});
}

std::optional<int> ExamRecorder::Tick(int secondsLeft) {
    if (!attempt_) return std::nullopt;
    secondsLeft_ = secondsLeft;
    const qint64 now = platform_.Now();
    // A clock set back makes the next sign of life due at once rather than never.
    const bool life = now - lastLife_ >= kLifeSeconds || now < lastLife_;
    const bool draft = draftSince_ && (now - *draftSince_ >= kDraftSeconds || now < *draftSince_);
    if (life || draft) Flush(life);
    // The answer of an earlier sign of life: time given, the sitting's clock as it stands.
    const std::optional<record::Life> answer = std::exchange(heard_, std::nullopt);
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

void ExamRecorder::Heard(const record::Life& life) {
    heard_ = life;
}

void ExamRecorder::Status(const journal::Status& status) {
    const bool outage = status.outage && status.unshipped > 0;
    if (!outage && !outage_) return;
    outage_ = outage;
    if (onOutage_) onOutage_(outage ? std::optional<int>(status.unshipped) : std::nullopt);
}

void ExamRecorder::End(AttemptState state, double score, const QString& scoreText,
                       int secondsLeft) {
    if (!attempt_) return;
    secondsLeft_ = secondsLeft;
    Flush();
    journal::Entry end = NewEntry(journal::Kind::End);
    end.state = state;
    end.score = score;
    end.text = scoreText;
    end.secondsLeft = secondsLeft;
    end.now = platform_.Now();
    writer_->Submit({std::move(end)});
    attempt_.reset();  // nothing more is written for this attempt
    pending_.clear();
}

void ExamRecorder::Lose(const AttemptLost& lost) {
    if (!attempt_) return;
    attempt_.reset();
    pending_.clear();
    if (onLost_) onLost_(lost);
}

void ExamRecorder::Flush(bool life) {
    std::vector<journal::Entry> entries;
    for (const auto& [key, unused] : pending_) {
        journal::Entry answer = NewEntry(journal::Kind::Answer);
        answer.row = rows_[key];
        entries.push_back(std::move(answer));
    }
    if (positionPending_) {
        journal::Entry position = NewEntry(journal::Kind::Position);
        position.section = attempt_->section;
        position.question = attempt_->question;
        entries.push_back(std::move(position));
    }
    if (life) {
        journal::Entry sign = NewEntry(journal::Kind::Life);
        sign.secondsLeft = secondsLeft_;
        sign.extraSeconds = attempt_->extraSeconds;
        sign.clock = SittingClock();
        sign.now = lastLife_ = platform_.Now();
        entries.push_back(std::move(sign));
    }
    pending_.clear();
    positionPending_ = false;
    draftSince_.reset();
    writer_->Submit(std::move(entries));
}
