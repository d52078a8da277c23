// The cell texts of one sheet as ReadSheet gives them, kept compactly: every text once, back to
// back in one buffer, and for each non-empty cell its position and where its text lies, in sheet
// order. Read-only; workbook_detail::SheetBuilder makes it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Rows of cell texts: element [0] is sheet row 1, [r][0] its column A.
using SheetCells = QList<QStringList>;

namespace workbook_detail {
class SheetBuilder;
}

// A rectangle of cell texts from A1 to the last row and the last column holding a non-empty cell;
// every cell inside it that holds nothing reads as empty text. A sheet without a non-empty cell
// has no rows and no columns.
class SheetTexts {
  public:
    int RowCount() const { return rowStarts_.isEmpty() ? 0 : int(rowStarts_.size() - 1); }
    int ColumnCount() const { return columns_; }

    // The text of 0-based row and column; empty text outside the rectangle.
    QString Text(int row, int column) const { return TextView(row, column).toString(); }
    // The same without a copy; valid while the sheet lives.
    QStringView TextView(int row, int column) const;
    // One row, ColumnCount() texts long.
    QStringList Row(int row) const;
    // All rows, each ColumnCount() texts long.
    SheetCells Rows() const;

    // Whether cells holds the same rectangle: as many rows, each of the same texts and length.
    friend bool operator==(const SheetTexts& sheet, const SheetCells& cells);

  private:
    friend class workbook_detail::SheetBuilder;

    // A non-empty cell: its 0-based position and its text at texts_[offset, offset + length).
    struct Cell {
        quint32 row;
        quint32 column;
        quint32 offset;
        quint32 length;
    };

    QStringView TextOf(const Cell& cell) const {
        return QStringView(texts_).sliced(cell.offset, cell.length);
    }

    QString texts_;
    QList<Cell> cells_;         // by row, then by column; one per position
    QList<quint32> rowStarts_;  // row r's cells are cells_[rowStarts_[r], rowStarts_[r + 1])
    int columns_ = 0;
};
