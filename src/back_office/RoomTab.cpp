#include "back_office/RoomTab.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "ui_common/Colors.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/FormDialog.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QCheckBox>
#include <QDateTime>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>

namespace {

constexpr int kMargin = kPageMargin;
constexpr int kTileWidth = 156;
constexpr int kTileHeight = 94;
constexpr int kTileGap = 6;

enum class Shown { Writing, Interrupted, HandedIn, TimedOut };

Shown StateOf(const AttemptRow& attempt, qint64 clock) {
    switch (attempt.state) {
        case AttemptState::HandedIn:
            return Shown::HandedIn;
        case AttemptState::TimedOut:
            return Shown::TimedOut;
        case AttemptState::InProgress:
            break;
    }
    return attempt.Interrupted(clock) ? Shown::Interrupted : Shown::Writing;
}

QColor ColorOf(Shown state) {
    switch (state) {
        case Shown::Writing:
            return kWritingColor;
        case Shown::Interrupted:
            return kInterruptedColor;
        case Shown::HandedIn:
            return kHandedInColor;
        case Shown::TimedOut:
            break;
    }
    return kTimedOutColor;
}

QString StateText(const AttemptRow& attempt, qint64 clock) {
    switch (StateOf(attempt, clock)) {
        case Shown::Writing:
            return QStringLiteral("答题中");
        case Shown::Interrupted:
            return QStringLiteral("中断 ") + FormatTime(int(attempt.SilentFor(clock)));
        case Shown::HandedIn:
            return QStringLiteral("已交卷");
        case Shown::TimedOut:
            break;
    }
    return QStringLiteral("已超时");
}

// "2 次：00:01:20、00:00:45"; empty without any.
QString InterruptionsText(const std::vector<qint64>& seconds) {
    if (seconds.empty()) return QString();
    QStringList each;
    for (qint64 s : seconds)
        each << FormatTime(int(s));
    return QStringLiteral("%1 次：").arg(seconds.size()) + each.join(QStringLiteral("、"));
}

QString Machine(const AttemptRow& attempt) {
    if (attempt.installation.isEmpty()) return attempt.workstation;
    return attempt.workstation + QStringLiteral("（") + attempt.installation + QStringLiteral("）");
}

QString DateTimeText(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString SittingText(const std::optional<SittingRow>& sitting) {
    if (!sitting) return QStringLiteral("尚无考试场次");
    const QString by =
        sitting->openedBy.isEmpty() ? QStringLiteral("（考生登录时自动开考）") : sitting->openedBy;
    QString text = QStringLiteral("场次：%1　%2　开考 %3 %4")
                       .arg(sitting->name,
                            sitting->IsOpen() ? QStringLiteral("进行中") : QStringLiteral("已结束"),
                            DateTimeText(sitting->openedAt), by);
    if (sitting->shuffled) text += QStringLiteral("　乱序");
    if (sitting->IsOpen()) return text;
    return text +
           QStringLiteral("　结束 %1 %2").arg(DateTimeText(*sitting->endedAt), sitting->endedBy);
}

// A small modal form: labelled fields, "确定" and "取消"; true on "确定".
bool AskForm(QWidget* owner, const QString& name, const QString& title,
             const std::vector<std::pair<QString, QWidget*>>& fields) {
    FormDialog dialog(owner);
    dialog.setObjectName(name);
    dialog.setWindowTitle(title);
    const int width = 380;
    int y = 20;
    for (const auto& [caption, field] : fields) {
        QLabel* label = MakeLabel(&dialog, QString(), caption, 16, y, 90, 26);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setParent(&dialog);
        field->setGeometry(112, y, width - 112 - 20, 26);
        label->setBuddy(field);
        y += 36;
    }
    QPushButton* ok =
        MakeButton(&dialog, QStringLiteral("AskOk"), QStringLiteral("确定"), 90, y + 8, 90, 30);
    QPushButton* cancel = MakeButton(&dialog, QStringLiteral("AskCancel"), QStringLiteral("取消"),
                                     200, y + 8, 90, 30);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    dialog.setFixedSize(width, y + 56);
    if (!fields.empty()) fields.front().second->setFocus();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    for (const auto& field : fields)
        field.second->setParent(nullptr);  // the caller owns and reads them
    return accepted;
}

}  // namespace

RoomTab::RoomTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent),
      prompts_(prompts, this),
      now_([] { return QDateTime::currentSecsSinceEpoch(); }) {
    setObjectName(QStringLiteral("TabRoom"));
    sitting_ = MakeLabel(this, QStringLiteral("RoomSitting"), QString(), kMargin, 8, 740, 22);
    sitting_->setTextFormat(Qt::PlainText);
    sitting_->setFont(PixelFont(13, true));
    summary_ = MakeLabel(this, QStringLiteral("RoomSummary"), QString(), kMargin, 32, 640, 20);
    summary_->setTextFormat(Qt::PlainText);
    toggle_ = MakeButton(this, QStringLiteral("RoomViewToggle"), QStringLiteral("表格视图"),
                         kPageWidth - kMargin - 96, 8, 96, 30);

    views_ = new QStackedWidget(this);
    views_->setObjectName(QStringLiteral("RoomViews"));
    views_->setGeometry(kMargin, 58, kPageWidth - 2 * kMargin, 382);
    tileArea_ = new QScrollArea(views_);
    tileArea_->setObjectName(QStringLiteral("RoomTiles"));
    tileArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tileArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tileCanvas_ = new QWidget;
    tileCanvas_->setObjectName(QStringLiteral("RoomTileCanvas"));
    tileArea_->setWidget(tileCanvas_);
    views_->addWidget(tileArea_);
    list_ =
        new ReportList(views_, QStringLiteral("RoomList"),
                       {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("机器"),
                        QStringLiteral("状态"), QStringLiteral("已答"), QStringLiteral("剩余时间"),
                        QStringLiteral("得分"), QStringLiteral("中断记录")});
    const int widths[] = {70, 70, 170, 100, 70, 80, 60, 200};
    for (int c = 0; c < 8; ++c)
        list_->setColumnWidth(c, widths[c]);
    views_->addWidget(list_);
    guardedConnect(toggle_, &QPushButton::clicked, this, [this] {
        const bool tiles = views_->currentWidget() == tileArea_;
        views_->setCurrentWidget(tiles ? static_cast<QWidget*>(list_) : tileArea_);
        toggle_->setText(tiles ? QStringLiteral("卡片视图") : QStringLiteral("表格视图"));
    });
    guardedConnect(list_, &ReportList::rowClicked, this, [this] {
        const int row = list_->SelectedRow();
        if (row >= 0) Select(list_->Cell(row, 0).toInt());
    });

    selection_ = MakeLabel(this, QStringLiteral("RoomSelected"), QString(), kMargin, 446, 844, 22);
    selection_->setTextFormat(Qt::PlainText);
    const auto button = [this](const char* name, const QString& caption, int x,
                               void (RoomTab::*handler)()) {
        QPushButton* made = MakeButton(this, QString::fromLatin1(name), caption, x, 476, 90, 30);
        guardedConnect(made, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        return made;
    };
    giveTime_ = button("RoomGiveTime", QStringLiteral("加时"), kMargin, &RoomTab::GiveTimeClick);
    collect_ = button("RoomCollect", QStringLiteral("收卷"), kMargin + 98, &RoomTab::CollectClick);
    allowMove_ = button("RoomAllowMove", QStringLiteral("允许换机"), kMargin + 196,
                        &RoomTab::AllowMoveClick);
    button("RoomOpen", QStringLiteral("开考"), 470, &RoomTab::OpenClick);
    collectAll_ =
        button("RoomCollectAll", QStringLiteral("全部收卷"), 568, &RoomTab::CollectAllClick);
    end_ = button("RoomEnd", QStringLiteral("结束本场"), 666, &RoomTab::EndClick);
    button("RoomRefresh", QStringLiteral("刷新"), 764, &RoomTab::Refresh);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("RoomTimer"));
    timer_->setInterval(kRefreshMs);
    // Idle-time work: a failure is shown on the tab, not in a box every three seconds.
    connect(timer_, &QTimer::timeout, this, [this] {
        if (const auto error = CaughtError([this] { Refresh(); }))
            summary_->setText(QStringLiteral("读取考场记录失败：") + *error);
    });
}

void RoomTab::Refresh() {
    std::optional<SittingRow> shown;
    std::vector<RoomRow> rows;
    std::vector<AuditRow> audit;
    {
        UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        shown = record::SittingToShow(db);
        if (shown) {
            rows = record::Room(db, shown->id);
            audit = record::Audit(db, shown->id);
        }
    }
    // The sitting's clock as this console measures it: when no workstation writes (a lone
    // candidate's machine frozen), the stored clock stands still, yet time runs on here. The
    // console's own clock only ever measures its own intervals; it writes nothing.
    if (shown && shown->IsOpen()) {
        const qint64 now = now_();
        if (shown->id != clockSitting_ || shown->clock > clockBase_ + (now - clockBaseAt_)) {
            clockSitting_ = shown->id;
            clockBase_ = shown->clock;
            clockBaseAt_ = now;
        }
        shown->clock = qMax(shown->clock, clockBase_ + qMax<qint64>(0, now - clockBaseAt_));
    }
    shown_ = shown;
    candidates_.clear();
    std::map<qint64, std::vector<qint64>> interruptions;
    for (const AuditRow& act : audit)
        if (act.action == QStringLiteral("恢复") && act.attempt)
            interruptions[*act.attempt].push_back(act.amount.value_or(0));
    for (RoomRow& row : rows) {
        std::vector<qint64> lasted = interruptions[row.attempt.id];
        candidates_.push_back({std::move(row), std::move(lasted)});
    }

    const qint64 clock = shown ? shown->clock : 0;
    int counts[4] = {};
    for (const Candidate& candidate : candidates_)
        ++counts[int(StateOf(candidate.row.attempt, clock))];
    sitting_->setText(SittingText(shown));
    sitting_->setToolTip(sitting_->text());  // a long name may not fit
    summary_->setText(
        QStringLiteral("共 %1 人：答题中 %2 人，中断 %3 人，已交卷 %4 人，已超时 %5 人（%6 刷新）")
            .arg(candidates_.size())
            .arg(counts[0])
            .arg(counts[1])
            .arg(counts[2])
            .arg(counts[3])
            .arg(QDateTime::fromSecsSinceEpoch(now_()).toString(QStringLiteral("HH:mm:ss"))));
    ShowTiles();
    ShowTable();
    ShowSelection();
}

void RoomTab::ShowTiles() {
    const qint64 clock = shown_ ? shown_->clock : 0;
    std::map<int, Tile> kept;
    for (const Candidate& candidate : candidates_) {
        const AttemptRow& attempt = candidate.row.attempt;
        Tile tile = TileFor(attempt.studentNo);
        tiles_.erase(attempt.studentNo);
        tile.who->setText(QString::number(attempt.studentNo) + QStringLiteral("  ") +
                          candidate.row.name);
        tile.machine->setText(Machine(attempt));
        tile.progress->setRange(0, qMax(attempt.questions, 1));
        tile.progress->setValue(qMin(candidate.row.answered, qMax(attempt.questions, 1)));
        tile.progress->setFormat(
            QStringLiteral("%1 / %2").arg(candidate.row.answered).arg(attempt.questions));
        tile.state->setText(StateText(attempt, clock));
        tile.state->setColor(ColorOf(StateOf(attempt, clock)));
        tile.time->setText(FormatTime(attempt.InProgress() && shown_
                                          ? record::SecondsLeftAt(attempt, *shown_, clock)
                                          : attempt.secondsLeft));
        QStringList tip = {QStringLiteral("机器：") + Machine(attempt)};
        if (attempt.extraSeconds > 0)
            tip << QStringLiteral("加时：%1 分钟").arg(attempt.extraSeconds / 60);
        tip << (candidate.interruptions.empty()
                    ? QStringLiteral("未中断过")
                    : QStringLiteral("中断 ") + InterruptionsText(candidate.interruptions));
        tile.frame->setToolTip(tip.join(u'\n'));
        kept.emplace(attempt.studentNo, tile);
    }
    for (auto& [studentNo, tile] : tiles_)
        delete tile.frame;
    tiles_ = std::move(kept);
    PlaceTiles();
}

RoomTab::Tile& RoomTab::TileFor(int studentNo) {
    if (const auto found = tiles_.find(studentNo); found != tiles_.end()) return found->second;
    Tile tile;
    tile.frame = new QFrame(tileCanvas_);
    tile.frame->setObjectName(QStringLiteral("RoomTile%1").arg(studentNo));
    tile.frame->setProperty("studentNo", studentNo);
    tile.frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    tile.frame->setAutoFillBackground(true);
    tile.frame->installEventFilter(this);
    tile.who = MakeLabel(tile.frame, QStringLiteral("TileWho"), QString(), 6, 4, 144, 20);
    tile.who->setFont(PixelFont(13, true));
    tile.machine = MakeLabel(tile.frame, QStringLiteral("TileMachine"), QString(), 6, 24, 144, 18);
    tile.machine->setStyleSheet(QStringLiteral("color: #505050;"));
    tile.progress = new QProgressBar(tile.frame);
    tile.progress->setObjectName(QStringLiteral("TileProgress"));
    tile.progress->setGeometry(6, 44, 144, 18);
    tile.progress->setAlignment(Qt::AlignCenter);
    tile.state = new ColorLabel(tile.frame, QStringLiteral("TileState"), QString(), kWritingColor);
    tile.state->setGeometry(6, 68, 88, 20);
    tile.state->setAttribute(Qt::WA_TransparentForMouseEvents);
    tile.time = MakeLabel(tile.frame, QStringLiteral("TileTime"), QString(), 96, 68, 54, 20);
    tile.time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tile.frame->show();
    return tiles_.emplace(studentNo, tile).first->second;
}

void RoomTab::PlaceTiles() {
    // The area's width is fixed: known before the area was ever laid out or shown.
    const int width = views_->width() - 2 * tileArea_->frameWidth() -
                      tileArea_->verticalScrollBar()->sizeHint().width();
    const int columns = qMax(1, (width - kTileGap) / (kTileWidth + kTileGap));
    int i = 0;
    for (const Candidate& candidate : candidates_) {
        const Tile& tile = tiles_.at(candidate.row.attempt.studentNo);
        tile.frame->setGeometry(kTileGap + (i % columns) * (kTileWidth + kTileGap),
                                kTileGap + (i / columns) * (kTileHeight + kTileGap), kTileWidth,
                                kTileHeight);
        ++i;
    }
    const int rows = (i + columns - 1) / columns;
    tileCanvas_->resize(width, kTileGap + rows * (kTileHeight + kTileGap));
}

void RoomTab::ShowTable() {
    const qint64 clock = shown_ ? shown_->clock : 0;
    list_->ClearRows();
    for (const Candidate& candidate : candidates_) {
        const AttemptRow& attempt = candidate.row.attempt;
        list_->AddRow({QString::number(attempt.studentNo), candidate.row.name, Machine(attempt),
                       StateText(attempt, clock),
                       QStringLiteral("%1 / %2").arg(candidate.row.answered).arg(attempt.questions),
                       FormatTime(attempt.InProgress() && shown_
                                      ? record::SecondsLeftAt(attempt, *shown_, clock)
                                      : attempt.secondsLeft),
                       FormatGeneral(candidate.row.earned),
                       InterruptionsText(candidate.interruptions)});
        // The list's item style paints no backgrounds: the state's colour, darker, as text.
        list_->topLevelItem(list_->RowCount() - 1)
            ->setForeground(3, ColorOf(StateOf(attempt, clock)).darker(170));
    }
}

void RoomTab::Select(int studentNo) {
    selected_ = studentNo;
    ShowSelection();
    if (const auto tile = tiles_.find(studentNo); tile != tiles_.end())
        tileArea_->ensureWidgetVisible(tile->second.frame);
}

void RoomTab::ShowSelection() {
    const Candidate* chosen = nullptr;
    for (int i = 0; i < int(candidates_.size()); ++i)
        if (candidates_[i].row.attempt.studentNo == selected_) {
            chosen = &candidates_[i];
            if (list_->SelectedRow() != i) list_->SelectRow(i);
        }
    for (auto& [studentNo, tile] : tiles_) {
        const bool on = studentNo == selected_;
        tile.frame->setLineWidth(on ? 3 : 1);
        QPalette palette = tile.frame->palette();
        palette.setColor(QPalette::Window, on ? kSkyBlue : QColor(Qt::white));
        tile.frame->setPalette(palette);
    }
    if (!chosen) list_->clearSelection();
    const bool writing = chosen && chosen->row.attempt.InProgress();
    giveTime_->setEnabled(writing);
    collect_->setEnabled(writing);
    allowMove_->setEnabled(writing);
    const bool open = shown_ && shown_->IsOpen();
    collectAll_->setEnabled(open);
    end_->setEnabled(open);
    selection_->setText(
        chosen ? QStringLiteral("已选考生：%1 %2（%3）")
                     .arg(chosen->row.attempt.studentNo)
                     .arg(chosen->row.name, StateText(chosen->row.attempt, shown_->clock))
               : QStringLiteral("未选考生：点击一张卡片或表格的一行选择考生。"));
}

bool RoomTab::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant studentNo = watched->property("studentNo");
        if (studentNo.isValid()) Select(studentNo.toInt());
    }
    return OfficeTab::eventFilter(watched, event);
}

const RoomTab::Candidate* RoomTab::SelectedInProgress() {
    for (const Candidate& candidate : candidates_) {
        if (candidate.row.attempt.studentNo != selected_) continue;
        if (candidate.row.attempt.InProgress()) return &candidate;
        prompts_.Message(QStringLiteral("该考生的考试已结束。"));
        return nullptr;
    }
    prompts_.Message(QStringLiteral("请先选择一名考生。"));
    return nullptr;
}

bool RoomTab::SittingOpen() {
    if (shown_ && shown_->IsOpen()) return true;
    prompts_.Message(QStringLiteral("当前没有进行中的考试场次。"));
    return false;
}

QString RoomTab::Who() const {
    return administrator_.isEmpty() ? QStringLiteral("admin") : administrator_;
}

void RoomTab::Act(const QString& question, const std::function<void(Database&, qint64)>& act) {
    if (!prompts_.Confirm(QStringLiteral("提示"), question)) return;
    try {
        Database db(kDatabasePath);
        act(db, now_());
    } catch (const AttemptLost&) {
        // Ended meanwhile (handed in, timed out, or collected from another office).
        prompts_.Message(QStringLiteral("该考生的考试已结束。"));
    } catch (const SittingAlreadyOpen& open) {
        prompts_.Message(open.Message());
    }
    Refresh();
}

void RoomTab::GiveTimeClick() {
    const Candidate* chosen = SelectedInProgress();
    if (!chosen) return;
    const AttemptRow attempt = chosen->row.attempt;
    const QString who = QString::number(attempt.studentNo) + u' ' + chosen->row.name;
    QSpinBox minutes;
    minutes.setObjectName(QStringLiteral("GiveMinutes"));
    minutes.setRange(1, 120);
    minutes.setValue(10);
    minutes.setSuffix(QStringLiteral(" 分钟"));
    if (!AskForm(this, QStringLiteral("GiveTimeDialog"), QStringLiteral("加时：") + who,
                 {{QStringLiteral("加时："), &minutes}}))
        return;
    const int given = minutes.value();
    Act(QStringLiteral("给 %1 加时 %2 分钟？").arg(who).arg(given),
        [&](Database& db, qint64 now) { record::GiveTime(db, attempt.id, given, Who(), now); });
}

void RoomTab::CollectClick() {
    const Candidate* chosen = SelectedInProgress();
    if (!chosen) return;
    const AttemptRow attempt = chosen->row.attempt;
    Act(QStringLiteral("收取 %1 %2 的试卷？其考试立即结束，按已答题目计分。")
            .arg(attempt.studentNo)
            .arg(chosen->row.name),
        [&](Database& db, qint64 now) { record::Collect(db, attempt.id, Who(), now); });
}

void RoomTab::AllowMoveClick() {
    const Candidate* chosen = SelectedInProgress();
    if (!chosen) return;
    const AttemptRow attempt = chosen->row.attempt;
    Act(QStringLiteral("允许 %1 %2 立即换到另一台机器继续考试？%3 上的作答将停止。")
            .arg(attempt.studentNo)
            .arg(chosen->row.name, attempt.workstation),
        [&](Database& db, qint64 now) { record::AllowMove(db, attempt.id, Who(), now); });
}

void RoomTab::OpenClick() {
    QString defaultTime;
    {
        Database db(kDatabasePath);
        if (const std::optional<SittingRow> open = record::OpenSitting(db)) {
            prompts_.Message(SittingAlreadyOpen(open->name).Message());
            return;
        }
        defaultTime = FormatTime(record::ConfiguredDuration(db));
    }
    QLineEdit name(QDateTime::fromSecsSinceEpoch(now_()).toString(QStringLiteral("yyyy-MM-dd")) +
                   QStringLiteral(" 考试"));
    name.setObjectName(QStringLiteral("SittingName"));
    QLineEdit duration(defaultTime);
    duration.setObjectName(QStringLiteral("SittingDuration"));
    FilterKeys(&duration, kDigitsAndColon);
    QCheckBox shuffle(QStringLiteral("乱序"));
    shuffle.setObjectName(QStringLiteral("SittingShuffle"));
    shuffle.setToolTip(
        QStringLiteral("每位考生的题目顺序和选择题的选项顺序各不相同，"
                       "防止相邻考生互相参照；评分与记录仍按题库的题号和选项。"));
    if (!AskForm(this, QStringLiteral("OpenSittingDialog"), QStringLiteral("开考"),
                 {{QStringLiteral("场次名称："), &name},
                  {QStringLiteral("考试时长："), &duration},
                  {QStringLiteral("题目顺序："), &shuffle}}))
        return;
    const bool shuffled = shuffle.isChecked();
    const QString title = name.text().trimmed();
    int seconds = 0;
    if (title.isEmpty()) {
        prompts_.Message(QStringLiteral("场次名称不能为空。"));
        return;
    }
    if (!TryStrToTime(duration.text().trimmed(), &seconds) || seconds <= 0) {
        prompts_.Message(QStringLiteral("考试时长请写成“时:分:秒”，例如 01:30:00。"));
        return;
    }
    Act(QStringLiteral("开始“%1”，考试时长 %2%3？")
            .arg(title, FormatTime(seconds),
                 shuffled ? QStringLiteral("，题目和选项乱序") : QString()),
        [&](Database& db, qint64 now) {
            record::OpenNewSitting(db, title, seconds, Who(), now, shuffled);
        });
}

void RoomTab::CollectAllClick() {
    if (!SittingOpen()) return;
    const qint64 sitting = shown_->id;
    Act(QStringLiteral("收取“%1”所有仍在答题的考生的试卷？他们的考试立即结束，按已答题目计分。")
            .arg(shown_->name),
        [&](Database& db, qint64 now) { record::CollectAll(db, sitting, Who(), now); });
}

void RoomTab::EndClick() {
    if (!SittingOpen()) return;
    const qint64 sitting = shown_->id;
    Act(QStringLiteral("结束“%1”？仍在答题的考生按超时结束，之后登录的考生进入新的一场。")
            .arg(shown_->name),
        [&](Database& db, qint64 now) { record::EndSitting(db, sitting, Who(), now); });
}

void RoomTab::showEvent(QShowEvent* event) {
    OfficeTab::showEvent(event);
    RunGuarded([this] { Refresh(); });
    timer_->start();
}

void RoomTab::hideEvent(QHideEvent* event) {
    timer_->stop();
    OfficeTab::hideEvent(event);
}
