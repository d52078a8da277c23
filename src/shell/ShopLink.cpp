#include "shell/ShopLink.h"

#include "ui_common/Widgets.h"

#include <QPalette>

ColorLabel* MakeShopLink(QWidget* window, const QString& name) {
    auto* link =
        new ColorLabel(window, name, kShopCaption, window->palette().color(QPalette::Window));
    link->setFont(PixelFont(12));
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    link->setPalette(palette);
    link->setCursor(Qt::PointingHandCursor);
    link->adjustSize();
    link->move(window->width() - link->width() - 8, 6);
    return link;
}
