// The exam window: one paper of four sections, a countdown and the hand-in.
#pragma once

#include "exam/ExamContext.h"
#include "ui_common/FormDialog.h"

class Platform;
class Prompts;

class ExamWindow : public FormDialog {
    Q_OBJECT
  public:
    // `fullScreen` false keeps the window at its content size (tests).
    ExamWindow(Prompts& prompts, Platform& platform, ExamContext context, bool fullScreen = true,
               QWidget* parent = nullptr);

    // Creation step, run once at start-up.
    void FormCreate();

  private:
    Prompts& prompts_;
    Platform& platform_;
    ExamContext context_;
    bool fullScreen_;
};
