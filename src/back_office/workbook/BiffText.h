// Reading the texts of BIFF records: the bytes of a record together with the CONTINUE records after
// it, Unicode strings of BIFF8 (split over records, compressed or not) and the code-page texts of
// BIFF5.
#pragma once

#include <QString>

#include <iconv.h>

#include <vector>

namespace workbook_detail {

// A record's body and the bodies of the CONTINUE records after it as one run of bytes; only
// characters that go on in the next body start there with a new option byte (compressed or
// 16-bit). Every read reports false when the bytes run out.
class ContinuedBytes {
  public:
    struct Piece {
        const uchar* data;
        qsizetype size;
    };
    explicit ContinuedBytes(std::vector<Piece> pieces) : pieces_(std::move(pieces)) {}

    bool Byte(quint8* value);
    bool U16(quint16* value);
    bool U32(quint32* value);
    // The length of a string: one byte or two.
    bool Length(bool twoBytes, quint16* value);
    bool Skip(qint64 count);
    // count characters, 16-bit ones when wide, appended to text.
    bool Chars(qint64 count, bool wide, QString* text);

  private:
    bool Read(uchar* out, qsizetype count);
    std::vector<Piece> pieces_;
    size_t index_ = 0;
    qsizetype offset_ = 0;
};

// A BIFF8 Unicode string: its length (one or two bytes), the option byte, the counts of
// formatting runs and phonetic data, the characters, then the runs and the phonetic data, skipped.
bool ReadUnicodeString(ContinuedBytes& in, bool twoByteLength, QString* text);

// Texts of BIFF5 workbooks in the code page their CODEPAGE record names (Windows-1252 when none).
class CodePage {
  public:
    CodePage() { Set(1252); }
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    void Set(int number);
    // Bytes that do not belong to the code page read as U+FFFD.
    QString Decode(const uchar* data, qsizetype size) const;
    // A string of one- or two-byte length followed by its bytes.
    bool Read(ContinuedBytes& in, bool twoByteLength, QString* text) const;

  private:
    iconv_t converter_ = iconv_t(-1);
    bool wide_ = false;  // 16-bit texts (code page 1200): no byte is a character of its own
};

}  // namespace workbook_detail
