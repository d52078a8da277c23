#include "analysis/RecordReader.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/FrozenPaper.h"
#include "record/Sitting.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <map>
#include <set>

namespace {

// The counted attempts of sitting ?1: per student number the one with the highest Cishu among the
// states allowed.
QString CountedAttempts(bool includeInProgress) {
    const QString states = includeInProgress ? QStringLiteral("0,1,2") : QStringLiteral("1,2");
    return QStringLiteral(
               "SELECT k.JiluID FROM Kaoshijilu k WHERE k.ChangciID=?1 AND k.Zhuangtai IN (%1) "
               "AND NOT EXISTS (SELECT 1 FROM Kaoshijilu l WHERE l.ChangciID=k.ChangciID "
               "AND l.Xuehao=k.Xuehao AND l.Zhuangtai IN (%1) AND l.Cishu>k.Cishu)")
        .arg(states);
}

bool HasRecord(Database& db) {
    return db.OpenQuery(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' "
                                       "AND name IN ('Kaoshijilu','Datijilu','Changci')"))
               ->ColumnAsInt64(0) == 3;
}

}  // namespace

QString RecordVersion(Database& db) {
    if (!HasRecord(db)) return QString();
    // Sums and counts only: the change times are BIGINT on the server and are never cast.
    auto table = db.OpenQuery(QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM Changci), (SELECT MAX(ChangciID) FROM Changci), "
        "(SELECT COUNT(Jieshu) FROM Changci), (SELECT COUNT(*) FROM Kaoshijilu), "
        "(SELECT SUM(Zhuangtai) FROM Kaoshijilu), (SELECT MAX(JiluID) FROM Kaoshijilu), "
        "(SELECT COUNT(*) FROM Datijilu), (SELECT TOTAL(Gengxin) FROM Datijilu), "
        "(SELECT TOTAL(Defen) FROM Datijilu)"));
    QStringList parts;
    for (int c = 0; c < table->ColumnCount(); ++c)
        parts << QString::fromUtf8(table->ColumnText(c));
    return parts.join(u' ');
}

QString SittingCaption(const SittingRow& sitting) {
    return QStringLiteral("%1（%2）")
        .arg(
            sitting.name,
            QDateTime::fromSecsSinceEpoch(sitting.openedAt).toString(QStringLiteral("yyyy-MM-dd")));
}

std::vector<SittingChoice> RecordedSittings(Database& db) {
    std::vector<SittingChoice> choices;
    if (!HasRecord(db)) return choices;
    for (const SittingRow& sitting : record::Sittings(db))
        choices.push_back({sitting.id, SittingCaption(sitting)});
    return choices;
}

std::vector<RecordedQuestion> PaperQuestions(const FrozenPaper& paper) {
    std::vector<RecordedQuestion> questions;
    for (int section = 1; section <= FrozenPaper::kSections; ++section) {
        std::set<int> numbers;
        for (const PaperRow& row : paper.Rows(section)) {
            bool ok = false;
            const int number = row[0] ? row[0]->trimmed().toInt(&ok) : 0;
            if (ok && number >= 1 && number <= FrozenPaper::Limit(section)) numbers.insert(number);
        }
        for (int number : numbers)
            questions.push_back({section, number, paper.Points(section, number).value_or(0.0),
                                 paper.Key(section, number)});
    }
    return questions;
}

RecordedExam ReadRecordedExam(Database& db, qint64 sitting, bool includeInProgress) {
    RecordedExam record;
    const ReadTransaction view(db);
    record.questions = PaperQuestions(ReadPaper(db, sitting));
    std::map<std::pair<int, int>, size_t> index;
    for (const RecordedQuestion& q : record.questions)
        index.emplace(std::pair(q.section, q.number), index.size());
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
            QStringLiteral("SELECT JiluID, Xuehao, Zhuangtai FROM Kaoshijilu WHERE JiluID IN (%1) "
                           "ORDER BY Xuehao")
                .arg(counted),
            {sitting});
        for (; !table->AtEnd(); table->MoveNext()) {
            CandidateRecord candidate;
            candidate.studentNo = table->ColumnAsInt64(1);
            candidate.name = names.value(candidate.studentNo);
            candidate.ended = table->ColumnAsInt64(2) != 0;
            candidate.answers.resize(record.questions.size());
            attempts.insert(table->ColumnAsInt64(0), record.candidates.size());
            record.candidates.push_back(std::move(candidate));
        }
    }

    // The answers and points earned of the counted attempts, on the questions of the paper.
    auto table =
        db.OpenQuery(QStringLiteral("SELECT JiluID, Bufen, TestID, Daan, Defen FROM Datijilu "
                                    "WHERE JiluID IN (%1)")
                         .arg(counted),
                     {sitting});
    for (; !table->AtEnd(); table->MoveNext()) {
        const auto candidate = attempts.constFind(table->ColumnAsInt64(0));
        const auto question =
            index.find({int(table->ColumnAsInt64(1)), int(table->ColumnAsInt64(2))});
        if (candidate == attempts.constEnd() || question == index.end()) continue;
        record.candidates[*candidate].answers[question->second] = {DecodeUtf8(table->ColumnText(3)),
                                                                   table->ColumnAsFloat(4), true};
    }
    return record;
}
