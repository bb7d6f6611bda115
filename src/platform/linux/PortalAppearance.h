#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>

#include "platform/Appearance.h"

namespace tv::linux_os {

// The freedesktop appearance setting "color-scheme" read through the settings portal
// (1 prefers dark, 2 prefers light, 0 no preference) and followed live through its
// SettingChanged signal.
class PortalAppearance : public QObject, public Appearance {
    Q_OBJECT
  public:
    explicit PortalAppearance(QDBusConnection bus = QDBusConnection::sessionBus());

    std::optional<bool> prefersDark() override;
    void onChange(std::function<void()> changed) override { changed_ = std::move(changed); }

    // The preference a "color-scheme" value stands for.
    static std::optional<bool> fromScheme(unsigned value);

  private slots:
    // SettingChanged(group, key, value).
    void settingChanged(const QDBusMessage& message);

  private:
    std::optional<bool> read();

    QDBusConnection bus_;
    std::optional<std::optional<bool>> known_;
    std::function<void()> changed_;
};

}  // namespace tv::linux_os
