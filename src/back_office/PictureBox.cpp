#include "back_office/PictureBox.h"

#include "ui_common/PictureShelf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

// Formats a clipboard may hold a picture's own bytes in, taken before the decoded image.
const char* const kPictureMimeTypes[] = {"image/png", "image/jpeg", "image/gif", "image/bmp"};
const QString kClipboardPicture = QStringLiteral("剪贴板中的图片");

// A file's bytes, read no further than one byte past the largest picture: a larger file is
// refused by its size without reading it all.
QByteArray ReadBounded(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(kPictureMaxBytes + 1);
}

}  // namespace

class PictureBox::Editor : public QTextEdit {
  public:
    explicit Editor(PictureBox* box) : QTextEdit(box), box_(box) {
        setAcceptRichText(false);
        setLineWrapMode(QTextEdit::NoWrap);
        setWordWrapMode(QTextOption::NoWrap);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setTabChangesFocus(true);
        document()->setDocumentMargin(1);
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        // One line, as the line edit it stands for.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->ignore();
            return;
        }
        QTextEdit::keyPressEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        QTextEdit::focusInEvent(event);
        emit box_->editorFocused();
    }
    bool canInsertFromMimeData(const QMimeData* source) const override {
        return source->hasImage() || source->hasUrls() || QTextEdit::canInsertFromMimeData(source);
    }
    void insertFromMimeData(const QMimeData* source) override {
        // Files copied or dropped from a file manager: the files, not their names.
        if (source->hasUrls() && !source->urls().isEmpty() &&
            source->urls().first().isLocalFile()) {
            for (const QUrl& url : source->urls())
                if (url.isLocalFile())
                    emit box_->pictureOffered(ReadBounded(url.toLocalFile()),
                                              QFileInfo(url.toLocalFile()).fileName());
            return;
        }
        // Text copied from a word processor may come with a picture of itself: the text wins; a
        // screenshot has no text.
        if (source->text().isEmpty()) {
            for (const char* type : kPictureMimeTypes) {
                if (source->hasFormat(QLatin1String(type))) {
                    emit box_->pictureOffered(source->data(QLatin1String(type)), kClipboardPicture);
                    return;
                }
            }
            if (source->hasImage()) {
                // Only the decoded image handed over: kept as PNG.
                QByteArray bytes;
                const QImage image = qvariant_cast<QImage>(source->imageData());
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                image.save(&buffer, "PNG");
                emit box_->pictureOffered(bytes, kClipboardPicture);
                return;
            }
        }
        // Text: one line, as the line edit keeps it.
        QString text = source->text();
        for (const QChar lineBreak : {QChar(u'\r'), QChar(u'\n'), QChar(QChar::ParagraphSeparator),
                                      QChar(QChar::LineSeparator)})
            text.replace(lineBreak, u' ');
        insertPlainText(text);
    }

  private:
    PictureBox* box_;
};

PictureBox::PictureBox(QWidget* parent, PictureShelf& shelf) : QLineEdit(parent), shelf_(shelf) {
    editor_ = new Editor(this);
    setFocusProxy(editor_);
    connect(this, &QObject::objectNameChanged, editor_, [this](const QString& name) {
        editor_->setObjectName(name + QStringLiteral("Editor"));
    });
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!syncing_) ShowText(text);
    });
    connect(editor_, &QTextEdit::textChanged, this, [this] {
        if (!syncing_) EditorEdited();
    });
}

QTextEdit* PictureBox::TextEditor() const {
    return editor_;
}

QSize PictureBox::PictureRoom() const {
    const int margin = int(editor_->document()->documentMargin());
    const int height = std::max(8, editor_->contentsRect().height() - 2 * margin - 2);
    return {6 * height, height};
}

void PictureBox::ShowText(const QString& text) {
    syncing_ = true;
    SetPictureText(editor_->document(), text, shelf_, PictureRoom(), devicePixelRatioF(), false);
    editor_->moveCursor(QTextCursor::End);
    Center();
    syncing_ = false;
}

// The line in the middle of the box, as a line edit shows it, however tall its pictures are.
void PictureBox::Center() {
    QTextDocument* document = editor_->document();
    const qreal line = document->documentLayout()->blockBoundingRect(document->begin()).height();
    const qreal top = std::max<qreal>(1, (editor_->contentsRect().height() - line) / 2);
    QTextFrameFormat format = document->rootFrame()->frameFormat();
    if (std::abs(format.topMargin() - top) < 0.5) return;
    format.setTopMargin(top);
    format.setBottomMargin(1);
    const bool wasSyncing = syncing_;
    syncing_ = true;
    document->rootFrame()->setFrameFormat(format);
    syncing_ = wasSyncing;
}

void PictureBox::EditorEdited() {
    syncing_ = true;
    setText(PictureTextOf(editor_->document()));
    Center();
    syncing_ = false;
}

void PictureBox::InsertPicture(const QString& hash) {
    QTextCursor cursor = editor_->textCursor();
    ::InsertPicture(cursor, hash, shelf_, PictureRoom(), devicePixelRatioF(), false);
    editor_->setTextCursor(cursor);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    editor_->setGeometry(rect());
    Center();
}
