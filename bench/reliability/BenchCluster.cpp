#include "reliability/BenchCluster.h"

#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <signal.h>

#include <exception>
#include <stdexcept>
#include <thread>

namespace {

const QString kScript = QStringLiteral(CX_SOURCE_DIR "/scripts/pg_cluster.sh");
const QString kExamUser = QStringLiteral("kaoshi_bench");
const QString kExamPassword = QStringLiteral("kaoshi-bench-0");

// The output of `bash pg_cluster.sh arguments`; raises when it fails.
QByteArray RunScript(const QStringList& arguments, const QProcessEnvironment& environment) {
    QProcess script;
    script.setProcessEnvironment(environment);
    script.setWorkingDirectory(QStringLiteral("/"));  // a folder the server's user may enter
    script.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    script.start(QStringLiteral("bash"), QStringList{kScript} + arguments);
    if (!script.waitForFinished(120000) || script.exitCode() != 0)
        throw std::runtime_error("scripts/pg_cluster.sh " + arguments.join(u' ').toStdString() +
                                 " failed");
    return script.readAllStandardOutput();
}

// The server's processes a hang stopped, for the signal handler.
pid_t gStopped[256];
volatile sig_atomic_t gStoppedCount = 0;

void WakeStopped() {
    for (sig_atomic_t i = 0; i < gStoppedCount; ++i)
        ::kill(gStopped[i], SIGCONT);
}

extern "C" void WakeAndDie(int signal) {
    WakeStopped();
    ::raise(signal);  // the handler was reset: the default action follows
}

void Stop(pid_t pid) {
    if (gStoppedCount >= sig_atomic_t(std::size(gStopped))) return;
    gStopped[gStoppedCount] = pid;
    gStoppedCount = gStoppedCount + 1;
    ::kill(pid, SIGSTOP);
}

}  // namespace

void InOwnThread(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::thread([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }).join();
    if (failure) std::rethrow_exception(failure);
}

BenchCluster::BenchCluster() {
    if (qEnvironmentVariableIsEmpty("CX_PG_HOST")) {
        // "export NAME=value" lines; this process and its children take them over.
        for (const QByteArray& line :
             RunScript({QStringLiteral("start"), QStringLiteral("--fsync")},
                       QProcessEnvironment::systemEnvironment())
                 .split('\n')) {
            if (!line.startsWith("export ")) continue;
            const qsizetype equals = line.indexOf('=');
            qputenv(line.mid(7, equals - 7).constData(), line.mid(equals + 1));
        }
        own_ = true;
    }
    folder_ = qEnvironmentVariable("CX_PG_DIR");
    address_ = ServerAddress{.host = qEnvironmentVariable("CX_PG_HOST"),
                             .port = qEnvironmentVariableIntValue("CX_PG_PORT"),
                             .database = qEnvironmentVariable("CX_PG_DATABASE"),
                             .user = qEnvironmentVariable("CX_PG_USER"),
                             .password = qEnvironmentVariable("CX_PG_PASSWORD"),
                             .sslMode = DefaultSslMode(qEnvironmentVariable("CX_PG_SSLROOTCERT")),
                             .caFile = qEnvironmentVariable("CX_PG_SSLROOTCERT")};
}

BenchCluster::~BenchCluster() {
    if (!own_) return;
    try {
        Script(QStringLiteral("stop"));
    } catch (const std::exception&) {
    }
}

void BenchCluster::Script(const QString& command) const {
    RunScript({command}, QProcessEnvironment::systemEnvironment());
}

ServerAddress BenchCluster::FreshDatabase(const QString& name) const {
    InOwnThread([&] {
        Database admin(address_);
        admin.RunStatement(QStringLiteral("Drop Database If Exists ") + name);
        admin.RunStatement(QStringLiteral("Create Database ") + name);
    });
    ServerAddress address = address_;
    address.database = name;
    return address;
}

ServerAddress BenchCluster::PutClassroom(const QString& fileName, const QString& name) const {
    const ServerAddress address = FreshDatabase(name);
    InOwnThread([&] {
        Database target(address);
        Database file(fileName, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        CopyToServer(file, target);
        GrantExamRole(target, kExamUser, kExamPassword);
    });
    ServerSettings settings = SettingsFor(address);
    settings.examUser = kExamUser;
    settings.examPassword = kExamPassword;
    StoreServerSettings(fileName, settings);
    return address;
}

QString BenchCluster::Fsync() const {
    QString fsync;
    InOwnThread([&] {
        fsync = Database(address_)
                    .OpenQuery(QStringLiteral("Show fsync"))
                    ->Value(QStringLiteral("fsync"));
    });
    return fsync;
}

int BenchCluster::Hang() const {
    QFile pidFile(folder_ + QStringLiteral("/data/postmaster.pid"));
    if (!pidFile.open(QIODevice::ReadOnly)) throw std::runtime_error("no postmaster.pid");
    const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toLongLong());
    if (postmaster <= 0) throw std::runtime_error("no postmaster in postmaster.pid");
    for (const int signal : {SIGINT, SIGTERM, SIGSEGV, SIGABRT, SIGBUS, SIGFPE}) {
        struct sigaction action = {};
        action.sa_handler = WakeAndDie;
        action.sa_flags = SA_RESETHAND;
        sigaction(signal, &action, nullptr);
    }
    Stop(postmaster);  // first, so that it starts no process while its children are found
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = pid_t(entry.toLongLong(&number));
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!number || !stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();  // pid (name) state ppid ...
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == postmaster) Stop(pid);
    }
    QStringList pids;
    for (sig_atomic_t i = 0; i < gStoppedCount; ++i)
        pids << QString::number(gStopped[i]);
    QProcess::startDetached(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("sleep 60; kill -CONT %1 2>/dev/null").arg(pids.join(u' '))});
    return int(gStoppedCount);
}

void BenchCluster::Wake() const {
    WakeStopped();
    gStoppedCount = 0;
}
