// A tab of the back office. Refresh() is the tab's refresh entry point, run when the back office is
// shown (the tab's hidden or visible "刷新" button).
#pragma once

#include <QWidget>

// A tab page's size (what the back office's tab control leaves) and the margin its controls keep.
inline constexpr int kPageWidth = 860;
inline constexpr int kPageHeight = 514;
inline constexpr int kPageMargin = 8;

class OfficeTab : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    virtual void Refresh() {}
};
