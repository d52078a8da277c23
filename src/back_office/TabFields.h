// The parts the back office's form tabs are laid out with: titled frames and caption-and-box lines.
#pragma once

#include <QString>

class QGroupBox;
class QLineEdit;
class QWidget;

// A section of a tab: a named, titled frame at a position.
QGroupBox* MakeSection(QWidget* parent, const QString& name, const QString& title, int x, int y,
                       int width, int height);

// Where a section's lines put their caption (from the section's left margin, right-aligned) and
// box.
struct FieldColumns {
    int captionWidth;
    int boxLeft;
    int boxWidth;
};

// A caption and its named edit box on one line of a section, at `y`.
QLineEdit* MakeField(QWidget* section, const QString& boxName, const QString& caption, int y,
                     const FieldColumns& columns);
