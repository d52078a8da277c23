// A tab of the back office. Refresh() is the tab's refresh entry point, run when the back office is
// shown (the tab's hidden or visible "刷新" button).
#pragma once

#include <QWidget>

class OfficeTab : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    virtual void Refresh() {}
};
