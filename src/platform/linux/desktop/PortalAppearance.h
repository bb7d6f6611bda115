#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>

#include "platform/Appearance.h"

namespace tv::linux_os {

// The freedesktop appearance setting "color-scheme" read through the settings portal
// (1 prefers dark, 2 prefers light, 0 no preference) and followed live through its
// SettingChanged signal. Asking never blocks: a portal that is slow to start would otherwise
// hold the panel's opening for as long as it takes. Until the answer is in, the preference
// is unknown; its arrival counts as a change. No answer (no portal) is asked again the next
// time the preference is wanted.
class PortalAppearance : public QObject, public Appearance {
    Q_OBJECT
  public:
    explicit PortalAppearance(QDBusConnection bus = QDBusConnection::sessionBus());

    // The known preference; starts asking when nothing is known yet.
    std::optional<bool> prefersDark() override;
    void onChange(std::function<void()> changed) override { changed_ = std::move(changed); }

    // The preference a "color-scheme" value stands for.
    static std::optional<bool> fromScheme(unsigned value);

  private slots:
    // SettingChanged(group, key, value).
    void settingChanged(const QDBusMessage& message);

  private:
    // Asks with ReadOne, then with the older Read where ReadOne has no answer.
    void ask(const QString& method);

    QDBusConnection bus_;
    bool asking_ = false;
    std::optional<std::optional<bool>> known_;
    std::function<void()> changed_;
};

}  // namespace tv::linux_os
