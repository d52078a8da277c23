// analysis_preview [candidates] [--in-progress] [--select ROW] [--second] [--list]: the back office
// on its "成绩分析" tab over a simulated class in a temporary working directory, for looking at the
// tab (and screenshots); --second adds an earlier sitting of another class, --list opens the
// sittings' drop-down.
#include "back_office/AnalysisTab.h"
#include "back_office/BackOffice.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/SimulatedRecord.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setFont(ProgramFont());
    const QStringList args = app.arguments();
    SimulatedClass simulated;
    if (args.size() > 1 && args[1].toInt() > 0) simulated.candidates = args[1].toInt();
    TestWorkdir dir;
    {
        Database db(kDatabasePath);
        if (args.contains(QStringLiteral("--second"))) {
            SimulatedClass earlier = simulated;
            earlier.sittingName = QStringLiteral("期中 计算机应用基础 二班");
            earlier.firstStudentNo = 120101;
            earlier.seed = 2;
            FillRecord(db, earlier);
            dir.Sql(QStringLiteral("UPDATE Changci SET Kaishi=Kaishi-86400*30, Jieshu=Kaishi"));
        }
        simulated.sittingName = QStringLiteral("期末 计算机应用基础 一班");
        FillRecord(db, simulated);
    }
    QtPrompts prompts;
    SetErrorPrompts(&prompts);
    BackOffice office(prompts, nullptr);
    office.show();
    auto* pages = office.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    pages->setCurrentWidget(office.findChild<QWidget*>(QStringLiteral("TabAnalysis")));
    if (args.contains(QStringLiteral("--in-progress")))
        office.findChild<QCheckBox*>(QStringLiteral("AnalysisInProgress"))->setChecked(true);
    const int select = args.indexOf(QStringLiteral("--select"));
    if (select > 0 && select + 1 < args.size()) {
        auto* questions = office.findChild<ReportList*>(QStringLiteral("AnalysisQuestions"));
        questions->SelectRow(args[select + 1].toInt());
        office.findChild<AnalysisTab*>()->QuestionsClick();
        questions->scrollToItem(questions->topLevelItem(args[select + 1].toInt()));
    }
    if (args.contains(QStringLiteral("--list")))
        QTimer::singleShot(500, [&office] {
            office.findChild<QComboBox*>(QStringLiteral("AnalysisExam"))->showPopup();
        });
    return app.exec();
}
