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

QDBusVariant FakePortal::ReadOne(const QString&, const QString&) {
    return QDBusVariant(scheme_);
}

QDBusVariant FakePortal::Read(const QString&, const QString&) {
    return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme_)));
}

void FakePortal::setScheme(unsigned scheme) {
    scheme_ = scheme;
    emit SettingChanged(QStringLiteral("org.freedesktop.appearance"),
                        QStringLiteral("color-scheme"), QDBusVariant(scheme));
}

}  // namespace tv::test
