#include "exam/RightButtonFilter.h"

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
            // Whatever raised it (the right press, the Menu key, Shift+F10): where the right
            // button does nothing, no context menu opens either.
            return true;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
