#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

namespace tv::test {

// The desktop settings portal on a test bus, answering the appearance setting "color-scheme"
// (1 dark, 2 light) and the interface setting "enable-animations", and announcing their
// changes as the real one does.
// Answers only while the test's event loop runs.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
  public:
    FakePortal(const std::string& busAddress, unsigned scheme);
    ~FakePortal() override;
    bool registered() const { return registered_; }
    void setScheme(unsigned scheme);
    void setAnimations(bool enabled);

  public slots:
    QDBusVariant ReadOne(const QString& group, const QString& key);
    QDBusVariant Read(const QString& group, const QString& key);

  signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

  private:
    QVariant value(const QString& key) const;

    QDBusConnection bus_;
    unsigned scheme_;
    bool animations_ = true;
    bool registered_ = false;
};

}  // namespace tv::test
