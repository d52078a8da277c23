#include "back_office/AdminsTab.h"

AdminsTab::AdminsTab(Prompts& prompts, QWidget* parent) : OfficeTab(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("TabSheet2"));
}
