// room_preview [candidates] [--table] [--ended] [--tab NAME] [--select STUDENTNO]
// [--act give|collect|move|open|all|end]:
// the back office on its "考场监控" tab over a simulated room in a temporary working directory —
// candidates writing, interrupted (some more than once), handed in and timed out — to look at the
// console and at the dialog of each act (screenshots).
#include "back_office/BackOffice.h"
#include "back_office/RoomTab.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "record/Sitting.h"
#include "support/SimulatedRecord.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

// Turns the simulated class's attempts in progress into a live room on the sitting's clock: most
// write (a sign of life seconds ago), some are interrupted for a while, some resumed after an
// interruption; each has answered part of the paper.
void MakeRoomLive(Database& db, const SimulatedClass& simulated) {
    const SittingRow shown = *record::SittingToShow(db);
    const qint64 sitting = shown.id;
    const qint64 clock = shown.clock;
    Transaction live(db);
    for (int c = 0; c < simulated.candidates; ++c) {
        const qint64 number = simulated.firstStudentNo + c;
        db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Shebei=? WHERE Xuehao=?"),
                        {QStringLiteral("%1").arg(0x3f2a9c01b400 + c * 7919, 12, 16), number});
        if (c < simulated.candidates - simulated.inProgress) continue;
        const int k = c - (simulated.candidates - simulated.inProgress);
        const qint64 silent = k % 4 == 3 ? 45 + k * 40 : k % 3;
        const qint64 attempt = record::LatestAttempt(db, int(number))->id;
        db.RunStatement(
            QStringLiteral("UPDATE Kaoshijilu SET Qidian=0, Zuihou=?, Shengyu=?, "
                           "Jiashi=? WHERE JiluID=?"),
            {clock - silent, qint64(4200 - (clock - silent)), qint64(k == 2 ? 600 : 0), attempt});
        db.RunStatement(QStringLiteral("UPDATE Datijilu SET Daan='' WHERE JiluID=? AND "
                                       "Bufen*100+TestID > ?"),
                        {attempt, qint64(100 + 12 * k % 330)});
        const auto audit = [&](const QString& action, qint64 amount, const QString& by) {
            db.RunStatement(QStringLiteral("INSERT INTO Jiankao (ChangciID,JiluID,Xuehao,Caozuo,"
                                           "Canshu,Ren,Shijian) VALUES (?,?,?,?,?,?,?)"),
                            {sitting, attempt, number, action, amount, by, qint64(1'796'001'000)});
        };
        if (k % 3 == 1) audit(QStringLiteral("恢复"), 130 + k * 11, QStringLiteral("pc%1").arg(c));
        if (k % 5 == 1) audit(QStringLiteral("恢复"), 48, QStringLiteral("pc%1").arg(c + 1));
        if (k == 2) audit(QStringLiteral("加时"), 10, QStringLiteral("admin"));
    }
    live.Commit();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setFont(ProgramFont());
    const QStringList args = app.arguments();
    SimulatedClass simulated;
    simulated.candidates = 36;
    simulated.firstStudentNo = 120101;
    simulated.sittingName = QStringLiteral("2026-12-15 期末 计算机应用基础 一班");
    if (args.size() > 1 && args[1].toInt() > 0) simulated.candidates = args[1].toInt();
    simulated.inProgress = simulated.candidates * 2 / 3;
    TestWorkdir dir;
    {
        Database db(kDatabasePath);
        FillRecord(db, simulated);
        MakeRoomLive(db, simulated);
        if (args.contains(QStringLiteral("--ended")))
            record::EndSitting(db, record::OpenSitting(db)->id, QStringLiteral("admin"),
                               1'796'004'000);
    }
    QtPrompts prompts;
    SetErrorPrompts(&prompts);
    BackOffice office(prompts, nullptr);
    office.SetAdministrator(QStringLiteral("admin"));
    office.show();
    auto* pages = office.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto* room = office.findChild<RoomTab*>();
    pages->setCurrentWidget(room);
    if (const int tab = args.indexOf(QStringLiteral("--tab")); tab > 0 && tab + 1 < args.size())
        pages->setCurrentWidget(office.findChild<QWidget*>(args[tab + 1]));
    if (args.contains(QStringLiteral("--table")))
        office.findChild<QPushButton*>(QStringLiteral("RoomViewToggle"))->click();
    const int select = args.indexOf(QStringLiteral("--select"));
    if (select > 0 && select + 1 < args.size()) room->Select(args[select + 1].toInt());
    const int act = args.indexOf(QStringLiteral("--act"));
    if (act > 0 && act + 1 < args.size()) {
        const QString which = args[act + 1];
        QTimer::singleShot(500, room, [room, which] {
            RunGuarded([&] {
                if (which == QStringLiteral("give")) room->GiveTimeClick();
                if (which == QStringLiteral("collect")) room->CollectClick();
                if (which == QStringLiteral("move")) room->AllowMoveClick();
                if (which == QStringLiteral("open")) room->OpenClick();
                if (which == QStringLiteral("all")) room->CollectAllClick();
                if (which == QStringLiteral("end")) room->EndClick();
            });
        });
    }
    return app.exec();
}
