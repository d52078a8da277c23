#include "ui_common/Platform.h"

#include <QCryptographicHash>
#include <QCursor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSysInfo>
#include <QUrl>
#include <QUuid>

#include <ctime>

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

namespace {

// What tells one machine from another although cloned from one image: its network cards'
// addresses and the system's machine identifier. A settings file copied with the image then no
// longer matches, and the copy draws an identifier of its own.
QByteArray HardwareFingerprint() {
    QByteArray facts;
    QFile machineId(QStringLiteral("/etc/machine-id"));
    if (machineId.open(QIODevice::ReadOnly)) facts += machineId.readAll().trimmed();
    const QDir interfaces(QStringLiteral("/sys/class/net"));
    for (const QString& name :
         interfaces.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name == QLatin1String("lo")) continue;
        QFile address(interfaces.filePath(name + QStringLiteral("/address")));
        if (address.open(QIODevice::ReadOnly)) facts += '|' + address.readAll().trimmed();
    }
    return QCryptographicHash::hash(facts, QCryptographicHash::Sha256).toHex().left(32);
}

}  // namespace

QString DesktopPlatform::InstallationId() const {
    static const QString id = [] {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                           QStringLiteral("chengxi-exam"), QStringLiteral("workstation"));
        const QByteArray fingerprint = HardwareFingerprint();
        QString stored = settings.value(QStringLiteral("installation")).toString();
        if (stored.isEmpty() ||
            settings.value(QStringLiteral("fingerprint")).toByteArray() != fingerprint) {
            stored = QUuid::createUuid().toString(QUuid::Id128).left(12);
            settings.setValue(QStringLiteral("installation"), stored);
            settings.setValue(QStringLiteral("fingerprint"), fingerprint);
            settings.sync();
        }
        return stored;
    }();
    return id;
}

qint64 DesktopPlatform::SteadyMs() const {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);  // counts a suspended machine's sleep too
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// ${XDG_STATE_HOME:-~/.local/state}/chengxi-exam/journal: the user's own disk, beside nothing the
// workstations share.
QString DesktopPlatform::JournalFolder() const {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty()) state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/chengxi-exam/journal");
}
