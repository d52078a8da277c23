// Legacy .xls files damaged by fuzzing (an earlier .xls library crashed or read out of bounds on
// them): the import reports a damaged workbook in one box, the database stays as it was, and the
// program goes on to import a sound workbook. The reader runs in process: under the sanitizers
// any over-read would stop this test.
#include "back_office/BackOffice.h"
#include "back_office/workbook/Workbook.h"
#include "reliability/Faults.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"

#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class DamagedWorkbookTest : public QObject {
    Q_OBJECT

  private slots:
    void damagedLegacyFileIsReported_data() {
        QTest::addColumn<QString>("file");
        for (const char* name :
             {"freexl_segv.xls", "freexl_heap_overflow.xls", "freexl_stack_overread.xls"})
            QTest::newRow(name) << QStringLiteral(CX_TEST_DATA "/damaged_legacy/") +
                                       QString::fromLatin1(name);
    }
    void damagedLegacyFileIsReported() {
        QFETCH(QString, file);
        QVERIFY_THROWS_EXCEPTION(WorkbookError, ReadSheet(file));

        TestWorkdir dir;
        ScriptedPrompts prompts;
        SetErrorPrompts(&prompts);
        BackOffice office(prompts, nullptr);
        office.EnsureBuilt();
        auto* tab = office.findChild<QWidget*>(QStringLiteral("TabSheet1"));
        office.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentWidget(tab);
        office.show();
        auto* import = tab->findChild<QPushButton*>(QStringLiteral("Butk2"));
        const QByteArray before = FileBytes(dir.DatabaseFile());
        prompts.Clear();
        prompts.fileAnswers.enqueue(file);
        QTest::mouseClick(import, Qt::LeftButton);
        QCOMPARE(prompts.Errors().size(), 1);
        QVERIFY(prompts.Errors().first().contains(QStringLiteral("数据库中的数据没有改动")));
        QCOMPARE(FileBytes(dir.DatabaseFile()), before);

        // The program goes on: a sound workbook imports.
        prompts.Clear();
        prompts.fileAnswers.enqueue(QStringLiteral(CX_TEST_DATA "/calc_candidates.xls"));
        QTest::mouseClick(import, Qt::LeftButton);
        QVERIFY2(prompts.Errors().isEmpty(), qPrintable(prompts.LastText()));
        QVERIFY(FileBytes(dir.DatabaseFile()) != before);
        SetErrorPrompts(nullptr);
    }
};

QTEST_MAIN(DamagedWorkbookTest)
#include "damaged_workbook_test.moc"
