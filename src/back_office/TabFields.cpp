#include "back_office/TabFields.h"

#include "ui_common/Widgets.h"

#include <QGroupBox>
#include <QLineEdit>

namespace {
constexpr int kMargin = 12;  // a section's left edge to its captions
constexpr int kLineHeight = 24;
}  // namespace

QGroupBox* MakeSection(QWidget* parent, const QString& name, const QString& title, int x, int y,
                       int width, int height) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    box->setGeometry(x, y, width, height);
    return box;
}

QLineEdit* MakeField(QWidget* section, const QString& boxName, const QString& caption, int y,
                     const FieldColumns& columns) {
    QLabel* label =
        MakeLabel(section, QString(), caption, kMargin, y, columns.captionWidth, kLineHeight);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return MakeEdit(section, boxName, columns.boxLeft, y, columns.boxWidth, kLineHeight, label);
}
