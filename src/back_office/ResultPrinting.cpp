#include "back_office/ResultPrinting.h"

#include "back_office/SheetExchange.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "printing/ResultSources.h"

#include <QDateTime>
#include <QPrintPreviewDialog>
#include <QPrinter>

void OutputDocument(const WindowPrompts& prompts, QWidget* owner, PrintDocument document,
                    PrintOutput output) {
    {
        Database db(kDatabasePath);
        document.school = ReadSchoolName(db);
    }
    if (output == PrintOutput::Preview) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(document.title);
        QPrintPreviewDialog dialog(&printer, owner ? owner->window() : nullptr);
        dialog.setObjectName(QStringLiteral("PrintPreview"));
        dialog.setWindowTitle(QStringLiteral("打印预览 - ") + document.title);
        dialog.resize(900, 1000);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&document](QPrinter* target) { PaintDocument(document, *target); });
        dialog.exec();
        return;
    }
    const QString file = AskSaveFile(prompts, kPdfFilter);
    if (file.isEmpty()) return;
    try {
        WritePdf(document, file);
    } catch (const PrintError& error) {
        prompts.Error(QStringLiteral("导出失败：") + error.message);
    }
}

void PrintClassList(const WindowPrompts& prompts, QWidget* owner, PrintOutput output) {
    ClassListData data;
    {
        UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        data = ReadClassList(db);
    }
    OutputDocument(prompts, owner, ClassListDocument(data), output);
}

void PrintResultSheet(const WindowPrompts& prompts, QWidget* owner, const QString& studentNo,
                      PrintOutput output) {
    if (studentNo.isEmpty()) {
        prompts.Message(QStringLiteral("请先在列表中选择一名考生。"));
        return;
    }
    std::optional<ResultSheetData> data;
    {
        UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        data = ReadResultSheet(db, studentNo);
    }
    if (!data) {
        prompts.Message(QStringLiteral("考生不存在，请重新输入考生学号。"));
        return;
    }
    OutputDocument(prompts, owner, ResultSheetDocument(*data), output);
}
