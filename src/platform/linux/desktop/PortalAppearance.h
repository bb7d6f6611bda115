#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>

#include <optional>

#include "platform/Appearance.h"

namespace tv::linux_os {

// Two desktop settings read through the settings portal and followed live through its
// SettingChanged signal: the freedesktop appearance "color-scheme" (1 prefers dark, 2 prefers
// light, 0 no preference) and the desktop interface's "enable-animations" (false asks for
// reduced motion). Asking never blocks: a portal that is slow to start would otherwise hold
// the panel's opening for as long as it takes. Until an answer is in, that preference is
// unknown; its arrival counts as a change. No answer (no portal, or a portal that does not
// know the key) is asked again the next time the preference is wanted.
class PortalAppearance : public QObject, public Appearance {
    Q_OBJECT
  public:
    explicit PortalAppearance(QDBusConnection bus = QDBusConnection::sessionBus());

    // The known preference; starts asking when nothing is known yet.
    std::optional<bool> prefersDark() override;
    std::optional<bool> reducesMotion() override;
    void onChange(std::function<void()> changed) override { changed_ = std::move(changed); }

    // The preference a "color-scheme" value stands for.
    static std::optional<bool> fromScheme(unsigned value);

  private slots:
    // SettingChanged(group, key, value).
    void settingChanged(const QDBusMessage& message);

  private:
    // One setting's state: what is known and whether a question is on its way.
    struct Known {
        bool asking = false;
        std::optional<std::optional<bool>> value;
    };
    // Which of the two settings a (group, key) pair names; absent for any other.
    enum class Which { scheme, animations };
    static std::optional<Which> which(const QString& group, const QString& key);
    Known& known(Which setting) { return setting == Which::scheme ? scheme_ : animations_; }
    // What a portal value means for the setting.
    static std::optional<bool> meaning(Which setting, const QVariant& value);

    std::optional<bool> wanted(Which setting);
    // Asks with ReadOne, then with the older Read where ReadOne has no answer.
    void ask(Which setting, const QString& method);
    void announce();

    QDBusConnection bus_;
    Known scheme_;
    Known animations_;
    std::function<void()> changed_;
};

}  // namespace tv::linux_os
