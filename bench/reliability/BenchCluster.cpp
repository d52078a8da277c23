#include "reliability/BenchCluster.h"

#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"

#include <QProcess>
#include <QProcessEnvironment>

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

void BenchCluster::PutClassroom(const QString& fileName, const QString& name) const {
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
