// Faults a user can cause, made on purpose in tests: a read-only database file (also for root),
// a full disk, a database held locked by another process, and short waits instead of the 10 s
// busy timeout.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

// While alive, the process no longer overrides file permissions (root's CAP_DAC_OVERRIDE is
// dropped from its effective set), so a read-only file is read-only to it as to any user.
class PermissionsApply {
  public:
    PermissionsApply();
    ~PermissionsApply();
    PermissionsApply(const PermissionsApply&) = delete;
    PermissionsApply& operator=(const PermissionsApply&) = delete;

  private:
    bool dropped_ = false;
};

// Every connection opened while alive sees a full disk: the file may not grow by one page.
class DiskFull {
  public:
    DiskFull();
    ~DiskFull();
};

// Another process holds the database locked (BEGIN EXCLUSIVE) while alive; connections opened in
// the meantime wait 200 ms instead of the busy timeout's 10 s before they give up.
class LockedByAnotherProcess {
  public:
    explicit LockedByAnotherProcess(const QString& workdir);
    ~LockedByAnotherProcess();
    void Release();

  private:
    QProcess holder_;
};

// The bytes of a file ("" when it does not exist).
QByteArray FileBytes(const QString& path);
