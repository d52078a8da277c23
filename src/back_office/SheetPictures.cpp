#include "back_office/SheetPictures.h"

#include "data_store/Conversions.h"
#include "data_store/Pictures.h"

#include <QMap>
#include <QSet>

#include <QRegularExpression>

QString PicturePlace(int n) {
    return QStringLiteral("[图片%1]").arg(n);
}

ExportedCell ExportedText(
    const QString& text,
    const std::function<std::optional<QByteArray>(const QString& hash)>& picture) {
    if (!HasPictures(text)) return {text, {}};
    ExportedCell cell;
    for (const TextPiece& piece : SplitPictures(text)) {
        if (!piece.IsPicture()) {
            cell.text += piece.text;
        } else if (const std::optional<QByteArray> bytes = picture(piece.pictureHash)) {
            cell.pictures << *bytes;
            cell.text += PicturePlace(int(cell.pictures.size()));
        } else {
            cell.text += PictureMarker(piece.pictureHash);
        }
    }
    return cell;
}

QString ImportedText(const QString& text, const QList<QByteArray>& pictures) {
    if (pictures.isEmpty()) return text;
    static const QRegularExpression place(QStringLiteral("\\[图片(\\d{1,4})\\]"));
    QList<bool> placed(pictures.size(), false);
    QString imported;
    qsizetype from = 0;
    for (auto it = place.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const int n = match.captured(1).toInt();
        if (n < 1 || n > pictures.size() || placed[n - 1]) continue;
        placed[n - 1] = true;
        imported += QStringView(text).sliced(from, match.capturedStart() - from);
        imported += PictureMarker(PictureHash(pictures[n - 1]));
        from = match.capturedEnd();
    }
    imported += QStringView(text).sliced(from);
    for (int i = 0; i < pictures.size(); ++i)
        if (!placed[i]) imported += PictureMarker(PictureHash(pictures[i]));
    return imported;
}

namespace {

// Whether the save stores the i-th row.
bool Stored(const ExchangeRule& rule, const ListRows& rows, int i) {
    switch (rule.rule) {
        case SaveRule::Replace:
            return i < rule.limit;
        case SaveRule::UpdateByPosition: {
            int number = 0;
            return TryStrToInt(rows[i].value(0), &number) && number <= rule.limit;
        }
        case SaveRule::DeleteInsert:
            break;
    }
    return false;
}

}  // namespace

QList<QByteArray> PlaceSheetPictures(const ExchangeRule& rule, const CellPictures& pictures,
                                     ListRows* rows, const QString& source) {
    QMap<std::pair<int, int>, QList<QByteArray>> cells;  // (list row, column) -> pictures
    for (const CellPicture& picture : pictures) {
        const int i = picture.row - 1;
        if (i < 0 || i >= rows->size() || picture.column < 1 ||
            picture.column >= rule.columnsNeeded || !Stored(rule, *rows, i))
            continue;
        QString refusal =
            picture.bytes.isEmpty() && picture.size > kMaxCellPictureBytes
                ? QStringLiteral("图片“%1”大于 5 MB，不能放入题目。").arg(picture.name)
                : PictureRefusal(picture.bytes, picture.name);
        if (!refusal.isEmpty())
            throw RowError(QStringLiteral("%1第%2行 %3 单元格中的%4")
                               .arg(source)
                               .arg(picture.row + 1)
                               .arg(QChar(u'A' + picture.column))
                               .arg(refusal));
        cells[{i, picture.column}] << picture.bytes;
    }
    QList<QByteArray> stored;
    QSet<QString> hashes;
    for (auto cell = cells.constBegin(); cell != cells.constEnd(); ++cell) {
        QStringList& row = (*rows)[cell.key().first];
        while (row.size() <= cell.key().second)
            row << QString();
        row[cell.key().second] = ImportedText(row[cell.key().second], *cell);
        for (const QByteArray& bytes : *cell)
            if (!hashes.contains(PictureHash(bytes))) {
                hashes.insert(PictureHash(bytes));
                stored << bytes;
            }
    }
    return stored;
}
