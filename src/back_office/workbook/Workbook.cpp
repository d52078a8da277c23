// Reading a sheet: the file's first bytes choose the reader; the messages of every failure.
#include "back_office/workbook/Workbook.h"

#include "back_office/workbook/WorkbookInternal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

WorkbookError::WorkbookError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace workbook_detail {

namespace {

// The value of a hexadecimal digit 0-9, a-f, A-F; -1 for anything else.
int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

// Whether an _xHHHH_ sequence starts at i; its code in *code.
bool EscapeAt(const QString& text, qsizetype i, char16_t* code) {
    if (i + 6 >= text.size() || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
        return false;
    char16_t value = 0;
    for (int digit = 2; digit < 6; ++digit) {
        const int v = HexValue(text[i + digit]);
        if (v < 0) return false;
        value = char16_t(value * 16 + v);
    }
    *code = value;
    return true;
}

}  // namespace

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

WorkbookError MissingFile(const QString& path) {
    return WorkbookError(QStringLiteral("找不到文件 %1。").arg(Shown(path)));
}

WorkbookError UnreadableFile(const QString& path) {
    return WorkbookError(QStringLiteral("无法读取文件 %1。").arg(Shown(path)));
}

WorkbookError NotAWorkbook(const QString& path) {
    return WorkbookError(QStringLiteral("无法读取文件 %1：不是 Excel 工作簿。").arg(Shown(path)));
}

WorkbookError DamagedWorkbook(const QString& path, const QString& detail) {
    if (detail.isEmpty())
        return WorkbookError(
            QStringLiteral("工作簿 %1 已损坏或不完整，无法读取。").arg(Shown(path)));
    return WorkbookError(
        QStringLiteral("工作簿 %1 已损坏或不完整（%2），无法读取。").arg(Shown(path), detail));
}

WorkbookError NoSuchSheet(const QString& path, const QString& sheetName) {
    return WorkbookError(
        QStringLiteral("工作簿 %1 中没有名为 %2 的工作表。").arg(Shown(path), sheetName));
}

WorkbookError SheetTooLarge(const QString& path, const QString& sheetName, qint64 rows,
                            qint64 columns) {
    return WorkbookError(QStringLiteral("工作簿 %1 的工作表 %2 太大（%3 行、%4 列），无法读取。")
                             .arg(Shown(path), sheetName)
                             .arg(rows)
                             .arg(columns));
}

WorkbookError TooManyTexts(const QString& path) {
    return WorkbookError(QStringLiteral("工作簿 %1 含有的文本太多（超过 %2 个），无法读取。")
                             .arg(Shown(path))
                             .arg(kMaxCells));
}

WorkbookError PasswordProtected(const QString& path) {
    return WorkbookError(
        QStringLiteral("无法读取工作簿 %1：它设有密码。请在电子表格程序中取消密码后再导入。")
            .arg(Shown(path)));
}

WorkbookError UnreadFormat(const QString& path, const QString& formatName) {
    return WorkbookError(
        QStringLiteral("无法读取工作簿 %1：%2不能直接导入。请在电子表格程序中打开它，"
                       "另存为 Excel 工作簿（.xlsx）后再导入。")
            .arg(Shown(path), formatName));
}

WorkbookError FileTooLarge(const QString& path, qint64 bytes) {
    return WorkbookError(QStringLiteral("工作簿 %1 太大（%2 MB），无法读取。")
                             .arg(Shown(path))
                             .arg((bytes + (1 << 20) - 1) >> 20));
}

WorkbookError WriteFailed(const QString& path, const QString& reason) {
    if (reason.isEmpty())
        return WorkbookError(QStringLiteral("无法写入文件 %1。").arg(Shown(path)));
    return WorkbookError(QStringLiteral("无法写入文件 %1：%2。").arg(Shown(path), reason));
}

QString DecodeCellEscapes(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char16_t code = 0;
        if (EscapeAt(text, i, &code)) {
            out.append(QChar(code));
            i += 7;
        } else {
            out.append(text[i++]);
        }
    }
    return out;
}

QString EscapeCellUnderscores(const QString& text) {
    if (!text.contains(QLatin1String("_x"))) return text;
    QString out;
    out.reserve(text.size() + 7);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t code = 0;
        out.append(text[i]);
        if (EscapeAt(text, i, &code)) out.append(QLatin1String("x005F_"));
    }
    return out;
}

QString CellName(int row, int column) {
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row + 1);
}

int FindSheet(const QStringList& names, const QString& sheetName) {
    const int exact = names.indexOf(sheetName);
    if (exact >= 0) return exact;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(sheetName, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QByteArray ReadWholeFile(const QString& path, TooLargeFile tooLarge) {
    const QFileInfo info(path);
    if (!info.exists()) throw MissingFile(path);
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) throw UnreadableFile(path);
    // Refused before a byte is read: a file larger than any the program takes.
    if (file.size() > kMaxFileBytes) throw tooLarge(path, file.size());
    // As many bytes as the size said (a file that grew meanwhile is read up to that size); a pipe
    // has no size and is read up to the limit.
    QByteArray bytes = file.read(file.isSequential() ? kMaxFileBytes + 1 : file.size());
    if (file.error() != QFileDevice::NoError) throw UnreadableFile(path);
    if (bytes.size() > kMaxFileBytes) throw tooLarge(path, bytes.size());
    return bytes;
}

}  // namespace workbook_detail

using namespace workbook_detail;

namespace {

// A legacy file of BIFF records without the compound file around it: Excel 2.x-4.0 wrote their
// worksheets so (BOF records 0x0009, 0x0209, 0x0409); a few programs write BIFF5/8 records so.
bool IsOldBiff(const QByteArray& head) {
    return head.size() >= 4 && head[0] == '\x09' &&
           (head[1] == 0 || head[1] == 2 || head[1] == 4) && head[3] == 0 && uchar(head[2]) >= 4 &&
           uchar(head[2]) <= 20;
}

bool IsBareBiff(const QByteArray& head) {
    return head.size() >= 4 && head[0] == '\x09' && head[1] == '\x08' && head[3] == 0;
}

}  // namespace

SheetTexts ReadSheet(const QString& path, const QString& sheetName) {
    return ReadSheet(path, sheetName, nullptr);
}

SheetTexts ReadSheet(const QString& path, const QString& sheetName, CellPictures* pictures) {
    if (pictures) pictures->clear();
    const QByteArray bytes = ReadWholeFile(path, FileTooLarge);

    // The name's extension says nothing: the first bytes tell the formats apart.
    const QByteArray head = bytes.left(4);
    if (head == QByteArray("\xD0\xCF\x11\xE0", 4))
        return ReadXls(path, WorkbookStream(path, bytes), sheetName);
    if (head == QByteArray("PK\x03\x04", 4))
        return ReadZipWorkbook(path, bytes, sheetName, pictures);
    if (IsBareBiff(head)) return ReadXls(path, bytes, sheetName);
    if (IsOldBiff(head)) throw UnreadFormat(path, kOldExcelFormat);
    throw NotAWorkbook(path);
}
