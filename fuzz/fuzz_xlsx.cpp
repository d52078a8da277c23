// libFuzzer target: the readers of zip packages (.xlsx, and .ods when the mimetype part says so)
// on any bytes (held in memory, as ReadSheet reads them). A damaged workbook must end in
// WorkbookError, never in a crash, a hang or a leak.
#include "back_office/workbook/WorkbookInternal.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        workbook_detail::ReadZipWorkbook(QStringLiteral("fuzz.xlsx"), bytes,
                                         QStringLiteral("Sheet1"));
    } catch (const WorkbookError&) {
    }
    return 0;
}
