#include "data_store/Pictures.h"

#include "data_store/Database.h"

#include <QCryptographicHash>
#include <QRegularExpression>

namespace {

const QRegularExpression& MarkerPattern() {
    static const QRegularExpression marker(QStringLiteral("\uE000([0-9a-f]{64})\uE001"));
    return marker;
}

}  // namespace

QString PictureFormat(const QByteArray& bytes) {
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return QStringLiteral("png");
    if (bytes.startsWith("\xff\xd8\xff")) return QStringLiteral("jpeg");
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) return QStringLiteral("gif");
    if (bytes.startsWith("BM") && bytes.size() > 26) return QStringLiteral("bmp");
    return {};
}

QString PictureRefusal(const QByteArray& bytes, const QString& name) {
    if (bytes.size() > kPictureMaxBytes)
        return QStringLiteral("图片“%1”大于 5 MB，不能放入题目。").arg(name);
    if (PictureFormat(bytes).isEmpty())
        return QStringLiteral("“%1”不是 PNG、JPEG、GIF 或 BMP 图片。").arg(name);
    return {};
}

QString PictureHash(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString PictureMarker(const QString& hash) {
    return kPictureOpen + hash + kPictureClose;
}

QString StorePicture(Database& db, const QByteArray& bytes) {
    const QString hash = PictureHash(bytes);
    db.RunStatement(QStringLiteral("INSERT INTO Tupian (Hash, Geshi, Shuju) SELECT ?, ?, ? WHERE "
                                   "NOT EXISTS (SELECT 1 FROM Tupian WHERE Hash=?)"),
                    {hash, PictureFormat(bytes), bytes, hash});
    return PictureMarker(hash);
}

std::optional<Picture> ReadPicture(Database& db, const QString& hash) {
    auto row = db.OpenQuery(QStringLiteral("SELECT Geshi, Shuju FROM Tupian WHERE Hash=?"), {hash});
    if (row->RowCount() == 0) return std::nullopt;
    const QByteArray* bytes = row->ColumnBlob(row->ColumnIndexOf(QStringLiteral("Shuju")));
    return Picture{hash, row->Value(QStringLiteral("Geshi")), bytes ? *bytes : QByteArray()};
}

QHash<QString, Picture> ReadPictures(Database& db, QStringList hashes) {
    hashes.removeDuplicates();
    QHash<QString, Picture> pictures;
    constexpr qsizetype kPerQuery = 200;
    for (qsizetype from = 0; from < hashes.size(); from += kPerQuery) {
        const QStringList part = hashes.mid(from, kPerQuery);
        QStringList marks;
        SqlValues values;
        for (const QString& hash : part) {
            marks << QStringLiteral("?");
            values << hash;
        }
        auto rows =
            db.OpenQuery(QStringLiteral("SELECT Hash, Geshi, Shuju FROM Tupian WHERE Hash IN (%1)")
                             .arg(marks.join(u',')),
                         values);
        const int shuju = rows->ColumnIndexOf(QStringLiteral("Shuju"));
        for (; !rows->AtEnd(); rows->MoveNext()) {
            const QByteArray* bytes = rows->ColumnBlob(shuju);
            Picture picture{rows->Value(QStringLiteral("Hash")),
                            rows->Value(QStringLiteral("Geshi")), bytes ? *bytes : QByteArray()};
            pictures.insert(picture.hash, picture);
        }
    }
    return pictures;
}

QList<TextPiece> SplitPictures(const QString& text) {
    QList<TextPiece> pieces;
    qsizetype from = 0;
    for (auto it = MarkerPattern().globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        if (match.capturedStart() > from)
            pieces << TextPiece{text.mid(from, match.capturedStart() - from), {}};
        pieces << TextPiece{{}, match.captured(1)};
        from = match.capturedEnd();
    }
    if (from < text.size() || pieces.isEmpty()) pieces << TextPiece{text.mid(from), {}};
    return pieces;
}

bool HasPictures(const QString& text) {
    return text.contains(kPictureOpen) && MarkerPattern().match(text).hasMatch();
}

QStringList PictureHashes(const QString& text) {
    QStringList hashes;
    for (auto it = MarkerPattern().globalMatch(text); it.hasNext();)
        hashes << it.next().captured(1);
    return hashes;
}

QString WithoutPictures(const QString& text, const QString& standIn) {
    if (!text.contains(kPictureOpen)) return text;
    QString plain = text;
    return plain.replace(MarkerPattern(), standIn);
}
