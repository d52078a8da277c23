#include "analysis/RecordReader.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"

#include <QHash>

#include <algorithm>
#include <map>
#include <utility>

namespace {

// The counted attempts of exam ?1: per student number the one with the highest Cishu among the
// states allowed.
QString CountedAttempts(bool includeInProgress) {
    const QString states = includeInProgress ? QStringLiteral("0,1,2") : QStringLiteral("1,2");
    return QStringLiteral(
               "SELECT k.JiluID FROM Kaoshijilu k WHERE k.ExamID=?1 AND k.Zhuangtai IN (%1) "
               "AND NOT EXISTS (SELECT 1 FROM Kaoshijilu l WHERE l.ExamID=k.ExamID "
               "AND l.Xuehao=k.Xuehao AND l.Zhuangtai IN (%1) AND l.Cishu>k.Cishu)")
        .arg(states);
}

struct Row {
    size_t candidate;
    std::pair<int, int> question;
    RecordedAnswer answer;
};

}  // namespace

namespace {

bool HasRecord(Database& db) {
    return db.OpenQuery(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' "
                                       "AND name IN ('Kaoshijilu','Datijilu')"))
               ->ColumnAsInt64(0) == 2;
}

}  // namespace

QString RecordVersion(Database& db) {
    if (!HasRecord(db)) return QString();
    auto table = db.OpenQuery(QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM Kaoshijilu), (SELECT SUM(Zhuangtai) FROM Kaoshijilu), "
        "(SELECT MAX(JiluID) FROM Kaoshijilu), (SELECT COUNT(*) FROM Datijilu), "
        "(SELECT TOTAL(Gengxin) FROM Datijilu), (SELECT TOTAL(Defen) FROM Datijilu)"));
    QStringList parts;
    for (int c = 0; c < table->ColumnCount(); ++c)
        parts << QString::fromUtf8(table->ColumnText(c));
    return parts.join(u' ');
}

QStringList RecordedExams(Database& db) {
    if (!HasRecord(db)) return {};
    auto table = db.OpenQuery(QStringLiteral(
        "SELECT ExamID FROM Kaoshijilu GROUP BY ExamID ORDER BY MAX(Kaishi) DESC, ExamID"));
    QStringList exams;
    for (; !table->AtEnd(); table->MoveNext())
        exams << DecodeUtf8(table->ColumnText(0));
    return exams;
}

RecordedExam ReadRecordedExam(Database& db, const QString& examId, bool includeInProgress) {
    RecordedExam record;
    const QString counted = CountedAttempts(includeInProgress);

    // Names by student number; the first candidate row of a number gives its name.
    QHash<qint64, QString> names;
    {
        auto table = db.OpenQuery(
            QStringLiteral("SELECT Xuehao, Xingmin FROM Userxinxi ORDER BY UserID DESC"));
        for (; !table->AtEnd(); table->MoveNext()) {
            bool ok = false;
            const qint64 number = DecodeUtf8(table->ColumnText(0)).trimmed().toLongLong(&ok);
            if (ok) names.insert(number, DecodeUtf8(table->ColumnText(1)));
        }
    }

    QHash<qint64, size_t> attempts;  // JiluID -> candidate
    {
        auto table = db.OpenQuery(
            QStringLiteral(
                "SELECT JiluID, Xuehao, Zhuangtai, Tishu FROM Kaoshijilu WHERE JiluID IN (%1) "
                "ORDER BY Xuehao")
                .arg(counted),
            {examId});
        for (; !table->AtEnd(); table->MoveNext()) {
            CandidateRecord candidate;
            candidate.studentNo = table->ColumnAsInt64(1);
            candidate.name = names.value(candidate.studentNo);
            candidate.ended = table->ColumnAsInt64(2) != 0;
            record.paperQuestions = std::max(record.paperQuestions, int(table->ColumnAsInt64(3)));
            attempts.insert(table->ColumnAsInt64(0), record.candidates.size());
            record.candidates.push_back(std::move(candidate));
        }
    }

    // The rows of the counted attempts; each question's points and key from its latest row.
    std::map<std::pair<int, int>, std::pair<qint64, RecordedQuestion>> questions;
    std::vector<Row> rows;
    {
        auto table = db.OpenQuery(
            QStringLiteral("SELECT JiluID, Bufen, TestID, Daan, Fenzhi, Biaozhun, Defen, "
                           "CAST(Gengxin AS INTEGER) "
                           "FROM Datijilu WHERE JiluID IN (%1)")
                .arg(counted),
            {examId});
        rows.reserve(table->RowCount());
        for (; !table->AtEnd(); table->MoveNext()) {
            const auto found = attempts.constFind(table->ColumnAsInt64(0));
            if (found == attempts.constEnd()) continue;
            const std::pair<int, int> key(int(table->ColumnAsInt64(1)),
                                          int(table->ColumnAsInt64(2)));
            const qint64 changed = table->ColumnAsInt64(7);
            auto [at, added] = questions.try_emplace(key);
            if (added || changed >= at->second.first) {
                at->second.first = changed;
                at->second.second = {key.first, key.second, table->ColumnAsFloat(4),
                                     DecodeUtf8(table->ColumnText(5))};
            }
            rows.push_back(
                {*found, key, {DecodeUtf8(table->ColumnText(3)), table->ColumnAsFloat(6)}});
        }
    }

    std::map<std::pair<int, int>, size_t> index;
    for (const auto& [key, question] : questions) {
        index.emplace(key, record.questions.size());
        record.questions.push_back(question.second);
    }
    for (CandidateRecord& candidate : record.candidates)
        candidate.answers.resize(record.questions.size());
    for (Row& row : rows)
        record.candidates[row.candidate].answers[index.at(row.question)] = std::move(row.answer);
    return record;
}
