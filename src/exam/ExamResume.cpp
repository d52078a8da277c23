// The exam record at the exam start: a new attempt, or the candidate's attempt in progress
// brought back as it was left — every answer-sheet colour, the points earned (scored against the
// sitting's paper), the subjective drafts and the question on screen.
#include "data_store/Conversions.h"
#include "exam/ExamWindow.h"
#include "exam/ObjectiveSection.h"
#include "ui_common/Colors.h"
#include "ui_common/Widgets.h"

#include <QLabel>
#include <QProgressBar>

std::optional<ExamRecorder::Started> ExamWindow::StartRecord() {
    int studentNo = 0;
    if (!TryStrToInt(state_.CandidateNo, &studentNo)) return std::nullopt;  // nobody to record
    int questions = 0;
    for (int s = 0; s < kSectionCount; ++s)
        questions += qMin(state_.Count(s), SectionOf(s).limit);
    // A record that cannot be read or written keeps the exam from starting: a fresh attempt must
    // never start over one that may exist. The candidate goes back to the sign-in.
    try {
        return recorder_.Start(studentNo, questions);
    } catch (const AttemptLost& lost) {
        Stop(lost.Message());
    } catch (const std::exception& error) {
        Stop(QStringLiteral("无法读取考试记录，考试未能开始，请稍后重新登录或联系监考老师。\n") +
             QString::fromUtf8(error.what()));
    }
    return std::nullopt;
}

void ExamWindow::Resume(const AttemptRow& attempt) {
    // What follows replays the candidate's own acts: they are in the record already.
    recorder_.Pause(true);
    struct Unpause {
        ExamRecorder& recorder;
        ~Unpause() { recorder.Pause(false); }
    } unpause{recorder_};

    // The record names the bank's questions; the answer sheet shows them in the candidate's order.
    const AnswerRow* onScreen = nullptr;
    for (const auto& [key, row] : recorder_.Rows()) {
        const int s = row.section - 1;
        if (s < 0 || s >= kSectionCount || row.question < 1 ||
            row.question > qMin(state_.Count(s), SectionOf(s).limit))
            continue;
        const int n = state_.Order.Position(row.section, row.question);
        if (row.marked)
            sections_[s]->NumberPanel(n)->setColor(kRed);
        else if (row.shown)
            sections_[s]->NumberPanel(n)->setColor(kLime);
        if (s != kSubjective) objective_[s]->RestoreAnswer(n, row.answer);
        if (row.section == attempt.section && row.question == attempt.question) onScreen = &row;
    }
    state_.SumScores();

    const int s = attempt.section - 1;
    if (s >= 0 && s < kSectionCount && sections_[s]->InGrid(attempt.question) &&
        attempt.question <= state_.Count(s)) {
        const int n = state_.Order.Position(attempt.section, attempt.question);
        sections_[s]->PanelClick(n);
        // Showing a question takes its mark away; the question on screen keeps the one it had.
        if (onScreen && onScreen->marked) sections_[s]->NumberPanel(n)->setColor(kRed);
    }
}
