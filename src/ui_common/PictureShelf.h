// Pictures of question texts on screen: the bytes read from the database (or just inserted),
// decoded once, and scaled once per size and screen scale, so that painting one is a copy.
// Documents of rich-text controls take the texts' markers as images from here (PictureText), and
// a click on a picture opens it at full size (ShowPictureWindow).
#pragma once

#include "data_store/Pictures.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSize>

class QTextCursor;
class QTextDocument;

class PictureShelf {
  public:
    void Add(const QString& hash, const QByteArray& bytes);
    void Add(const QHash<QString, Picture>& pictures);
    bool Contains(const QString& hash) const { return bytes_.contains(hash); }
    QByteArray Bytes(const QString& hash) const { return bytes_.value(hash); }
    // The hashes the texts refer to that the shelf does not hold.
    QStringList Missing(const QStringList& texts) const;
    void Clear();

    // The decoded picture; null when the shelf does not hold it or it does not decode.
    QImage Image(const QString& hash);
    // The largest size within `box` with the picture's proportions, never above its own size.
    QSize Fit(const QString& hash, const QSize& box);
    // The picture at Fit(hash, box), drawn for a screen of `scale` device pixels per pixel.
    QPixmap Fitted(const QString& hash, const QSize& box, qreal scale);

  private:
    QHash<QString, QByteArray> bytes_;
    QHash<QString, QImage> images_;
    QHash<QString, QPixmap> fitted_;
};

// The text into `document`, each marker as its picture fitted into `box` (a picture the shelf
// does not hold keeps its place as an empty frame). With `links` (a text to read, not to edit), a
// picture is a link whose address is PictureLink(hash), and one taller than two lines of text
// stands on a line of its own.
void SetPictureText(QTextDocument* document, const QString& text, PictureShelf& shelf,
                    const QSize& box, qreal scale, bool links);
// Picture `hash` at the cursor, as SetPictureText places it.
void InsertPicture(QTextCursor& cursor, const QString& hash, PictureShelf& shelf, const QSize& box,
                   qreal scale, bool links);
// The document's text with its pictures as markers again.
QString PictureTextOf(const QTextDocument* document);
QString PictureLink(const QString& hash);
// The hash of a PictureLink, empty for any other address.
QString LinkedPicture(const QString& link);

// A picture fitted into the label's size; a left click emits clicked().
class PictureLabel : public QLabel {
    Q_OBJECT
  public:
    PictureLabel(QWidget* parent, const QString& name);
    void Show(PictureShelf& shelf, const QString& hash, const QSize& box);
    const QString& Hash() const { return hash_; }

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QString hash_;
};

// The picture at full size (scrolled where it is larger than the screen) in a window above
// `parent`, closed with its button or Esc. The window deletes itself when closed.
QWidget* ShowPictureWindow(QWidget* parent, const QImage& image);
