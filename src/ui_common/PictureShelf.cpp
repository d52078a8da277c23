#include "ui_common/PictureShelf.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kLinkScheme = QStringLiteral("cx-picture:");
// The hash a document's image carries, whatever name its scaled resource has.
constexpr int kHashProperty = QTextFormat::UserProperty + 1;
// A line break put in front of or after a picture to give it a line of its own: not the text's.
constexpr int kLayoutProperty = QTextFormat::UserProperty + 2;
// A fitted picture of another size or scale is another entry; beyond this many the shelf starts
// over (a paper's pictures at the few sizes of one window stay far below).
constexpr qsizetype kFittedKept = 512;

}  // namespace

void PictureShelf::Add(const QString& hash, const QByteArray& bytes) {
    if (!bytes_.contains(hash)) bytes_.insert(hash, bytes);
}

void PictureShelf::Add(const QHash<QString, Picture>& pictures) {
    for (const Picture& picture : pictures)
        Add(picture.hash, picture.bytes);
}

QStringList PictureShelf::Missing(const QStringList& texts) const {
    QStringList missing;
    for (const QString& text : texts)
        if (text.contains(kPictureOpen))
            for (const QString& hash : PictureHashes(text))
                if (!bytes_.contains(hash) && !missing.contains(hash)) missing << hash;
    return missing;
}

void PictureShelf::Clear() {
    bytes_.clear();
    images_.clear();
    fitted_.clear();
}

QImage PictureShelf::Image(const QString& hash) {
    if (const auto found = images_.constFind(hash); found != images_.constEnd()) return *found;
    QImage image;
    if (const auto bytes = bytes_.constFind(hash); bytes != bytes_.constEnd())
        image = QImage::fromData(*bytes);
    images_.insert(hash, image);
    return image;
}

QSize PictureShelf::Fit(const QString& hash, const QSize& box) {
    const QImage image = Image(hash);
    if (image.isNull() || box.isEmpty()) return box.boundedTo(QSize(box.height(), box.height()));
    QSize size = image.size();
    if (size.width() > box.width() || size.height() > box.height())
        size.scale(box, Qt::KeepAspectRatio);
    return size.expandedTo(QSize(1, 1));
}

QPixmap PictureShelf::Fitted(const QString& hash, const QSize& box, qreal scale) {
    const QSize size = Fit(hash, box);
    const QString key =
        QStringLiteral("%1 %2x%3 %4").arg(hash).arg(size.width()).arg(size.height()).arg(scale);
    if (const auto found = fitted_.constFind(key); found != fitted_.constEnd()) return *found;
    const QImage image = Image(hash);
    if (image.isNull()) return {};
    const QSize pixels = (QSizeF(size) * scale).toSize();
    QPixmap pixmap =
        QPixmap::fromImage(pixels == image.size() ? image
                                                  : image.scaled(pixels, Qt::IgnoreAspectRatio,
                                                                 Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(scale);
    if (fitted_.size() >= kFittedKept) fitted_.clear();
    fitted_.insert(key, pixmap);
    return pixmap;
}

QString PictureLink(const QString& hash) {
    return kLinkScheme + hash;
}

QString LinkedPicture(const QString& link) {
    return link.startsWith(kLinkScheme) ? link.mid(kLinkScheme.size()) : QString();
}

void SetPictureText(QTextDocument* document, const QString& text, PictureShelf& shelf,
                    const QSize& box, qreal scale, bool links) {
    // A text set is no step to undo; the document is laid out once, when it is complete.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    const QTextCharFormat plain = cursor.charFormat();
    QTextCharFormat layoutBreak = plain;
    layoutBreak.setProperty(kLayoutProperty, true);
    const QList<TextPiece> pieces = SplitPictures(text);
    const int twoLines = 2 * QFontMetrics(document->defaultFont()).lineSpacing();
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const TextPiece& piece = pieces[i];
        if (!piece.IsPicture()) {
            cursor.insertText(piece.text, plain);
            continue;
        }
        const bool ownLine = links && shelf.Fit(piece.pictureHash, box).height() > twoLines;
        if (ownLine && i > 0) cursor.insertText(QString(QChar::LineSeparator), layoutBreak);
        InsertPicture(cursor, piece.pictureHash, shelf, box, scale, links);
        if (ownLine && i + 1 < pieces.size())
            cursor.insertText(QString(QChar::LineSeparator), layoutBreak);
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
}

void InsertPicture(QTextCursor& cursor, const QString& hash, PictureShelf& shelf, const QSize& box,
                   qreal scale, bool links) {
    const QSize size = shelf.Fit(hash, box);
    // Named by its size and scale too: a document holds one resource per name.
    const QString name = QStringLiteral("%1/%2x%3@%4")
                             .arg(PictureLink(hash))
                             .arg(size.width())
                             .arg(size.height())
                             .arg(scale);
    QPixmap pixmap = shelf.Fitted(hash, box, scale);
    if (pixmap.isNull()) {
        // Not in the database (or no picture after all): an empty grey frame keeps its place.
        pixmap = QPixmap((QSizeF(size) * scale).toSize());
        pixmap.fill(QColor(0xd8, 0xd8, 0xd8));
        pixmap.setDevicePixelRatio(scale);
    }
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), pixmap);
    QTextImageFormat image;
    image.setName(name);
    image.setWidth(size.width());
    image.setHeight(size.height());
    image.setProperty(kHashProperty, hash);
    if (links) {
        image.setAnchor(true);
        image.setAnchorHref(PictureLink(hash));
    }
    cursor.insertImage(image);
}

QString PictureTextOf(const QTextDocument* document) {
    QString text;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin()) text += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().boolProperty(kLayoutProperty)) continue;
            const QString hash = fragment.charFormat().stringProperty(kHashProperty);
            if (hash.isEmpty()) {
                text += fragment.text();
                continue;
            }
            // One image per character: neighbouring equal pictures share a fragment.
            for (qsizetype i = 0; i < fragment.length(); ++i)
                text += PictureMarker(hash);
        }
    }
    return text;
}

PictureLabel::PictureLabel(QWidget* parent, const QString& name) : QLabel(parent) {
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void PictureLabel::Show(PictureShelf& shelf, const QString& hash, const QSize& box) {
    hash_ = hash;
    const QPixmap pixmap = shelf.Fitted(hash, box, devicePixelRatioF());
    if (pixmap.isNull()) {
        setPixmap({});
        setText(QStringLiteral("[图片]"));
    } else {
        setPixmap(pixmap);
    }
}

void PictureLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        event->accept();
        emit clicked();
        return;
    }
    QLabel::mousePressEvent(event);
}

QWidget* ShowPictureWindow(QWidget* parent, const QImage& image) {
    auto* window = new QDialog(parent, Qt::Dialog | Qt::WindowTitleHint |
                                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    window->setObjectName(QStringLiteral("PictureWindow"));
    window->setWindowTitle(QStringLiteral("图片"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(window);
    auto* scroll = new QScrollArea(window);
    scroll->setObjectName(QStringLiteral("PictureWindowScroll"));
    scroll->setAlignment(Qt::AlignCenter);
    auto* picture = new QLabel;
    picture->setObjectName(QStringLiteral("PictureWindowPicture"));
    picture->setPixmap(QPixmap::fromImage(image));
    picture->resize(image.size());
    scroll->setWidget(picture);
    layout->addWidget(scroll, 1);
    auto* close = new QPushButton(QStringLiteral("关闭"), window);
    close->setObjectName(QStringLiteral("PictureWindowClose"));
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, window, &QDialog::reject);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    // As large as the picture, within nine tenths of the screen.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableSize() * 0.9 : QSize(1024, 768);
    const QSize wanted = image.size() + QSize(40, 80);
    window->resize(wanted.boundedTo(room).expandedTo(QSize(240, 160)));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
