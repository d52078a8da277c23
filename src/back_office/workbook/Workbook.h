// Spreadsheet workbooks as rectangles of cell texts: the back office exports its lists to .xlsx
// and imports them from .xlsx, .ods or legacy .xls, and writes the results analysis with number
// cells. The lists' cells are exchanged as text. No Widgets here.
#pragma once

#include "back_office/workbook/SheetTexts.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <variant>

// A workbook that cannot be read or written. The message is Simplified Chinese, names the file and
// is meant for the error box as it stands.
class WorkbookError : public std::runtime_error {
  public:
    explicit WorkbookError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Reads the sheet named sheetName (an exact name first, otherwise the same name in other letter
// case, as spreadsheet programs match sheet names) from an .xlsx, an OpenDocument spreadsheet
// (.ods) or a legacy .xls file (Excel 97-2003 or Excel 5.0/95), told apart by the file's first
// bytes (and a zip's mimetype part), not by its name.
//
// The result is the rectangle from A1 to the last row and the last column holding a non-empty
// cell, every row padded with empty texts to the same length; a sheet without such a cell gives no
// rows. Numbers become their general floating format (1, 0.5, 110101), texts stay as they are
// (rich-text runs joined), booleans "TRUE"/"FALSE", error cells their text ("#N/A", "#DIV/0!"),
// formula cells their last computed value as the program that saved the file stored it (in every
// format), and empty cells empty text. A number whose format is a date or a time reads as
// "YYYY-MM-DD", "hh:mm:ss" or "YYYY-MM-DD hh:mm:ss" as its format shows a date, a time or both
// (elapsed formats such as [h]:mm:ss give the whole hours, "36:00:00"); a negative number there
// reads as the number. Dates stored as text (t="d" in .xlsx) read in the same shapes, as do the
// dates and times of .ods, which carry their value type: a date as "YYYY-MM-DD", or with the
// time when its value holds one, a time as an elapsed time. Texts of several paragraphs (.ods)
// are joined by "\n".
// The rectangle comes as SheetTexts, which keeps only the non-empty cells' texts; its Row and Rows
// give the padded rows, Text any one cell.
//
// Raises WorkbookError for a missing or unreadable file, a file that is not a workbook, a workbook
// in a format that is not read (.xlsb, Excel 2.x-4.0), one protected by a password, a damaged
// workbook, a missing sheet, a file larger than 256 MB and a sheet too large to hold in memory.
SheetTexts ReadSheet(const QString& path, const QString& sheetName = QStringLiteral("Sheet1"));

// A picture placed in a sheet, its top-left corner in the cell at row, column (0-based).
struct CellPicture {
    int row = 0;
    int column = 0;
    QByteArray bytes;  // empty when the picture is larger than kMaxCellPictureBytes
    QString name;      // its file name inside the workbook ("image1.png"), for messages
    qint64 size = 0;   // bytes
};
using CellPictures = QList<CellPicture>;

// A picture larger than this is not read (its size says how large it is).
inline constexpr qint64 kMaxCellPictureBytes = 5 * 1024 * 1024;

// ReadSheet, and the pictures of an .xlsx sheet's drawing anchored to its cells (one-cell and
// two-cell anchors; pictures placed by absolute position have no cell and are not read), in the
// order of their cells by row, then column, then top to bottom and left to right inside a cell.
// Other formats give no pictures. Raises WorkbookError as ReadSheet does, and for pictures
// together larger than 256 MB.
SheetTexts ReadSheet(const QString& path, const QString& sheetName, CellPictures* pictures);

// Writes an .xlsx workbook holding one sheet sheetName with every non-empty text of cells as a
// text cell ([r][c] goes to row r + 1, column c + 1). Empty cells (and an empty list) leave their
// cells unfilled. The workbook is written under a temporary name beside path and then renamed, so
// a failed write leaves any earlier file at path as it was. Raises WorkbookError on failure.
void WriteSheet(const QString& path, const SheetCells& cells,
                const QString& sheetName = QStringLiteral("Sheet1"));
// The same with pictures in cells: each placed in its cell below the cell's text (aligned to the
// top), a cell's pictures side by side in order, each scaled down to fit 160 x 90 pixels; the
// rows and columns that hold pictures are made large enough, nothing else changes.
void WriteSheet(const QString& path, const SheetCells& cells, const CellPictures& pictures,
                const QString& sheetName = QStringLiteral("Sheet1"));

// A cell of a sheet written by WriteWorkbook: a text cell or a number cell.
using CellValue = std::variant<QString, double>;

struct SheetData {
    QString name;
    QList<QList<CellValue>> rows;  // [r][c] goes to row r + 1, column c + 1
};

// Writes an .xlsx workbook holding the sheets in order, as WriteSheet writes its one sheet; number
// cells are numbers the spreadsheet computes with. Empty texts and numbers that are not finite
// leave their cells unfilled. Raises WorkbookError for no sheet, a name that is invalid or used
// twice, and whatever WriteSheet refuses.
void WriteWorkbook(const QString& path, const QList<SheetData>& sheets);
