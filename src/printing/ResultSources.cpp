#include "printing/ResultSources.h"

#include "analysis/RecordedExam.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"

#include <QHash>

#include <algorithm>

namespace {

// The banks as the paper's sections, in section order.
struct BankSource {
    int section;
    const char* table;
    QStringList options;  // option columns, A.. in order
    int limit;
    bool keyed;  // has a key and points
};

const BankSource kBanks[] = {
    {1, "KaoShi", {"Axx", "Bxx", "Cxx", "Dxx"}, kSingleChoiceLimit, true},
    {2, "KaoShi2", {"Axx", "Bxx", "Cxx", "Dxx"}, kMultiChoiceLimit, true},
    {3, "KaoShi3", {}, kTrueFalseLimit, true},
    {4, "KaoShi4", {}, kSubjectiveLimit, false},
};

QString QuestionText(const ResultTable& row, const BankSource& bank) {
    QString text = row.Value(QStringLiteral("Request"));
    QStringList options;
    for (int o = 0; o < bank.options.size(); ++o)
        options << QStringLiteral("%1. %2").arg(QChar(u'A' + o)).arg(row.Value(bank.options[o]));
    if (!options.isEmpty()) text += u'\n' + options.join(QStringLiteral("　"));
    return text;
}

qint64 Key(int section, int number) {
    return qint64(section) << 32 | quint32(number);
}

}  // namespace

std::vector<SheetQuestion> ReadPaper(Database& db) {
    std::vector<SheetQuestion> paper;
    for (const BankSource& bank : kBanks) {
        auto table = db.OpenQuery(QStringLiteral("SELECT * FROM %1 ORDER BY TestID LIMIT %2")
                                      .arg(QString::fromLatin1(bank.table))
                                      .arg(bank.limit));
        for (; !table->AtEnd(); table->MoveNext()) {
            SheetQuestion q;
            q.section = bank.section;
            q.number = table->Value(QStringLiteral("TestID")).toInt();
            q.text = QuestionText(*table, bank);
            if (bank.keyed) {
                q.key = table->Value(QStringLiteral("DDx"));
                q.points = table->Value(QStringLiteral("Score")).toDouble();
            }
            paper.push_back(q);
        }
    }
    return paper;
}

QString AttemptStateText(const std::optional<AttemptRow>& attempt, qint64 now) {
    if (!attempt) return QStringLiteral("未考");
    switch (attempt->state) {
        case AttemptState::HandedIn:
            return QStringLiteral("已交卷");
        case AttemptState::TimedOut:
            return QStringLiteral("已超时");
        case AttemptState::InProgress:
            break;
    }
    return attempt->Interrupted(now) ? QStringLiteral("中断") : QStringLiteral("答题中");
}

ClassListData ReadClassList(Database& db, qint64 now) {
    QHash<qint64, AttemptRow> latest;
    QStringList exams;
    for (const RoomRow& row : record::Room(db)) {
        latest.insert(row.attempt.studentNo, row.attempt);
        if (!exams.contains(row.attempt.examId)) exams << row.attempt.examId;
    }
    ClassListData data;
    if (exams.size() == 1) data.exam = exams.front();
    auto table = db.OpenQuery(QStringLiteral("Select * from Userxinxi"));
    data.rows.reserve(size_t(table->RowCount()));
    for (; !table->AtEnd(); table->MoveNext()) {
        ClassListRow row{
            table->Value(QStringLiteral("Xuehao")),   table->Value(QStringLiteral("Xingmin")),
            table->Value(QStringLiteral("Chengji")),  table->Value(QStringLiteral("Chengji1")),
            table->Value(QStringLiteral("Chengji2")), {}};
        const auto attempt = latest.find(row.studentNo.trimmed().toLongLong());
        row.state = AttemptStateText(
            attempt == latest.end() ? std::nullopt : std::optional<AttemptRow>(*attempt), now);
        data.rows.push_back(std::move(row));
    }
    return data;
}

std::optional<ResultSheetData> ReadResultSheet(Database& db, const QString& studentNo, qint64 now) {
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
    data.state = AttemptStateText(attempt, now);
    QHash<qint64, AnswerRow> answers;
    if (attempt) {
        data.exam = attempt->examId;
        for (const AnswerRow& row : record::Answers(db, attempt->id))
            answers.insert(Key(row.section, row.question), row);
    }

    data.questions = ReadPaper(db);
    for (SheetQuestion& q : data.questions) {
        // The grading reads subjective answers from the candidate's row.
        if (q.section == 4) q.answer = candidate->Value(QStringLiteral("Tt%1").arg(q.number));
        const auto row = answers.find(Key(q.section, q.number));
        if (row == answers.end()) continue;
        if (q.section != 4) {
            q.answer = row->answer;
            q.key = row->key;
            q.points = row->points;
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

QString ReadSchoolName(Database&) {
    return QString();
}
