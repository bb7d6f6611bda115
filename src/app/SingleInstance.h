#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace tv {

// One TallyVane per session, so two monitors never hold apps at once: the first start owns
// app.tallyvane.TallyVane on the session bus; a later start asks it to open its panel.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.tallyvane.TallyVane")
  public:
    static constexpr const char* service = "app.tallyvane.TallyVane";
    static constexpr const char* path = "/app/tallyvane/TallyVane";

    explicit SingleInstance(QDBusConnection bus, QObject* parent = nullptr);

    // Takes the name; false when another instance holds it. Without a session bus there is
    // nothing to ask, and this instance runs.
    bool claim();
    // Asks the instance holding the name to open its panel; false when it did not answer.
    bool askToOpen();
    void setOnOpen(std::function<void()> open) { onOpen_ = std::move(open); }

  public slots:
    Q_SCRIPTABLE void Open();

  private:
    QDBusConnection bus_;
    std::function<void()> onOpen_;
};

}  // namespace tv
