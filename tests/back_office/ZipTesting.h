// Zip packages put together by the workbook tests: .xlsx and .ods parts written by hand.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QMap>
#include <QString>
#include <QTest>

#include <zip.h>

// Zips the parts, named by their keys; stored (not compressed) parts keep their bytes visible in
// the file.
inline void WriteZip(const QString& path, const QMap<QString, QByteArray>& parts,
                     bool stored = false) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(zip);
    for (auto part = parts.constBegin(); part != parts.constEnd(); ++part) {
        zip_source_t* source = zip_source_buffer(zip, part->constData(), part->size(), 0);
        const zip_int64_t index =
            zip_file_add(zip, part.key().toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        QVERIFY(index >= 0);
        if (stored) zip_set_file_compression(zip, index, ZIP_CM_STORE, 0);
    }
    QCOMPARE(zip_close(zip), 0);
}
