// "管理员管理": administrators and the exam duration.
#pragma once

#include "back_office/OfficeTab.h"

class Prompts;

class AdminsTab : public OfficeTab {
    Q_OBJECT
  public:
    AdminsTab(Prompts& prompts, QWidget* parent);
    void Refresh() override {}

  private:
    Prompts& prompts_;
};
