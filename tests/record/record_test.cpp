// The exam record's tables: a file of the previous version brought up to date once with every row
// kept, the statements that write and read attempts and answers, the room view, and who may sign
// in where.
#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"
#include "data_store/FrozenPaper.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "record/ExamRecord.h"
#include "support/TestWorkdir.h"

#include <QDateTime>
#include <QFile>
#include <QtTest>

namespace {

// Every row of every table the previous version had.
QStringList OldContent(const TestWorkdir& dir) {
    QStringList rows;
    for (const char* table :
         {"UserGL", "Userxinxi", "Time", "Exam", "Test", "KaoShi", "KaoShi2", "KaoShi3", "KaoShi4"})
        rows += dir.Rows(QStringLiteral("select * from ") + QLatin1String(table));
    return rows;
}

QByteArray FileBytes(const TestWorkdir& dir) {
    QFile file(dir.DatabaseFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Columns(const TestWorkdir& dir, const char* table) {
    return dir.Rows(QStringLiteral("select name, type, \"notnull\", dflt_value, pk from "
                                   "pragma_table_info('%1')")
                        .arg(QLatin1String(table)));
}

AttemptRow Fresh(int studentNo, const QString& workstation, qint64 now, qint64 sitting = 1) {
    AttemptRow row;
    row.studentNo = studentNo;
    row.workstation = row.installation = workstation;
    row.owner = record::NewOwnerToken();
    row.sitting = sitting;
    row.startedAt = row.lastSeen = now;
    row.secondsLeft = 4200;
    row.questions = 83;
    return row;
}

}  // namespace

class RecordTest : public QObject {
    Q_OBJECT

  private slots:
    // A teacher's file from before the record: its tables and rows stay exactly as they were, the
    // record's tables are there afterwards as the delivered file has them, and a second opening
    // changes nothing.
    void olderFileIsUpgradedOnceKeepingEveryRow() {
        // A server database is filled from a file already brought up to date.
        if (TestWorkdir::OnServer()) QSKIP("the file's own upgrade");
        TestWorkdir delivered;
        const QStringList recordColumns[] = {Columns(delivered, "Kaoshijilu"),
                                             Columns(delivered, "Datijilu")};
        TestWorkdir dir;
        dir.Sql(
            QStringLiteral("drop table Kaoshijilu; drop table Datijilu; drop table Changci; "
                           "drop table Shijuan; drop table Jiankao; drop table Tupian; "
                           "drop table Shezhi; drop table Rizhi; pragma user_version = 0;"
                           "insert into Userxinxi (UserID, Xuehao, Xingmin, Chengji, Tt1) "
                           "values (2, '120001', '李四', '87.5', '答''案\n第二行');"
                           "update Test set Request = '改过的题目' where TestID = 7;"));
        const QStringList before = OldContent(dir);
        Database db(kDatabasePath);
        QCOMPARE(SchemaVersion(db), 0);
        UpgradeSchema(db);
        QCOMPARE(SchemaVersion(db), kSchemaVersion);
        QCOMPARE(OldContent(dir), before);
        QCOMPARE(Columns(dir, "Kaoshijilu"), recordColumns[0]);
        QCOMPARE(Columns(dir, "Datijilu"), recordColumns[1]);

        const QByteArray upgraded = FileBytes(dir);
        UpgradeSchema(db);
        QCOMPARE(FileBytes(dir), upgraded);
    }

    // A file of the record's first version: its attempts go into one ended sitting per exam day,
    // named by the date, whose paper is the banks as they stand, corrected by the key and points
    // the day's record last scored each question against.
    void recordOfTheFirstVersionIsPlacedInSittingsByDay() {
        if (TestWorkdir::OnServer()) QSKIP("the file's own upgrade");
        TestWorkdir dir;
        dir.Sql(QStringLiteral(
            "drop table Kaoshijilu; drop table Datijilu; drop table Changci; drop table Shijuan; "
            "drop table Jiankao; pragma user_version = 0;"));
        {
            Database db(kDatabasePath);
            UpgradeSchema(db);  // to the newest, then back to the first version's tables
        }
        dir.Sql(QStringLiteral(
            "drop table Changci; drop table Shijuan; drop table Jiankao; drop table Tupian; "
            "drop table Shezhi; drop table Rizhi; alter table Kaoshijilu drop column Zhongzi; "
            "alter table Kaoshijilu "
            "drop column ChangciID; alter table Kaoshijilu drop column "
            "Zhuren; alter table Kaoshijilu drop column Shebei; alter table Kaoshijilu drop column "
            "Xintiao; alter table Kaoshijilu drop column Jiashi; alter table Kaoshijilu drop "
            "column "
            "Qidian; alter table Kaoshijilu drop column Zuihou; alter table Kaoshijilu drop column "
            "Huanji; pragma user_version = 1;"));
        const qint64 day1 = QDateTime(QDate(2026, 12, 1), QTime(9, 0)).toSecsSinceEpoch();
        const qint64 day2 = QDateTime(QDate(2026, 12, 8), QTime(9, 0)).toSecsSinceEpoch();
        dir.Sql(QStringLiteral(
                    "insert into Kaoshijilu (JiluID, Xuehao, Cishu, Kaishi, Huodong, Shengyu, "
                    "Zhuangtai, Jieshu) values (1, 110101, 1, %1, %1, 0, 1, %2), "
                    "(2, 120001, 1, %1, %1, 0, 2, %2), (3, 110101, 2, %3, %3, 10, 0, null);"
                    "insert into Datijilu (JiluID, Bufen, TestID, Daan, Fenzhi, Biaozhun, Defen, "
                    "Gengxin) values (1, 1, 1, 'C', 2, 'C', 2, %1), (3, 1, 1, '', 0, '', 0, %3)")
                    .arg(day1)
                    .arg(day1 + 4000)
                    .arg(day2));
        Database db(kDatabasePath);
        UpgradeSchema(db);
        QCOMPARE(SchemaVersion(db), kSchemaVersion);
        QCOMPARE(dir.Rows(QStringLiteral("select ChangciID, Mingcheng, Kaishi, Jieshu is not null "
                                         "from Changci order by ChangciID")),
                 (QStringList{QStringLiteral("1|2026-12-01|%1|1").arg(day1),
                              QStringLiteral("2|2026-12-08|%1|1").arg(day2)}));
        QCOMPARE(
            dir.Rows(QStringLiteral("select JiluID, ChangciID from Kaoshijilu order by JiluID")),
            (QStringList{"1|1", "2|1", "3|2"}));
        const FrozenPaper first = ReadPaper(db, 1), second = ReadPaper(db, 2);
        QCOMPARE(first.Rows(1).size(), size_t(50));
        QCOMPARE(first.Key(1, 1), QStringLiteral("C"));  // as the day's record scored it
        QCOMPARE(first.Points(1, 1), std::optional<double>(2));
        QCOMPARE(second.Key(1, 1), ReadBanks(db).Key(1, 1));  // only looked at: the bank's
    }

    // A server of the record's first version is brought up to date like a file, and the copy back
    // to a file creates the tables as the delivered file has them.
    void serverOfTheFirstVersionIsUpgradedAndCopiesBack() {
        if (!TestWorkdir::OnServer()) QSKIP("the server's own upgrade");
        const QStringList attemptColumns = [] {
            TestWorkdir file(false);
            QFile::copy(QStringLiteral(CX_DELIVERED_DB), file.DatabaseFile());
            return file.Rows(
                QStringLiteral("select name, type from pragma_table_info('Kaoshijilu')"));
        }();
        TestWorkdir dir;
        dir.Sql(QStringLiteral(
            "drop table Changci; drop table Shijuan; drop table Jiankao; drop table Tupian; "
            "drop table Shezhi; drop table Rizhi; alter table Kaoshijilu drop column Zhongzi, drop "
            "column ChangciID, "
            "drop column Zhuren, drop column Shebei, drop column Xintiao, "
            "drop column Jiashi, drop column Qidian, drop column Zuihou, drop column Huanji; "
            "delete from Jiegou where Mingcheng in ('Changci', 'Shijuan', 'Jiankao', 'Tupian', "
            "'Shezhi', 'Rizhi'); "
            "update Jiegou set Yuju = regexp_replace(Yuju, ', ChangciID.*Zhongzi BIGINT NOT NULL "
            "DEFAULT 0', '') where Mingcheng = 'Kaoshijilu'; update Banben set user_version = 1"));
        Database server(kDatabasePath);
        QCOMPARE(SchemaVersion(server), 1);
        UpgradeSchema(server);
        QCOMPARE(SchemaVersion(server), kSchemaVersion);
        Database file(dir.Path() + QStringLiteral("/back.db"), 10000, Database::Target::LocalFile);
        CopyFromServer(server, file);
        QStringList copied;
        auto columns = file.OpenQuery(
            QStringLiteral("select name, type from pragma_table_info('Kaoshijilu')"));
        for (; !columns->AtEnd(); columns->MoveNext())
            copied << columns->Value(QStringLiteral("name")) + u'|' +
                          columns->Value(QStringLiteral("type"));
        QCOMPARE(copied, attemptColumns);
        QCOMPARE(file.OpenQuery(QStringLiteral("select * from Changci"))->RowCount(), 0);
        QCOMPARE(file.OpenQuery(QStringLiteral("select name from pragma_table_info('Changci') "
                                               "where name='Luanxu'"))
                     ->RowCount(),
                 1);
        QCOMPARE(file.OpenQuery(QStringLiteral("select * from Tupian"))->RowCount(), 0);
    }

    // A file that is not the program's database (an empty one, as opening a missing file makes)
    // gets no tables.
    void otherFilesAreLeftAlone() {
        TestWorkdir dir(false);
        Database db(QStringLiteral("data/other.db"));
        UpgradeSchema(db);
        QCOMPARE(SchemaVersion(db), 0);
        QCOMPARE(db.OpenQuery(QStringLiteral("select * from sqlite_master"))->RowCount(), 0);
    }

    void attemptsAreNumberedPerCandidateAndAnswersKeepTheirLatestState() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        AttemptRow first = Fresh(110101, QStringLiteral("ws1"), 1000);
        AttemptRow other = Fresh(120001, QStringLiteral("ws2"), 1000);
        AttemptRow second = Fresh(110101, QStringLiteral("ws3"), 2000);
        for (AttemptRow* row : {&first, &other, &second}) {
            Transaction begin(db);
            record::BeginAttempt(db, *row);
            begin.Commit();
        }
        QCOMPARE(first.number, 1);
        QCOMPARE(other.number, 1);
        QCOMPARE(second.number, 2);
        QCOMPARE(record::LatestAttempt(db, 110101)->id, second.id);
        QVERIFY(!record::LatestAttempt(db, 130001));

        AnswerRow pick{1,    3,   QStringLiteral("B"), std::nullopt, false,
                       true, 2.5, QStringLiteral("B"), 2.5,          2001};
        record::WriteAnswer(db, second.id, pick);
        pick.answer = QStringLiteral("C");
        pick.earned = 0;
        pick.marked = true;
        record::WriteAnswer(db, second.id, pick);  // the same question again: one row
        // A draft emptied by the candidate is not the same as no draft.
        record::WriteAnswer(
            db, second.id,
            {4, 1, QStringLiteral("保存的"), QString(), false, true, 0, {}, 0, 2002});
        const std::vector<AnswerRow> rows = record::Answers(db, second.id);
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows[0].answer, QStringLiteral("C"));
        QVERIFY(rows[0].marked && rows[0].shown);
        QCOMPARE(rows[0].points, 2.5);
        QCOMPARE(rows[0].earned, 0.0);
        QVERIFY(!rows[0].draft);
        QCOMPARE(rows[1].draft, std::optional<QString>(QString()));
        QVERIFY(record::Answers(db, first.id).empty());

        record::WriteLife(db, second, 4100, 0, 2050);
        record::EndAttempt(db, second.id, second.owner, AttemptState::HandedIn, 2.5, 4090, 2060);
        const AttemptRow ended = *record::Attempt(db, second.id);
        QCOMPARE(ended.state, AttemptState::HandedIn);
        QCOMPARE(ended.score, std::optional<double>(2.5));
        QCOMPARE(ended.endedAt, std::optional<qint64>(2060));
        QCOMPARE(ended.secondsLeft, 4090);
        QVERIFY(!first.score && first.InProgress());
    }

    // The room view: each candidate's latest attempt with the name, the questions answered and the
    // running score; a candidate no longer in the list keeps the line without a name.
    void roomShowsEachCandidatesLatestAttempt() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        AttemptRow old = Fresh(110101, QStringLiteral("ws1"), 1000);
        AttemptRow latest = Fresh(110101, QStringLiteral("ws1"), 1100);
        AttemptRow gone = Fresh(990001, QStringLiteral("ws9"), 1100);
        for (AttemptRow* row : {&old, &latest, &gone}) {
            Transaction begin(db);
            record::BeginAttempt(db, *row);
            begin.Commit();
        }
        record::WriteAnswer(
            db, latest.id,
            {1, 1, QStringLiteral("A"), {}, false, true, 1, QStringLiteral("A"), 1, 1101});
        record::WriteAnswer(
            db, latest.id,
            {2, 1, QStringLiteral("AC"), {}, false, true, 3, QStringLiteral("AC"), 3, 1102});
        record::WriteAnswer(
            db, latest.id,
            {1, 2, QString(), {}, true, true, 1, QStringLiteral("B"), 0, 1103});  // shown only
        record::WriteAnswer(
            db, old.id,
            {1, 1, QStringLiteral("B"), {}, false, true, 1, QStringLiteral("A"), 0, 1001});
        const std::vector<RoomRow> room = record::Room(db, 1);
        QCOMPARE(room.size(), size_t(2));
        QCOMPARE(room[0].attempt.id, latest.id);
        QCOMPARE(room[0].name, QStringLiteral("张三"));
        QCOMPARE(room[0].answered, 2);
        QCOMPARE(room[0].earned, 4.0);
        QCOMPARE(room[1].name, QString());
        QCOMPARE(room[1].answered, 0);
        QCOMPARE(room[1].earned, 0.0);
    }

    // Liveness is what the asking machine itself saw: the attempt's sign-of-life counter standing
    // still for 30 s of its own steady clock, or the sitting's clock running 30 s past the last
    // sign of life. Machine clocks are never compared, so a skewed one changes nothing.
    void oneWorkstationPerCandidate() {
        AttemptRow alive = Fresh(110101, QStringLiteral("ws1"), 1000);
        alive.installation = QStringLiteral("inst-1");
        alive.lastClock = 100;
        LivenessWatch watch;
        // A first try elsewhere is refused, naming the workstation and the full wait.
        SignInVerdict verdict = watch.Check(alive, QStringLiteral("inst-2"), 110, 5'000);
        QVERIFY(!verdict.allowed);
        QCOMPARE(verdict.busyWorkstation, QStringLiteral("ws1，机器编号inst-1"));
        QCOMPARE(verdict.secondsToWait, 30);
        QCOMPARE(watch.Check(alive, QStringLiteral("inst-2"), 110, 17'000).secondsToWait, 18);
        // A sign of life in between starts the wait again.
        ++alive.lifeCount;
        QCOMPARE(watch.Check(alive, QStringLiteral("inst-2"), 110, 36'000).secondsToWait, 30);
        QCOMPARE(watch.Check(alive, QStringLiteral("inst-2"), 110, 66'000).silentSeconds, 30);
        // The sitting's clock, kept running by the other workstations, says so at once.
        LivenessWatch fresh;
        QVERIFY(!fresh.Check(alive, QStringLiteral("inst-2"), 129, 0).allowed);
        QVERIFY(fresh.Check(alive, QStringLiteral("inst-2"), 130, 0).allowed);
        // Its own installation after a restart (cloned machines share host names, not this), a
        // proctor's leave to move, an ended attempt, no attempt at all.
        QVERIFY(LivenessWatch().Check(alive, QStringLiteral("inst-1"), 110, 0).allowed);
        AttemptRow moving = alive;
        moving.moveAllowed = true;
        QVERIFY(LivenessWatch().Check(moving, QStringLiteral("inst-2"), 110, 0).allowed);
        AttemptRow ended = alive;
        ended.state = AttemptState::TimedOut;
        QVERIFY(LivenessWatch().Check(ended, QStringLiteral("inst-2"), 110, 0).allowed);
        QVERIFY(LivenessWatch().Check(std::nullopt, QStringLiteral("inst-2"), 110, 0).allowed);
    }
};

QTEST_GUILESS_MAIN(RecordTest)
#include "record_test.moc"
