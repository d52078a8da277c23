// The exam's journal: a torn last write is dropped, entries reach the database in order and only
// once whatever happens between the append, the apply and the mark, and a stale owner's entries
// are refused.
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "journal/Entry.h"
#include "journal/JournalFile.h"
#include "journal/Writer.h"
#include "support/TestWorkdir.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

using namespace journal;

namespace {

AttemptRow Begin(Database& db) {
    AttemptRow row;
    row.studentNo = 110101;
    row.workstation = row.installation = QStringLiteral("ws1");
    row.owner = record::NewOwnerToken();
    row.sitting = 1;
    row.startedAt = row.lastSeen = 1000;
    row.secondsLeft = 4200;
    row.questions = 83;
    Transaction begin(db);
    record::BeginAttempt(db, row);
    begin.Commit();
    return row;
}

// A pick of question `n` (answer A), a sign of life, the running score: seq 1, 2, 3 from `first`.
std::vector<Entry> Acts(const AttemptRow& attempt, int n, qint64 first) {
    std::vector<Entry> entries(3);
    for (size_t i = 0; i < entries.size(); ++i) {
        entries[i].attempt = attempt.id;
        entries[i].owner = attempt.owner;
        entries[i].seq = first + qint64(i);
        entries[i].studentNo = attempt.studentNo;
        entries[i].sitting = attempt.sitting;
    }
    entries[0].kind = Kind::Answer;
    entries[0].row.section = 1;
    entries[0].row.question = n;
    entries[0].row.answer = QStringLiteral("A");
    entries[0].row.earned = 1;
    entries[1].kind = Kind::Life;
    entries[1].secondsLeft = 4000 - n;
    entries[1].clock = n;
    entries[1].now = 2000 + n;
    entries[2].kind = Kind::Score;
    entries[2].text = QString::number(n);
    return entries;
}

// What the record holds of the attempt: answers, signs of life counted, score.
QString Held(const TestWorkdir& dir) {
    return dir.Rows(QStringLiteral("select TestID from Datijilu order by TestID")).join(u',') +
           u'|' + dir.Scalar(QStringLiteral("select Xintiao from Kaoshijilu")) + u'|' +
           dir.Scalar(QStringLiteral("select Chengji from Userxinxi where Xuehao='110101'"));
}

QStringList JournalFiles() {
    return QDir(QStringLiteral("journal")).entryList({QStringLiteral("*.journal")}, QDir::Files);
}

}  // namespace

class JournalTest : public QObject {
    Q_OBJECT

  private slots:
    // A record cut short (the length written, the bytes not all) and anything after it are
    // dropped; appends go on after the last whole record.
    void tornTailIsDropped() {
        TestWorkdir dir(false);
        const QString path = QStringLiteral("torn.journal");
        {
            JournalFile file(path);
            QVERIFY(file.IsOpen());
            QVERIFY(file.Append({"first", "second"}, true));
        }
        {
            QFile raw(path);
            QVERIFY(raw.open(QIODevice::Append));
            raw.write(QByteArray("\x20\x00\x00\x00\x01\x02\x03\x04half", 12));
        }
        {
            JournalFile file(path);
            QCOMPARE(file.Records(), (std::vector<QByteArray>{"first", "second"}));
            QVERIFY(file.Append({"third"}, true));
        }
        {
            // A flipped byte fails its checksum: that record and the rest go.
            QFile raw(path);
            QVERIFY(raw.open(QIODevice::ReadWrite));
            raw.seek(8 + 5 + 8 + 2);
            raw.write("X");
        }
        JournalFile file(path);
        QCOMPARE(file.Records(), std::vector<QByteArray>{"first"});
        // Locked while open: a second writer does not get it.
        QVERIFY(!JournalFile(path).IsOpen());
    }

    // Applied twice, or after a crash between the apply and the mark: the record's last
    // sequence skips what it holds. Entries go in order, later ones win.
    void applyingIsIdempotentAndInOrder() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        EnsureAppliedTable(db);
        const AttemptRow attempt = Begin(db);
        std::vector<Entry> entries = Acts(attempt, 1, 1);
        const std::vector<Entry> later = Acts(attempt, 2, 4);
        entries.insert(entries.end(), later.begin(), later.end());
        QVERIFY(Apply(db, entries, 0));
        QCOMPARE(Held(dir), QStringLiteral("1,2|2|2"));
        QVERIFY(!Apply(db, entries, 0));  // nothing new: no answer
        QCOMPARE(Held(dir), QStringLiteral("1,2|2|2"));
        // The first half again (a retry after a lost reply), then the rest once.
        std::vector<Entry> again(entries.begin(), entries.begin() + 3);
        QVERIFY(!Apply(db, again, 0));
        QCOMPARE(Held(dir), QStringLiteral("1,2|2|2"));
        QCOMPARE(AppliedOf(db, attempt.id).seq, 6);
        QCOMPARE(AppliedOf(db, attempt.id).owner, attempt.owner);
    }

    // Crash between the append and the apply: the next writer finds the journal and ships it.
    // Crash between the apply and the mark: the next writer ships it again, changing nothing.
    void crashesBetweenAppendApplyAndMark() {
        TestWorkdir dir;
        AttemptRow attempt;
        {
            Database db(kDatabasePath);
            attempt = Begin(db);
        }
        {
            Writer writer(QStringLiteral("journal"), kDatabasePath);
            writer.HoldApplying(true);
            writer.Submit(Acts(attempt, 1, 1));
            QVERIFY(!writer.Drain(10000));  // durable, not applied
            QCOMPARE(writer.Current().unshipped, 3);
        }
        QCOMPARE(JournalFiles().size(), 1);
        QCOMPARE(Held(dir), QStringLiteral("|0|"));
        {
            Writer writer(QStringLiteral("journal"), kDatabasePath);
            QVERIFY(writer.Drain(10000));
        }
        QCOMPARE(Held(dir), QStringLiteral("1|1|1"));
        QVERIFY(JournalFiles().isEmpty());  // shipped: nothing left behind

        // Applied, then killed before the mark: the journal holds them unmarked.
        const std::vector<Entry> entries = Acts(attempt, 2, 4);
        {
            Database db(kDatabasePath);
            QVERIFY(Apply(db, entries, 0));
            JournalFile file(QStringLiteral("journal/left.journal"));
            std::vector<QByteArray> records;
            for (const Entry& entry : entries)
                records.push_back(Encode(entry));
            QVERIFY(file.Append(records, true));
        }
        QCOMPARE(Held(dir), QStringLiteral("1,2|2|2"));
        {
            Writer writer(QStringLiteral("journal"), kDatabasePath);
            QVERIFY(writer.Drain(10000));
        }
        QCOMPARE(Held(dir), QStringLiteral("1,2|2|2"));
    }

    // A workstation whose attempt was taken over elsewhere: its entries are refused whole, it is
    // told, and nothing of it is written.
    void staleOwnerIsRefused() {
        TestWorkdir dir;
        AttemptRow attempt;
        {
            Database db(kDatabasePath);
            attempt = Begin(db);
            AttemptRow moved = attempt;
            moved.owner = record::NewOwnerToken();
            record::TakeOver(db, moved, 3000);
        }
        QObject context;
        std::optional<LossReason> lost;
        Writer writer(QStringLiteral("journal"), kDatabasePath);
        Writer::Listener listener;
        listener.context = &context;
        listener.lost = [&](const AttemptLost& why, qint64, const QString&) {
            lost = why.Reason();
        };
        writer.SetListener(listener);
        writer.Submit(Acts(attempt, 1, 1));
        QVERIFY(writer.Drain(10000));
        QTRY_VERIFY(lost);
        QCOMPARE(*lost, LossReason::MovedElsewhere);
        QCOMPARE(Held(dir), QStringLiteral("|1|"));  // the take-over's sign of life only
        writer.Submit(Acts(attempt, 2, 4));          // later ones of the same owner too
        QVERIFY(writer.Drain(10000));
        QCOMPARE(Held(dir), QStringLiteral("|1|"));
    }

    // A resume elsewhere holds the attempt from the start of its transaction: the old owner's
    // apply arriving meanwhile waits for it, then finds the attempt gone and writes nothing.
    void applyWaitsForAResumeThatHoldsTheAttempt() {
        TestWorkdir dir;
        Database db(kDatabasePath);
        EnsureAppliedTable(db);
        const AttemptRow attempt = Begin(db);
        Transaction start(db, Transaction::Scope::Candidate(attempt.studentNo));
        record::HoldAttempts(db, attempt.studentNo, attempt.sitting);
        std::atomic<bool> done = false;
        std::optional<LossReason> lost;
        std::thread old([&] {
            try {
                Database other(kDatabasePath);
                Apply(other, Acts(attempt, 1, 1), 0);
            } catch (const AttemptLost& why) {
                lost = why.Reason();
            } catch (const DatabaseError&) {  // waited past the lock's limit: reported below
            }
            done = true;
        });
        QThread::msleep(400);
        const bool waited = !done;
        AttemptRow moved = attempt;
        moved.owner = record::NewOwnerToken();
        record::TakeOver(db, moved, 3000);
        start.Commit();
        old.join();
        QVERIFY(waited);
        QCOMPARE(lost, LossReason::MovedElsewhere);
        QCOMPARE(Held(dir), QStringLiteral("|1|"));  // the take-over's sign of life only
    }

    // The database out of reach: entries wait on the disk and are counted, the status says so,
    // and they go in order once it can be reached.
    void outageKeepsEntriesUntilTheDatabaseIsBack() {
        TestWorkdir dir;
        AttemptRow attempt;
        {
            Database db(kDatabasePath);
            attempt = Begin(db);
        }
        dir.RefuseWrites(QStringLiteral("Dead"), QStringLiteral("Update"),
                         QStringLiteral("Kaoshijilu"), {}, QStringLiteral("disk I/O error"));
        Writer writer(QStringLiteral("journal"), kDatabasePath);
        writer.Submit(Acts(attempt, 1, 1));
        QVERIFY(!writer.Drain(10000));
        writer.Submit(Acts(attempt, 2, 4));
        QTRY_COMPARE(writer.Current(), (Status{6, true}));
        dir.DropRefusal(QStringLiteral("Dead"), QStringLiteral("Kaoshijilu"));
        QVERIFY(writer.Drain(20000));
        QCOMPARE(writer.Current(), (Status{0, false}));
        QCOMPARE(Held(dir), QStringLiteral("1,2|2|2"));
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "journal_test.moc"
