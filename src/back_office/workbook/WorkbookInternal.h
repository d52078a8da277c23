// Shared pieces of the workbook readers and writer: the user's messages, one per kind of failure,
// and the collection of cell texts into the rectangle that ReadSheet returns.
#pragma once

#include "back_office/workbook/Workbook.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace workbook_detail {

// Spreadsheet limits: 1,048,576 rows and 16,384 columns (XFD).
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// The largest rectangle ReadSheet builds (rows x columns); larger ones are refused, not allocated.
constexpr qint64 kMaxCells = 5000000;
// The most text a sheet keeps, in UTF-16 units (512 MB).
constexpr qint64 kMaxTextUnits = 256LL * 1024 * 1024;
// The largest workbook file ReadSheet reads; larger ones are refused before they are read.
constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;

// The path as the messages show it (native separators).
QString Shown(const QString& path);

// Messages (each names the file as given).
WorkbookError MissingFile(const QString& path);
WorkbookError UnreadableFile(const QString& path);
WorkbookError NotAWorkbook(const QString& path);
// A damaged workbook; detail (may be empty) says where, for instance the part that failed.
WorkbookError DamagedWorkbook(const QString& path, const QString& detail);
WorkbookError NoSuchSheet(const QString& path, const QString& sheetName);
WorkbookError SheetTooLarge(const QString& path, const QString& sheetName, qint64 rows,
                            qint64 columns);
// More shared texts than any sheet read here could place.
WorkbookError TooManyTexts(const QString& path);
WorkbookError PasswordProtected(const QString& path);
// A spreadsheet in a format that is not read here (formatName says which, in the user's words).
WorkbookError UnreadFormat(const QString& path, const QString& formatName);
inline const QString kOldExcelFormat = QStringLiteral("Excel 2.x–4.0 格式的工作表");
WorkbookError FileTooLarge(const QString& path, qint64 bytes);
using TooLargeFile = WorkbookError (*)(const QString& path, qint64 bytes);
// The whole file (a missing or unreadable one raises its message); one larger than kMaxFileBytes
// is refused with what tooLarge gives before a byte is read.
QByteArray ReadWholeFile(const QString& path, TooLargeFile tooLarge);
// WriteWorkbook with pictures[i] (when there) placed in sheets[i], as WriteSheet places them.
void WriteSheets(const QString& path, const QList<SheetData>& sheets,
                 const QList<CellPictures>& pictures);
// Writing failed; reason (may be empty) says why in the user's words.
WorkbookError WriteFailed(const QString& path, const QString& reason);

// Characters that XML cannot carry stand in cell texts as _xHHHH_ (a carriage return as _x000D_),
// and an underscore that would start such a sequence as _x005F_.
QString DecodeCellEscapes(const QString& text);
// The text as it must be written so that DecodeCellEscapes gives it back: every underscore that
// starts an _xHHHH_ sequence written as _x005F_ (the writer escapes control characters itself).
QString EscapeCellUnderscores(const QString& text);

// "C7" for 0-based row 6, column 2.
QString CellName(int row, int column);

// Collects the non-empty cell texts of one sheet (0-based positions, any order; a later text at the
// same position replaces the earlier) into the rectangle that ReadSheet returns. Texts placed in
// many cells (shared strings) are kept once and placed by their Kept handle. Once the rectangle
// exceeds kMaxCells nothing more is kept and Build raises SheetTooLarge.
class SheetBuilder {
  public:
    struct Kept {
        quint32 offset = 0;
        quint32 length = 0;
    };
    Kept Keep(QStringView text);
    void Add(int row, int column, QStringView text);
    void Add(int row, int column, Kept text);
    // Whether the sheet became too large: nothing more is kept (repeated cells stop here).
    bool Full() const { return tooLarge_; }
    SheetTexts Build(const QString& path, const QString& sheetName);

  private:
    // Whether a cell at row, column is to be kept; false once the sheet is too large.
    bool Extend(int row, int column);

    SheetTexts sheet_;
    int rowCount_ = 0;
    int columns_ = 0;
    bool tooLarge_ = false;
    bool repeated_ = false;  // more cells placed than the limit, some at one position
    bool ordered_ = true;    // every cell so far came after the one before in sheet order
};

class Package;

// Format readers, called by ReadSheet once the first bytes told the format apart.
// A zip package: an OpenDocument spreadsheet when its mimetype part says so, otherwise .xlsx.
// pictures (may be null) gets an .xlsx sheet's pictures.
SheetTexts ReadZipWorkbook(const QString& path, const QByteArray& bytes, const QString& sheetName,
                           CellPictures* pictures = nullptr);
SheetTexts ReadXlsx(const QString& path, const Package& package, const QString& sheetName,
                    CellPictures* pictures = nullptr);
// The pictures of a sheet part's drawings anchored to cells, ordered as ReadSheet orders them.
CellPictures ReadCellPictures(const QString& path, const Package& package,
                              const QString& sheetPart);
SheetTexts ReadOds(const QString& path, const Package& package, const QString& sheetName);
// The BIFF records of a legacy .xls workbook: the "Workbook" or "Book" stream of the OLE2
// compound file in bytes. Raises the password message for an encrypted .xlsx package.
QByteArray WorkbookStream(const QString& path, const QByteArray& bytes);
// Whether bytes are a compound file holding an encrypted package (an .xlsx or .docx saved with a
// password).
bool IsEncryptedPackage(const QByteArray& bytes);
// Reads the sheet from a workbook stream of BIFF8 or BIFF5 records.
SheetTexts ReadXls(const QString& path, const QByteArray& stream, const QString& sheetName);

// The sheet of names whose name is sheetName: an exact match first, then one that differs only in
// letter case; -1 when there is none.
int FindSheet(const QStringList& names, const QString& sheetName);

}  // namespace workbook_detail
