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

// The countdown runs from the exam start with the duration read afresh, the bar empty. A duration
// that cannot be read or is no time of day is reported once and leaves the clock still; the exam
// start goes on, so that the paper is there and can be handed in.
void ExamWindow::StartClock(Database& db) {
    timer1_->stop();
    timeOutPending_ = false;
    timeOutErrorShown_ = false;
    timedOut_ = false;
    int seconds = 0;
    try {
        state_.ExamTimeText =
            db.OpenQuery(QStringLiteral("Select * from Time"))->Value(QStringLiteral("TimeN"));
        lblTestTime_->setText(state_.ExamTimeText);
        seconds = StrToTime(state_.ExamTimeText);
    } catch (const std::exception& error) {
        ShowDefaultError(QString::fromUtf8(error.what()), this);
        return;
    }
    pb1_->setRange(0, seconds);
    pb1_->setValue(0);
    timer1_->start();
}

// One second less; at "00:00:00" the score is saved and the window closes. A save that fails is
// reported once and tried again on every following tick. A box opened inside a tick lets the next
// ticks in while it is open; the time-out runs once all the same.
void ExamWindow::Timer1Timer() {
    EnsureBuilt();
    if (timedOut_) return;
    if (!timeOutPending_) {
        const int left = StrToTime(lblTestTime_->text()) - StrToTime(QStringLiteral("00:00:01"));
        lblTestTime_->setText(FormatTime(qMax(left, 0)));
        if (pb1_->value() < pb1_->maximum()) pb1_->setValue(pb1_->value() + 1);
        recorder_.Tick(qMax(left, 0));
        if (timedOut_ || lblTestTime_->text() != QStringLiteral("00:00:00")) return;
        timeOutPending_ = true;
    }
    TimeOut();
}

void ExamWindow::TimeOut() {
    try {
        SaveFinalScore(AttemptState::TimedOut);
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

void ExamWindow::SaveScore() {
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

void ExamWindow::SaveFinalScore(AttemptState how) {
    Database db(kDatabasePath);
    Transaction end(db);
    WriteScore(db);
    recorder_.End(db, how, state_.AchievedScore, SecondsLeft());
    end.Commit();
    recorder_.Ended();
}

// The candidate hands in: asked with the time left; the score is saved before it is announced, so
// a failed save leaves the exam running.
void ExamWindow::lblEndTestClick() {
    EnsureBuilt();
    const QString question = QStringLiteral("您好，确定要结束考试吗?\r你还剩：") +
                             lblTestTime_->text() + QStringLiteral("时间。");
    if (!prompts_.Confirm(QStringLiteral("提示"), question)) return;
    SaveFinalScore(AttemptState::HandedIn);
    prompts_.Message(
        QStringLiteral("总分为%1分恭喜您考了%2分!再见")
            .arg(FormatGeneral(state_.FullMarks), FormatGeneral(state_.AchievedScore)));
    RequestTerminate();
}
