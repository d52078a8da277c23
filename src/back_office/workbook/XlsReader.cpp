// Reading one sheet of a legacy .xls workbook (BIFF in a compound file) with FreeXL. Its sheet
// dimensions are counts of rows and columns; boolean and formula cells come back without a value.
//
// FreeXL 1.0.6 reads damaged files out of bounds (fuzz/fuzz_xls found stack and heap over-reads,
// a crash and leaks in it), so it runs in a child process: a file that makes it crash or hang is
// a damaged workbook to the user, and the program goes on.
#include "back_office/workbook/WorkbookInternal.h"

#include "data_store/Conversions.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <freexl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace workbook_detail {

namespace {

class LegacyWorkbook {
  public:
    explicit LegacyWorkbook(const QString& path) : path_(path) {
        Check(freexl_open(QFile::encodeName(path).constData(), &handle_));
    }
    ~LegacyWorkbook() {
        if (handle_) freexl_close(handle_);
    }
    LegacyWorkbook(const LegacyWorkbook&) = delete;
    LegacyWorkbook& operator=(const LegacyWorkbook&) = delete;

    const void* handle() const { return handle_; }

    void Check(int code) const {
        if (code != FREEXL_OK) throw LegacyReadFailed(path_, code);
    }

  private:
    QString path_;
    const void* handle_ = nullptr;
};

QString CellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
        case FREEXL_CELL_INT:
            return FormatGeneral(double(cell.value.int_value));
        case FREEXL_CELL_DOUBLE:
            return FormatGeneral(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
        default:  // FREEXL_CELL_NULL: empty, boolean or formula
            return QString();
    }
}

// How long the child may take before the file counts as damaged.
constexpr int kChildSeconds = 30;

}  // namespace

SheetCells ReadXlsInProcess(const QString& path, const QString& sheetName) {
    const LegacyWorkbook workbook(path);
    const void* handle = workbook.handle();

    unsigned int password = 0;
    workbook.Check(freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &password));
    if (password == FREEXL_BIFF_OBFUSCATED) throw PasswordProtected(path);

    unsigned int sheetCount = 0;
    workbook.Check(freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheetCount));
    QStringList names;
    for (unsigned int i = 0; i < sheetCount; ++i) {
        const char* name = nullptr;
        workbook.Check(freexl_get_worksheet_name(handle, i, &name));
        names.append(name ? QString::fromUtf8(name) : QString());
    }
    const int found = FindSheet(names, sheetName);
    if (found < 0) throw NoSuchSheet(path, sheetName);
    workbook.Check(freexl_select_active_worksheet(handle, unsigned(found)));

    unsigned int rows = 0;
    unsigned short columns = 0;
    workbook.Check(freexl_worksheet_dimensions(handle, &rows, &columns));
    SheetBuilder builder;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue cell;
            workbook.Check(freexl_get_cell_value(handle, r, c, &cell));
            builder.Add(int(r), int(c), CellText(cell));
        }
    }
    return builder.Build(path, names[found]);
}

namespace {

// The child: reads the sheet and writes the cells (or the message of its WorkbookError) to `out`.
[[noreturn]] void ReadInChild(int out, const QString& path, const QString& sheetName) {
    // A crash here just ends the child: no crash handler the parent installed runs for it.
    for (int number : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        std::signal(number, SIG_DFL);
    QByteArray bytes;
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        try {
            const SheetCells cells = ReadXlsInProcess(path, sheetName);
            stream << qint8(0) << cells;
        } catch (const WorkbookError& error) {
            stream << qint8(1) << error.Message();
        } catch (...) {
            _exit(2);
        }
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = write(out, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0) _exit(3);
        done += n;
    }
    _exit(0);  // nothing of the parent's (atexit handlers, buffers) runs here
}

}  // namespace

SheetCells ReadXls(const QString& path, const QString& sheetName) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw UnreadableFile(path);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        throw UnreadableFile(path);
    }
    if (child == 0) {
        close(pipeEnds[0]);
        ReadInChild(pipeEnds[1], path, sheetName);
    }
    close(pipeEnds[1]);
    QByteArray bytes;
    bool late = false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        pollfd ready{pipeEnds[0], POLLIN, 0};
        const qint64 left = kChildSeconds * 1000LL - clock.elapsed();
        if (left <= 0 || poll(&ready, 1, int(left)) == 0) {
            late = true;
            break;
        }
        char buffer[65536];
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buffer, n);
    }
    close(pipeEnds[0]);
    if (late) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (late || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw DamagedWorkbook(path, QString());

    QDataStream stream(bytes);
    qint8 kind = -1;
    stream >> kind;
    if (kind == 1) {
        QString message;
        stream >> message;
        if (stream.status() == QDataStream::Ok) throw WorkbookError(message);
    } else if (kind == 0) {
        SheetCells cells;
        stream >> cells;
        if (stream.status() == QDataStream::Ok) return cells;
    }
    throw DamagedWorkbook(path, QString());
}

}  // namespace workbook_detail
