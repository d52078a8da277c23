// A dialog as the desktop forms here behave: no default or cancel button, Esc does nothing.
#pragma once

#include <QDialog>

class FormDialog : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
