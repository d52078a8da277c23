// Conversions shared by every window: UTF-8 text from the database, text to numbers and times, and
// numbers and times back to text. Numbers always use "." as decimal separator, whatever the locale.
#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// A text that does not convert. Its message is the one the user sees in the error box.
class ConversionError : public std::runtime_error {
  public:
    explicit ConversionError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// Strict UTF-8 decoding: bytes that are not valid UTF-8 as a whole decode to empty text.
QString DecodeUtf8(const QByteArray& bytes);

// Text to a signed 32-bit integer: optional leading blanks, an optional sign and decimal digits.
// Anything else, or a value out of range, raises "'%s' is not a valid integer value".
int StrToInt(const QString& text);

// The same rules, reporting failure instead of raising.
bool TryStrToInt(const QString& text, int* value);

// Text to a floating value: blanks around it are ignored; digits with an optional "." and an
// optional exponent. Anything else raises "'%s' is not a valid floating point value".
double StrToFloat(const QString& text);

// The general floating format: the shortest text with at most 15 significant digits; fixed notation
// while the value is at least 0.00001 and has at most 15 integer digits, scientific otherwise
// ("1E15", "1E-6"). 85 -> "85", 87.5 -> "87.5", 0.1 + 0.2 -> "0.3".
QString FormatGeneral(double value);

// Time of day: "h:m" or "h:m:s" with hours 0-23, minutes and seconds 0-59 (one or two digits each,
// blanks around the text ignored). Returns seconds since midnight; raises "'%s' is not a valid
// time".
int StrToTime(const QString& text);

// The same rules, reporting failure instead of raising.
bool TryStrToTime(const QString& text, int* seconds);

// Seconds since midnight as "hh:nn:ss" (wrapping around midnight in both directions).
QString FormatTime(int seconds);
