#include "data_store/Conversions.h"

#include <QStringDecoder>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

ConversionError::ConversionError(const QString& message)
    : std::runtime_error(message.toUtf8().toStdString()) {}

QString DecodeUtf8(const QByteArray& bytes) {
    // A leading byte-order mark is kept as the character it is (Qt drops it by default).
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return QString();
    return text;
}

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

bool ParseInt(const QString& text, int* value) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == n) return false;
    qint64 magnitude = 0;
    const qint64 limit = negative ? qint64(std::numeric_limits<int>::max()) + 1
                                  : qint64(std::numeric_limits<int>::max());
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9') return false;
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > limit) return false;
    }
    *value = int(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace

bool TryStrToInt(const QString& text, int* value) {
    return ParseInt(text, value);
}

int StrToInt(const QString& text) {
    int value = 0;
    if (!ParseInt(text, &value))
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

double StrToFloat(const QString& text) {
    const QString trimmed = text.trimmed();
    // Digits, an optional point and an optional exponent; nothing else (no "inf", "nan", hex).
    static const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    const qsizetype n = trimmed.size();
    if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-')) ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(trimmed[i]))
        ++i, ++digits;
    if (i < n && trimmed[i] == u'.') {
        ++i;
        while (i < n && isDigit(trimmed[i]))
            ++i, ++digits;
    }
    bool ok = digits > 0;
    if (ok && i < n && (trimmed[i] == u'e' || trimmed[i] == u'E')) {
        ++i;
        if (i < n && (trimmed[i] == u'+' || trimmed[i] == u'-')) ++i;
        qsizetype exponentDigits = 0;
        while (i < n && isDigit(trimmed[i]))
            ++i, ++exponentDigits;
        ok = exponentDigits > 0;
    }
    ok = ok && i == n;
    double value = 0;
    if (ok) {
        const QByteArray latin = trimmed.toLatin1();
        value = std::strtod(latin.constData(), nullptr);  // the C locale: "." is the separator
        ok = std::isfinite(value);
    }
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

QString FormatGeneral(double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0) return QStringLiteral("0");
    // Whole numbers below 10^15 have at most 15 digits: their text is the digits themselves.
    if (std::fabs(value) < 1e15 && value == std::trunc(value))
        return QString::number(static_cast<qint64>(value));

    // Round to 15 significant digits first; the rounded exponent decides the notation.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    // buffer: [-]d.ddddddddddddddde[+-]xx
    const char* p = buffer;
    const bool negative = *p == '-';
    if (negative) ++p;
    QByteArray digits;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') digits.append(*p);
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    QByteArray out;
    if (negative) out.append('-');
    if (exponent >= 15 || exponent < -5) {
        out.append(digits[0]);
        if (digits.size() > 1) {
            out.append('.');
            out.append(digits.mid(1));
        }
        out.append('E');
        out.append(QByteArray::number(exponent));
    } else if (exponent < 0) {
        out.append("0.");
        out.append(QByteArray(-exponent - 1, '0'));
        out.append(digits);
    } else {
        const int integerDigits = exponent + 1;
        if (digits.size() <= integerDigits) {
            out.append(digits);
            out.append(QByteArray(integerDigits - digits.size(), '0'));
        } else {
            out.append(digits.left(integerDigits));
            out.append('.');
            out.append(digits.mid(integerDigits));
        }
    }
    return QString::fromLatin1(out);
}

namespace {

bool ParseTime(const QString& text, int* seconds) {
    const QStringList parts = text.trimmed().split(u':');
    if (parts.size() < 2 || parts.size() > 3) return false;
    int values[3] = {0, 0, 0};
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const QString& part = parts[k];
        if (part.isEmpty() || part.size() > 2) return false;
        for (QChar c : part)
            if (c < u'0' || c > u'9') return false;
        values[k] = part.toInt();
    }
    if (values[0] > 23 || values[1] > 59 || values[2] > 59) return false;
    *seconds = values[0] * 3600 + values[1] * 60 + values[2];
    return true;
}

}  // namespace

bool TryStrToTime(const QString& text, int* seconds) {
    return ParseTime(text, seconds);
}

int StrToTime(const QString& text) {
    int seconds = 0;
    if (!ParseTime(text, &seconds))
        throw ConversionError(QStringLiteral("'%1' is not a valid time").arg(text));
    return seconds;
}

QString FormatTime(int seconds) {
    constexpr int day = 24 * 3600;
    seconds %= day;
    if (seconds < 0) seconds += day;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QChar(u'0'))
        .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
        .arg(seconds % 60, 2, 10, QChar(u'0'));
}
