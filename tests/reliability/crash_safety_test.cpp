// A worker process making each change of several statements (the renumbering refreshes and the
// spreadsheet imports) is killed with SIGKILL at random moments; the database must pass its
// integrity check and hold the complete old or the complete new content. bench/crash_trials runs
// the same trials fifty times per change.
#include "reliability/CrashTrials.h"

#include <QTest>

class CrashSafetyTest : public QObject {
    Q_OBJECT
  private slots:
    void killedChangeLeavesOldOrNew_data() {
        QTest::addColumn<QString>("kind");
        for (const CrashKind& kind : CrashKinds())
            if (!kind.control) QTest::newRow(qPrintable(kind.name)) << kind.name;
    }
    void killedChangeLeavesOldOrNew() {
        QFETCH(QString, kind);
        const TrialTally tally = RunTrials(kind, 3, 20240601, QStringLiteral(CX_DELIVERED_DB),
                                           QStringLiteral(CX_WORKER));
        QVERIFY2(tally.problems.isEmpty(), qPrintable(tally.problems.join(u'\n')));
        QCOMPARE(tally.trials, 3);
        QCOMPARE(tally.bad, 0);
        QCOMPARE(tally.oldContent + tally.newContent, 3);
    }

    // The trials can see a half-done change: the renumbering as separate autocommit statements,
    // killed while its statements run, is neither old nor new.
    void trialsSeeAHalfDoneChange() {
        const auto& kinds = CrashKinds();
        const auto control = std::find_if(kinds.begin(), kinds.end(),
                                          [](const CrashKind& kind) { return kind.control; });
        QVERIFY(control != kinds.end());
        const TrialTally tally = RunTrials(control->name, 6, 7, QStringLiteral(CX_DELIVERED_DB),
                                           QStringLiteral(CX_WORKER));
        QVERIFY(tally.bad > 0);
    }
};

QTEST_GUILESS_MAIN(CrashSafetyTest)
#include "crash_safety_test.moc"
