#include "printing/ResultSources.h"

#include "analysis/RecordedExam.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/SharedSettings.h"
#include "record/Sitting.h"

#include <QHash>

#include <algorithm>

namespace {

// What the sheet shows of each section: its option columns (A.. in order), whether its questions
// have keys and points.
struct SectionSource {
    int section;
    QStringList options;
    bool keyed;
};

const SectionSource kSections[] = {
    {1, {"Axx", "Bxx", "Cxx", "Dxx"}, true},
    {2, {"Axx", "Bxx", "Cxx", "Dxx"}, true},
    {3, {}, true},
    {4, {}, false},
};

QString QuestionText(const ResultTable& row, const SectionSource& source) {
    // Pictures stand as "[图片]" on paper and in sheets.
    QString text = WithoutPictures(row.Value(QStringLiteral("Request")));
    QStringList options;
    for (int o = 0; o < source.options.size(); ++o)
        options << QStringLiteral("%1. %2")
                       .arg(QChar(u'A' + o))
                       .arg(WithoutPictures(row.Value(source.options[o])));
    if (!options.isEmpty()) text += u'\n' + options.join(QStringLiteral("　"));
    return text;
}

qint64 Key(int section, int number) {
    return qint64(section) << 32 | quint32(number);
}

}  // namespace

std::vector<SheetQuestion> SheetPaper(const FrozenPaper& paper) {
    std::vector<SheetQuestion> questions;
    for (const SectionSource& source : kSections) {
        ResultTable table = paper.Section(source.section);
        std::vector<SheetQuestion> section;
        for (; !table.AtEnd(); table.MoveNext()) {
            SheetQuestion q;
            q.section = source.section;
            q.number = table.Value(QStringLiteral("TestID")).toInt();
            if (q.number < 1 || q.number > FrozenPaper::Limit(source.section)) continue;
            q.text = QuestionText(table, source);
            if (source.keyed) {
                q.key = table.Value(QStringLiteral("DDx"));
                q.points = table.Value(QStringLiteral("Score")).toDouble();
            }
            section.push_back(q);
        }
        std::stable_sort(
            section.begin(), section.end(),
            [](const SheetQuestion& a, const SheetQuestion& b) { return a.number < b.number; });
        questions.insert(questions.end(), section.begin(), section.end());
    }
    return questions;
}

QString AttemptStateText(const std::optional<AttemptRow>& attempt, qint64 sittingClock) {
    if (!attempt) return QStringLiteral("未考");
    switch (attempt->state) {
        case AttemptState::HandedIn:
            return QStringLiteral("已交卷");
        case AttemptState::TimedOut:
            return QStringLiteral("已超时");
        case AttemptState::InProgress:
            break;
    }
    return attempt->Interrupted(sittingClock) ? QStringLiteral("中断") : QStringLiteral("答题中");
}

ClassListData ReadClassList(Database& db) {
    QHash<qint64, AttemptRow> latest;
    ClassListData data;
    qint64 clock = 0;
    if (const std::optional<SittingRow> sitting = record::SittingToShow(db)) {
        for (const RoomRow& row : record::Room(db, sitting->id))
            latest.insert(row.attempt.studentNo, row.attempt);
        data.exam = sitting->name;
        clock = sitting->clock;
    }
    auto table = db.OpenQuery(QStringLiteral("Select * from Userxinxi"));
    data.rows.reserve(size_t(table->RowCount()));
    for (; !table->AtEnd(); table->MoveNext()) {
        ClassListRow row{
            table->Value(QStringLiteral("Xuehao")),   table->Value(QStringLiteral("Xingmin")),
            table->Value(QStringLiteral("Chengji")),  table->Value(QStringLiteral("Chengji1")),
            table->Value(QStringLiteral("Chengji2")), {}};
        const auto attempt = latest.find(row.studentNo.trimmed().toLongLong());
        row.state = AttemptStateText(
            attempt == latest.end() ? std::nullopt : std::optional<AttemptRow>(*attempt), clock);
        data.rows.push_back(std::move(row));
    }
    return data;
}

std::optional<ResultSheetData> ReadResultSheet(Database& db, const QString& studentNo) {
    const ReadTransaction view(db);
    auto candidate =
        db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"), {studentNo});
    if (candidate->RowCount() == 0) return std::nullopt;
    ResultSheetData data;
    data.studentNo = candidate->Value(QStringLiteral("Xuehao"));
    data.name = candidate->Value(QStringLiteral("Xingmin"));
    data.objective = candidate->Value(QStringLiteral("Chengji"));
    data.subjective = candidate->Value(QStringLiteral("Chengji1"));
    data.total = candidate->Value(QStringLiteral("Chengji2"));

    const auto attempt = record::LatestAttempt(db, int(studentNo.trimmed().toLongLong()));
    QHash<qint64, AnswerRow> answers;
    std::optional<SittingRow> sitting;
    if (attempt) {
        sitting = record::Sitting(db, attempt->sitting);
        for (const AnswerRow& row : record::Answers(db, attempt->id))
            answers.insert(Key(row.section, row.question), row);
    }
    data.state = AttemptStateText(attempt, sitting ? sitting->clock : 0);
    if (sitting) data.exam = sitting->name;
    // The paper the candidate sat, as their sitting froze it.
    data.questions = SheetPaper(sitting ? ReadPaper(db, sitting->id) : ReadBanks(db));
    for (SheetQuestion& q : data.questions) {
        // The grading reads subjective answers from the candidate's row.
        if (q.section == 4) q.answer = candidate->Value(QStringLiteral("Tt%1").arg(q.number));
        const auto row = answers.find(Key(q.section, q.number));
        if (row == answers.end()) continue;
        if (q.section != 4) {
            // The key and points are the paper's: a question only looked at has none recorded.
            q.answer = row->answer;
            q.earned = row->earned;
        } else if (q.answer.isEmpty()) {
            q.answer = row->answer;
        }
        answers.erase(row);
    }
    // Questions answered that the banks no longer hold keep what the record scored.
    for (const AnswerRow& row : answers) {
        SheetQuestion q{row.section, row.question, QStringLiteral("（题库中已没有这道题）"),
                        row.answer,  row.key,      std::nullopt,
                        row.earned};
        if (IsObjective(row.section)) q.points = row.points;
        data.questions.push_back(q);
    }
    std::stable_sort(data.questions.begin(), data.questions.end(),
                     [](const SheetQuestion& a, const SheetQuestion& b) {
                         return Key(a.section, a.number) < Key(b.section, b.number);
                     });
    return data;
}

QString ReadSchoolName(Database& db) {
    return settings::Read(db, settings::kSchoolName).simplified();  // one line
}
