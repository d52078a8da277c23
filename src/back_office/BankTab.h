// The four question-bank tabs: one implementation driven by what differs between the banks.
#pragma once

#include "back_office/OfficeTab.h"

class Prompts;

enum class Bank { SingleChoice, MultiChoice, TrueFalse, Subjective };

class BankTab : public OfficeTab {
    Q_OBJECT
  public:
    BankTab(Bank bank, Prompts& prompts, QWidget* parent);
    void Refresh() override {}

  private:
    Bank bank_;
    Prompts& prompts_;
};
