// libFuzzer target: ReadSheet on any file content, the legacy .xls path above all (the seeds start
// with the compound-file signature), as the import runs it: FreeXL in a child process. Whatever
// the child meets, the caller gets cells or a WorkbookError. The bytes go to an in-memory file,
// since FreeXL reads from a path. (The child's coverage does not reach the fuzzer; xls_library
// fuzzes the library in process.)
#include "back_office/workbook/Workbook.h"

#include <QByteArray>
#include <QString>

#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

int File() {
    static const int fd = memfd_create("fuzz.xls", 0);
    if (fd < 0) std::abort();
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A sanitizer report in the reader's child ends the child only: the fuzzer's own report (and
    // its crash file) is for this process.
    pthread_atfork(nullptr, nullptr, [] { __sanitizer_set_death_callback(nullptr); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = File();
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) std::abort();
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    try {
        ReadSheet(path, QStringLiteral("Sheet1"));
    } catch (const WorkbookError&) {
    }
    return 0;
}
