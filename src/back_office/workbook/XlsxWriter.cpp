// Writing sheets of text and number cells to an .xlsx workbook with libxlsxwriter. The workbook
// goes to a temporary name beside the target and replaces it only when it is complete.
#include "back_office/workbook/WorkbookInternal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

// Pictures are scaled down to fit this box, and stand below the lines of their cell's text (aligned
// to the top, up to kTextLines of kTextLine pixels kept clear) and apart from each other.
constexpr double kPictureWidth = 160;
constexpr double kPictureHeight = 90;
constexpr int kTextLine = 20;
constexpr int kTextLines = 8;
constexpr int kPictureGap = 4;
// A column's width in pixels when the sheet does not set it (8.43 characters).
constexpr int kDefaultColumnPixels = 64;

quint32 BigEndian(const QByteArray& b, qsizetype at, int bytes) {
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | uchar(b[at + i]);
    return value;
}

quint32 LittleEndian(const QByteArray& b, qsizetype at, int bytes) {
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | uchar(b[at + i]);
    return value;
}

// A PNG, GIF, BMP or JPEG picture's width and height in pixels, from its header; 0 x 0 when the
// bytes are none of them.
std::pair<double, double> PictureSize(const QByteArray& b) {
    if (b.startsWith("\x89PNG") && b.size() >= 24)
        return {BigEndian(b, 16, 4), BigEndian(b, 20, 4)};
    if (b.startsWith("GIF8") && b.size() >= 10)
        return {LittleEndian(b, 6, 2), LittleEndian(b, 8, 2)};
    if (b.startsWith("BM") && b.size() >= 26)
        return {LittleEndian(b, 18, 4), std::abs(qint32(LittleEndian(b, 22, 4)))};
    if (b.startsWith("\xFF\xD8")) {
        // Segments up to the frame header (SOF0..SOF15 but DHT, JPG and DAC).
        for (qsizetype at = 2; at + 9 < b.size();) {
            if (uchar(b[at]) != 0xFF) break;
            const uchar marker = uchar(b[at + 1]);
            if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                marker != 0xCC)
                return {BigEndian(b, at + 7, 2), BigEndian(b, at + 5, 2)};
            at += 2 + BigEndian(b, at + 2, 2);
        }
    }
    return {0, 0};
}

// Where each picture goes: its cell, its offset there and its scale; the rows and columns that
// must grow to hold them.
struct PicturePlacement {
    int row, column;
    int x, y;
    double scale;
};

struct PictureLayout {
    QList<PicturePlacement> placed;
    QMap<int, int> rowPixels;     // row -> height
    QMap<int, int> columnPixels;  // column -> width
};

PictureLayout LayOut(const CellPictures& pictures, const QList<QList<CellValue>>& rows) {
    PictureLayout layout;
    QMap<std::pair<int, int>, int> used;  // cell -> pixels taken from its left
    for (const CellPicture& picture : pictures) {
        const QString* text = picture.row < rows.size() && picture.column < rows[picture.row].size()
                                  ? std::get_if<QString>(&rows[picture.row][picture.column])
                                  : nullptr;
        const int top =
            kTextLine * int(std::min<qsizetype>(text ? text->count(u'\n') + 1 : 1, kTextLines));
        const auto [width, height] = PictureSize(picture.bytes);
        const double scale = width > 0 && height > 0
                                 ? std::min({1.0, kPictureWidth / width, kPictureHeight / height})
                                 : 1.0;
        const int shownWidth = width > 0 ? int(std::ceil(width * scale)) : int(kPictureWidth);
        const int shownHeight = height > 0 ? int(std::ceil(height * scale)) : int(kPictureHeight);
        int& x = used[{picture.row, picture.column}];
        x += kPictureGap;
        layout.placed.append({picture.row, picture.column, x, top, scale});
        x += shownWidth;
        int& rowHeight = layout.rowPixels[picture.row];
        rowHeight = std::max(rowHeight, top + shownHeight + kPictureGap);
        int& columnWidth = layout.columnPixels[picture.column];
        columnWidth = std::max({columnWidth, kDefaultColumnPixels, x + kPictureGap});
    }
    return layout;
}

// Writes one cell; an empty text or a value that is not a finite number leaves it unfilled.
bool WriteCell(lxw_worksheet* sheet, int r, int c, const CellValue& value,
               lxw_format* format = nullptr) {
    if (const double* number = std::get_if<double>(&value)) {
        if (!std::isfinite(*number)) return true;
        return worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), *number, format) ==
               LXW_NO_ERROR;
    }
    const QString& text = std::get<QString>(value);
    if (text.isEmpty()) return true;
    return worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                  EscapeCellUnderscores(text).toUtf8().constData(),
                                  format) == LXW_NO_ERROR;
}

// Places the sheet's pictures; the texts of their cells go to the top, above them.
bool PlacePictures(lxw_workbook* workbook, lxw_worksheet* sheet, const SheetData& data,
                   const CellPictures& pictures) {
    if (pictures.isEmpty()) return true;
    const PictureLayout layout = LayOut(pictures, data.rows);
    bool placed = true;
    for (auto row = layout.rowPixels.constBegin(); row != layout.rowPixels.constEnd(); ++row)
        placed = placed && worksheet_set_row_pixels(sheet, lxw_row_t(row.key()), uint32_t(*row),
                                                    nullptr) == LXW_NO_ERROR;
    for (auto column = layout.columnPixels.constBegin(); column != layout.columnPixels.constEnd();
         ++column)
        placed = placed && worksheet_set_column_pixels(sheet, lxw_col_t(column.key()),
                                                       lxw_col_t(column.key()), uint32_t(*column),
                                                       nullptr) == LXW_NO_ERROR;
    lxw_format* top = workbook_add_format(workbook);
    format_set_align(top, LXW_ALIGN_VERTICAL_TOP);
    QSet<std::pair<int, int>> cells;
    for (const CellPicture& picture : pictures)
        cells.insert({picture.row, picture.column});
    for (const auto& [r, c] : cells)
        if (r < data.rows.size() && c < data.rows[r].size())
            placed = placed && WriteCell(sheet, r, c, data.rows[r][c], top);
    for (int i = 0; placed && i < pictures.size(); ++i) {
        const CellPicture& picture = pictures[i];
        const PicturePlacement& place = layout.placed[i];
        lxw_image_options options = {};
        options.x_offset = place.x;
        options.y_offset = place.y;
        options.x_scale = place.scale;
        options.y_scale = place.scale;
        options.object_position = LXW_OBJECT_MOVE_DONT_SIZE;
        placed = worksheet_insert_image_buffer_opt(
                     sheet, lxw_row_t(place.row), lxw_col_t(place.column),
                     reinterpret_cast<const unsigned char*>(picture.bytes.constData()),
                     size_t(picture.bytes.size()), &options) == LXW_NO_ERROR;
    }
    return placed;
}

// Fills the workbook at temporary, pictures[i] (when there) in sheets[i]; returns false when the
// library refused (it has then written nothing usable).
bool FillWorkbook(const QString& path, const QString& temporary, const QList<SheetData>& sheets,
                  const QList<CellPictures>& pictures) {
    lxw_workbook_options options = {};
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(temporary).constData(), &options);
    if (!workbook) return false;
    bool written = true;
    for (qsizetype i = 0; i < sheets.size(); ++i) {
        const SheetData& data = sheets[i];
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
        written = written && PlacePictures(workbook, sheet, data, pictures.value(i));
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
    WriteSheet(path, cells, {}, sheetName);
}

void WriteSheet(const QString& path, const SheetCells& cells, const CellPictures& pictures,
                const QString& sheetName) {
    SheetData sheet{sheetName, {}};
    sheet.rows.reserve(cells.size());
    for (const QStringList& row : cells)
        sheet.rows.append(QList<CellValue>(row.begin(), row.end()));
    WriteSheets(path, {sheet}, {pictures});
}

void WriteWorkbook(const QString& path, const QList<SheetData>& sheets) {
    WriteSheets(path, sheets, {});
}

void workbook_detail::WriteSheets(const QString& path, const QList<SheetData>& sheets,
                                  const QList<CellPictures>& pictures) {
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

    if (!FillWorkbook(path, temporary, sheets, pictures) || !Synchronize(temporary))
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
