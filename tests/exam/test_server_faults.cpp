// The exam on a server that goes away: the server restarts mid-exam and the candidate's next pick
// is stored on a new connection, with no box and nothing lost. Run against the test cluster only
// (scripts/pg_cluster.sh restart); the file has no such fault.
#include "ExamRig.h"

#include "data_store/Database.h"
#include "data_store/ServerLink.h"

#include <QProcess>
#include <QtTest>

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
};

QTEST_MAIN(ServerFaultsTest)
#include "test_server_faults.moc"
