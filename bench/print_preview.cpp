// print_preview [--pdf DIR] [--tab NAME] [--preview class|sheet|analysis] [--shot PREFIX]: the
// back office over a simulated class of 40 in a temporary working directory. --pdf writes the
// class list, the result sheet of the third candidate and the analysis report to DIR through
// their "导出PDF" buttons; --tab shows a tab; --preview opens the print preview of one of them;
// --shot saves the back office (PREFIX-office.png) and the preview (PREFIX-preview.png) after a
// moment and ends.
#include "back_office/BackOffice.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/ScriptedPrompts.h"
#include "support/SimulatedRecord.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setFont(ProgramFont());
    const QStringList args = app.arguments();
    TestWorkdir dir;
    {
        Database db(kDatabasePath);
        db.RunStatement(QStringLiteral("DELETE FROM Userxinxi"));  // numbered from 110101 too
        FillRecord(db, SimulatedClass());
    }
    ScriptedPrompts prompts;
    SetErrorPrompts(&prompts);
    BackOffice office(prompts, nullptr);
    office.show();
    auto* pages = office.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    auto click = [&](const char* tab, const char* button) {
        pages->setCurrentWidget(office.findChild<QWidget*>(QString::fromLatin1(tab)));
        if (QString::fromLatin1(tab) == QStringLiteral("TabSheet1")) {
            auto* list = office.findChild<ReportList*>(QStringLiteral("ListView3"));
            list->SelectRow(2);
        }
        office.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    };
    const int pdf = args.indexOf(QStringLiteral("--pdf"));
    if (pdf > 0 && pdf + 1 < args.size()) {
        const QString out = args[pdf + 1];
        prompts.fileAnswers << out + QStringLiteral("/class_list.pdf")
                            << out + QStringLiteral("/result_sheet.pdf")
                            << out + QStringLiteral("/analysis.pdf");
        click("TabSheet1", "ClassListPdf");
        click("TabSheet1", "ResultSheetPdf");
        click("TabAnalysis", "AnalysisPdf");
    }
    const int tab = args.indexOf(QStringLiteral("--tab"));
    if (tab > 0 && tab + 1 < args.size())
        pages->setCurrentWidget(office.findChild<QWidget*>(args[tab + 1]));
    const int shot = args.indexOf(QStringLiteral("--shot"));
    if (shot > 0 && shot + 1 < args.size()) {
        const QString prefix = args[shot + 1];
        QTimer::singleShot(2000, [&office, prefix] {
            office.grab().save(prefix + QStringLiteral("-office.png"));
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                dialog->grab().save(prefix + QStringLiteral("-preview.png"));
                dialog->close();
            }
            QTimer::singleShot(0, qApp, &QApplication::quit);
        });
    }
    const int preview = args.indexOf(QStringLiteral("--preview"));
    if (preview > 0 && preview + 1 < args.size()) {
        const QString which = args[preview + 1];
        if (which == QStringLiteral("class")) click("TabSheet1", "ClassListPreview");
        if (which == QStringLiteral("sheet")) click("TabSheet1", "ResultSheetPreview");
        if (which == QStringLiteral("analysis")) click("TabAnalysis", "AnalysisPreview");
    }
    for (const QString& text : prompts.Texts())
        std::printf("%s\n", qPrintable(text));
    return shot > 0 ? app.exec() : 0;
}
