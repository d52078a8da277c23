// A fresh working directory holding data/Maindb.db built from the delivered SQL; the process works
// there while the object lives (the database path is relative), and goes back afterwards.
// With CX_TEST_ENGINE=postgresql (and the CX_PG_* variables scripts/pg_cluster.sh prints) the
// delivered content is copied into a fresh database of that server and the file points there, so
// the same test runs against the server; Sql, Scalar and Rows then work on the server.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <functional>

struct ServerAddress;

class TestWorkdir {
  public:
    // `withDatabase` false leaves the data folder empty.
    explicit TestWorkdir(bool withDatabase = true);
    ~TestWorkdir();
    TestWorkdir(const TestWorkdir&) = delete;
    TestWorkdir& operator=(const TestWorkdir&) = delete;

    QString Path() const { return dir_.path(); }
    QString DatabaseFile() const { return dir_.path() + QStringLiteral("/data/Maindb.db"); }

    // Runs statements directly on the database (set-up of a test case).
    void Sql(const QString& statements) const;
    // The first column of the first row of `query` as text ("" when none).
    QString Scalar(const QString& query) const;
    // Every row of `query`, columns joined by "|".
    QStringList Rows(const QString& query) const;

    // A database fault on demand: every `event` ("Insert", "Update") on `table` for which
    // `condition` holds (empty: always; the new row is "new") fails with `message`.
    void RefuseWrites(const QString& name, const QString& event, const QString& table,
                      const QString& condition, const QString& message) const;
    void DropRefusal(const QString& name, const QString& table) const;

    // Run before every read or write above: a rig whose writer works on another thread lets it
    // finish first, so a test sees (and changes) the database after what it did.
    static inline std::function<void()> beforeAccess;

    // The tests run against the server (CX_TEST_ENGINE=postgresql).
    static bool OnServer();
    // This test process's database on the server.
    static ServerAddress Server();

  private:
    bool server_ = false;
    QTemporaryDir dir_;
    QString previous_;
};
