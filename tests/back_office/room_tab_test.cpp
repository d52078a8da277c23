// "考场监控": each candidate's latest attempt with its state — interrupted after 30 s of silence —
// the questions answered, the time left and the running score; read while shown, never written.
#include "back_office/RoomTab.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"
#include "support/TestWorkdir.h"
#include "ui_common/ReportList.h"

#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QtTest>

namespace {

// An attempt of the open sitting whose last sign of life came at `lastSeen` on the sitting's clock.
qint64 Begin(Database& db, int studentNo, const char* workstation, qint64 lastSeen, int left) {
    AttemptRow row;
    row.sitting =
        record::SittingForSignIn(db, 1000).id;  // before the transaction: it takes its own
    row.owner = QStringLiteral("owner");
    row.lastClock = lastSeen;
    row.studentNo = studentNo;
    row.workstation = QString::fromLatin1(workstation);
    row.startedAt = 1000;
    row.lastSeen = lastSeen;
    row.secondsLeft = left;
    row.questions = 83;
    Transaction begin(db);
    record::BeginAttempt(db, row);
    begin.Commit();
    return row.id;
}

}  // namespace

class RoomTabTest : public QObject {
    Q_OBJECT

  private slots:
    void showsEveryCandidatesLatestAttemptAndWritesNothing() {
        TestWorkdir dir;
        dir.Sql(
            QStringLiteral("insert into Userxinxi (UserID, Xuehao, Xingmin) values "
                           "(2, '120001', '李四'), (3, '120002', '王五'), (4, '120003', '赵六')"));
        {
            Database db(kDatabasePath);
            const qint64 writing = Begin(db, 110101, "ws-01", 1990, 3600);
            record::WriteAnswer(
                db, writing,
                {1, 1, QStringLiteral("A"), {}, false, true, 1, QStringLiteral("A"), 1, 1990});
            record::WriteAnswer(
                db, writing,
                {3, 2, QStringLiteral("错"), {}, false, true, 2, QStringLiteral("对"), 0, 1990});
            Begin(db, 120001, "ws-02", 1970, 3500);  // silent for 30 s
            record::EndAttempt(db, Begin(db, 120002, "ws-03", 1500, 3000), QStringLiteral("owner"),
                               AttemptState::HandedIn, 0, 2900, 1600);
            record::EndAttempt(db, Begin(db, 120003, "ws-04", 1500, 10), QStringLiteral("owner"),
                               AttemptState::TimedOut, 0, 0, 1600);
            record::AdvanceClock(db, record::OpenSitting(db)->id, 2000);
        }
        QFile file(dir.DatabaseFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();

        RoomTab tab(nullptr);
        tab.SetClock([] { return qint64(2000); });
        tab.Refresh();
        auto* list = tab.findChild<ReportList*>(QStringLiteral("RoomList"));
        QCOMPARE(list->Captions(),
                 (QStringList{"学号", "姓名", "机器", "状态", "已答", "剩余时间", "得分"}));
        QCOMPARE(list->RowCount(), 4);
        QCOMPARE(list->Row(0),
                 (QStringList{"110101", "张三", "ws-01", "答题中", "2 / 83", "01:00:00", "1"}));
        QCOMPARE(list->Cell(1, 3), QStringLiteral("中断"));
        QCOMPARE(list->Cell(2, 3), QStringLiteral("已交卷"));
        QCOMPARE(list->Cell(3, 3), QStringLiteral("已超时"));
        QVERIFY(
            tab.findChild<QLabel*>(QStringLiteral("RoomSummary"))
                ->text()
                .startsWith(QStringLiteral("答题中 1 人，已交卷 1 人，已超时 1 人，中断 1 人")));
        file.seek(0);
        QCOMPARE(file.readAll(), before);

        // The refresh runs while the tab is on screen only.
        auto* timer = tab.findChild<QTimer*>(QStringLiteral("RoomTimer"));
        tab.show();
        QVERIFY(timer->isActive());
        tab.hide();
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(RoomTabTest)
#include "room_tab_test.moc"
