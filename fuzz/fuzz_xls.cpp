// libFuzzer target: the legacy .xls reader on any bytes, as ReadSheet gives them to it: the OLE2
// compound file (libgsf) and then the BIFF records of its workbook stream. A damaged workbook
// must end in WorkbookError, never in a crash, a hang, a leak or an allocation the file's size
// does not justify.
#include "back_office/workbook/WorkbookInternal.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = QStringLiteral("fuzz.xls");
    try {
        // Compound files as the import meets them, and bare record streams (the seeds' own
        // workbook streams) to reach the records without the container in the way.
        if (bytes.startsWith("\xD0\xCF\x11\xE0"))
            workbook_detail::ReadXls(path, workbook_detail::WorkbookStream(path, bytes),
                                     QStringLiteral("Sheet1"));
        else
            workbook_detail::ReadXls(path, bytes, QStringLiteral("Sheet1"));
    } catch (const WorkbookError&) {
    }
    return 0;
}
