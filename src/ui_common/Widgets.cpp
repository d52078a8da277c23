#include "ui_common/Widgets.h"

#include "ui_common/Colors.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QTranslator>

QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}

ColorLabel::ColorLabel(QWidget* parent, const QString& name, const QString& caption,
                       const QColor& color)
    : QLabel(caption, parent) {
    setObjectName(name);
    setAccessibleName(caption);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setColor(color);
}

void ColorLabel::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    // The caption stays readable: white on dark colours (blue, red), black otherwise.
    palette.setColor(QPalette::WindowText, qGray(color.rgb()) < 110 ? Qt::white : Qt::black);
    setPalette(palette);
}

void ColorLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QLabel::mousePressEvent(event);
    // Taken here: the press is this label's, not its box's to look at again.
    event->accept();
    emit clicked();
}

void ColorLabel::enterEvent(QEnterEvent* event) {
    emit entered();
    QLabel::enterEvent(event);
}

void ColorLabel::leaveEvent(QEvent* event) {
    emit left();
    QLabel::leaveEvent(event);
}

QFont ProgramFont() {
    QFont font = QApplication::font();
    const QString family = QString::fromLatin1(kProgramFamily);
    if (QFontDatabase::hasFamily(family)) font.setFamilies({family, font.family()});
    font.setPixelSize(12);
    return font;
}

QFont PixelFont(int pixelSize, bool bold, const QString& family) {
    QFont font = QApplication::font();
    if (!family.isEmpty()) font.setFamilies({family, font.family()});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int x, int y,
                  int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    if (width > 0) {
        label->setGeometry(x, y, width, height > 0 ? height : label->sizeHint().height());
    } else {
        label->move(x, y);
        label->adjustSize();
    }
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int x, int y,
                        int width, int height) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setGeometry(x, y, width, height);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, int x, int y, int width, int height,
                    QLabel* buddy) {
    return PlaceEdit(new QLineEdit(parent), name, x, y, width, height, buddy);
}

QLineEdit* PlaceEdit(QLineEdit* edit, const QString& name, int x, int y, int width, int height,
                     QLabel* buddy) {
    edit->setObjectName(name);
    edit->setGeometry(x, y, width, height);
    if (buddy) {
        buddy->setBuddy(edit);
        edit->setAccessibleName(buddy->text().remove(u'：').remove(u':').trimmed());
    }
    return edit;
}

namespace {

class KeyFilter : public QObject {
  public:
    KeyFilter(QObject* parent, QString allowed) : QObject(parent), allowed_(std::move(allowed)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
                return false;
            const QString text = key->text();
            // Arrows, Home, End, Delete, Tab, Backspace … carry no printable text: they pass.
            if (text.isEmpty() || IsControl(text)) return false;
            return !Allowed(text);
        }
        if (event->type() == QEvent::InputMethod) {
            const auto* input = static_cast<QInputMethodEvent*>(event);
            return !input->commitString().isEmpty() && !Allowed(input->commitString());
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    static bool IsControl(const QString& text) {
        for (QChar c : text)
            if (c.unicode() >= 0x20 && c.unicode() != 0x7F) return false;
        return true;
    }
    bool Allowed(const QString& text) const {
        for (QChar c : text)
            if (!allowed_.contains(c)) return false;
        return true;
    }
    QString allowed_;
};

}  // namespace

void FilterKeys(QLineEdit* edit, const QString& allowed) {
    edit->installEventFilter(new KeyFilter(edit, allowed));
}

void MaskWithStars(QLineEdit* edit) {
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
}

bool LoadQtChinese() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void UseChineseLocale() {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China));
}
