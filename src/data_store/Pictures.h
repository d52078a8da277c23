// Pictures in question texts. Each picture is stored once, in table Tupian keyed by the SHA-256 of
// its bytes (64 lower-case hex digits); a text refers to it by a marker: U+E000, the hash, U+E001.
// Both are private-use characters no keyboard types, so a text without pictures is stored exactly
// as typed and every reader that does not know pictures still sees the rest of the text.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

inline constexpr char16_t kPictureOpen = u'\uE000';
inline constexpr char16_t kPictureClose = u'\uE001';
inline constexpr qint64 kPictureMaxBytes = 5 * 1024 * 1024;

struct Picture {
    QString hash;
    QString format;  // "png", "jpeg", "gif" or "bmp"
    QByteArray bytes;
};

// The format by the bytes' signature; empty for anything but PNG, JPEG, GIF and BMP.
QString PictureFormat(const QByteArray& bytes);

// Why the bytes cannot be a question's picture, naming it by `name` (a file name,
// "剪贴板中的图片"); empty when they can.
QString PictureRefusal(const QByteArray& bytes, const QString& name);

QString PictureHash(const QByteArray& bytes);
QString PictureMarker(const QString& hash);

// Stores the picture unless it is there already and returns its marker. The bytes must have passed
// PictureRefusal.
QString StorePicture(Database& db, const QByteArray& bytes);

std::optional<Picture> ReadPicture(Database& db, const QString& hash);

// The pictures `hashes` name, by hash, read in one query per few hundred; a hash with no row is
// left out.
QHash<QString, Picture> ReadPictures(Database& db, QStringList hashes);

// A text cut at its markers: runs of text and pictures in order (a piece is one or the other).
struct TextPiece {
    QString text;
    QString pictureHash;
    bool IsPicture() const { return !pictureHash.isEmpty(); }
};
QList<TextPiece> SplitPictures(const QString& text);

bool HasPictures(const QString& text);
QStringList PictureHashes(const QString& text);

// The text with every marker replaced by `stand_in` (for plain-text places: exports, print, lists).
QString WithoutPictures(const QString& text, const QString& standIn = QStringLiteral("[图片]"));
