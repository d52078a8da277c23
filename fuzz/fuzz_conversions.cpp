// libFuzzer target: the text -> integer / number / time conversions and strict UTF-8 decoding,
// with the properties the windows rely on: the raising and the reporting forms agree, and what
// a conversion gives survives being formatted and read back.
#include "data_store/Conversions.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool holds) {
    if (!holds) std::abort();
}

void Integers(const QString& text) {
    int value = 0;
    const bool ok = TryStrToInt(text, &value);
    try {
        Check(StrToInt(text) == value && ok);
    } catch (const ConversionError&) {
        Check(!ok);
    }
    if (ok) Check(StrToInt(QString::number(value)) == value);
}

void Numbers(const QString& text) {
    double value = 0;
    try {
        value = StrToFloat(text);
    } catch (const ConversionError&) {
        return;
    }
    Check(std::isfinite(value));
    // The general format reads back, and formatting what it read gives the same text.
    const QString shown = FormatGeneral(value);
    Check(FormatGeneral(StrToFloat(shown)) == shown);
}

void Times(const QString& text) {
    int seconds = -1;
    const bool ok = TryStrToTime(text, &seconds);
    try {
        Check(StrToTime(text) == seconds && ok);
    } catch (const ConversionError&) {
        Check(!ok);
    }
    if (ok) {
        Check(seconds >= 0 && seconds < 24 * 3600);
        Check(StrToTime(FormatTime(seconds)) == seconds);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Strict decoding: valid UTF-8 comes back byte for byte, anything else is empty text.
    const QString decoded = DecodeUtf8(bytes);
    if (!decoded.isEmpty()) Check(decoded.toUtf8() == bytes);
    // The parsers get the strictly decoded text, the leniently decoded one and the bytes taken as
    // UTF-16 code units (lone surrogates included).
    const QString texts[] = {decoded, QString::fromUtf8(bytes),
                             QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2))};
    for (const QString& text : texts) {
        Integers(text);
        Numbers(text);
        Times(text);
        FormatTime(int(text.size()) * 977 - 50000);
    }
    return 0;
}
