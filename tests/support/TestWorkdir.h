// A fresh working directory holding data/Maindb.db built from the delivered SQL; the process works
// there while the object lives (the database path is relative), and goes back afterwards.
#pragma once

#include <QString>
#include <QTemporaryDir>

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

  private:
    QTemporaryDir dir_;
    QString previous_;
};
