// Reading one sheet of a legacy .xls workbook: the BIFF8 (Excel 97-2003) or BIFF5 (Excel 5.0/95)
// records of its workbook stream. The workbook globals come first (code page, date system, shared
// strings, number formats, cell formats, the sheets and where each starts in the stream), then one
// substream per sheet from its BOF to its EOF record.
#include "back_office/workbook/BiffText.h"
#include "back_office/workbook/CellFormats.h"
#include "back_office/workbook/WorkbookInternal.h"

#include "data_store/Conversions.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace workbook_detail {

namespace {

enum RecordType : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

quint16 U16(const uchar* p) {
    return quint16(p[0] | p[1] << 8);
}

quint32 U32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

double F64(const uchar* p) {
    double value;
    std::memcpy(&value, p, 8);  // little-endian, as the machines this runs on
    return value;
}

// An RK number: a 30-bit integer or the top 30 bits of a double, perhaps to be divided by 100.
double RkValue(quint32 rk) {
    double value;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, 8);
    }
    return (rk & 1) ? value / 100 : value;
}

QString ErrorText(quint8 code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#N/A");  // codes no program writes
    }
}

struct Record {
    quint16 type = 0;
    const uchar* body = nullptr;
    qsizetype size = 0;
    qsizetype end = 0;  // where the next record starts
};

class Workbook {
  public:
    Workbook(const QString& path, const QByteArray& stream) : path_(path), stream_(stream) {}

    void ReadGlobals();
    QStringList Names() const { return names_; }
    SheetTexts ReadSheet(int index);

  private:
    [[noreturn]] void Damaged() const { throw DamagedWorkbook(path_, QString()); }

    // The record at offset; false at the end of the stream. A record cut off is damage.
    bool At(qsizetype offset, Record* record) const {
        if (offset >= stream_.size()) return false;
        if (stream_.size() - offset < 4) Damaged();
        const uchar* p = reinterpret_cast<const uchar*>(stream_.constData()) + offset;
        record->type = U16(p);
        record->size = U16(p + 2);
        if (stream_.size() - offset - 4 < record->size) Damaged();
        record->body = p + 4;
        record->end = offset + 4 + record->size;
        return true;
    }
    // The record's body with the CONTINUE records after it.
    ContinuedBytes Continued(const Record& record) const {
        std::vector<ContinuedBytes::Piece> pieces = {{record.body, record.size}};
        Record next;
        for (qsizetype at = record.end; At(at, &next) && next.type == kContinue; at = next.end)
            pieces.push_back({next.body, next.size});
        return ContinuedBytes(std::move(pieces));
    }
    // The text of a LABEL, RSTRING or STRING record from byte `skip` of its body.
    QString Text(const Record& record, qsizetype skip) const {
        ContinuedBytes in = Continued(record);
        QString text;
        if (!in.Skip(skip)) Damaged();
        if (!(biff8_ ? ReadUnicodeString(in, true, &text) : codePage_.Read(in, true, &text)))
            Damaged();
        return text;
    }
    void ReadStrings(const Record& record);
    QString Number(double value, quint16 xf) {
        const DateKind kind = xf < xfKinds_.size() ? xfKinds_[xf] : DateKind::None;
        return SerialDateText(value, kind, from1904_, &numbers_);
    }

    QString path_;
    const QByteArray& stream_;
    bool biff8_ = true;
    bool from1904_ = false;
    CodePage codePage_;
    QStringList names_;
    std::vector<quint32> offsets_;
    // The shared strings are kept in the sheet being built, once each, and placed by index.
    SheetBuilder builder_;
    std::vector<SheetBuilder::Kept> strings_;
    std::vector<DateKind> xfKinds_;
    NumberTexts numbers_;
};

void Workbook::ReadGlobals() {
    Record record;
    if (!At(0, &record)) Damaged();
    if (record.type == 0x0009 || record.type == 0x0209 || record.type == 0x0409)
        throw UnreadFormat(path_, kOldExcelFormat);
    if (record.type != kBof || record.size < 4) Damaged();
    const quint16 version = U16(record.body);
    biff8_ = version == 0x0600 || (version != 0x0500 && record.size >= 16);
    QHash<int, DateKind> formats;
    std::vector<quint16> xfFormats;
    bool ended = false;
    for (qsizetype at = record.end; !ended && At(at, &record); at = record.end) {
        const uchar* b = record.body;
        switch (record.type) {
            case kEof:
                ended = true;
                break;
            case kFilePass:
                throw PasswordProtected(path_);
            case kCodePage:
                if (record.size >= 2 && !biff8_) codePage_.Set(U16(b));
                break;
            case kDateMode:
                from1904_ = record.size >= 2 && U16(b) == 1;
                break;
            case kBoundSheet: {
                if (record.size < 6) Damaged();
                ContinuedBytes in({{b + 6, record.size - 6}});
                QString name;
                if (!(biff8_ ? ReadUnicodeString(in, false, &name)
                             : codePage_.Read(in, false, &name)))
                    Damaged();
                names_.append(name);
                offsets_.push_back(U32(b));
                break;
            }
            case kSst:
                if (biff8_) ReadStrings(record);
                break;
            case kFormat: {
                if (record.size < 3) Damaged();
                ContinuedBytes in({{b + 2, record.size - 2}});
                QString code;
                if (!(biff8_ ? ReadUnicodeString(in, true, &code)
                             : codePage_.Read(in, false, &code)))
                    Damaged();
                formats.insert(U16(b), FormatCodeKind(code));
                break;
            }
            case kXf:
                if (record.size < 4) Damaged();
                xfFormats.push_back(U16(b + 2));
                break;
            default:
                break;
        }
    }
    xfKinds_.reserve(xfFormats.size());
    for (quint16 format : xfFormats)
        xfKinds_.push_back(formats.contains(format) ? formats.value(format)
                                                    : BuiltInFormatKind(format));
}

void Workbook::ReadStrings(const Record& record) {
    ContinuedBytes in = Continued(record);
    quint32 total = 0;
    quint32 unique = 0;
    if (!in.U32(&total) || !in.U32(&unique)) Damaged();
    // The count comes from the file: each string takes at least three bytes, so a count beyond
    // the stream's size is damage, not a reason to reserve memory.
    if (unique > quint32(stream_.size() / 3)) Damaged();
    strings_.reserve(std::min<quint32>(unique, 65536));  // grows with what is really there
    for (quint32 i = 0; i < unique; ++i) {
        QString text;
        // Some writers count more strings than they write: the list ends with the bytes.
        if (!ReadUnicodeString(in, true, &text)) break;
        strings_.push_back(builder_.Keep(text));
    }
}

SheetTexts Workbook::ReadSheet(int index) {
    Record record;
    if (!At(offsets_[index], &record) || record.type != kBof) Damaged();
    int depth = 1;        // charts embedded in the sheet are substreams of their own, BOF to EOF
    int pendingRow = -1;  // a formula whose text result follows in a STRING record
    int pendingColumn = -1;
    for (qsizetype at = record.end; depth > 0 && At(at, &record); at = record.end) {
        const uchar* b = record.body;
        if (record.type == kBof) {
            ++depth;
            continue;
        }
        if (record.type == kEof) {
            --depth;
            continue;
        }
        if (depth != 1) continue;
        const auto need = [&](qsizetype size) {
            if (record.size < size) Damaged();
        };
        const auto add = [&](int row, int column, const auto& text) {
            if (column >= kMaxColumns) Damaged();
            builder_.Add(row, column, text);
        };
        switch (record.type) {
            case kNumber:
                need(14);
                add(U16(b), U16(b + 2), Number(F64(b + 6), U16(b + 4)));
                break;
            case kRk:
                need(10);
                add(U16(b), U16(b + 2), Number(RkValue(U32(b + 6)), U16(b + 4)));
                break;
            case kMulRk: {
                need(6);
                const int row = U16(b);
                const int first = U16(b + 2);
                for (qsizetype i = 0; 4 + i * 6 + 6 <= record.size - 2; ++i) {
                    const uchar* cell = b + 4 + i * 6;
                    add(row, first + int(i), Number(RkValue(U32(cell + 2)), U16(cell)));
                }
                break;
            }
            case kLabelSst: {
                need(10);
                const quint32 string = U32(b + 6);
                if (string >= strings_.size()) Damaged();
                add(U16(b), U16(b + 2), strings_[string]);
                break;
            }
            case kLabel:
            case kRString:
                need(6);
                add(U16(b), U16(b + 2), Text(record, 6));
                break;
            case kBoolErr:
                need(8);
                if (b[7])
                    add(U16(b), U16(b + 2), ErrorText(b[6]));
                else
                    add(U16(b), U16(b + 2),
                        b[6] ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
                break;
            case kFormula: {
                need(20);
                const int row = U16(b);
                const int column = U16(b + 2);
                const uchar* result = b + 6;
                if (U16(result + 6) != 0xFFFF) {
                    add(row, column, Number(F64(result), U16(b + 4)));
                } else if (result[0] == 0) {
                    pendingRow = row;
                    pendingColumn = column;
                } else if (result[0] == 1) {
                    add(row, column, result[2] ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
                } else if (result[0] == 2) {
                    add(row, column, ErrorText(result[2]));
                }  // 3: an empty text
                break;
            }
            case kString:
                if (pendingRow >= 0) add(pendingRow, pendingColumn, Text(record, 0));
                pendingRow = -1;
                break;
            default:
                break;
        }
    }
    return builder_.Build(path_, names_[index]);
}

}  // namespace

SheetTexts ReadXls(const QString& path, const QByteArray& stream, const QString& sheetName) {
    Workbook workbook(path, stream);
    workbook.ReadGlobals();
    const QStringList names = workbook.Names();
    const int found = FindSheet(names, sheetName);
    if (found < 0) throw NoSuchSheet(path, sheetName);
    return workbook.ReadSheet(found);
}

}  // namespace workbook_detail
