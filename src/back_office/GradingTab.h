// "教师阅卷": grading of subjective answers.
#pragma once

#include "back_office/OfficeTab.h"

class Prompts;

class GradingTab : public OfficeTab {
    Q_OBJECT
  public:
    GradingTab(Prompts& prompts, QWidget* parent);
    // Set-up when the back office is created: question texts, panels, mark boxes, the list.
    void SetUp() {}

  private:
    Prompts& prompts_;
};
