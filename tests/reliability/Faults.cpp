#include "reliability/Faults.h"

#include "data_store/Database.h"

#include <QFile>
#include <QTest>

#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool SetDacOverride(bool on) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    const bool had = data[0].effective & (1u << CAP_DAC_OVERRIDE);
    if (on)
        data[0].effective |= (1u << CAP_DAC_OVERRIDE);
    else
        data[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    syscall(SYS_capset, &header, data);
    return had;
}

bool diskFull = false;
int busyTimeoutMs = 0;

void FaultHook(sqlite3* db) {
    if (busyTimeoutMs > 0) sqlite3_busy_timeout(db, busyTimeoutMs);
    if (diskFull) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const QByteArray limit =
                "PRAGMA max_page_count=" + QByteArray::number(sqlite3_column_int64(statement, 0));
            sqlite3_finalize(statement);
            sqlite3_exec(db, limit.constData(), nullptr, nullptr, nullptr);
        } else {
            sqlite3_finalize(statement);
        }
    }
}

void UpdateHook() {
    Database::SetConnectionHook(diskFull || busyTimeoutMs > 0 ? FaultHook : nullptr);
}

}  // namespace

PermissionsApply::PermissionsApply() : dropped_(SetDacOverride(false)) {}

PermissionsApply::~PermissionsApply() {
    if (dropped_) SetDacOverride(true);
}

DiskFull::DiskFull() {
    diskFull = true;
    UpdateHook();
}

DiskFull::~DiskFull() {
    diskFull = false;
    UpdateHook();
}

LockedByAnotherProcess::LockedByAnotherProcess(const QString& workdir) {
    busyTimeoutMs = 200;
    UpdateHook();
    holder_.setWorkingDirectory(workdir);
    holder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder_.start(QStringLiteral(CX_WORKER), {QStringLiteral("lock")});
    QVERIFY(holder_.waitForStarted(10000));
    while (!holder_.canReadLine())
        if (!holder_.waitForReadyRead(10000)) break;
    QCOMPARE(holder_.readLine().trimmed(), QByteArray("locked"));
}

LockedByAnotherProcess::~LockedByAnotherProcess() {
    Release();
    busyTimeoutMs = 0;
    UpdateHook();
}

void LockedByAnotherProcess::Release() {
    if (holder_.state() == QProcess::NotRunning) return;
    holder_.closeWriteChannel();  // the holder ends at the end of its input
    holder_.waitForFinished(10000);
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
