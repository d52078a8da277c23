// libFuzzer target: the legacy .xls reader with FreeXL in this process, to probe the library
// itself (the program runs it in a child process because of what this target finds). Not in
// scripts/fuzz.sh's default list: FreeXL 1.0.6's known faults stop it within seconds.
#include "back_office/workbook/WorkbookInternal.h"

#include <QString>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("fuzz.xls", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) std::abort();
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    try {
        workbook_detail::ReadXlsInProcess(path, QStringLiteral("Sheet1"));
    } catch (const WorkbookError&) {
    }
    return 0;
}
