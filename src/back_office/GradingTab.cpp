#include "back_office/GradingTab.h"

GradingTab::GradingTab(Prompts& prompts, QWidget* parent) : OfficeTab(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("TabSheet6"));
}
