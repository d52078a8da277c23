#include "ui_common/FormDialog.h"

#include <QKeyEvent>

void FormDialog::keyPressEvent(QKeyEvent* event) {
    // Esc would reject the dialog and Enter would click a default button; neither exists here.
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}
