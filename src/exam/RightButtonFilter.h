// The application-wide message filter: the right mouse button does nothing in any window of the
// program. Its presses (and double clicks) are discarded before they reach a window, and so is
// every context menu request, whether a right press or the keyboard (Menu key, Shift+F10) made it.
#pragma once

#include <QObject>

class RightButtonFilter : public QObject {
    Q_OBJECT
  public:
    // Installs itself on the application; it is removed when `parent` goes.
    explicit RightButtonFilter(QObject* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
