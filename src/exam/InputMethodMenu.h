// "选择输入法": a pop-up menu of the platform's input methods, in its order; choosing one makes it
// the input method of the program's windows.
#pragma once

#include <QObject>

class Platform;
class QMenu;

class InputMethodMenu : public QObject {
    Q_OBJECT
  public:
    InputMethodMenu(Platform& platform, QWidget* owner);

    // Creation step 1: one item per input method, its tag (data) the method's index.
    void Build();
    // Label1Click: the menu pops up at the mouse cursor.
    void Popup();
    // An item chosen.
    void ItemClick(int tag);

    QMenu* Menu() const { return menu_; }

  private:
    Platform& platform_;
    QMenu* menu_;
};
