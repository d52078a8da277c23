// The back office ("管理员界面"): the teachers' window with seven tabs.
#pragma once

#include <QWidget>

class AdminsTab;
class BankTab;
class CandidatesTab;
class GradingTab;
class Prompts;
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

    AdminsTab* Admins() const { return admins_; }
    CandidatesTab* Candidates() const { return candidates_; }
    BankTab* SingleChoice() const { return single_; }
    BankTab* MultiChoice() const { return multi_; }
    BankTab* TrueFalse() const { return trueFalse_; }
    BankTab* Subjective() const { return subjective_; }
    GradingTab* Grading() const { return grading_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // "退出": ends the whole program.
    void Button2Click();

    Prompts& prompts_;
    QTabWidget* pages_ = nullptr;
    QPushButton* quit_ = nullptr;
    AdminsTab* admins_ = nullptr;
    CandidatesTab* candidates_ = nullptr;
    BankTab* single_ = nullptr;
    BankTab* multi_ = nullptr;
    BankTab* trueFalse_ = nullptr;
    BankTab* subjective_ = nullptr;
    GradingTab* grading_ = nullptr;
};
