// A desktop for tests: a fixed screen, a settable cursor, a list of input methods, and a record of
// what was opened and activated.
#pragma once

#include "ui_common/Platform.h"

class FakePlatform : public Platform {
  public:
    void OpenUrl(const QString& address) override { openedUrls << address; }
    QSize ScreenSize() const override { return screen; }
    QPoint CursorPosition() const override { return cursor; }
    QStringList InputMethods() override { return inputMethods; }
    void ActivateInputMethod(int index) override { activated << index; }

    QSize screen{1024, 768};
    QPoint cursor{100, 100};
    QStringList inputMethods;
    QStringList openedUrls;
    QList<int> activated;
};
