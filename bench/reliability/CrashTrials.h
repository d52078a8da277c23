// Crash safety of the changes made of several statements: a worker process makes one change and
// is killed with SIGKILL at a random moment; the database must then pass PRAGMA integrity_check
// and hold either the complete old or the complete new content (every table and the schema).
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class Database;

struct CrashKind {
    QString name;
    // Gives the database file the old content the change starts from.
    std::function<void(Database&)> prepare;
    // The change, run by the worker on data/Maindb.db in its working directory.
    std::function<void(Database&)> change;
    // A kind that is known not to be all-or-nothing: it shows the trials can see a half change.
    bool control = false;
    // Run by the worker before the change (and before the kill can come): writes the workbook an
    // import reads.
    std::function<void()> setUp = {};
};

// Every kind: the renumbering refreshes, the spreadsheet imports, the controls last.
const std::vector<CrashKind>& CrashKinds();

// Worker side: runs the change of `kind`, announcing "ready" on standard output first.
int RunChange(const QString& kind);

struct TrialTally {
    QString kind;
    int trials = 0;
    int finished = 0;    // the worker ended before the kill came
    int hotJournal = 0;  // killed inside the transaction: the journal was left behind
    int oldContent = 0;
    int newContent = 0;
    int bad = 0;
    double changeMs = 0;  // how long the change takes when nobody kills it
    QStringList problems;
};

// Runs `trials` kill trials of `kind` on copies of the delivered database `deliveredDb`, with the
// worker program `worker`; the kill moments are spread evenly at random over the change.
TrialTally RunTrials(const QString& kind, int trials, quint32 seed, const QString& deliveredDb,
                     const QString& worker);

// Copies the database file `from` to data/Maindb.db below `dir`, writable.
void CopyDatabase(const QString& from, const QString& dir);

// Everything the database holds: the schema, then every table's rows in table order.
QStringList Snapshot(const QString& fileName);
// "ok" for a sound file, otherwise the check's first finding.
QString IntegrityCheck(const QString& fileName);
