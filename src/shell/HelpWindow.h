// The help window ("软件帮助"): a fixed text about the system.
#pragma once

#include "ui_common/FormDialog.h"

class Platform;

class HelpWindow : public FormDialog {
    Q_OBJECT
  public:
    HelpWindow(Platform& platform, QWidget* parent = nullptr);

  private:
    Platform& platform_;
};
