// The production file dialogs: a name typed without an extension is saved under the filter's one;
// the list's columns speak Chinese.
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMap>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <utility>

class PromptsTest : public QObject {
    Q_OBJECT
  private slots:
    void saveDialogAddsTheFiltersExtension_data();
    void saveDialogAddsTheFiltersExtension();
    void cancelledSaveDialogGivesNoName();
    void dialogColumnsAreChinese();
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

// With CX_SCREENSHOTS set to a folder, the import dialog's picture is saved there (run under Xvfb
// with QT_QPA_PLATFORM=xcb to see it as the program shows it).
void PromptsTest::dialogColumnsAreChinese() {
    LoadQtChinese();
    UseChineseLocale();
    QApplication::setFont(ProgramFont());
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("备份"));
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QMap<QString, QStringList> expected;  // size, type and date by name
    expected[QStringLiteral("备份")] = {QString(), QStringLiteral("文件夹")};
    for (const auto& [name, kind] :
         {std::pair{QStringLiteral("名单.xlsx"), QStringLiteral("excel文件")},
          std::pair{QStringLiteral("旧名单.xls"), QStringLiteral("excel文件")},
          std::pair{QStringLiteral("题库.ods"), QStringLiteral("OpenDocument 电子表格")}}) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(2048, 'x')) == 2048);
        file.close();
        expected[name] = {QStringLiteral("2.00 kB"), kind,
                          chinese.toString(QFileInfo(file).lastModified(), QLocale::ShortFormat)};
    }
    QList<QMap<QString, QStringList>> shown;  // per filter: size, type and date by name
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->setDirectory(dir.path());
        const auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        const auto list = [&](int count) {
            QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), count);
            shown.append(QMap<QString, QStringList>());
            for (int row = 0; row < count; ++row) {
                QStringList cells;
                for (int column = 1; column < 4; ++column)
                    cells << view->model()->index(row, column, view->rootIndex()).data().toString();
                shown.last()[view->model()->index(row, 0, view->rootIndex()).data().toString()] =
                    cells;
            }
        };
        list(3);
        const QString folder = qEnvironmentVariable("CX_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QTest::qWait(500);
            dialog->screen()->grabWindow(0).save(folder + QStringLiteral("/import-dialog.png"));
        }
        dialog->selectNameFilter(QStringLiteral("OpenDocument 电子表格(*.ods)"));
        list(2);
        dialog->reject();
    });
    QtPrompts prompts;
    prompts.OpenFileName(nullptr,
                         QStringLiteral("excel文件(*.xlsx *.xls);;OpenDocument 电子表格(*.ods)"));
    QCOMPARE(shown.size(), 2);
    for (const auto& filtered : shown) {
        for (auto row = filtered.begin(); row != filtered.end(); ++row) {
            QCOMPARE(row.value().mid(0, expected[row.key()].size()), expected[row.key()]);
            QVERIFY2(!row.value()[2].contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
                     qPrintable(row.value()[2]));  // the folder's date too
        }
    }
    QCOMPARE(shown[0].keys(), (QStringList{QStringLiteral("名单.xlsx"), QStringLiteral("备份"),
                                           QStringLiteral("旧名单.xls")}));
    QCOMPARE(shown[1].keys(), (QStringList{QStringLiteral("备份"), QStringLiteral("题库.ods")}));
}

QTEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
