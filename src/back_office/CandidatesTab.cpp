#include "back_office/CandidatesTab.h"

CandidatesTab::CandidatesTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("TabSheet1"));
}
