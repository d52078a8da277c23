#include "back_office/BackOffice.h"

#include "back_office/AdminsTab.h"
#include "back_office/AnalysisTab.h"
#include "back_office/BankTab.h"
#include "back_office/CandidatesTab.h"
#include "back_office/GradingTab.h"
#include "back_office/RoomTab.h"
#include "back_office/ServerTab.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>

BackOffice::BackOffice(Prompts& prompts, QWidget* owner)
    : QWidget(owner, Qt::Window), prompts_(prompts, this) {
    setObjectName(QStringLiteral("BackOffice"));
    setWindowTitle(QStringLiteral("管理员界面"));
    setFixedSize(880, 600);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(880 / 2, 600 / 2));
}

void BackOffice::setVisible(bool visible) {
    if (visible) EnsureBuilt();
    QWidget::setVisible(visible);
}

void BackOffice::BuildContent() {
    QLabel* title = MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("管理员操作"), 16, 10);
    title->setFont(PixelFont(24, true));
    title->adjustSize();
    quit_ = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("退出"), 880 - 16 - 90, 10,
                       90, 30);
    guardedConnect(quit_, &QPushButton::clicked, this, [this] { Button2Click(); });

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->setGeometry(8, 50, 880 - 16, 600 - 58);
    admins_ = new AdminsTab(prompts_.Service(), pages_);
    candidates_ = new CandidatesTab(prompts_.Service(), pages_);
    single_ = new BankTab(Bank::SingleChoice, prompts_.Service(), pages_);
    multi_ = new BankTab(Bank::MultiChoice, prompts_.Service(), pages_);
    trueFalse_ = new BankTab(Bank::TrueFalse, prompts_.Service(), pages_);
    subjective_ = new BankTab(Bank::Subjective, prompts_.Service(), pages_);
    grading_ = new GradingTab(prompts_.Service(), pages_);
    room_ = new RoomTab(prompts_.Service(), pages_);
    room_->SetAdministrator(administrator_);
    analysis_ = new AnalysisTab(prompts_.Service(), pages_);
    server_ = new ServerTab(prompts_.Service(), pages_);
    pages_->addTab(admins_, QStringLiteral("管理员管理"));
    pages_->addTab(candidates_, QStringLiteral("考生信息管理"));
    pages_->addTab(single_, QStringLiteral("单项选择题"));
    pages_->addTab(multi_, QStringLiteral("多项选择题"));
    pages_->addTab(trueFalse_, QStringLiteral("判断题"));
    pages_->addTab(subjective_, QStringLiteral("主观题"));
    pages_->addTab(grading_, QStringLiteral("教师阅卷"));
    pages_->addTab(room_, QStringLiteral("考场监控"));
    pages_->addTab(analysis_, QStringLiteral("成绩分析"));
    pages_->addTab(server_, QStringLiteral("服务器"));
    pages_->setCurrentIndex(0);
    SetServerSettingsOnly(settingsOnly_);
    if (gradingSetUp_) grading_->ShowSetUp(*gradingSetUp_);
}

void BackOffice::SetAdministrator(const QString& name) {
    administrator_ = name;
    if (room_) room_->SetAdministrator(name);
}

void BackOffice::SetServerSettingsOnly(bool only) {
    settingsOnly_ = only;
    if (!pages_) return;
    server_->SetOffline(only);
    for (int i = 0; i < pages_->count(); ++i)
        pages_->setTabEnabled(i, !only || pages_->widget(i) == server_);
    if (only) pages_->setCurrentWidget(server_);
}

void BackOffice::FormCreate() {
    if (content_.Done()) {
        grading_->SetUp();
        return;
    }
    GradingTab::ReadSetUp(gradingSetUp_.emplace());
}

void BackOffice::FormShow() {
    if (settingsOnly_) {
        server_->Refresh();
        return;
    }
    admins_->Refresh();
    candidates_->Refresh();
    single_->Refresh();
    multi_->Refresh();
    trueFalse_->Refresh();
    subjective_->Refresh();
    server_->Refresh();
}

void BackOffice::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) RunGuarded([this] { FormShow(); }, this);
}

// "退出": end the whole program, not only this window.
void BackOffice::Button2Click() {
    RequestTerminate();
}
