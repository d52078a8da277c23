// Helpers of the workbook tests: fixtures of tests/data, the message a workbook action raises, and
// files written and read as bytes.
#pragma once

#include "back_office/workbook/Workbook.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <functional>

inline QString Fixture(const QString& name) {
    return QStringLiteral(CX_TEST_DATA "/") + name;
}

// The message of the WorkbookError the action raises; empty when it raises none.
inline QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const WorkbookError& error) {
        return error.Message();
    }
    return QString();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
