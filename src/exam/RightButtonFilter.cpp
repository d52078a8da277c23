#include "exam/RightButtonFilter.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>

RightButtonFilter::RightButtonFilter(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ApplicationEvents1"));
    QCoreApplication::instance()->installEventFilter(this);
}

// ApplicationEvents1Message.
bool RightButtonFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) return true;
            break;
        case QEvent::ContextMenu:
            // On this platform the press itself raises the menu; the keyboard's menu key still
            // works.
            if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse)
                return true;
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
