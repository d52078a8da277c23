// The exam window's clock and its ways out: the countdown, the time-out, the hand-in and the score
// write they share with "下一题".
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "exam/ExamWindow.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Platform.h"
#include "ui_common/Prompts.h"
#include "ui_common/Termination.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

// The countdown runs from the exam start: the attempt's whole time (the sitting's duration and any
// time given), of which `left` remains (all of it for a new attempt), the bar showing the part
// used. It is measured on the steady clock, not counted by ticks: a tick that comes late (a busy
// or frozen window, a suspended machine) finds the time that passed gone.
void ExamWindow::StartClock(int total, int left) {
    timer1_->stop();
    timeOutPending_ = false;
    timeOutErrorShown_ = false;
    timedOut_ = false;
    if (left < 0) left = total;
    totalSeconds_ = total;
    deadlineMs_ = platform_.SteadyMs() + qint64(left) * 1000;
    lblTestTime_->setText(FormatTime(left));
    pb1_->setRange(0, total);
    pb1_->setValue(qBound(0, total - left, total));
    timer1_->start();
}

int ExamWindow::ClockLeft() const {
    const qint64 remaining = deadlineMs_ - platform_.SteadyMs();
    return remaining <= 0 ? 0 : int((remaining + 500) / 1000);
}

// The time left by the steady clock; at "00:00:00" the score is saved and the window closes. A
// save that fails is reported once and tried again on every following tick. A box opened inside
// a tick lets the next ticks in while it is open; the time-out runs once all the same.
void ExamWindow::Timer1Timer() {
    EnsureBuilt();
    if (stopped_ || timedOut_) return;
    if (!timeOutPending_) {
        const int left = ClockLeft();
        lblTestTime_->setText(FormatTime(left));
        pb1_->setValue(qBound(0, pb1_->maximum() - left, pb1_->maximum()));
        // Time given by a proctor, or a sitting's clock that ran further than this one.
        if (const std::optional<int> corrected = recorder_.Tick(left)) SetTimeLeft(*corrected);
        if (stopped_ || timedOut_ || lblTestTime_->text() != QStringLiteral("00:00:00")) return;
        timeOutPending_ = true;
    }
    TimeOut();
}

void ExamWindow::SetTimeLeft(int left) {
    const int used = pb1_->value();
    deadlineMs_ = platform_.SteadyMs() + qint64(left) * 1000;
    lblTestTime_->setText(FormatTime(left));
    pb1_->setRange(0, qMax(pb1_->maximum(), used + left));
    pb1_->setValue(qMin(used, pb1_->maximum()));
}

void ExamWindow::TimeOut() {
    try {
        if (!SaveFinalScore(AttemptState::TimedOut)) return;  // the attempt is no longer ours
    } catch (const std::exception& error) {
        if (!timeOutErrorShown_) {
            timeOutErrorShown_ = true;
            ShowDefaultError(QString::fromUtf8(error.what()), this);
        }
        return;
    }
    timeOutPending_ = false;
    timedOut_ = true;
    timer1_->stop();
    done(QDialog::Accepted);
    if (context_.showMainWindow) context_.showMainWindow();
}

// The attempt is no longer this workstation's (taken over elsewhere, collected, its sitting
// ended): nothing more is written; the candidate is told why and the sign-in comes back.
void ExamWindow::Stop(const QString& message) {
    if (stopped_) return;
    stopped_ = true;
    timer1_->stop();
    prompts_.Message(message);
    // Stopped while it is being shown (the exam start), the window's modal loop has not begun
    // yet: ending it now would leave that loop running behind a hidden window.
    if (showing_)
        QMetaObject::invokeMethod(
            this, [this] { done(kBackToSignIn); }, Qt::QueuedConnection);
    else
        done(kBackToSignIn);
}

// "下一题": the running score. Recorded, it goes to the journal like every act of the exam.
void ExamWindow::SaveScore() {
    if (stopped_) return;
    if (recorder_.Recorded()) {
        state_.ScoreText = FormatGeneral(state_.AchievedScore);
        recorder_.Score(state_.ScoreText);
        return;
    }
    Database db(kDatabasePath);
    WriteScore(db);
}

void ExamWindow::WriteScore(Database& db) {
    state_.ScoreText = FormatGeneral(state_.AchievedScore);
    db.RunStatement(QStringLiteral("Update Userxinxi Set Chengji=? where Xuehao=?"),
                    {state_.ScoreText, CandidateKey(state_.CandidateNo)});
}

int ExamWindow::SecondsLeft() const {
    int seconds = 0;
    return TryStrToTime(lblTestTime_->text(), &seconds) ? seconds : 0;
}

// Recorded, the score goes with the attempt's end to the journal, and reaches the database
// whenever it can be reached (a hand-in during an outage is shipped on return): the exam ends as
// usual. Only a workstation that no longer owns the attempt writes nothing: false, and the window
// has stopped.
bool ExamWindow::SaveFinalScore(AttemptState how) {
    if (stopped_ || timedOut_) return false;  // ended already: a hand-in asked before the time-out
    if (recorder_.Recorded()) {
        state_.ScoreText = FormatGeneral(state_.AchievedScore);
        recorder_.End(how, state_.AchievedScore, state_.ScoreText, SecondsLeft());
        return true;
    }
    Database db(kDatabasePath);
    WriteScore(db);
    return true;
}

// The candidate hands in: asked with the time left; the score is saved before it is announced, so
// a failed save leaves the exam running.
void ExamWindow::lblEndTestClick() {
    EnsureBuilt();
    const QString question = QStringLiteral("您好，确定要结束考试吗?\r你还剩：") +
                             lblTestTime_->text() + QStringLiteral("时间。");
    if (!prompts_.Confirm(QStringLiteral("提示"), question)) return;
    if (!SaveFinalScore(AttemptState::HandedIn)) return;
    prompts_.Message(
        QStringLiteral("总分为%1分恭喜您考了%2分!再见")
            .arg(FormatGeneral(state_.FullMarks), FormatGeneral(state_.AchievedScore)));
    RequestTerminate();
}
