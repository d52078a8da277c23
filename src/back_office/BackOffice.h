// The back office ("管理员界面"): the teachers' window with its tabs: the seven of the office, the
// room view, the results analysis and where the data lives ("服务器").
#pragma once

#include "back_office/GradingTab.h"
#include "ui_common/BuildOnce.h"

#include <QWidget>

#include <optional>

class AdminsTab;
class AnalysisTab;
class BankTab;
class CandidatesTab;
class GradingTab;
#include "ui_common/Prompts.h"
class RoomTab;
class ServerTab;
class QPushButton;
class QTabWidget;

class BackOffice : public QWidget {
    Q_OBJECT
  public:
    // `owner` is the window the back office opens beside (the candidate sign-in): as its child
    // window the back office stays usable while that window runs modally.
    BackOffice(Prompts& prompts, QWidget* owner);

    // Creation step, run once at start-up: prepares the grading tab.
    void FormCreate();
    // Run each time the window is shown: refreshes every list, in tab order.
    void FormShow();
    // The title, "退出" and the tabs; built on the first show, or here for a caller that
    // needs them before. The grading tab shows what the creation step read either way.
    void EnsureBuilt() { content_.Ensure(); }
    void setVisible(bool visible) override;
    // The administrator who signed in: the proctor's acts are written in that name.
    void SetAdministrator(const QString& name);
    // Opened on the local file while the server cannot be reached: only the "服务器" tab, to
    // change where the data lives; the other tabs wait for the server.
    void SetServerSettingsOnly(bool only);
    bool ServerSettingsOnly() const { return settingsOnly_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildContent();
    // "退出": ends the whole program.
    void Button2Click();

    WindowPrompts prompts_;
    QTabWidget* pages_ = nullptr;
    QPushButton* quit_ = nullptr;
    AdminsTab* admins_ = nullptr;
    CandidatesTab* candidates_ = nullptr;
    BankTab* single_ = nullptr;
    BankTab* multi_ = nullptr;
    BankTab* trueFalse_ = nullptr;
    BankTab* subjective_ = nullptr;
    GradingTab* grading_ = nullptr;
    RoomTab* room_ = nullptr;
    AnalysisTab* analysis_ = nullptr;
    ServerTab* server_ = nullptr;
    QString administrator_;
    bool settingsOnly_ = false;
    BuildOnce content_{[this] { BuildContent(); }};
    // What the creation step read while the tabs were not built, as far as it got.
    std::optional<GradingSetUp> gradingSetUp_;
};
