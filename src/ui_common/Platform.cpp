#include "ui_common/Platform.h"

#include <QCursor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDateTime>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>
#include <QUrl>

void DesktopPlatform::OpenUrl(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

QSize DesktopPlatform::ScreenSize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

QPoint DesktopPlatform::CursorPosition() const {
    return QCursor::pos();
}

namespace {

const QString kFcitxService = QStringLiteral("org.fcitx.Fcitx5");
const QString kFcitxPath = QStringLiteral("/controller");
const QString kFcitxInterface = QStringLiteral("org.fcitx.Fcitx.Controller1");

// fcitx5's current group: FullInputMethodGroupInfo(name) → (name, default layout, [(im, layout)]).
// The group's input methods come as an array of structures (string im, string layout).
QStringList FcitxGroupInputMethods(QDBusInterface& controller) {
    QStringList result;
    QDBusReply<QString> group = controller.call(QStringLiteral("CurrentInputMethodGroup"));
    if (!group.isValid()) return result;
    QDBusMessage reply = controller.call(QStringLiteral("FullInputMethodGroupInfo"), group.value());
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 3) return result;
    const QDBusArgument list = reply.arguments().at(2).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString im, layout;
        list.beginStructure();
        list >> im >> layout;
        list.endStructure();
        result << im;
    }
    list.endArray();
    return result;
}

}  // namespace

void DesktopPlatform::Discover() {
    if (discovered_) return;
    discovered_ = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return;
    if (bus.interface()->isServiceRegistered(kFcitxService)) {
        QDBusInterface controller(kFcitxService, kFcitxPath, kFcitxInterface, bus);
        engines_ = FcitxGroupInputMethods(controller);
        if (!engines_.isEmpty()) {
            framework_ = Framework::Fcitx5;
            names_ = engines_;
            return;
        }
    }
    QDBusConnection ibus = QDBusConnection::sessionBus();
    if (bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.IBus"))) {
        QDBusInterface ibusBus(QStringLiteral("org.freedesktop.IBus"),
                               QStringLiteral("/org/freedesktop/IBus"),
                               QStringLiteral("org.freedesktop.IBus"), ibus);
        QDBusMessage reply = ibusBus.call(QStringLiteral("ListEngines"));
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            // Engine descriptions are IBus serialised objects; their second field is the engine
            // name.
            const QDBusArgument engines = reply.arguments().at(0).value<QDBusArgument>();
            engines.beginArray();
            while (!engines.atEnd()) {
                QDBusVariant item;
                engines >> item;
                const QDBusArgument description = item.variant().value<QDBusArgument>();
                description.beginStructure();
                QString typeName;
                description >> typeName;
                QVariantMap attachments;
                description >> attachments;
                QString name;
                description >> name;
                description.endStructure();
                if (!name.isEmpty()) engines_ << name;
            }
            engines.endArray();
            if (!engines_.isEmpty()) {
                framework_ = Framework::IBus;
                names_ = engines_;
            }
        }
    }
}

QStringList DesktopPlatform::InputMethods() {
    Discover();
    return names_;
}

void DesktopPlatform::ActivateInputMethod(int index) {
    Discover();
    if (index < 0 || index >= engines_.size()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (framework_ == Framework::Fcitx5) {
        QDBusInterface controller(kFcitxService, kFcitxPath, kFcitxInterface, bus);
        controller.call(QStringLiteral("SetCurrentIM"), engines_.at(index));
    } else if (framework_ == Framework::IBus) {
        QDBusInterface ibusBus(QStringLiteral("org.freedesktop.IBus"),
                               QStringLiteral("/org/freedesktop/IBus"),
                               QStringLiteral("org.freedesktop.IBus"), bus);
        ibusBus.call(QStringLiteral("SetGlobalEngine"), engines_.at(index));
    }
}

qint64 DesktopPlatform::Now() const {
    return QDateTime::currentSecsSinceEpoch();
}

QString DesktopPlatform::HostName() const {
    return QSysInfo::machineHostName();
}
