// dump_sheet <file> [sheet] [--names]: prints the cell texts ReadSheet gives for the sheet (Sheet1
// when none is named) as a JSON array of rows, or {"error": message} when it raises.
// tools/compare_readers.py sets these side by side with reference readers.
#include "back_office/workbook/Workbook.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: dump_sheet <file> [sheet]\n");
        return 2;
    }
    const QString sheet = arguments.size() > 2 ? arguments[2] : QStringLiteral("Sheet1");
    QJsonDocument document;
    try {
        QJsonArray rows;
        for (const QStringList& row : ReadSheet(arguments[1], sheet).Rows())
            rows.append(QJsonArray::fromStringList(row));
        document.setArray(rows);
    } catch (const WorkbookError& error) {
        document.setObject({{QStringLiteral("error"), error.Message()}});
    }
    std::fwrite(document.toJson(QJsonDocument::Compact).constData(), 1,
                size_t(document.toJson(QJsonDocument::Compact).size()), stdout);
    std::fputc('\n', stdout);
    return 0;
}
