// The exam on a server that goes away: the server restarts mid-exam and the candidate's next pick
// is stored on a new connection, with no box and nothing lost. Run against the test cluster only
// (scripts/pg_cluster.sh restart); the file has no such fault. Also what the server alone does:
// a hung server (its processes stopped) is reported within seconds, a COMMIT the server answers
// with ROLLBACK fails.
#include "ExamRig.h"

#include "data_store/Database.h"
#include "data_store/ServerLink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

// Stops the server's processes (the postmaster and `backend`) until the object goes.
struct Hang {
    explicit Hang(qint64 backend) {
        QFile pidFile(qEnvironmentVariable("CX_PG_DIR") + QStringLiteral("/data/postmaster.pid"));
        if (pidFile.open(QIODevice::ReadOnly)) pids = {pidFile.readLine().trimmed().toLongLong()};
        pids << backend;
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGSTOP);
    }
    ~Hang() {
        for (qint64 pid : pids)
            ::kill(pid_t(pid), SIGCONT);
    }
    QList<qint64> pids;
};

qint64 MillisecondsUntilUnreachable(const std::function<void()>& action, bool* mayHaveCommitted) {
    QElapsedTimer clock;
    clock.start();
    try {
        action();
    } catch (const ServerUnreachable& error) {
        if (mayHaveCommitted) *mayHaveCommitted = error.MayHaveCommitted();
        return clock.elapsed();
    }
    return -1;
}

}  // namespace

class ServerFaultsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        if (!TestWorkdir::OnServer()) QSKIP("needs the test cluster (CX_TEST_ENGINE=postgresql)");
    }

    void pickAfterTheServerRestartedIsStored() {
        ExamRig rig;
        rig.Start();
        rig.Click(QStringLiteral("RadioButton1"));  // question 1, the key A
        rig.Click(QStringLiteral("lblNext"));       // "下一题" writes the score
        QCOMPARE(rig.Chengji(), QStringLiteral("1"));

        QProcess restart;
        restart.start(
            QStringLiteral("bash"),
            {QStringLiteral(CX_SOURCE_DIR "/scripts/pg_cluster.sh"), QStringLiteral("restart")});
        QVERIFY(restart.waitForFinished(60000));
        QCOMPARE(restart.exitCode(), 0);

        rig.Click(QStringLiteral("RadioButton3"));  // question 2, the key B: no point
        rig.Click(QStringLiteral("lblPre"));
        rig.Click(QStringLiteral("RadioButton1"));  // question 1 again, changed: still A
        rig.Click(QStringLiteral("lblNext"));
        rig.Click(QStringLiteral("RadioButton2"));  // question 2: B, the key
        rig.Click(QStringLiteral("lblNext"));       // the score written after the restart
        QCOMPARE(rig.prompts.Errors(), QStringList());
        QCOMPARE(rig.Chengji(), QStringLiteral("2"));
    }

    void statementInsideATransactionIsNotRetried() {
        TestWorkdir dir;
        Database db(QStringLiteral("data/Maindb.db"));
        Transaction transaction(db);
        db.RunStatement(QStringLiteral("Update Time Set TimeN='00:30:00' where TimeID=1"));
        QProcess restart;
        restart.start(
            QStringLiteral("bash"),
            {QStringLiteral(CX_SOURCE_DIR "/scripts/pg_cluster.sh"), QStringLiteral("restart")});
        QVERIFY(restart.waitForFinished(60000));
        // The change before the fault is gone with the connection: running the rest alone on a
        // new connection would commit half the work, so the transaction fails.
        QVERIFY_THROWS_EXCEPTION(
            DatabaseError,
            db.RunStatement(QStringLiteral("Update Time Set TimeN='00:40:00' where TimeID=1")));
        QCOMPARE(dir.Scalar(QStringLiteral("Select TimeN from Time")), QStringLiteral("01:10:00"));
    }

    void hungServerIsReportedWithinSeconds() {
        TestWorkdir dir;
        Database db(QStringLiteral("data/Maindb.db"));
        const qint64 backend =
            db.OpenQuery(QStringLiteral("Select pg_backend_pid()"))->ColumnAsInt64(0);
        {
            Hang hang(backend);
            QVERIFY(!hang.pids.isEmpty() && hang.pids.first() > 0);
            bool mayHaveCommitted = false;
            // A change sent outside a transaction whose answer never came may have been stored.
            const qint64 write = MillisecondsUntilUnreachable(
                [&] { db.RunStatement(QStringLiteral("Update Time Set TimeN='00:30:00'")); },
                &mayHaveCommitted);
            QVERIFY2(write >= 0 && write < 6500, qPrintable(QString::number(write)));
            QVERIFY(mayHaveCommitted);
            // The next statement needs a new connection: the stopped server takes none.
            const qint64 read = MillisecondsUntilUnreachable(
                [&] {
                    Database(QStringLiteral("data/Maindb.db"))
                        .OpenQuery(QStringLiteral("Select 1"));
                },
                nullptr);
            QVERIFY2(read >= 0 && read < 6500, qPrintable(QString::number(read)));
        }
        // Back again: the next statement opens a new connection and is answered.
        QTRY_VERIFY_WITH_TIMEOUT(
            !CaughtUnreachable([&] { db.OpenQuery(QStringLiteral("Select 1")); }), 10000);
    }

    void commitAnsweredWithRollbackFails() {
        TestWorkdir dir;
        Database db(QStringLiteral("data/Maindb.db"));
        db.RunStatement(
            QStringLiteral("Create Table Pair(Id integer Unique Deferrable Initially Deferred)"));
        {
            // Checked only at COMMIT: the server refuses the whole transaction there.
            Transaction transaction(db);
            db.RunStatement(QStringLiteral("Insert into Pair values (1)"));
            db.RunStatement(QStringLiteral("Insert into Pair values (1)"));
            QVERIFY_THROWS_EXCEPTION(DatabaseError, transaction.Commit());
        }
        {
            // A failure the caller passed over leaves the transaction failed; its COMMIT rolls
            // back.
            Transaction transaction(db);
            db.RunStatement(QStringLiteral("Insert into Pair values (2)"));
            QVERIFY_THROWS_EXCEPTION(
                DatabaseError, db.RunStatement(QStringLiteral("Insert into Nowhere values (1)")));
            QVERIFY_THROWS_EXCEPTION(DatabaseError, transaction.Commit());
        }
        QCOMPARE(dir.Scalar(QStringLiteral("Select count(*) from Pair")), QStringLiteral("0"));
    }

  private:
    static bool CaughtUnreachable(const std::function<void()>& action) {
        try {
            action();
        } catch (const DatabaseError&) {
            return true;
        }
        return false;
    }
};

QTEST_MAIN(ServerFaultsTest)
#include "test_server_faults.moc"
