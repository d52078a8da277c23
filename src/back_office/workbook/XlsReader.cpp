// Reading one sheet of a legacy .xls workbook (BIFF in a compound file) with FreeXL. Its sheet
// dimensions are counts of rows and columns; boolean and formula cells come back without a value.
#include "back_office/workbook/WorkbookInternal.h"

#include "data_store/Conversions.h"

#include <QFile>

#include <freexl.h>

namespace workbook_detail {

namespace {

class LegacyWorkbook {
  public:
    explicit LegacyWorkbook(const QString& path) : path_(path) {
        Check(freexl_open(QFile::encodeName(path).constData(), &handle_));
    }
    ~LegacyWorkbook() {
        if (handle_) freexl_close(handle_);
    }
    LegacyWorkbook(const LegacyWorkbook&) = delete;
    LegacyWorkbook& operator=(const LegacyWorkbook&) = delete;

    const void* handle() const { return handle_; }

    void Check(int code) const {
        if (code != FREEXL_OK) throw LegacyReadFailed(path_, code);
    }

  private:
    QString path_;
    const void* handle_ = nullptr;
};

QString CellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
        case FREEXL_CELL_INT:
            return FormatGeneral(double(cell.value.int_value));
        case FREEXL_CELL_DOUBLE:
            return FormatGeneral(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
        default:  // FREEXL_CELL_NULL: empty, boolean or formula
            return QString();
    }
}

}  // namespace

SheetCells ReadXls(const QString& path, const QString& sheetName) {
    const LegacyWorkbook workbook(path);
    const void* handle = workbook.handle();

    unsigned int password = 0;
    workbook.Check(freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password));
    if (password == FREEXL_BIFF_OBFUSCATED) throw PasswordProtected(path);

    unsigned int sheetCount = 0;
    workbook.Check(freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount));
    QStringList names;
    for (unsigned int i = 0; i < sheetCount; ++i) {
        const char* name = nullptr;
        workbook.Check(freexl_get_worksheet_name(handle, i, &name));
        names.append(name ? QString::fromUtf8(name) : QString());
    }
    const int found = FindSheet(names, sheetName);
    if (found < 0) throw NoSuchSheet(path, sheetName);
    workbook.Check(freexl_select_active_worksheet(handle, unsigned(found)));

    unsigned int rows = 0;
    unsigned short columns = 0;
    workbook.Check(freexl_worksheet_dimensions(handle, &rows, &columns));
    SheetBuilder builder;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            workbook.Check(freexl_get_cell_value(handle, r, c, &cell));
            builder.Add(int(r), int(c), CellText(cell));
        }
    }
    return builder.Build(path, names[found]);
}

}  // namespace workbook_detail
