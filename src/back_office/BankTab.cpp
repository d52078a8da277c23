#include "back_office/BankTab.h"

namespace {
const char* TabName(Bank bank) {
    switch (bank) {
        case Bank::SingleChoice:
            return "TabSheet4";
        case Bank::MultiChoice:
            return "TabSheet3";
        case Bank::TrueFalse:
            return "TabSheet7";
        case Bank::Subjective:
            return "TabSheet5";
    }
    return "";
}
}  // namespace

BankTab::BankTab(Bank bank, Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), bank_(bank), prompts_(prompts) {
    setObjectName(QString::fromLatin1(TabName(bank)));
}
