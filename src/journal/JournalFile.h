// One journal file on the workstation's own disk: records appended one after another, each its
// length, a checksum and its bytes. A record cut short by a crash or a power cut (a torn last
// write) fails its checksum: it and anything after it are dropped when the file is opened, and
// appends go on from the last whole record. The file is locked while it is open, so two writers
// never share one.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace journal {

// CRC-32 (the polynomial of zip and PNG).
quint32 Crc32(const QByteArray& bytes);

class JournalFile {
  public:
    // Opens (creating) and locks the file. IsOpen() is false when it cannot, or when another
    // writer holds it.
    explicit JournalFile(const QString& path);
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const QString& Path() const { return path_; }
    // The whole records the file held when it was opened, in order.
    const std::vector<QByteArray>& Records() const { return records_; }

    // Appends the records; with `sync` they are on the disk when this returns. False on a write
    // error (a full disk): the file is put back to its length before the call.
    bool Append(const std::vector<QByteArray>& records, bool sync);
    // Empties the file (everything in it is done with).
    bool Clear();
    // Closes and deletes the file.
    void Remove();

  private:
    void Load();

    QString path_;
    int fd_ = -1;
    qint64 size_ = 0;
    std::vector<QByteArray> records_;
};

}  // namespace journal
