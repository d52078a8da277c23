#include "back_office/SheetExchange.h"

#include "back_office/SheetPictures.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"

#include <QDir>
#include <QHash>
#include <QPushButton>

#include <memory>
#include <optional>

namespace {

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// A dialog may change the working directory; the database is found relative to it.
QString KeepingWorkdir(const std::function<QString()>& dialog) {
    const QString kept = QDir::currentPath();
    const QString file = dialog();
    QDir::setCurrent(kept);
    return file;
}

}  // namespace

SheetExchange::SheetExchange(Exchange member, const WindowPrompts& prompts, ReportList* list,
                             std::function<void()> refresh, QWidget* tab)
    : QObject(tab),
      rule_(RuleOf(member)),
      prompts_(prompts),
      list_(list),
      refresh_(std::move(refresh)) {}

void SheetExchange::Connect(QPushButton* exportButton, QPushButton* importButton,
                            QPushButton* saveButton) {
    const auto connect = [this](QPushButton* button, void (SheetExchange::*handler)()) {
        if (button)
            guardedConnect(button, &QPushButton::clicked, this,
                           [this, handler] { (this->*handler)(); });
    };
    connect(exportButton, &SheetExchange::ExportClick);
    connect(importButton, &SheetExchange::ImportClick);
    connect(saveButton, &SheetExchange::SaveClick);
}

QString AskWorkbookFile(const WindowPrompts& prompts, bool forSaving) {
    if (forSaving) return AskSaveFile(prompts, kExportFilter);
    return KeepingWorkdir([&] {
        return prompts.OpenFileName(kImportFilter + QStringLiteral(";;") + kImportOdsFilter);
    });
}

QString AskSaveFile(const WindowPrompts& prompts, const QString& filter) {
    return KeepingWorkdir([&] { return prompts.SaveFileName(filter); });
}

QString AskOpenFile(const WindowPrompts& prompts, const QString& filter) {
    return KeepingWorkdir([&] { return prompts.OpenFileName(filter); });
}

void SheetExchange::ExportClick() {
    const QString file = AskWorkbookFile(prompts_, true);
    if (file.isEmpty()) return;
    // Row 1 the captions, then one sheet row per list row; an empty list fills no cell at all.
    // A bank's pictures go into the cells of the texts that show them.
    SheetCells cells;
    CellPictures pictures;
    std::unique_ptr<Database> db;
    QHash<QString, std::optional<QByteArray>> known;
    const auto picture = [&](const QString& hash) {
        if (const auto found = known.constFind(hash); found != known.constEnd()) return *found;
        if (!db) db = std::make_unique<Database>(kDatabasePath);
        std::optional<QByteArray> bytes;
        if (const std::optional<Picture> read = ReadPicture(*db, hash)) bytes = read->bytes;
        known.insert(hash, bytes);
        return bytes;
    };
    if (list_->RowCount() > 0) {
        cells.reserve(list_->RowCount() + 1);
        cells << list_->Captions();
        for (int r = 0; r < list_->RowCount(); ++r) {
            QStringList row = list_->Row(r);
            for (int c = 0; rule_.member != Exchange::Candidates && c < row.size(); ++c) {
                if (!HasPictures(row[c])) continue;
                const ExportedCell exported = ExportedText(row[c], picture);
                row[c] = exported.text;
                for (const QByteArray& bytes : exported.pictures)
                    pictures << CellPicture{int(cells.size()), c, bytes, QString(), bytes.size()};
            }
            cells << row;
        }
    }
    db.reset();
    try {
        WriteSheet(file, cells, pictures);
    } catch (const WorkbookError& error) {
        prompts_.Error(QStringLiteral("导出失败：") + error.Message());
    }
}

void SheetExchange::ImportClick() {
    const QString file = AskWorkbookFile(prompts_, false);
    if (file.isEmpty()) return;
    SheetTexts sheet;
    CellPictures pictures;
    try {
        sheet = ReadSheet(file, QStringLiteral("Sheet1"),
                          rule_.member == Exchange::Candidates ? nullptr : &pictures);
    } catch (const WorkbookError& error) {
        prompts_.Error(error.Message() + kUnchangedNote);
        return;
    }
    // Sheet row 2 is the first list row.
    const QString source = QStringLiteral("文件 %1 ").arg(Shown(file));
    ListRows rows = RowsOfSheet(sheet);
    QList<QByteArray> stored;
    try {
        stored = PlaceSheetPictures(rule_, pictures, &rows, source);
    } catch (const RowError& error) {
        prompts_.Error(error.Message() + kUnchangedNote);
        return;
    }
    Store(rows, source, 2, stored);
}

void SheetExchange::SaveClick() {
    ListRows rows;
    rows.reserve(list_->RowCount());
    for (int r = 0; r < list_->RowCount(); ++r)
        rows << list_->Row(r);
    Store(rows, QStringLiteral("列表"), 1);
}

bool SheetExchange::Store(const ListRows& rows, const QString& source, int firstRow,
                          const QList<QByteArray>& pictures) {
    // Every row is checked before anything changes: one bad row must not cost the whole table.
    try {
        CheckRows(rule_, rows, source, firstRow);
    } catch (const RowError& error) {
        prompts_.Error(error.Message() + kUnchangedNote);
        return false;
    }
    if (rule_.member == Exchange::Candidates) {
        bool holdResults = false;
        {
            Database db(kDatabasePath);
            holdResults = CandidatesHoldResults(db);
        }
        if (holdResults && !prompts_.Confirm(kReplaceCaption, kReplaceCandidates)) return false;
    }
    try {
        if (!pictures.isEmpty()) UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        StoreRows(db, rule_, rows, pictures);
    } catch (const DatabaseError& error) {
        prompts_.Error(QStringLiteral("写入数据库时出错：") + error.Message() + kUnchangedNote);
        return false;
    }
    refresh_();
    return true;
}
