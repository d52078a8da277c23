// "考场监控": the proctor's console over the sitting open now (else the latest). A tile per
// candidate with an attempt there — who, which machine, how far, the time left and the state in
// colour (答题中, 中断 with how long, 已交卷, 已超时) — or, for a large room, the same as a table.
// It reads the record every 3 s while it is shown and writes nothing by itself; what it writes are
// the proctor's acts, each confirmed: on the selected candidate 加时, 收卷 and 允许换机, on the
// sitting 开考, 全部收卷 and 结束本场 (the record adds the audit row).
#pragma once

#include "back_office/OfficeTab.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"
#include "ui_common/Prompts.h"

#include <QColor>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class ColorLabel;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTimer;
class ReportList;

// The colour of each state on the tiles and in the table.
inline const QColor kWritingColor(0x8C, 0xE0, 0x8C);
inline const QColor kInterruptedColor(0xFF, 0x5A, 0x5A);
inline const QColor kHandedInColor(0xA6, 0xCA, 0xF0);
inline const QColor kTimedOutColor(0xF0, 0xB4, 0x50);

class RoomTab : public OfficeTab {
    Q_OBJECT
  public:
    static constexpr int kRefreshMs = 3000;

    RoomTab(Prompts& prompts, QWidget* parent);

    // Reads the record and shows it.
    void Refresh() override;
    // The clock the acts are dated by (tests set their own).
    void SetClock(std::function<qint64()> now) { now_ = std::move(now); }
    // The administrator signed in: the acts are written in that name.
    void SetAdministrator(const QString& name) { administrator_ = name; }

    // The candidate the acts apply to, by student number (0: none); a click on a tile or a table
    // row selects one.
    void Select(int studentNo);
    int Selected() const { return selected_; }

    void GiveTimeClick();
    void CollectClick();
    void AllowMoveClick();
    void OpenClick();
    void CollectAllClick();
    void EndClick();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A tile's widgets (the frame owns the others).
    struct Tile {
        QFrame* frame = nullptr;
        QLabel* who = nullptr;
        QLabel* machine = nullptr;
        QProgressBar* progress = nullptr;
        ColorLabel* state = nullptr;
        QLabel* time = nullptr;
    };
    struct Candidate {
        RoomRow row;
        std::vector<qint64> interruptions;  // seconds each one lasted, in order
    };

    void ShowTiles();
    void ShowTable();
    void ShowSelection();
    void PlaceTiles();
    Tile& TileFor(int studentNo);
    // The selected candidate whose attempt is in progress; otherwise says why not.
    const Candidate* SelectedInProgress();
    // The sitting shown when it is open; otherwise says so.
    bool SittingOpen();
    // Asks `question` ("提示", OK/Cancel); on OK runs `act` on the record and reads it again.
    void Act(const QString& question, const std::function<void(Database&, qint64)>& act);
    QString Who() const;

    // The sitting's clock as last read and when, by this console's clock.
    qint64 clockSitting_ = 0, clockBase_ = 0, clockBaseAt_ = 0;
    WindowPrompts prompts_;
    QLabel* sitting_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* selection_ = nullptr;
    QPushButton* toggle_ = nullptr;
    QStackedWidget* views_ = nullptr;
    QScrollArea* tileArea_ = nullptr;
    QWidget* tileCanvas_ = nullptr;
    ReportList* list_ = nullptr;
    QPushButton* giveTime_ = nullptr;
    QPushButton* collect_ = nullptr;
    QPushButton* allowMove_ = nullptr;
    QPushButton* collectAll_ = nullptr;
    QPushButton* end_ = nullptr;
    QTimer* timer_ = nullptr;
    std::function<qint64()> now_;
    QString administrator_;

    std::optional<SittingRow> shown_;
    std::vector<Candidate> candidates_;  // by student number
    std::map<int, Tile> tiles_;
    int selected_ = 0;
};
