#include "exam/InputMethodMenu.h"

#include "ui_common/ErrorRouting.h"
#include "ui_common/Platform.h"

#include <QMenu>

InputMethodMenu::InputMethodMenu(Platform& platform, QWidget* owner)
    : QObject(owner), platform_(platform), menu_(new QMenu(owner)) {
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
}

void InputMethodMenu::Build() {
    const QStringList methods = platform_.InputMethods();
    for (int i = 0; i < methods.size(); ++i) {
        QAction* item = menu_->addAction(methods[i]);
        item->setData(i);
        guardedConnect(item, &QAction::triggered, this, [this, i] { ItemClick(i); });
    }
}

void InputMethodMenu::Popup() {
    menu_->popup(platform_.CursorPosition());
}

void InputMethodMenu::ItemClick(int tag) {
    if (!platform_.InputMethods().isEmpty()) platform_.ActivateInputMethod(tag);
}
