// Date and time formats of cells and the text of their values.
#include "back_office/workbook/CellFormats.h"

#include "data_store/Conversions.h"

#include <QDate>
#include <QDateTime>

#include <cmath>
#include <cstring>

namespace workbook_detail {

namespace {

// Whether text (the inside of [...]) is an elapsed-time part: h, m or s repeated.
bool IsElapsedPart(QStringView text) {
    if (text.isEmpty()) return false;
    const QChar first = text[0].toLower();
    if (first != u'h' && first != u'm' && first != u's') return false;
    for (QChar c : text)
        if (c.toLower() != first) return false;
    return true;
}

QString TwoDigits(qint64 value) {
    return QString::number(value).rightJustified(2, u'0');
}

QString TimeText(qint64 hours, int minutes, int seconds) {
    return TwoDigits(hours) + u':' + TwoDigits(minutes) + u':' + TwoDigits(seconds);
}

// Dates beyond 9999-12-31 (serial 2958465 from 1900) are not shown by spreadsheet programs.
constexpr double kLastSerial = 2958466;

}  // namespace

DateKind FormatCodeKind(QStringView code) {
    bool date = false;
    bool time = false;
    bool elapsed = false;
    bool month = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t c = QChar(code[i]).toLower().unicode();
        if (c == u';') break;
        switch (c) {
            case u'"': {
                const qsizetype close = code.indexOf(u'"', i + 1);
                if (close < 0) return DateKind::None;
                i = close;
                break;
            }
            case u'\\':
            case u'_':
            case u'*':
                ++i;  // an escaped, padding or fill character
                break;
            case u'[': {
                const qsizetype close = code.indexOf(u']', i + 1);
                if (close < 0) return DateKind::None;
                if (IsElapsedPart(code.mid(i + 1, close - i - 1))) elapsed = time = true;
                i = close;
                break;
            }
            case u'@':
                return DateKind::None;  // a text format
            case u'y':
            case u'd':
                date = true;
                break;
            case u'h':
            case u's':
                time = true;
                break;
            case u'm':
                month = true;
                break;
            default:
                break;
        }
    }
    if (month && !time) date = true;
    if (elapsed) return DateKind::Elapsed;
    if (date && time) return DateKind::DateTime;
    if (date) return DateKind::Date;
    if (time) return DateKind::Time;
    return DateKind::None;
}

DateKind BuiltInFormatKind(int id) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 54) ||
        id == 57 || id == 58)
        return DateKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || id == 45 || id == 47 || id == 55 ||
        id == 56)
        return DateKind::Time;
    if (id == 22) return DateKind::DateTime;
    if (id == 46) return DateKind::Elapsed;
    return DateKind::None;
}

QString NumberTexts::Text(double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    Entry& entry = entries_[(bits * 0x9E3779B97F4A7C15ULL) >> 54];
    if (entry.value != value || (value == 0 && std::signbit(value) != std::signbit(entry.value))) {
        entry.value = value;
        entry.text = FormatGeneral(value);
    }
    return entry.text;
}

QString SerialDateText(double serial, DateKind kind, bool from1904, NumberTexts* numbers) {
    if (kind == DateKind::None || !std::isfinite(serial) || serial < 0 || serial >= kLastSerial)
        return numbers ? numbers->Text(serial) : FormatGeneral(serial);
    if (kind == DateKind::Elapsed) {
        const qint64 total = std::llround(serial * 86400.0);
        return TimeText(total / 3600, int(total / 60 % 60), int(total % 60));
    }
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = std::llround((serial - double(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    const QString time = TimeText(seconds / 3600, int(seconds / 60 % 60), int(seconds % 60));
    if (kind == DateKind::Time) return time;
    if (days == 0) return kind == DateKind::DateTime ? time : FormatGeneral(serial);
    QDate day;
    if (from1904) {
        day = QDate(1904, 1, 1).addDays(days);
    } else if (days < 60) {
        day = QDate(1899, 12, 31).addDays(days);  // before the 29th of February 1900 that never was
    } else if (days == 60) {
        return FormatGeneral(serial);
    } else {
        day = QDate(1899, 12, 30).addDays(days);
    }
    const QString date = day.toString(QStringLiteral("yyyy-MM-dd"));
    return kind == DateKind::Date ? date : date + u' ' + time;
}

QString IsoDateText(const QString& text, DateKind kind) {
    const QString trimmed = text.trimmed();
    QDateTime moment;
    if (trimmed.contains(u'T')) {
        moment = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
        if (!moment.isValid()) moment = QDateTime::fromString(trimmed, Qt::ISODate);
    } else {
        const QDate date = QDate::fromString(trimmed, Qt::ISODate);
        if (!date.isValid()) return text;
        moment = QDateTime(date, QTime(0, 0));
        if (kind == DateKind::None) kind = DateKind::Date;
    }
    if (!moment.isValid()) return text;
    const QTime time = moment.time();
    const QString timeText = TimeText(time.hour(), time.minute(), time.second());
    const QString dateText = moment.date().toString(QStringLiteral("yyyy-MM-dd"));
    switch (kind) {
        case DateKind::Date:
            return dateText;
        case DateKind::Time:
        case DateKind::Elapsed:
            return timeText;
        default:
            return dateText + u' ' + timeText;
    }
}

}  // namespace workbook_detail
