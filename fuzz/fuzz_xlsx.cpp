// libFuzzer target: the readers of zip packages on any bytes (held in memory, as the readers read
// files): the workbook reader (.xlsx with the pictures of its sheet's drawing, and .ods when the
// mimetype part says so) and the Word document reader with the question parser after it. A damaged
// file must end in WorkbookError, never in a crash, a hang or a leak.
#include "back_office/workbook/QuestionDocument.h"
#include "back_office/workbook/WorkbookInternal.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        CellPictures pictures;
        workbook_detail::ReadZipWorkbook(QStringLiteral("fuzz.xlsx"), bytes,
                                         QStringLiteral("Sheet1"), &pictures);
    } catch (const WorkbookError&) {
    }
    try {
        ParseQuestions(ReadWordDocument(QStringLiteral("fuzz.docx"), bytes), QuestionBank::kSingle);
    } catch (const WorkbookError&) {
    }
    return 0;
}
