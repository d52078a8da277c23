// The analysis against an independent computation (independent_analysis.py, from the raw rows) on
// classes the exam's own recorder wrote: two sittings on different papers, questions only looked
// at, questions nobody saw, make-up attempts in the same sitting, candidates still writing, a bank
// edited while a sitting runs, student numbers reused by the second class.
#include "analysis/RecordReader.h"
#include "analysis/Statistics.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "exam/ExamRecorder.h"
#include "record/Sitting.h"
#include "support/FakePlatform.h"
#include "support/TestWorkdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <cmath>
#include <random>

namespace {

const QString kLetters = QStringLiteral("ABCD");

struct PaperQuestion {
    int section;
    int number;
    double points;
    QString key;
};

// A paper: `counts` questions of the three objective sections (keys drawn at random, points
// `points[section]`) and two subjective ones.
std::vector<PaperQuestion> FillBanks(const TestWorkdir& dir, std::mt19937& random,
                                     std::array<int, 3> counts, std::array<double, 3> points) {
    dir.Sql(
        QStringLiteral("DELETE FROM Test; DELETE FROM KaoShi2; DELETE FROM KaoShi3; "
                       "DELETE FROM KaoShi4; INSERT INTO KaoShi4 (TestID,Request) VALUES "
                       "(1,'简述一'),(2,'简述二')"));
    std::vector<PaperQuestion> paper;
    const char* tables[3] = {"Test", "KaoShi2", "KaoShi3"};
    for (int s = 1; s <= 3; ++s)
        for (int n = 1; n <= counts[s - 1]; ++n) {
            const QString key = s == 1         ? QString(kLetters[int(random() % 4)])
                                : s == 2       ? kLetters.mid(int(random() % 3), 2)
                                : random() % 2 ? QStringLiteral("对")
                                               : QStringLiteral("错");
            paper.push_back({s, n, points[s - 1], key});
            dir.Sql(QStringLiteral("INSERT INTO %1 (TestID,Request,Axx,Bxx,DDx,Score) VALUES "
                                   "(%2,'题%2','甲','乙','%3','%4')")
                        .arg(QString::fromLatin1(tables[s - 1]))
                        .arg(n)
                        .arg(key)
                        .arg(points[s - 1]));
        }
    return paper;
}

// One attempt as the exam window makes it: questions shown in order (the last `unseen` of the
// paper never), most of them answered, a few only looked at; handed in, timed out or left open.
void Sit(FakePlatform& platform, std::mt19937& random, int studentNo,
         const std::vector<PaperQuestion>& paper, int unseen, AttemptState end) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    ExamRecorder recorder(platform);
    const ExamRecorder::Started started = recorder.Start(studentNo, int(paper.size()) + 2);
    const double ability = uniform(random);
    double score = 0;
    for (size_t q = 0; q + unseen < paper.size(); ++q) {
        const PaperQuestion& question = paper[q];
        platform.now += 7;
        if (uniform(random) < 0.1) continue;  // skipped
        recorder.Shown(question.section, question.number);
        if (uniform(random) < 0.15) continue;  // only looked at
        // Picked by the window against the sitting's paper, whatever the bank holds now.
        const QString key = started.paper.Key(question.section, question.number);
        const double points = started.paper.Points(question.section, question.number).value_or(0);
        QString answer = key;
        if (uniform(random) > ability)
            answer = question.section == 3   ? (key == QStringLiteral("对") ? QStringLiteral("错")
                                                                            : QStringLiteral("对"))
                     : question.section == 1 ? QString(kLetters[int(random() % 4)])
                                             : kLetters.mid(int(random() % 3), 2);
        const double earned = answer == key ? points : 0;
        recorder.Picked(question.section, question.number, answer, points, key, earned);
        score += earned;
    }
    if (end != AttemptState::InProgress) recorder.End(end, score, FormatGeneral(score), 0);
    recorder.Drain();  // the journal's writer brings it all to the database
}

QJsonObject Library(Database& db, qint64 sitting, bool inProgress) {
    const RecordedExam record = ReadRecordedExam(db, sitting, inProgress);
    const ExamStatistics s = Analyse(record);
    const auto number = [](const std::optional<double>& v) {
        return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
    };
    QJsonObject summary{{"candidates", s.summary.candidates},
                        {"fullMarks", s.summary.fullMarks},
                        {"mean", number(s.summary.mean)},
                        {"median", number(s.summary.median)},
                        {"standardDeviation", number(s.summary.standardDeviation)},
                        {"highest", number(s.summary.highest)},
                        {"lowest", number(s.summary.lowest)},
                        {"passRate", number(s.summary.passRate)},
                        {"excellentRate", number(s.summary.excellentRate)},
                        {"reliability", number(s.summary.reliability)}};
    QJsonArray students, totals, bands, questions;
    for (size_t c = 0; c < record.candidates.size(); ++c) {
        students << double(record.candidates[c].studentNo);
        totals << s.totals[c];
    }
    for (int b : s.bands)
        bands << b;
    for (const QuestionStatistics& q : s.questions)
        questions << QJsonObject{
            {"section", q.question.section},
            {"number", q.question.number},
            {"points", q.question.points},
            {"key", q.question.key},
            {"facility", number(q.facility)},
            {"discrimination", number(q.discrimination)},
            {"pointBiserial", number(q.pointBiserial)},
            {"choices", QJsonArray{q.choices[0], q.choices[1], q.choices[2], q.choices[3]}},
            {"blank", q.blank},
            {"answered", q.answered},
            {"flagged", q.flagged}};
    return {{"summary", summary},
            {"students", students},
            {"totals", totals},
            {"bands", bands},
            {"questions", questions}};
}

QJsonObject Independent(const QString& file, qint64 sitting, bool inProgress) {
    QProcess python;
    QStringList args = {QStringLiteral(CX_INDEPENDENT_ANALYSIS), file, QString::number(sitting)};
    if (inProgress) args << QStringLiteral("--in-progress");
    python.start(QStringLiteral("python3"), args);
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning("%s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

// Figure by figure; the differences as "where: library / independent". Counts the figures.
void Compare(const QJsonValue& a, const QJsonValue& b, const QString& where, QStringList& out,
             int& figures) {
    if (a.isObject() && b.isObject()) {
        const QJsonObject x = a.toObject(), y = b.toObject();
        if (x.keys() != y.keys()) out << where + QStringLiteral(": keys differ");
        for (const QString& key : x.keys())
            Compare(x[key], y[key], where + u'.' + key, out, figures);
    } else if (a.isArray() && b.isArray()) {
        const QJsonArray x = a.toArray(), y = b.toArray();
        if (x.size() != y.size()) out << where + QStringLiteral(": sizes differ");
        for (qsizetype i = 0; i < std::min(x.size(), y.size()); ++i)
            Compare(x[i], y[i], QStringLiteral("%1[%2]").arg(where).arg(i), out, figures);
    } else {
        ++figures;
        const bool same = a.isDouble() && b.isDouble()
                              ? std::abs(a.toDouble() - b.toDouble()) <=
                                    1e-9 * std::max(1.0, std::abs(b.toDouble()))
                              : a == b;
        if (!same)
            out << QStringLiteral("%1: %2 / %3")
                       .arg(where, QJsonDocument(QJsonArray{a}).toJson(QJsonDocument::Compact),
                            QJsonDocument(QJsonArray{b}).toJson(QJsonDocument::Compact));
    }
}

}  // namespace

class IndependentCheckTest : public QObject {
    Q_OBJECT
  private slots:
    void agreesFigureByFigure() {
        TestWorkdir dir;
        FakePlatform platform;
        std::mt19937 random(22);
        platform.now = 1'800'000'000;

        // The first class: 30 candidates, the last true/false question seen by nobody; three sit
        // again after handing in (make-up), one after timing out.
        auto paper = FillBanks(dir, random, {12, 5, 6}, {2, 3, 1});
        for (int c = 0; c < 30; ++c)
            Sit(platform, random, 110101 + c, paper, 1,
                c % 7 == 3 ? AttemptState::TimedOut : AttemptState::HandedIn);
        for (int c : {2, 3, 11, 17})
            Sit(platform, random, 110101 + c, paper, 1, AttemptState::HandedIn);
        qint64 first = 0;
        {
            Database db(kDatabasePath);
            first = record::OpenSitting(db)->id;
            platform.now += 3600;
            record::EndSitting(db, first, QStringLiteral("admin"), platform.now);
        }

        // The second class, next day, on another paper reusing the student numbers; the bank is
        // edited while it sits; some are still writing, one of them on a make-up attempt.
        platform.now += 86400;
        paper = FillBanks(dir, random, {8, 4, 8}, {1.5, 2, 0.5});
        for (int c = 0; c < 25; ++c) {
            if (c == 5) dir.Sql(QStringLiteral("UPDATE Test SET DDx='D', Score='9'"));
            Sit(platform, random, 110101 + c, paper, 0,
                c >= 22 ? AttemptState::InProgress : AttemptState::HandedIn);
        }
        Sit(platform, random, 110101, paper, 0, AttemptState::InProgress);

        Database db(kDatabasePath);
        const qint64 second = record::OpenSitting(db)->id;
        QVERIFY(first != second);
        int figures = 0;
        for (const qint64 sitting : {first, second})
            for (const bool inProgress : {false, true}) {
                const QJsonObject ours = Library(db, sitting, inProgress);
                const QJsonObject theirs = Independent(dir.DatabaseFile(), sitting, inProgress);
                QVERIFY2(!theirs.isEmpty(), "the independent computation gave nothing");
                QStringList differences;
                Compare(ours, theirs,
                        QStringLiteral("sitting %1%2")
                            .arg(sitting)
                            .arg(inProgress ? QStringLiteral(" with those writing") : QString()),
                        differences, figures);
                QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u'\n')));
            }
        // Make-up candidates counted once, those writing only when asked; the unseen question in
        // the full marks (12*2 + 5*3 + 6*1); figures that need a spread are there.
        QCOMPARE(ReadRecordedExam(db, first, false).candidates.size(), size_t(30));
        QCOMPARE(ReadRecordedExam(db, second, false).candidates.size(), size_t(22));
        QCOMPARE(ReadRecordedExam(db, second, true).candidates.size(), size_t(25));
        QCOMPARE(Analyse(ReadRecordedExam(db, first, false)).summary.fullMarks, 45.0);
        QVERIFY(Analyse(ReadRecordedExam(db, first, false)).summary.reliability.has_value());
        qInfo("%d figures agree", figures);
    }
};

QTEST_MAIN(IndependentCheckTest)
#include "independent_check_test.moc"
