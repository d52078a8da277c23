// The compact sheet of cell texts and its builder. A million-row sheet holds its texts in one
// buffer and 16 bytes per non-empty cell instead of a string and a list per row. The buffer and
// the cell list are Qt containers of plain values, grown with realloc, which moves the pages of a
// large block rather than holding an old and a new copy.
#include "back_office/workbook/SheetTexts.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <algorithm>

QStringView SheetTexts::TextView(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columns_) return {};
    const auto begin = cells_.cbegin() + rowStarts_[row];
    const auto end = cells_.cbegin() + rowStarts_[row + 1];
    const auto cell = std::lower_bound(
        begin, end, quint32(column), [](const Cell& c, quint32 value) { return c.column < value; });
    return cell != end && cell->column == quint32(column) ? TextOf(*cell) : QStringView();
}

QStringList SheetTexts::Row(int row) const {
    if (row < 0 || row >= RowCount()) return {};
    QStringList texts(columns_);
    for (quint32 i = rowStarts_[row]; i < rowStarts_[row + 1]; ++i)
        texts[cells_[i].column] = TextOf(cells_[i]).toString();
    return texts;
}

SheetCells SheetTexts::Rows() const {
    SheetCells rows;
    rows.reserve(RowCount());
    for (int r = 0; r < RowCount(); ++r)
        rows.append(Row(r));
    return rows;
}

bool operator==(const SheetTexts& sheet, const SheetCells& cells) {
    if (cells.size() != sheet.RowCount()) return false;
    for (int r = 0; r < sheet.RowCount(); ++r) {
        const QStringList& row = cells[r];
        if (row.size() != sheet.columns_) return false;
        quint32 next = sheet.rowStarts_[r];
        for (int c = 0; c < sheet.columns_; ++c) {
            QStringView text;
            if (next < sheet.rowStarts_[r + 1] && sheet.cells_[next].column == quint32(c))
                text = sheet.TextOf(sheet.cells_[next++]);
            if (row[c] != text) return false;
        }
    }
    return true;
}

namespace workbook_detail {

namespace {

// A sheet with more text than kMaxTextUnits is too large as well (and offsets stay 32 bits).
bool Fits(const QString& texts, QStringView text) {
    return quint64(texts.size()) + quint64(text.size()) <= quint64(kMaxTextUnits);
}

}  // namespace

bool SheetBuilder::Extend(int row, int column) {
    rowCount_ = std::max(rowCount_, row + 1);
    columns_ = std::max(columns_, column + 1);
    if (tooLarge_) return false;
    if (qint64(rowCount_) * columns_ > kMaxCells) {
        tooLarge_ = true;
        sheet_ = SheetTexts();
        return false;
    }
    // Within the rectangle only a cell placed twice can pass the limit: no program writes a
    // sheet so, and the list would grow without bound.
    if (sheet_.cells_.size() >= kMaxCells) {
        tooLarge_ = repeated_ = true;
        sheet_ = SheetTexts();
        return false;
    }
    if (!sheet_.cells_.isEmpty()) {
        const SheetTexts::Cell& last = sheet_.cells_.constLast();
        if (quint32(row) < last.row || (quint32(row) == last.row && quint32(column) <= last.column))
            ordered_ = false;
    }
    return true;
}

SheetBuilder::Kept SheetBuilder::Keep(QStringView text) {
    if (tooLarge_) return {};
    if (!Fits(sheet_.texts_, text)) {
        tooLarge_ = true;
        sheet_ = SheetTexts();
        return {};
    }
    // Resized and copied into rather than appended to: QString grows its capacity geometrically
    // either way, and this skips append's checks for a text that overlaps the buffer.
    const qsizetype at = sheet_.texts_.size();
    sheet_.texts_.resize(at + text.size());
    std::copy(text.begin(), text.end(), sheet_.texts_.data() + at);
    return {quint32(at), quint32(text.size())};
}

void SheetBuilder::Add(int row, int column, QStringView text) {
    if (text.isEmpty()) return;
    const Kept kept = Keep(text);
    if (!Extend(row, column)) return;
    sheet_.cells_.append({quint32(row), quint32(column), kept.offset, kept.length});
}

void SheetBuilder::Add(int row, int column, Kept text) {
    if (text.length == 0 || !Extend(row, column)) return;
    sheet_.cells_.append({quint32(row), quint32(column), text.offset, text.length});
}

SheetTexts SheetBuilder::Build(const QString& path, const QString& sheetName) {
    if (repeated_) throw DamagedWorkbook(path, QString());
    if (tooLarge_) throw SheetTooLarge(path, sheetName, rowCount_, columns_);
    QList<SheetTexts::Cell>& cells = sheet_.cells_;
    if (!ordered_) {
        const auto before = [](const SheetTexts::Cell& a, const SheetTexts::Cell& b) {
            return a.row < b.row || (a.row == b.row && a.column < b.column);
        };
        std::stable_sort(cells.begin(), cells.end(), before);
        // Of the cells at one position the last placed stays.
        qsizetype kept = 0;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (kept > 0 && !before(cells[kept - 1], cells[i]))
                cells[kept - 1] = cells[i];
            else
                cells[kept++] = cells[i];
        }
        cells.resize(kept);
    }
    if (rowCount_ > 0) {
        sheet_.rowStarts_.resize(rowCount_ + 1);
        qsizetype at = 0;
        for (int r = 0; r <= rowCount_; ++r) {
            while (at < cells.size() && cells[at].row < quint32(r))
                ++at;
            sheet_.rowStarts_[r] = quint32(at);
        }
    }
    sheet_.columns_ = columns_;
    return std::move(sheet_);
}

}  // namespace workbook_detail
