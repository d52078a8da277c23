// "考生信息管理": candidates and their results.
#pragma once

#include "back_office/OfficeTab.h"

class Prompts;

class CandidatesTab : public OfficeTab {
    Q_OBJECT
  public:
    CandidatesTab(Prompts& prompts, QWidget* parent);
    void Refresh() override {}

  private:
    Prompts& prompts_;
};
