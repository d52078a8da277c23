// "考场监控": the room as the exam record sees it — one line per candidate with an attempt: who,
// where, in progress, handed in, timed out or interrupted (silent for 30 s), how many questions
// answered, the time left and the running objective score. It reads every 3 s while it is shown
// and writes nothing.
#pragma once

#include "back_office/OfficeTab.h"

#include <functional>

class QLabel;
class QTimer;
class ReportList;

class RoomTab : public OfficeTab {
    Q_OBJECT
  public:
    static constexpr int kRefreshMs = 3000;

    explicit RoomTab(QWidget* parent);

    // Reads the record and shows it.
    void Refresh() override;
    // The clock the silence of a workstation is measured by (tests set their own).
    void SetClock(std::function<qint64()> now) { now_ = std::move(now); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    ReportList* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QTimer* timer_ = nullptr;
    std::function<qint64()> now_;
};
