// Texts of BIFF records.
#include "back_office/workbook/BiffText.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace workbook_detail {

bool ContinuedBytes::Read(uchar* out, qsizetype count) {
    while (count > 0) {
        if (index_ >= pieces_.size()) return false;
        const Piece& piece = pieces_[index_];
        const qsizetype n = std::min(count, piece.size - offset_);
        if (out) {
            std::memcpy(out, piece.data + offset_, size_t(n));
            out += n;
        }
        offset_ += n;
        count -= n;
        if (offset_ == piece.size) {
            ++index_;
            offset_ = 0;
        }
    }
    return true;
}

bool ContinuedBytes::Byte(quint8* value) {
    return Read(value, 1);
}

bool ContinuedBytes::U16(quint16* value) {
    uchar b[2];
    if (!Read(b, 2)) return false;
    *value = quint16(b[0] | b[1] << 8);
    return true;
}

bool ContinuedBytes::U32(quint32* value) {
    uchar b[4];
    if (!Read(b, 4)) return false;
    *value = quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    return true;
}

bool ContinuedBytes::Length(bool twoBytes, quint16* value) {
    if (twoBytes) return U16(value);
    quint8 shortValue = 0;
    if (!Byte(&shortValue)) return false;
    *value = shortValue;
    return true;
}

bool ContinuedBytes::Skip(qint64 count) {
    return Read(nullptr, qsizetype(count));  // empty CONTINUE records included
}

bool ContinuedBytes::Chars(qint64 count, bool wide, QString* text) {
    while (count > 0) {
        if (index_ >= pieces_.size()) return false;
        if (index_ > 0 && offset_ == 0) {
            // The characters go on in a CONTINUE record: its first byte says how they are stored.
            quint8 options = 0;
            if (!Read(&options, 1)) return false;
            wide = options & 1;
            if (index_ >= pieces_.size()) return false;
        }
        const Piece& piece = pieces_[index_];
        const uchar* p = piece.data + offset_;
        const qsizetype available = (piece.size - offset_) / (wide ? 2 : 1);
        const qsizetype n = qsizetype(std::min<qint64>(count, available));
        if (n == 0) return false;  // half a 16-bit character at the end of a record
        if (wide) {
            const qsizetype start = text->size();
            text->resize(start + n);
            QChar* out = text->data() + start;
            for (qsizetype i = 0; i < n; ++i)
                out[i] = QChar(char16_t(p[2 * i] | p[2 * i + 1] << 8));
        } else {
            text->append(QLatin1String(reinterpret_cast<const char*>(p), n));
        }
        if (!Read(nullptr, n * (wide ? 2 : 1))) return false;
        count -= n;
    }
    return true;
}

bool ReadUnicodeString(ContinuedBytes& in, bool twoByteLength, QString* text) {
    quint16 length = 0;
    quint8 options = 0;
    quint16 runs = 0;
    quint32 phonetic = 0;
    if (!in.Length(twoByteLength, &length) || !in.Byte(&options)) return false;
    if ((options & 0x08) && !in.U16(&runs)) return false;
    if ((options & 0x04) && !in.U32(&phonetic)) return false;
    text->clear();
    return in.Chars(length, options & 0x01, text) && in.Skip(qint64(runs) * 4) && in.Skip(phonetic);
}

namespace {

// The iconv name of a Windows code page number.
QByteArray IconvName(int number) {
    switch (number) {
        case 367:
            return "ASCII";
        case 1200:
            return "UTF-16LE";  // BIFF5 texts as 16-bit units, as some programs write them
        case 950:
            return "BIG5";
        case 1361:
            return "JOHAB";
        case 10000:
        case 32768:
            return "MACINTOSH";
        case 32769:
            return "CP1252";
        default:
            return "CP" + QByteArray::number(number);
    }
}

}  // namespace

CodePage::~CodePage() {
    if (converter_ != iconv_t(-1)) iconv_close(converter_);
}

void CodePage::Set(int number) {
    const iconv_t converter = iconv_open("UTF-16LE", IconvName(number).constData());
    // A code page iconv does not know: Windows-1252, the one most BIFF5 files use.
    if (converter == iconv_t(-1) && converter_ != iconv_t(-1)) return;
    wide_ = converter != iconv_t(-1) && number == 1200;
    if (converter_ != iconv_t(-1)) iconv_close(converter_);
    converter_ = converter != iconv_t(-1) ? converter : iconv_open("UTF-16LE", "CP1252");
}

QString CodePage::Decode(const uchar* data, qsizetype size) const {
    if (!wide_ && std::all_of(data, data + size, [](uchar c) { return c < 0x80; }))
        return QString::fromLatin1(reinterpret_cast<const char*>(data), size);
    QString text(size * 2, Qt::Uninitialized);  // room for surrogate pairs
    char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
    size_t inLeft = size_t(size);
    char* out = reinterpret_cast<char*>(text.data());
    size_t outLeft = size_t(text.size()) * 2;
    iconv(converter_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(converter_, &in, &inLeft, &out, &outLeft) != size_t(-1)) break;
        if (errno == E2BIG || outLeft < 2) break;
        // A byte that is not a character of the code page (or is cut off at the end).
        const char16_t replacement = 0xFFFD;
        std::memcpy(out, &replacement, 2);
        out += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    iconv(converter_, nullptr, nullptr, &out, &outLeft);
    text.resize(qsizetype(out - reinterpret_cast<char*>(text.data())) / 2);
    return text;
}

bool CodePage::Read(ContinuedBytes& in, bool twoByteLength, QString* text) const {
    quint16 length = 0;
    if (!in.Length(twoByteLength, &length)) return false;
    QByteArray bytes(length, Qt::Uninitialized);
    for (quint16 i = 0; i < length; ++i)
        if (!in.Byte(reinterpret_cast<quint8*>(bytes.data() + i))) return false;
    *text = Decode(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    return true;
}

}  // namespace workbook_detail
