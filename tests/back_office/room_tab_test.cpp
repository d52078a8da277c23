// "考场监控": a tile and a table row per candidate of the sitting shown — state in colour, time
// left on the sitting's clock, interruptions — read while shown and never written by the reading;
// the proctor's acts, each confirmed, change the record and leave their audit row.
#include "back_office/BankTab.h"
#include "back_office/RoomTab.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

namespace {

// An attempt of the open sitting, started at clock 0, whose last sign of life came at `lastClock`.
qint64 Begin(Database& db, int studentNo, const char* workstation, qint64 lastClock, int left) {
    AttemptRow row;
    row.sitting = record::OpenSitting(db)->id;
    row.owner = QStringLiteral("owner");
    row.installation = QStringLiteral("inst-") + QString::number(studentNo);
    row.lastClock = lastClock;
    row.studentNo = studentNo;
    row.workstation = QString::fromLatin1(workstation);
    row.secondsLeft = left;
    row.questions = 83;
    Transaction begin(db);
    record::BeginAttempt(db, row);
    begin.Commit();
    return row.id;
}

// A room at sitting clock 2000 of a one-hour sitting: 110101 writing (2 answered, 10 minutes
// given), 120001 interrupted for 30 s after an earlier interruption of 95 s, 120002 handed in,
// 120003 timed out.
struct Room {
    TestWorkdir dir;
    ScriptedPrompts prompts;
    RoomTab tab{prompts, nullptr};
    qint64 sitting = 0, writing = 0, silent = 0;

    Room() {
        dir.Sql(
            QStringLiteral("insert into Userxinxi (UserID, Xuehao, Xingmin) values "
                           "(2, '120001', '李四'), (3, '120002', '王五'), (4, '120003', '赵六')"));
        Database db(kDatabasePath);
        sitting = record::OpenNewSitting(db, QStringLiteral("期中 一班"), 3600, "张老师", 1000).id;
        writing = Begin(db, 110101, "ws-01", 1990, 3000);
        record::WriteAnswer(
            db, writing,
            {1, 1, QStringLiteral("A"), {}, false, true, 1, QStringLiteral("A"), 1, 1990});
        record::WriteAnswer(
            db, writing,
            {3, 2, QStringLiteral("错"), {}, false, true, 2, QStringLiteral("对"), 0, 1990});
        record::GiveTime(db, writing, 10, QStringLiteral("张老师"), 1500);
        silent = Begin(db, 120001, "ws-02", 1970, 1000);
        record::NoteResume(db, *record::Attempt(db, silent), 95, 1400);
        record::EndAttempt(db, Begin(db, 120002, "ws-03", 1500, 3000), QStringLiteral("owner"),
                           AttemptState::HandedIn, 0, 2900, 1600);
        record::EndAttempt(db, Begin(db, 120003, "ws-04", 1500, 10), QStringLiteral("owner"),
                           AttemptState::TimedOut, 0, 0, 1600);
        record::AdvanceClock(db, sitting, 2000);
        tab.SetClock([] { return qint64(1'800'000'000); });
        tab.SetAdministrator(QStringLiteral("张老师"));
        tab.Refresh();
    }
    template <typename T>
    T* Child(const QObject* parent, const QString& name) const {
        return parent->findChild<T*>(name);
    }
    QFrame* Tile(int studentNo) const {
        return Child<QFrame>(&tab, QStringLiteral("RoomTile%1").arg(studentNo));
    }
    std::vector<AuditRow> Audit() const {
        Database db(kDatabasePath);
        return record::Audit(db, sitting);
    }
    AttemptRow Attempt(qint64 id) const {
        Database db(kDatabasePath);
        return *record::Attempt(db, id);
    }
    // Answers the dialog the next step opens with `fill`, then "确定" or "取消".
    void OnDialog(std::function<void(QDialog*)> fill, bool ok = true) {
        QTimer::singleShot(0, [fill, ok] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            fill(dialog);
            dialog
                ->findChild<QPushButton*>(ok ? QStringLiteral("AskOk")
                                             : QStringLiteral("AskCancel"))
                ->click();
        });
    }
};

}  // namespace

class RoomTabTest : public QObject {
    Q_OBJECT

  private slots:
    void tilesAndTableShowEveryStateAndTheReadingWritesNothing() {
        Room room;
        QFile file(room.dir.DatabaseFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        room.tab.Refresh();

        struct Expected {
            int studentNo;
            const char* who;
            const char* state;
            QColor color;
            const char* time;
        };
        const Expected expected[] = {
            // 3600 + 600 given - 2000 run: less than the 3000 it last wrote.
            {110101, "110101  张三", "答题中", kWritingColor, "00:36:40"},
            // Interrupted: what it last wrote less the 30 s of silence since.
            {120001, "120001  李四", "中断 00:00:30", kInterruptedColor, "00:16:10"},
            {120002, "120002  王五", "已交卷", kHandedInColor, "00:48:20"},
            {120003, "120003  赵六", "已超时", kTimedOutColor, "00:00:00"},
        };
        int previousY = -1;
        for (const Expected& e : expected) {
            QFrame* tile = room.Tile(e.studentNo);
            QVERIFY(tile);
            QCOMPARE(room.Child<QLabel>(tile, "TileWho")->text(), QString::fromUtf8(e.who));
            QCOMPARE(room.Child<ColorLabel>(tile, "TileState")->text(), QString::fromUtf8(e.state));
            QCOMPARE(room.Child<ColorLabel>(tile, "TileState")->color(), e.color);
            QCOMPARE(room.Child<QLabel>(tile, "TileTime")->text(), QString::fromUtf8(e.time));
            QVERIFY(tile->y() > previousY || tile->x() > 0);  // by student number
            previousY = tile->y();
        }
        QFrame* writing = room.Tile(110101);
        QCOMPARE(room.Child<QLabel>(writing, "TileMachine")->text(),
                 QStringLiteral("ws-01（inst-110101）"));
        QCOMPARE(room.Child<QProgressBar>(writing, "TileProgress")->text(),
                 QStringLiteral("2 / 83"));
        QVERIFY(writing->toolTip().contains(QStringLiteral("加时：10 分钟")));
        QVERIFY(room.Tile(120001)->toolTip().contains(QStringLiteral("中断 1 次：00:01:35")));

        auto* list = room.Child<ReportList>(&room.tab, "RoomList");
        QCOMPARE(list->RowCount(), 4);
        QCOMPARE(list->Row(0), (QStringList{"110101", "张三", "ws-01（inst-110101）", "答题中",
                                            "2 / 83", "00:36:40", "1", ""}));
        QCOMPARE(list->Cell(1, 7), QStringLiteral("1 次：00:01:35"));
        QCOMPARE(list->topLevelItem(1)->foreground(3).color(), kInterruptedColor.darker(170));
        QVERIFY(room.Child<QLabel>(&room.tab, "RoomSummary")
                    ->text()
                    .startsWith(QStringLiteral(
                        "共 4 人：答题中 1 人，中断 1 人，已交卷 1 人，已超时 1 人")));
        QVERIFY(room.Child<QLabel>(&room.tab, "RoomSitting")
                    ->text()
                    .startsWith(QStringLiteral("场次：期中 一班　进行中　开考 ")));

        // A click on a tile selects its candidate, and the table row with it.
        QTest::mouseClick(room.Child<QLabel>(room.Tile(120001), "TileWho"), Qt::LeftButton);
        QCOMPARE(room.tab.Selected(), 120001);
        QCOMPARE(list->SelectedRow(), 1);

        file.seek(0);
        QCOMPARE(file.readAll(), before);

        // Nobody writes (a lone machine frozen): the console's own clock runs the sitting's on.
        static qint64 consoleNow = 1'800'000'000;
        room.tab.SetClock([] { return consoleNow; });
        consoleNow += 40;
        room.tab.Refresh();
        QCOMPARE(room.Child<ColorLabel>(room.Tile(110101), "TileState")->text(),
                 QStringLiteral("中断 00:00:50"));

        // The refresh runs while the tab is on screen only.
        auto* timer = room.Child<QTimer>(&room.tab, "RoomTimer");
        room.tab.show();
        QVERIFY(timer->isActive());
        room.tab.hide();
        QVERIFY(!timer->isActive());
    }

    void actsOnTheSelectedCandidateAreConfirmedAndAudited() {
        Room room;
        const int audited = int(room.Audit().size());

        // Nothing selected, or an attempt that has ended: nothing to act on.
        room.tab.CollectClick();
        room.tab.Select(120002);
        room.tab.GiveTimeClick();
        QCOMPARE(room.prompts.Messages(),
                 (QStringList{"请先选择一名考生。", "该考生的考试已结束。"}));

        // Cancelled in the dialog, then at the question: nothing written.
        room.tab.Select(110101);
        room.OnDialog([](QDialog*) {}, false);
        room.tab.GiveTimeClick();
        room.prompts.confirmAnswers << false;
        room.OnDialog([](QDialog* d) { d->findChild<QSpinBox*>("GiveMinutes")->setValue(15); });
        room.tab.GiveTimeClick();
        room.prompts.confirmAnswers << false;
        room.tab.CollectClick();
        QCOMPARE(int(room.Audit().size()), audited);
        QCOMPARE(room.Attempt(room.writing).extraSeconds, 600);

        room.prompts.Clear();
        room.OnDialog([](QDialog* d) { d->findChild<QSpinBox*>("GiveMinutes")->setValue(15); });
        room.tab.GiveTimeClick();
        QCOMPARE(room.prompts.shown.last().caption, QStringLiteral("提示"));
        QCOMPARE(room.prompts.LastText(), QStringLiteral("给 110101 张三 加时 15 分钟？"));
        QCOMPARE(room.Attempt(room.writing).extraSeconds, 1500);
        QVERIFY(room.Tile(110101)->toolTip().contains(QStringLiteral("加时：25 分钟")));

        room.tab.Select(120001);
        room.tab.AllowMoveClick();
        QVERIFY(room.Attempt(room.silent).moveAllowed);
        room.tab.Select(110101);
        room.tab.CollectClick();
        const AttemptRow collected = room.Attempt(room.writing);
        QCOMPARE(collected.state, AttemptState::HandedIn);
        QCOMPARE(*collected.score, 1.0);
        QCOMPARE(room.Child<ColorLabel>(room.Tile(110101), "TileState")->text(), "已交卷");

        const std::vector<AuditRow> audit = room.Audit();
        QCOMPARE(int(audit.size()), audited + 3);
        const auto act = [&](int k) {
            const AuditRow& row = audit[audited + k];
            return QStringLiteral("%1|%2|%3|%4")
                .arg(row.action)
                .arg(row.studentNo.value_or(0))
                .arg(row.amount.value_or(-1))
                .arg(row.by);
        };
        QCOMPARE(act(0), QStringLiteral("加时|110101|15|张老师"));
        QCOMPARE(act(1), QStringLiteral("允许换机|120001|-1|张老师"));
        QCOMPARE(act(2), QStringLiteral("收卷|110101|-1|张老师"));
    }

    void sittingActsCollectEndAndOpenOnlyWhenNoneIsOpen() {
        Room room;
        room.tab.OpenClick();
        QCOMPARE(room.prompts.LastText(), SittingAlreadyOpen("期中 一班").Message());
        // The bank tabs say that edits now reach the next sitting, and only while one is open.
        BankTab bank(Bank::MultiChoice, room.prompts, nullptr);
        const auto notice = [&] {
            bank.Refresh();
            return !room.Child<QLabel>(&bank, "TabSheet3SittingNotice")->isHidden();
        };
        QVERIFY(notice());

        room.tab.CollectAllClick();
        QCOMPARE(room.Attempt(room.writing).state, AttemptState::HandedIn);
        QCOMPARE(room.Attempt(room.silent).state, AttemptState::HandedIn);
        room.tab.EndClick();
        QVERIFY(room.Child<QLabel>(&room.tab, "RoomSitting")->text().contains("已结束"));
        QVERIFY(!room.Child<QPushButton>(&room.tab, "RoomEnd")->isEnabled());
        QVERIFY(!notice());
        QStringList acts;
        for (const AuditRow& row : room.Audit())
            acts << row.action + u'|' + row.by;
        QCOMPARE(acts.mid(acts.size() - 2), (QStringList{"全部收卷|张老师", "结束本场|张老师"}));

        // 开考: the name from today's date, the duration from the exam time, both editable.
        QString name, duration;
        bool shuffleTicked = true;
        room.OnDialog([&](QDialog* d) {
            shuffleTicked = d->findChild<QCheckBox*>("SittingShuffle")->isChecked();
            name = d->findChild<QLineEdit*>("SittingName")->text();
            duration = d->findChild<QLineEdit*>("SittingDuration")->text();
            d->findChild<QLineEdit*>("SittingDuration")->setText("01:30:00");
        });
        room.tab.OpenClick();
        QCOMPARE(name, QDateTime::fromSecsSinceEpoch(1'800'000'000).toString("yyyy-MM-dd") +
                           QStringLiteral(" 考试"));
        QCOMPARE(duration, QStringLiteral("01:10:00"));
        Database db(kDatabasePath);
        const std::optional<SittingRow> opened = record::OpenSitting(db);
        QVERIFY(opened && opened->id != room.sitting);
        QCOMPARE(opened->durationSeconds, 5400);
        QCOMPARE(opened->openedBy, QStringLiteral("张老师"));
        QCOMPARE(record::Audit(db, opened->id).front().action, QStringLiteral("开考"));
        // The console moves to the new, empty sitting.
        QCOMPARE(room.Child<ReportList>(&room.tab, "RoomList")->RowCount(), 0);
        // 乱序 is off unless ticked; ticked, the sitting keeps it and the console says so.
        QVERIFY(!shuffleTicked);
        QVERIFY(!opened->shuffled);
        room.tab.EndClick();
        room.OnDialog(
            [](QDialog* d) { d->findChild<QCheckBox*>("SittingShuffle")->setChecked(true); });
        room.tab.OpenClick();
        QVERIFY(record::OpenSitting(db)->shuffled);
        QVERIFY(room.Child<QLabel>(&room.tab, "RoomSitting")->text().contains("乱序"));
    }
};

QTEST_MAIN(RoomTabTest)
#include "room_tab_test.moc"
