#include "back_office/RoomTab.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "printing/ResultSources.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

RoomTab::RoomTab(QWidget* parent)
    : OfficeTab(parent), now_([] { return QDateTime::currentSecsSinceEpoch(); }) {
    setObjectName(QStringLiteral("TabRoom"));
    list_ = new ReportList(this, QStringLiteral("RoomList"),
                           {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("机器"),
                            QStringLiteral("状态"), QStringLiteral("已答"),
                            QStringLiteral("剩余时间"), QStringLiteral("得分")});
    list_->setGeometry(10, 10, 836, 440);
    const int widths[] = {90, 120, 190, 90, 100, 110, 90};
    for (int c = 0; c < 7; ++c)
        list_->setColumnWidth(c, widths[c]);
    summary_ = MakeLabel(this, QStringLiteral("RoomSummary"), QString(), 10, 458, 700, 24);
    summary_->setTextFormat(Qt::PlainText);
    QPushButton* refresh =
        MakeButton(this, QStringLiteral("RoomRefresh"), QStringLiteral("刷新"), 756, 456, 90, 30);
    guardedConnect(refresh, &QPushButton::clicked, this, [this] { Refresh(); });

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
    std::vector<RoomRow> rows;
    qint64 clock = 0;
    {
        UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        if (const std::optional<SittingRow> shown = record::SittingToShow(db)) {
            clock = shown->clock;
            rows = record::Room(db, shown->id);
        }
    }
    const qint64 now = now_();
    int counts[4] = {};  // in progress, handed in, timed out, interrupted
    list_->ClearRows();
    for (const RoomRow& row : rows) {
        const AttemptRow& attempt = row.attempt;
        const bool interrupted = attempt.Interrupted(clock);
        ++counts[interrupted ? 3 : int(attempt.state)];
        list_->AddRow({QString::number(attempt.studentNo), row.name, attempt.workstation,
                       AttemptStateText(attempt, clock),
                       QStringLiteral("%1 / %2").arg(row.answered).arg(attempt.questions),
                       FormatTime(attempt.secondsLeft), FormatGeneral(row.earned)});
        if (interrupted)
            list_->topLevelItem(list_->RowCount() - 1)->setForeground(3, QColor(0xFF0000));
    }
    summary_->setText(
        QStringLiteral("答题中 %1 人，已交卷 %2 人，已超时 %3 人，中断 %4 人（%5 刷新）")
            .arg(counts[0])
            .arg(counts[1])
            .arg(counts[2])
            .arg(counts[3])
            .arg(QDateTime::fromSecsSinceEpoch(now).toString(QStringLiteral("HH:mm:ss"))));
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
