// Writing sheets of text and number cells to an .xlsx workbook with libxlsxwriter. The workbook
// goes to a temporary name beside the target and replaces it only when it is complete.
#include "back_office/workbook/WorkbookInternal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>

namespace workbook_detail {

namespace {

// The most characters a spreadsheet cell holds.
constexpr int kMaxCellText = 32767;

// Refuses what no spreadsheet can hold before anything is written.
void CheckLimits(const QString& path, const QList<SheetData>& sheets) {
    for (const SheetData& sheet : sheets) {
        const auto& rows = sheet.rows;
        if (rows.size() > kMaxRows)
            throw WriteFailed(path, QStringLiteral("工作表最多只能有 %1 行").arg(kMaxRows));
        for (int r = 0; r < rows.size(); ++r) {
            if (rows[r].size() > kMaxColumns)
                throw WriteFailed(path, QStringLiteral("工作表最多只能有 %1 列").arg(kMaxColumns));
            for (int c = 0; c < rows[r].size(); ++c) {
                const QString* text = std::get_if<QString>(&rows[r][c]);
                if (text && text->size() > kMaxCellText)
                    throw WriteFailed(path, QStringLiteral("单元格 %1 的文字超过 %2 个字符")
                                                .arg(CellName(r, c))
                                                .arg(kMaxCellText));
            }
        }
    }
}

// Writes one cell; an empty text or a value that is not a finite number leaves it unfilled.
bool WriteCell(lxw_worksheet* sheet, int r, int c, const CellValue& value) {
    if (const double* number = std::get_if<double>(&value)) {
        if (!std::isfinite(*number)) return true;
        return worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), *number, nullptr) ==
               LXW_NO_ERROR;
    }
    const QString& text = std::get<QString>(value);
    if (text.isEmpty()) return true;
    return worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                  EscapeCellUnderscores(text).toUtf8().constData(),
                                  nullptr) == LXW_NO_ERROR;
}

// Fills the workbook at temporary; returns false when the library refused (it has then written
// nothing usable).
bool FillWorkbook(const QString& path, const QString& temporary, const QList<SheetData>& sheets) {
    lxw_workbook_options options = {};
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(temporary).constData(), &options);
    if (!workbook) return false;
    bool written = true;
    for (const SheetData& data : sheets) {
        const QByteArray name = data.name.toUtf8();
        if (workbook_validate_sheet_name(workbook, name.constData()) != LXW_NO_ERROR) {
            workbook_close(workbook);
            throw WriteFailed(path, QStringLiteral("工作表名 %1 无效").arg(data.name));
        }
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, name.constData());
        written = written && sheet != nullptr;
        for (int r = 0; written && r < data.rows.size(); ++r)
            for (int c = 0; written && c < data.rows[r].size(); ++c)
                written = WriteCell(sheet, r, c, data.rows[r][c]);
    }
    // Closing writes the file and frees the workbook, also after a refused cell.
    return workbook_close(workbook) == LXW_NO_ERROR && written;
}

// Flushes the file to the disk, so the rename never exposes an unwritten file after a crash.
bool Synchronize(const QString& fileName) {
    const int descriptor = ::open(QFile::encodeName(fileName).constData(), O_RDONLY);
    if (descriptor < 0) return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

// The permissions a newly created file gets (0666 less the process's umask).
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

}  // namespace workbook_detail

using namespace workbook_detail;

void WriteSheet(const QString& path, const SheetCells& cells, const QString& sheetName) {
    SheetData sheet{sheetName, {}};
    sheet.rows.reserve(cells.size());
    for (const QStringList& row : cells)
        sheet.rows.append(QList<CellValue>(row.begin(), row.end()));
    WriteWorkbook(path, {sheet});
}

void WriteWorkbook(const QString& path, const QList<SheetData>& sheets) {
    const QFileInfo target(path);
    if (target.isDir()) throw WriteFailed(path, QStringLiteral("同名的文件夹已经存在"));
    if (sheets.isEmpty()) throw WriteFailed(path, QStringLiteral("没有工作表"));
    CheckLimits(path, sheets);

    if (!target.absoluteDir().exists()) throw WriteFailed(path, QStringLiteral("文件夹不存在"));

    // Reserve a unique temporary name in the target's folder (a rename does not cross disks).
    QTemporaryFile reserved(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!reserved.open()) throw WriteFailed(path, QStringLiteral("文件夹不可写"));
    const QString temporary = reserved.fileName();
    reserved.close();

    if (!FillWorkbook(path, temporary, sheets) || !Synchronize(temporary))
        throw WriteFailed(path, QString());  // the temporary file goes with `reserved`

    // A replaced file keeps its permissions, a new one gets the usual ones.
    const QByteArray temporaryName = QFile::encodeName(temporary);
    struct stat existing;
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &existing) == 0
                            ? (existing.st_mode & 07777)
                            : NewFileMode();
    ::chmod(temporaryName.constData(), mode);
    if (std::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0)
        throw WriteFailed(path, QString());
    reserved.setAutoRemove(false);  // its name now belongs to the written workbook
}
