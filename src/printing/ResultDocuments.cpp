#include "printing/ResultDocuments.h"

#include "analysis/RecordedExam.h"
#include "data_store/Conversions.h"

#include <algorithm>
#include <numeric>

namespace {

const QString kGap = QStringLiteral("　　");

QString Titled(const QString& title, const QString& exam) {
    // "成绩分析：期中考试（2026-12-09）": a colon, so the sitting's own brackets never nest.
    return exam.isEmpty() ? title : QStringLiteral("%1：%2").arg(title, exam);
}

QString QuestionName(int section, int number) {
    return QStringLiteral("%1 第%2题").arg(SectionName(section)).arg(number);
}

}  // namespace

std::optional<double> RankedScore(const ClassListRow& row) {
    const QString& text = row.total.trimmed().isEmpty() ? row.objective : row.total;
    bool ok = false;
    const double score = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(score) : std::nullopt;
}

std::vector<int> Ranks(const std::vector<std::optional<double>>& scores) {
    std::vector<size_t> order(scores.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return scores[a].value_or(-1e300) > scores[b].value_or(-1e300);
    });
    std::vector<int> ranks(scores.size(), 0);
    for (size_t i = 0; i < order.size() && scores[order[i]]; ++i)
        ranks[order[i]] =
            i > 0 && scores[order[i]] == scores[order[i - 1]] ? ranks[order[i - 1]] : int(i) + 1;
    return ranks;
}

PrintDocument ResultSheetDocument(const ResultSheetData& data) {
    PrintDocument document;
    document.title = QStringLiteral("成绩单");
    document.AddHeading(Titled(document.title, data.exam));
    document.AddText(
        QStringList({QStringLiteral("学号：") + data.studentNo,
                     QStringLiteral("姓名：") + data.name, QStringLiteral("状态：") + data.state})
            .join(kGap));
    document.AddText(QStringList({QStringLiteral("客观成绩：") + data.objective,
                                  QStringLiteral("主观成绩：") + data.subjective,
                                  QStringLiteral("总评成绩：") + data.total})
                         .join(kGap));

    PrintTable& table =
        document.AddTable({QStringLiteral("题号"), QStringLiteral("题目"), QStringLiteral("作答"),
                           QStringLiteral("答案"), QStringLiteral("分值"), QStringLiteral("得分")},
                          {1.3, 5.2, 1.0, 1.0, 0.8, 0.8});
    table.numeric = {false, false, false, false, true, true};
    bool subjective = false;
    for (const SheetQuestion& q : data.questions) {
        if (!IsObjective(q.section)) {
            subjective = true;
            continue;
        }
        table.rows.append({QuestionName(q.section, q.number), q.text,
                           q.answer.isEmpty() ? QStringLiteral("未答") : q.answer, q.key,
                           q.points ? FormatGeneral(*q.points) : QString(),
                           FormatGeneral(q.earned)});
        table.flagged.push_back(q.points && *q.points > 0 && q.earned < *q.points);
    }
    if (subjective) {
        document.AddText(
            QStringLiteral("主观题（阅卷得分 %1）")
                .arg(data.subjective.isEmpty() ? QStringLiteral("未阅") : data.subjective));
        for (const SheetQuestion& q : data.questions) {
            if (IsObjective(q.section)) continue;
            document.AddText(QuestionName(q.section, q.number) + QStringLiteral("：") + q.text +
                             QStringLiteral("\n考生答案：") +
                             (q.answer.isEmpty() ? QStringLiteral("未答") : q.answer));
        }
    }
    return document;
}

PrintDocument ClassListDocument(const ClassListData& data) {
    PrintDocument document;
    document.title = QStringLiteral("成绩表");
    document.AddHeading(Titled(document.title, data.exam));
    document.AddText(QStringLiteral("共%1名考生").arg(data.rows.size()));
    PrintTable& table = document.AddTable(
        {QStringLiteral("学号"), QStringLiteral("姓名"), QStringLiteral("客观成绩"),
         QStringLiteral("主观成绩"), QStringLiteral("总评成绩"), QStringLiteral("名次"),
         QStringLiteral("状态")},
        {1.2, 1.6, 1, 1, 1, 0.7, 1});
    table.numeric = {false, false, true, true, true, true, false};
    std::vector<std::optional<double>> scores;
    for (const ClassListRow& row : data.rows)
        scores.push_back(RankedScore(row));
    const std::vector<int> ranks = Ranks(scores);
    table.rows.reserve(qsizetype(data.rows.size()));
    for (size_t r = 0; r < data.rows.size(); ++r) {
        const ClassListRow& row = data.rows[r];
        table.rows.append({row.studentNo, row.name, row.objective, row.subjective, row.total,
                           ranks[r] > 0 ? QString::number(ranks[r]) : QString(), row.state});
    }
    return document;
}

PrintDocument AnalysisReportDocument(const AnalysisReportData& data) {
    PrintDocument document;
    document.title = QStringLiteral("成绩分析");
    document.AddHeading(Titled(document.title, data.exam));
    if (!data.notes.isEmpty()) document.AddText(data.notes);
    // The summary in two halves side by side.
    PrintTable& summary = document.AddTable({QStringLiteral("项目"), QStringLiteral("数值"),
                                             QStringLiteral("项目"), QStringLiteral("数值")},
                                            {1, 1, 1, 1});
    summary.numeric = {false, true, false, true};
    const qsizetype half = (data.summary.size() + 1) / 2;
    for (qsizetype i = 0; i < half; ++i) {
        QStringList row = {data.summary[i].first, data.summary[i].second};
        if (i + half < data.summary.size())
            row << data.summary[i + half].first << data.summary[i + half].second;
        summary.rows.append(row);
    }
    document.AddPicture(data.chart);
    PrintTable& questions = document.AddTable(data.captions, {});
    questions.rows = data.rows;
    questions.numeric = data.numeric;
    questions.flagged = data.flagged;
    return document;
}
