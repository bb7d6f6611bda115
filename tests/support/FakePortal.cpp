#include "support/FakePortal.h"

#include <QDBusMessage>

namespace tv::test {

FakePortal::FakePortal(const std::string& busAddress, unsigned scheme)
    : bus_(QDBusConnection::connectToBus(QString::fromStdString(busAddress),
                                         QStringLiteral("fake-portal"))),
      scheme_(scheme) {
    registered_ =
        bus_.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
        bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakePortal::~FakePortal() {
    bus_.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
}

QVariant FakePortal::value(const QString& key) const {
    if (key == QStringLiteral("enable-animations")) {
        return animations_;
    }
    return scheme_;
}

QDBusVariant FakePortal::ReadOne(const QString&, const QString& key) {
    return QDBusVariant(value(key));
}

QDBusVariant FakePortal::Read(const QString&, const QString& key) {
    return QDBusVariant(QVariant::fromValue(QDBusVariant(value(key))));
}

void FakePortal::setAnimations(bool enabled) {
    animations_ = enabled;
    emit SettingChanged(QStringLiteral("org.gnome.desktop.interface"),
                        QStringLiteral("enable-animations"), QDBusVariant(enabled));
}

void FakePortal::setScheme(unsigned scheme) {
    scheme_ = scheme;
    emit SettingChanged(QStringLiteral("org.freedesktop.appearance"),
                        QStringLiteral("color-scheme"), QDBusVariant(scheme));
}

}  // namespace tv::test
