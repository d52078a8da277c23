// The production file dialogs: a name typed without an extension is saved under the filter's one.
#include "ui_common/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class PromptsTest : public QObject {
    Q_OBJECT
  private slots:
    void saveDialogAddsTheFiltersExtension_data();
    void saveDialogAddsTheFiltersExtension();
    void cancelledSaveDialogGivesNoName();
};

namespace {

// Types `name` into the save dialog once it is open, then accepts or cancels it.
void AnswerDialog(const QString& name, bool accept) {
    QTimer::singleShot(0, [name, accept] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        if (accept) {
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            static_cast<QDialog*>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });
}

}  // namespace

void PromptsTest::saveDialogAddsTheFiltersExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << QStringLiteral("成绩") << QStringLiteral("成绩.xlsx");
    QTest::newRow("own extension") << QStringLiteral("成绩.xls") << QStringLiteral("成绩.xls");
}

void PromptsTest::saveDialogAddsTheFiltersExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    QtPrompts prompts;
    AnswerDialog(dir.filePath(typed), true);
    QCOMPARE(prompts.SaveFileName(nullptr, QStringLiteral("Excel文档(*.xlsx)")),
             dir.filePath(saved));
}

void PromptsTest::cancelledSaveDialogGivesNoName() {
    QtPrompts prompts;
    AnswerDialog(QString(), false);
    QCOMPARE(prompts.SaveFileName(nullptr, QStringLiteral("Excel文档(*.xlsx)")), QString());
}

QTEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
