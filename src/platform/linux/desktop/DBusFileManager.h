#pragma once

#include <QDBusConnection>

#include "platform/FileManager.h"

namespace tv::linux_os {

// A file manager reached through the freedesktop service "org.freedesktop.FileManager1"
// (ShowItems), which most Linux file managers provide or are started for.
class DBusFileManager : public platform::FileManager {
  public:
    // A request unanswered after `timeoutMs` counts as not taken.
    explicit DBusFileManager(QDBusConnection bus, int timeoutMs = 5000);
    void showItem(const std::string& path, std::function<void(bool shown)> done) override;

  private:
    QDBusConnection bus_;
    int timeoutMs_;
};

}  // namespace tv::linux_os
