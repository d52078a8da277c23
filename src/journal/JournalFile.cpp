#include "journal/JournalFile.h"

#include <QFile>

#include <array>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace journal {

namespace {

constexpr qint64 kHeader = 8;                   // length and checksum, little-endian
constexpr quint32 kLargest = 64 * 1024 * 1024;  // a length beyond this is damage

std::array<quint32, 256> CrcTable() {
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

void PutU32(char* at, quint32 value) {
    for (int i = 0; i < 4; ++i)
        at[i] = char((value >> (8 * i)) & 0xFF);
}

quint32 GetU32(const char* at) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value |= quint32(uchar(at[i])) << (8 * i);
    return value;
}

bool WriteAll(int fd, const QByteArray& bytes) {
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

}  // namespace

quint32 Crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = CrcTable();
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : bytes)
        c = table[(c ^ uchar(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

JournalFile::JournalFile(const QString& path) : path_(path) {
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    Load();
}

JournalFile::~JournalFile() {
    if (fd_ >= 0) ::close(fd_);  // the lock goes with it
}

void JournalFile::Load() {
    QByteArray bytes;
    char buffer[65536];
    ::lseek(fd_, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buffer, n);
    }
    qint64 at = 0;
    while (bytes.size() - at >= kHeader) {
        const quint32 length = GetU32(bytes.constData() + at);
        const quint32 sum = GetU32(bytes.constData() + at + 4);
        if (length > kLargest || bytes.size() - at - kHeader < qint64(length)) break;
        QByteArray record = bytes.mid(at + kHeader, length);
        if (Crc32(record) != sum) break;
        records_.push_back(std::move(record));
        at += kHeader + length;
    }
    // A torn tail is cut off, so that what is appended next follows a whole record.
    if (at != bytes.size()) {
        if (::ftruncate(fd_, at) != 0) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        ::fsync(fd_);
    }
    size_ = at;
    ::lseek(fd_, size_, SEEK_SET);
}

bool JournalFile::Append(const std::vector<QByteArray>& records, bool sync) {
    if (fd_ < 0) return false;
    QByteArray bytes;
    for (const QByteArray& record : records) {
        char header[kHeader];
        PutU32(header, quint32(record.size()));
        PutU32(header + 4, Crc32(record));
        bytes.append(header, kHeader);
        bytes.append(record);
    }
    if (!WriteAll(fd_, bytes) || (sync && ::fdatasync(fd_) != 0)) {
        // Nothing half-written stays behind the records that are whole.
        if (::ftruncate(fd_, size_) == 0) ::lseek(fd_, size_, SEEK_SET);
        return false;
    }
    size_ += bytes.size();
    return true;
}

bool JournalFile::Clear() {
    if (fd_ < 0 || ::ftruncate(fd_, 0) != 0) return false;
    ::lseek(fd_, 0, SEEK_SET);
    size_ = 0;
    records_.clear();
    return ::fdatasync(fd_) == 0;
}

void JournalFile::Remove() {
    if (fd_ < 0) return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace journal
