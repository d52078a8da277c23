// Number formats that make a number a date or a time, and the one text shape both readers give such
// cells: "YYYY-MM-DD" for a date, "hh:mm:ss" for a time of day, "YYYY-MM-DD hh:mm:ss" for both, and
// for an elapsed format ([h]:mm:ss) the whole hours, so 1.5 days read "36:00:00".
#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <limits>

namespace workbook_detail {

enum class DateKind { None, Date, Time, DateTime, Elapsed };

// The kind of a format by its code, as written in the workbook: the first section counts; text in
// quotes, escaped characters and bracketed parts (colours, locales, conditions) are left out, but
// [h], [m] and [s] make an elapsed time. y and d make a date, h and s a time;
// m is the minute beside h or s and the month otherwise.
DateKind FormatCodeKind(QStringView code);

// The kind of a built-in format that the workbook does not spell out (0-163), including the date
// formats of the Chinese, Japanese and Korean versions (27-36, 50-58).
DateKind BuiltInFormatKind(int id);

// The general format of numbers (FormatGeneral), remembering the texts of recent values: sheets
// repeat their numbers (scores, classes), and equal texts then share one string in memory.
class NumberTexts {
  public:
    QString Text(double value);

  private:
    struct Entry {
        double value = std::numeric_limits<double>::quiet_NaN();  // equal to nothing: empty
        QString text;
    };
    std::array<Entry, 1024> entries_;
};

// A serial date number (days since the workbook's epoch, the time as the fraction) as text of the
// kind; a negative number, a day that does not exist (1900-02-29) or one beyond 9999 reads as the
// number in the general format. Below one day there is no date: a date-time reads as the time alone
// and a date as the number (0 is the empty day "1900-01-00" of spreadsheet programs).
QString SerialDateText(double serial, DateKind kind, bool from1904, NumberTexts* numbers = nullptr);

// An ISO 8601 date or date-time (the t="d" cells of .xlsx) in the shape of the kind of its format
// (a date-time when the format says nothing); anything else stays as written.
QString IsoDateText(const QString& text, DateKind kind);

}  // namespace workbook_detail
