// Small widgets and helpers every window builds with.
#pragma once

#include "ui_common/FontFamily.h"

#include <QColor>
#include <QLabel>
#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

// A caption on a coloured background that can be clicked: the number panels and answer cells of
// the answer sheets and the labels used as buttons. Its colour is readable, not only painted.
class ColorLabel : public QLabel {
    Q_OBJECT
  public:
    ColorLabel(QWidget* parent, const QString& name, const QString& caption, const QColor& color);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

  signals:
    void clicked();
    void entered();
    void left();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QColor color_;
};

// The program's font: 12 pixels, in the CJK family installed with the program where there is one
// (it has Latin letters too, so no text needs a second face looked up and loaded), else the
// desktop's family.
QFont ProgramFont();

// A pixel-sized font; `family` empty keeps the application's family.
QFont PixelFont(int pixelSize, bool bold = false, const QString& family = QString());

// A named label at a position (size from its text when `width` is 0).
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int x, int y,
                  int width = 0, int height = 0);

// A named push button that never acts as a default button (Enter in an edit box clicks nothing).
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int x, int y,
                        int width, int height);

// A named edit box; `buddy` (may be null) is its label, for screen readers.
QLineEdit* MakeEdit(QWidget* parent, const QString& name, int x, int y, int width, int height,
                    QLabel* buddy = nullptr);
// The same for an edit box made elsewhere (a kind of line edit).
QLineEdit* PlaceEdit(QLineEdit* edit, const QString& name, int x, int y, int width, int height,
                     QLabel* buddy);

// Typed characters outside `allowed` are dropped before they reach the box. Backspace, editing
// keys and shortcuts (Ctrl+…) always pass.
void FilterKeys(QLineEdit* edit, const QString& allowed);

// A password box: every typed character shown as "*".
void MaskWithStars(QLineEdit* edit);

// Loads Qt's own Simplified Chinese texts (standard buttons, file dialogs, edit-box menus) from
// Qt's translations folder; false when they are not installed.
bool LoadQtChinese();
// Makes Simplified Chinese as written in China the program's locale, so that the dates, numbers and
// sizes Qt's own widgets and the file dialogs show take the Chinese shape.
void UseChineseLocale();

inline const QString kDigits = QStringLiteral("0123456789");
inline const QString kDigitsAndPoint = QStringLiteral("0123456789.");
inline const QString kDigitsAndColon = QStringLiteral("0123456789:");
