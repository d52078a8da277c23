// What the results analysis shows and exports, as texts and numbers: the summary lines, the
// question rows, the candidates' answers, and the workbook "导出分析" writes (sheets 概况,
// 题目分析, 答题明细). No Widgets: the tab and the export share these.
#pragma once

#include "analysis/Statistics.h"
#include "back_office/workbook/Workbook.h"
#include "printing/ResultDocuments.h"

#include <QList>
#include <QString>
#include <QStringList>

// A figure that is not defined.
inline const QString kNoValue = QStringLiteral("—");

// One figure of the summary, or of a question row, as the tab shows it and the workbook stores it.
struct Figure {
    enum class Kind { Count, Points, Percent, Coefficient, Text };
    Kind kind = Kind::Text;
    std::optional<double> value;  // Percent: a share 0..1
    QString text;                 // Kind::Text
    QString Shown() const;        // "—" when not defined
    CellValue Cell() const;       // a number cell (a percent as 0..100), or the shown text
};

struct SummaryLine {
    QString caption;  // 人数, 满分, ...
    Figure figure;
};
QList<SummaryLine> SummaryLines(const ScoreSummary& summary);

// The question rows: their captions and one row of figures per question.
QStringList QuestionCaptions();
QList<Figure> QuestionRow(const QuestionStatistics& item);

// The notices shown above the figures: why figures are missing, questions nobody was shown,
// candidates still writing. `anySitting`: the record holds a sitting at all.
QStringList AnalysisNotes(const RecordedExam& record, const ExamStatistics& statistics,
                          bool anySitting, bool includeInProgress);

// The three sheets of "导出分析"; 概况 names the sitting and carries every notice the tab shows.
QList<SheetData> AnalysisWorkbook(const QString& sitting, const QStringList& notes,
                                  const RecordedExam& record, const ExamStatistics& statistics);

// The printed report's summary and question table, the same texts the tab shows (the tab adds the
// exam, its notes and the chart).
AnalysisReportData AnalysisReport(const ExamStatistics& statistics);
