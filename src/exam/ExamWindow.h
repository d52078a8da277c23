// The exam window: one paper of four sections, a countdown and the hand-in. The frame and the
// paper's set-up live in ExamWindow.cpp, the clock and the ways out in ExamClock.cpp, the sections
// in ObjectiveSection and SubjectiveSection.
#pragma once

#include "exam/ExamContext.h"
#include "exam/ExamRecorder.h"
#include "exam/ExamSection.h"
#include "exam/ExamState.h"
#include "ui_common/BuildOnce.h"
#include "ui_common/FormDialog.h"

class ColorLabel;
class InputMethodMenu;
class ObjectiveSection;
class Platform;
#include "ui_common/Prompts.h"
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class SubjectiveSection;

class ExamWindow : public FormDialog, private SectionHost {
    Q_OBJECT
  public:
    // `fullScreen` false keeps a framed window the size of the screen (tests).
    ExamWindow(Prompts& prompts, Platform& platform, ExamContext context, bool fullScreen = true,
               QWidget* parent = nullptr);

    // Creation step, run once at start-up: duration, counts, points, number panels.
    void FormCreate();
    // The window's controls; built on the first show, or here for a caller that needs them
    // before. What the creation step read is shown in them either way.
    void EnsureBuilt() { content_.Ensure(); }
    void setVisible(bool visible) override;
    // Show step: the exam start, each time the window is shown.
    void FormShow();
    // "开始考试": the exam start.
    void BBnClick();
    // The section buttons "一、单项选择题" .. "四、主观题" (k = 1..4).
    void LabBtClick(int k);

    // The one-second tick.
    void Timer1Timer();
    // "结束考试": the hand-in.
    void lblEndTestClick();
    // Writes AchievedScore into the candidate's Chengji.
    void SaveScore() override;

    // The exam window's result when the candidate must sign in again: the attempt went on
    // elsewhere, was collected, its sitting ended, or the record could not be read.
    static constexpr int kBackToSignIn = 2;

    const ExamState& State() const { return state_; }
    // The exam record of this exam.
    ExamRecorder& Recorder() override { return recorder_; }

  protected:
    void showEvent(QShowEvent* event) override;
    // Only the hand-in and the time-out end the exam.
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

  private:
    void BuildContent();
    void BuildHeader(QWidget* content);
    void BuildCandidatePanel(QWidget* content);
    void PlaceContent();
    // The paper when no candidate is recorded: the open sitting's, or the banks as they stand.
    void ReadUnrecordedPaper();
    // The paper in the order of the attempt whose seed is `seed` (0: the paper's own).
    void LoadPaper(FrozenPaper paper, qint64 seed = 0);
    void ReadPaperPictures();
    // The exam time the back office sets, read afresh (raises what its conversion raises).
    int ConfiguredSeconds();
    void StartClock(int total, int left);
    // The countdown's seconds left by the steady clock.
    int ClockLeft() const;
    // The outage line: the entries waiting on this workstation, or hidden.
    void ShowOutage(std::optional<int> unshipped);
    void SetTimeLeft(int left);
    void TimeOut();
    // Ends the exam on this workstation without writing anything: the sign-in comes back.
    void Stop(const QString& message);
    // The score statement of "下一题", the hand-in and the time-out.
    void WriteScore(Database& db);
    // Hand-in and time-out: the score and the end of the attempt.
    bool SaveFinalScore(AttemptState how);
    // The exam record: a new attempt, or the candidate's attempt in progress brought back.
    std::optional<ExamRecorder::Started> StartRecord();
    // The countdown in seconds (0 when it shows no time).
    int SecondsLeft() const;
    void Resume(const AttemptRow& attempt);
    void Hover(ColorLabel* label);

    void ShowSection(int section) override;
    QString SignedInNumber() const override;

    WindowPrompts prompts_;
    Platform& platform_;
    ExamContext context_;
    bool fullScreen_;
    ExamState state_;
    ExamRecorder recorder_{platform_};
    BuildOnce content_{[this] { BuildContent(); }};

    QWidget* zz1_ = nullptr;
    QLabel* lblTestTime_ = nullptr;
    QProgressBar* pb1_ = nullptr;
    QLabel* lbelks4_ = nullptr;
    QLabel* lbelks5_ = nullptr;
    QLabel* outage_ = nullptr;
    QPushButton* bbn_ = nullptr;
    QTimer* timer1_ = nullptr;
    InputMethodMenu* inputMethods_ = nullptr;
    ObjectiveSection* objective_[kObjectiveSections] = {};
    SubjectiveSection* subjective_ = nullptr;
    ExamSection* sections_[kSectionCount] = {};

    bool stopped_ = false;         // this workstation no longer writes the attempt
    bool showing_ = false;         // inside the show step
    bool timeOutPending_ = false;  // the countdown reached zero; the save has not succeeded yet
    bool timeOutErrorShown_ = false;
    bool timedOut_ = false;  // the time-out ran: a tick let in by a box open under it does nothing
    // The countdown reaches zero when the steady clock reaches this (ms): a frozen window, a
    // suspended machine or a blocked thread gains no time.
    qint64 deadlineMs_ = 0;
    int totalSeconds_ = 0;
};
