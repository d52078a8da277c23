// Spreadsheet workbooks as rectangles of cell texts: the back office exports its lists to .xlsx
// and imports them from .xlsx or legacy .xls, and writes the results analysis with number cells.
// The lists' cells are exchanged as text. No Widgets here.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <variant>

// Rows of cell texts: element [0] is sheet row 1, [r][0] its column A.
using SheetCells = QList<QStringList>;

// A workbook that cannot be read or written. The message is Simplified Chinese, names the file and
// is meant for the error box as it stands.
class WorkbookError : public std::runtime_error {
  public:
    explicit WorkbookError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Reads the sheet named sheetName (an exact name first, otherwise the same name in other letter
// case, as spreadsheet programs match sheet names) from an .xlsx or legacy .xls file, told apart by
// the file's first bytes, not by its name.
//
// The result is the rectangle from A1 to the last row and the last column holding a non-empty
// cell, every row padded with empty texts to the same length; a sheet without such a cell gives no
// rows. Numbers become their general floating format (1, 0.5, 110101), texts stay as they are
// (rich-text runs joined), booleans "TRUE"/"FALSE", error cells their text (#N/A), formula cells
// their last computed value, and empty cells empty text. In legacy .xls files formula and boolean
// cells carry no value the reader can see and read as empty; date and time cells read as the
// reader's date text (YYYY-MM-DD, hh:mm:ss).
//
// Raises WorkbookError for a missing or unreadable file, a file that is not a workbook, a damaged
// workbook, a missing sheet and a sheet too large to hold in memory.
SheetCells ReadSheet(const QString& path, const QString& sheetName = QStringLiteral("Sheet1"));

// Writes an .xlsx workbook holding one sheet sheetName with every non-empty text of cells as a
// text cell ([r][c] goes to row r + 1, column c + 1). Empty cells (and an empty list) leave their
// cells unfilled. The workbook is written under a temporary name beside path and then renamed, so
// a failed write leaves any earlier file at path as it was. Raises WorkbookError on failure.
void WriteSheet(const QString& path, const SheetCells& cells,
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
