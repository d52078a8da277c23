// The journal's writer: the exam window hands it entries (a queue; the window never waits for the
// disk or the database), and its own thread makes them durable in the journal file of the
// workstation's own folder (fsync), then applies them to the database in order. A database that
// cannot be reached is tried again and again (an outage: the entries wait on the disk); an owner
// that has lost its attempt has its entries refused. The journals a stopped writer left in the
// folder (a crash, a power cut, an exit during an outage) are taken over and shipped first.
#pragma once

#include "journal/Entry.h"
#include "journal/JournalFile.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace journal {

struct Status {
    int unshipped = 0;    // entries not yet in the database
    bool outage = false;  // the last try to reach the database failed
    bool operator==(const Status&) const = default;
};

class Writer {
  public:
    // What the writer tells, each call made on the thread of `context` (dropped once it is gone).
    struct Listener {
        QPointer<QObject> context;
        std::function<void(const Status&)> status;
        std::function<void(const record::Life&)> life;
        std::function<void(const AttemptLost&, qint64 attempt, const QString& owner)> lost;
    };

    // The journal lives in `folder` (made if missing); the database is the file `databasePath`
    // names (or the server it names).
    Writer(const QString& folder, const QString& databasePath);
    // Stops the thread: what was handed in is made durable; what is not applied stays in the
    // journal for the next writer.
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void SetListener(Listener listener);
    // Hands entries over; returns at once.
    void Submit(std::vector<Entry> entries);
    // Waits until everything handed in (and taken over) is in the database: true. False when
    // `timeoutMs` passed or a try to reach the database failed meanwhile.
    bool Drain(int timeoutMs);
    // Waits until everything handed in is durable in the journal (applied or not).
    bool WaitDurable(int timeoutMs);
    Status Current() const;
    // The journal file could not be made: entries are applied from memory only.
    bool Journaling() const { return journaling_; }
    QString FilePath() const;
    // Tests: entries are made durable but not applied while held (a crash between append and
    // apply, a database that does not answer).
    void HoldApplying(bool hold);

  private:
    using Clock = std::chrono::steady_clock;
    void Run();
    void TakeOverLeftovers();
    bool ApplyFront(std::unique_lock<std::mutex>& lock);
    void Tell(std::unique_lock<std::mutex>& lock);
    Status StatusLocked() const;

    const QString folder_;
    const QString databasePath_;
    std::unique_ptr<JournalFile> file_;  // the writer thread's alone once it runs
    bool journaling_ = false;
    bool tableMade_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable settled_;
    std::vector<Entry> incoming_;
    size_t inFlight_ = 0;                           // taken from incoming_, being made durable
    std::deque<Entry> pending_;                     // durable, not yet applied
    std::set<std::pair<qint64, QString>> refused_;  // owners that lost their attempt
    Listener listener_;
    Status told_;
    bool started_ = false;  // the leftovers are taken over
    bool stop_ = false;
    bool hold_ = false;
    bool outage_ = false;
    int failures_ = 0;
    int backoffMs_ = 0;
    Clock::time_point retryAt_{};
    std::thread thread_;
};

}  // namespace journal
