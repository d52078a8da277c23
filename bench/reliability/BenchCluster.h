// The PostgreSQL server a benchmark or a trial runs against: the one the CX_PG_* variables name
// (scripts/pg_cluster.sh), or else a throw-away cluster of its own, started with fsync on (as a
// real server runs) and stopped when the object goes. It can also be made to fail the way a
// school's server does: down (connections refused) or hung (calls taken, never answered).
#pragma once

#include "data_store/ServerLink.h"

#include <QString>

#include <functional>

// Runs `work` on a thread of its own and waits for it: the server connections it opened (one per
// thread and server) close with that thread instead of staying open in this process.
void InOwnThread(const std::function<void()>& work);

class BenchCluster {
  public:
    BenchCluster();
    ~BenchCluster();
    BenchCluster(const BenchCluster&) = delete;
    BenchCluster& operator=(const BenchCluster&) = delete;

    // The address of the cluster's own database, as its owner.
    const ServerAddress& Address() const { return address_; }
    // A new empty database `name` (an older one of that name dropped), as its owner.
    ServerAddress FreshDatabase(const QString& name) const;
    // The classroom of the file `fileName` copied into the new database `name`, with an exam
    // role of its own; the file then names that server and its workstations connect as that
    // role, as on a school's server. Returns the owner's address of that database.
    ServerAddress PutClassroom(const QString& fileName, const QString& name) const;
    QString Fsync() const;

    // Started here (else the CX_PG_* variables named it).
    bool Own() const { return own_; }

    void Down() const { Script(QStringLiteral("down")); }
    void Up() const { Script(QStringLiteral("up")); }
    // The postmaster and every process it started stopped (SIGSTOP); returns how many. They are
    // woken by Wake(), and whatever happens to this process: an interrupt or a crash wakes them,
    // and a detached watchdog does a minute later should it be killed outright.
    int Hang() const;
    void Wake() const;

  private:
    void Script(const QString& command) const;

    ServerAddress address_;
    QString folder_;    // CX_PG_DIR
    bool own_ = false;  // started here, stopped here
};
