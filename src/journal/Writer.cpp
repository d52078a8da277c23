#include "journal/Writer.h"

#include "data_store/Database.h"
#include "data_store/DatabaseTurn.h"

#include <QDir>
#include <QMetaObject>
#include <QUuid>

#include <map>

#include <fcntl.h>
#include <unistd.h>

namespace journal {

namespace {

constexpr size_t kRunLength = 200;  // entries applied in one transaction at most
constexpr int kFirstRetryMs = 500;
constexpr int kLongestRetryMs = 5000;
const QString kSuffix = QStringLiteral(".journal");

// A new file's name reaches the disk with the folder.
void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The entries of a journal not yet done with, in order.
std::vector<Entry> Unfinished(const std::vector<QByteArray>& records) {
    std::vector<Entry> entries;
    std::map<std::pair<qint64, QString>, qint64> done;
    for (const QByteArray& record : records) {
        if (const std::optional<Mark> mark = DecodeMark(record)) {
            qint64& seq = done[{mark->attempt, mark->owner}];
            seq = qMax(seq, mark->seq);
        } else if (std::optional<Entry> entry = Decode(record)) {
            entries.push_back(std::move(*entry));
        }
    }
    std::erase_if(entries, [&](const Entry& e) {
        const auto found = done.find({e.attempt, e.owner});
        return found != done.end() && e.seq <= found->second;
    });
    return entries;
}

}  // namespace

Writer::Writer(const QString& folder, const QString& databasePath)
    : folder_(QDir(folder).absolutePath()), databasePath_(databasePath) {
    QDir().mkpath(folder_);
    const QString name = QUuid::createUuid().toString(QUuid::Id128) + kSuffix;
    file_ = std::make_unique<JournalFile>(QDir(folder_).filePath(name));
    journaling_ = file_->IsOpen();
    if (journaling_) SyncFolder(folder_);
    thread_ = std::thread([this] { Run(); });
}

Writer::~Writer() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Writer::SetListener(Listener listener) {
    const std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

QString Writer::FilePath() const {
    return file_->Path();
}

void Writer::Submit(std::vector<Entry> entries) {
    if (entries.empty()) return;
    {
        const std::lock_guard lock(mutex_);
        for (Entry& entry : entries)
            incoming_.push_back(std::move(entry));
    }
    wake_.notify_all();
}

bool Writer::Drain(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const int failures = failures_;
    settled_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return stop_ || failures_ > failures ||
               (started_ && incoming_.empty() && inFlight_ == 0 && (pending_.empty() || hold_));
    });
    return started_ && incoming_.empty() && inFlight_ == 0 && pending_.empty();
}

bool Writer::WaitDurable(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return settled_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return stop_ || (incoming_.empty() && inFlight_ == 0); });
}

Status Writer::Current() const {
    const std::lock_guard lock(mutex_);
    return StatusLocked();
}

Status Writer::StatusLocked() const {
    return {int(incoming_.size() + inFlight_ + pending_.size()), outage_};
}

void Writer::HoldApplying(bool hold) {
    {
        const std::lock_guard lock(mutex_);
        hold_ = hold;
    }
    wake_.notify_all();
    settled_.notify_all();
}

// Tells the listener what changed. Called with the lock held; the calls run on the listener's
// thread later.
void Writer::Tell(std::unique_lock<std::mutex>&) {
    const Status now = StatusLocked();
    if (now == told_ || !listener_.status || !listener_.context) return;
    told_ = now;
    QMetaObject::invokeMethod(
        listener_.context.data(), [tell = listener_.status, now] { tell(now); },
        Qt::QueuedConnection);
}

void Writer::TakeOverLeftovers() {
    const QStringList names =
        QDir(folder_).entryList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QString path = QDir(folder_).filePath(name);
        if (path == file_->Path()) continue;
        JournalFile left(path);
        if (!left.IsOpen()) continue;  // another writer's, running
        std::vector<Entry> entries = Unfinished(left.Records());
        if (!entries.empty()) {
            // Ours now: copied (durably) before the old file goes. A crash in between leaves
            // them twice; applying twice changes nothing.
            if (journaling_) {
                std::vector<QByteArray> records;
                for (const Entry& entry : entries)
                    records.push_back(Encode(entry));
                if (!file_->Append(records, true)) continue;
            } else {
                continue;  // nowhere to keep them: they stay where they are
            }
            const std::lock_guard lock(mutex_);
            for (Entry& entry : entries)
                pending_.push_back(std::move(entry));
        }
        left.Remove();
    }
}

void Writer::Run() {
    TakeOverLeftovers();
    std::unique_lock lock(mutex_);
    started_ = true;
    Tell(lock);
    settled_.notify_all();
    for (;;) {
        const auto due = [&] {
            return stop_ || !incoming_.empty() ||
                   (!pending_.empty() && !hold_ && Clock::now() >= retryAt_);
        };
        if (pending_.empty() || hold_)
            wake_.wait(lock, due);
        else
            wake_.wait_until(lock, retryAt_, due);
        if (!incoming_.empty()) {
            std::vector<Entry> batch = std::move(incoming_);
            incoming_.clear();
            inFlight_ = batch.size();
            lock.unlock();
            if (journaling_) {
                std::vector<QByteArray> records;
                records.reserve(batch.size());
                for (const Entry& entry : batch)
                    records.push_back(Encode(entry));
                // A disk that refuses (full) leaves them in memory: they are applied all the same.
                file_->Append(records, true);
            }
            lock.lock();
            inFlight_ = 0;
            for (Entry& entry : batch)
                if (!refused_.contains({entry.attempt, entry.owner}))
                    pending_.push_back(std::move(entry));
            Tell(lock);
            settled_.notify_all();
        }
        // Stopping: whatever was handed in is made durable first, nothing more is applied.
        if (stop_) {
            if (incoming_.empty()) break;
            continue;
        }
        if (!pending_.empty() && !hold_ && Clock::now() >= retryAt_) ApplyFront(lock);
        if (pending_.empty() && incoming_.empty() && journaling_) {
            lock.unlock();
            file_->Clear();  // everything is in the database
            lock.lock();
        }
        settled_.notify_all();
    }
    const bool done = pending_.empty();
    lock.unlock();
    if (!journaling_) return;
    if (done) file_->Remove();
    // Otherwise the file stays (unlocked once closed) for the next writer.
}

// Applies the first run of entries of one attempt and owner. Called with the lock held.
bool Writer::ApplyFront(std::unique_lock<std::mutex>& lock) {
    std::vector<Entry> run;
    const qint64 attempt = pending_.front().attempt;
    const QString owner = pending_.front().owner;
    for (const Entry& entry : pending_) {
        if (entry.attempt != attempt || entry.owner != owner || run.size() >= kRunLength) break;
        run.push_back(entry);
    }
    const int after = int(pending_.size() - run.size() + incoming_.size() + inFlight_);
    lock.unlock();
    std::optional<record::Life> life;
    std::optional<AttemptLost> lost;
    bool failed = false;
    try {
        const std::lock_guard turn(DatabaseTurn());
        Database db(databasePath_);
        if (!tableMade_) {
            EnsureAppliedTable(db);
            tableMade_ = true;
        }
        life = Apply(db, run, after);
    } catch (const AttemptLost& error) {
        lost = error;
    } catch (const std::exception&) {
        // Whatever it was (no connection, a locked file, a server that went away), the entries
        // wait on the disk and are tried again.
        failed = true;
    }
    if (!failed && journaling_)
        file_->Append({EncodeMark({attempt, owner, run.back().seq})}, false);
    lock.lock();
    if (failed) {
        ++failures_;
        outage_ = true;
        backoffMs_ = backoffMs_ == 0 ? kFirstRetryMs : qMin(backoffMs_ * 2, kLongestRetryMs);
        retryAt_ = Clock::now() + std::chrono::milliseconds(backoffMs_);
        Tell(lock);
        return false;
    }
    outage_ = false;
    backoffMs_ = 0;
    retryAt_ = {};
    if (lost) {
        // The owner's later entries are refused too: they were made by a workstation that had
        // already lost the attempt.
        refused_.insert({attempt, owner});
        std::erase_if(pending_,
                      [&](const Entry& e) { return e.attempt == attempt && e.owner == owner; });
        if (listener_.lost && listener_.context)
            QMetaObject::invokeMethod(
                listener_.context.data(),
                [tell = listener_.lost, why = *lost, attempt, owner] { tell(why, attempt, owner); },
                Qt::QueuedConnection);
    } else {
        pending_.erase(pending_.begin(), pending_.begin() + qsizetype(run.size()));
        if (life && listener_.life && listener_.context)
            QMetaObject::invokeMethod(
                listener_.context.data(), [tell = listener_.life, answer = *life] { tell(answer); },
                Qt::QueuedConnection);
    }
    Tell(lock);
    return true;
}

}  // namespace journal
