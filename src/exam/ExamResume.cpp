// The exam record at the exam start: a new attempt, or the candidate's attempt in progress
// brought back as it was left — the countdown, every answer-sheet colour, the earned points, the
// subjective drafts and the question on screen.
#include "data_store/Conversions.h"
#include "exam/ExamWindow.h"
#include "exam/ObjectiveSection.h"
#include "ui_common/Colors.h"
#include "ui_common/Widgets.h"

#include <QLabel>
#include <QProgressBar>

void ExamWindow::StartRecord() {
    int studentNo = 0;
    if (!TryStrToInt(state_.CandidateNo, &studentNo)) return;  // no candidate to record
    int questions = 0;
    for (int s = 0; s < kSectionCount; ++s)
        questions += qMin(state_.Count(s), SectionOf(s).limit);
    const std::optional<AttemptRow> resumed = recorder_.Start(studentNo, SecondsLeft(), questions);
    if (resumed) Resume(*resumed);
}

void ExamWindow::Resume(const AttemptRow& attempt) {
    // What follows replays the candidate's own acts: they are in the record already.
    recorder_.Pause(true);
    struct Unpause {
        ExamRecorder& recorder;
        ~Unpause() { recorder.Pause(false); }
    } unpause{recorder_};

    // The time the workstation was down is not charged.
    lblTestTime_->setText(FormatTime(attempt.secondsLeft));
    pb1_->setValue(qBound(0, pb1_->maximum() - attempt.secondsLeft, pb1_->maximum()));

    const AnswerRow* onScreen = nullptr;
    for (const auto& [key, row] : recorder_.Rows()) {
        const int s = row.section - 1;
        const int n = row.question;
        if (s < 0 || s >= kSectionCount || n < 1 || n > qMin(state_.Count(s), SectionOf(s).limit))
            continue;
        if (row.marked)
            sections_[s]->NumberPanel(n)->setColor(kRed);
        else if (row.shown)
            sections_[s]->NumberPanel(n)->setColor(kLime);
        if (s != kSubjective) objective_[s]->RestoreAnswer(n, row.answer, row.earned);
        if (row.section == attempt.section && n == attempt.question) onScreen = &row;
    }
    state_.SumScores();

    const int s = attempt.section - 1;
    if (s >= 0 && s < kSectionCount && sections_[s]->InGrid(attempt.question) &&
        attempt.question <= state_.Count(s)) {
        sections_[s]->PanelClick(attempt.question);
        // Showing a question takes its mark away; the question on screen keeps the one it had.
        if (onScreen && onScreen->marked)
            sections_[s]->NumberPanel(attempt.question)->setColor(kRed);
    }
}
