#include "back_office/AnalysisSheets.h"

#include "data_store/Conversions.h"

#include <algorithm>
#include <cmath>

namespace {

double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

Figure Of(Figure::Kind kind, std::optional<double> value) {
    return {kind, value, QString()};
}

Figure Count(int count) {
    return Of(Figure::Kind::Count, double(count));
}

Figure Text(const QString& text) {
    return {Figure::Kind::Text, std::nullopt, text};
}

// How many decimals a kind keeps, on screen and in the workbook.
int DecimalsOf(Figure::Kind kind) {
    switch (kind) {
        case Figure::Kind::Count:
            return 0;
        case Figure::Kind::Points:
        case Figure::Kind::Percent:
            return 2;
        default:
            return 3;
    }
}

}  // namespace

QString Figure::Shown() const {
    if (kind == Kind::Text) return text;
    if (!value) return kNoValue;
    const double v = kind == Kind::Percent ? *value * 100 : *value;
    const QString shown = FormatGeneral(Rounded(v, DecimalsOf(kind)));
    return kind == Kind::Percent ? shown + u'%' : shown;
}

CellValue Figure::Cell() const {
    if (kind == Kind::Text || !value) return Shown();
    const double v = kind == Kind::Percent ? *value * 100 : *value;
    return Rounded(v, DecimalsOf(kind));
}

QList<SummaryLine> SummaryLines(const ScoreSummary& s) {
    using K = Figure::Kind;
    return {{QStringLiteral("人数"), Count(s.candidates)},
            {QStringLiteral("满分"), Of(K::Points, s.fullMarks)},
            {QStringLiteral("平均分"), Of(K::Points, s.mean)},
            {QStringLiteral("中位数"), Of(K::Points, s.median)},
            {QStringLiteral("标准差（总体）"), Of(K::Points, s.standardDeviation)},
            {QStringLiteral("最高分"), Of(K::Points, s.highest)},
            {QStringLiteral("最低分"), Of(K::Points, s.lowest)},
            {QStringLiteral("及格率"), Of(K::Percent, s.passRate)},
            {QStringLiteral("优秀率"), Of(K::Percent, s.excellentRate)},
            {QStringLiteral("信度(α)"), Of(K::Coefficient, s.reliability)}};
}

QStringList QuestionCaptions() {
    return {
        QStringLiteral("题型"),   QStringLiteral("题号"),   QStringLiteral("满分值"),
        QStringLiteral("答对率"), QStringLiteral("区分度"), QStringLiteral("点二列相关（校正）"),
        QStringLiteral("A/对"),   QStringLiteral("B/错"),   QStringLiteral("C"),
        QStringLiteral("D"),      QStringLiteral("未答"),   QStringLiteral("作答"),
        QStringLiteral("答案"),   QStringLiteral("复查")};
}

QList<Figure> QuestionRow(const QuestionStatistics& item) {
    using K = Figure::Kind;
    const RecordedQuestion& q = item.question;
    const bool objective = IsObjective(q.section);
    // Options a section does not have stay empty: C and D of true/false, all of subjective.
    const int options = q.section == 3 ? 2 : objective ? 4 : 0;
    QList<Figure> row = {Text(SectionName(q.section)), Count(q.number), Of(K::Points, q.points)};
    if (objective) {
        row << Of(K::Percent, item.facility) << Of(K::Coefficient, item.discrimination)
            << Of(K::Coefficient, item.pointBiserial);
    } else {
        row << Text(QString()) << Text(QString()) << Text(QString());
    }
    for (int o = 0; o < 4; ++o)
        row << (o < options ? Count(item.choices[o]) : Text(QString()));
    row << Count(item.blank) << Count(item.answered) << Text(q.key)
        << Text(item.flagged ? QStringLiteral("是") : QString());
    return row;
}

QStringList AnalysisNotes(const RecordedExam& record, const ExamStatistics& statistics,
                          bool anySitting, bool includeInProgress) {
    const ScoreSummary& s = statistics.summary;
    QStringList notes;
    if (!anySitting) {
        notes << QStringLiteral("还没有考试记录。");
    } else if (s.candidates == 0) {
        notes << (includeInProgress ? QStringLiteral("本场考试还没有考生的记录。")
                                    : QStringLiteral("本场考试还没有考生交卷。"));
    } else if (s.candidates == 1) {
        notes << QStringLiteral("只有一名考生：没有标准差、区分度、相关和信度。");
    } else if (s.standardDeviation && *s.standardDeviation == 0) {
        notes << QStringLiteral("所有考生的成绩相同：区分度、相关和信度无法计算，显示为“—”。");
    }
    if (const int unseen = UnseenObjectiveQuestions(record); unseen > 0 && s.candidates > 0)
        notes << QStringLiteral("试卷中有 %1 道客观题没有考生看过，仍按试卷的分值计入满分。")
                     .arg(unseen);
    const auto open = std::count_if(record.candidates.begin(), record.candidates.end(),
                                    [](const CandidateRecord& c) { return !c.ended; });
    if (open > 0) notes << QStringLiteral("其中 %1 人尚未交卷。").arg(open);
    return notes;
}

QList<SheetData> AnalysisWorkbook(const QString& sitting, const QStringList& notes,
                                  const RecordedExam& record, const ExamStatistics& statistics) {
    SheetData summary{QStringLiteral("概况"), {{QStringLiteral("项目"), QStringLiteral("数值")}}};
    summary.rows.append({QStringLiteral("考试场次"), sitting});
    for (const SummaryLine& line : SummaryLines(statistics.summary))
        summary.rows.append({line.figure.kind == Figure::Kind::Percent
                                 ? line.caption + QStringLiteral("(%)")
                                 : line.caption,
                             line.figure.Cell()});
    for (const QString& note : notes)
        summary.rows.append({QStringLiteral("说明"), note});

    SheetData questions{QStringLiteral("题目分析"), {}};
    const QStringList captions = QuestionCaptions();
    questions.rows.append(QList<CellValue>(captions.begin(), captions.end()));
    for (const QuestionStatistics& item : statistics.questions) {
        QList<CellValue> cells;
        for (const Figure& figure : QuestionRow(item))
            cells << figure.Cell();
        questions.rows.append(cells);
    }

    // One row per candidate: 学号, 姓名, 总分, then per question its answer and, for the objective
    // ones, the points earned.
    SheetData answers{QStringLiteral("答题明细"), {}};
    QList<CellValue> head = {QStringLiteral("学号"), QStringLiteral("姓名"),
                             QStringLiteral("总分")};
    for (const RecordedQuestion& q : record.questions) {
        const QString name = SectionName(q.section) + QString::number(q.number);
        head << name + QStringLiteral("答案");
        if (IsObjective(q.section)) head << name + QStringLiteral("得分");
    }
    answers.rows.append(head);
    for (size_t c = 0; c < record.candidates.size(); ++c) {
        const CandidateRecord& candidate = record.candidates[c];
        QList<CellValue> row = {double(candidate.studentNo), candidate.name, statistics.totals[c]};
        for (size_t q = 0; q < record.questions.size(); ++q) {
            row << candidate.answers[q].answer;
            if (IsObjective(record.questions[q].section)) row << candidate.answers[q].earned;
        }
        answers.rows.append(row);
    }
    return {summary, questions, answers};
}

AnalysisReportData AnalysisReport(const ExamStatistics& statistics) {
    AnalysisReportData report;
    for (const SummaryLine& line : SummaryLines(statistics.summary))
        report.summary.append({line.caption, line.figure.Shown()});
    report.captions = QuestionCaptions();
    report.numeric.assign(size_t(report.captions.size()), false);
    for (const QuestionStatistics& item : statistics.questions) {
        QStringList cells;
        for (const Figure& figure : QuestionRow(item)) {
            if (figure.kind != Figure::Kind::Text) report.numeric[size_t(cells.size())] = true;
            cells << figure.Shown();
        }
        report.rows.append(cells);
        report.flagged.push_back(item.flagged);
    }
    return report;
}
