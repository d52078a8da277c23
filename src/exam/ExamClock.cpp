// The exam window's clock and its ways out: the countdown, the time-out, the hand-in and the score
// write they share with "下一题".
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "exam/ExamWindow.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/Termination.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

// The countdown runs from the exam start: the attempt's whole time (the sitting's duration and any
// time given), of which `left` remains (all of it for a new attempt), the bar showing the part
// used.
void ExamWindow::StartClock(int total, int left) {
    timer1_->stop();
    timeOutPending_ = false;
    timeOutErrorShown_ = false;
    timedOut_ = false;
    if (left < 0) left = total;
    lblTestTime_->setText(FormatTime(left));
    pb1_->setRange(0, total);
    pb1_->setValue(qBound(0, total - left, total));
    timer1_->start();
}

// One second less; at "00:00:00" the score is saved and the window closes. A save that fails is
// reported once and tried again on every following tick. A box opened inside a tick lets the next
// ticks in while it is open; the time-out runs once all the same.
void ExamWindow::Timer1Timer() {
    EnsureBuilt();
    if (stopped_ || timedOut_) return;
    if (!timeOutPending_) {
        int left = StrToTime(lblTestTime_->text()) - StrToTime(QStringLiteral("00:00:01"));
        left = qMax(left, 0);
        lblTestTime_->setText(FormatTime(left));
        if (pb1_->value() < pb1_->maximum()) pb1_->setValue(pb1_->value() + 1);
        // Time given by a proctor, or time that ran while this workstation stood still.
        if (const std::optional<int> corrected = recorder_.Tick(left)) SetTimeLeft(*corrected);
        if (stopped_ || timedOut_ || lblTestTime_->text() != QStringLiteral("00:00:00")) return;
        timeOutPending_ = true;
    }
    TimeOut();
}

void ExamWindow::SetTimeLeft(int left) {
    const int used = pb1_->value();
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

void ExamWindow::SaveScore() {
    if (stopped_) return;
    Database db(kDatabasePath);
    Transaction save(db);
    if (!recorder_.Prove(db)) return;  // only the attempt's owner writes its score
    WriteScore(db);
    save.Commit();
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

// The score statement is written whatever the record does: the attempt's end goes with it when
// the record can be written, and a record that cannot be written keeps nobody in the exam (the
// score alone is stored; the attempt's end is left to the proctor's console). Only a workstation
// that no longer owns the attempt writes nothing: false, and the window has stopped.
bool ExamWindow::SaveFinalScore(AttemptState how) {
    if (stopped_ || timedOut_) return false;  // ended already: a hand-in asked before the time-out
    if (recorder_.Writing()) {
        try {
            Database db(kDatabasePath);
            Transaction end(db);
            recorder_.End(db, how, state_.AchievedScore, SecondsLeft());
            WriteScore(db);
            end.Commit();
            recorder_.Ended();
            return true;
        } catch (const AttemptLost& lost) {
            recorder_.Lose(lost);
            return false;
        } catch (const DatabaseError&) {
            // Tried below without the record; a score that cannot be written is the error.
        }
    }
    Database db(kDatabasePath);
    WriteScore(db);
    recorder_.Ended();
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
