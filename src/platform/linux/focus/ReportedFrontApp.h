#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>

#include "platform/FrontAppSource.h"

namespace tv::linux_os {

class FocusReceiver;

// The front window's pid as the compositor reports it to TallyVane over the session bus
// (see FocusReceiver): our KWin script, our GNOME Shell extension. Unknown until the first
// report, and again whenever the reporting compositor leaves the bus.
//
// Made in a thread with an event loop (the main thread), where the reports are received;
// `frontPid` may be asked from any thread, and the source may end in another thread.
class ReportedFrontApp : public FrontAppSource {
  public:
    // `reporters`: the well-known name of this desktop's compositor ("org.kde.KWin",
    // "org.gnome.Shell"), whose owner alone is believed. Never a name of another desktop's:
    // where that compositor does not run, any program could take its name. `label` names
    // what reports, for the self-check ("KWin script").
    // `isCompositor` tells the compositor's process (see FocusReceiver); none believes the
    // name's owner alone.
    ReportedFrontApp(QDBusConnection bus, std::int32_t self, std::string label,
                     QStringList reporters, std::function<bool(std::int32_t)> isCompositor = {});
    ~ReportedFrontApp() override;
    ReportedFrontApp(const ReportedFrontApp&) = delete;
    ReportedFrontApp& operator=(const ReportedFrontApp&) = delete;

    std::vector<FrontAppCandidate> candidates() override { return {}; }
    std::optional<std::int32_t> frontPid() override;
    bool available() const override;
    std::string describe() const override { return label_; }

    // Keeps `part` (what makes the compositor report, e.g. the loaded KWin script) for as long
    // as the reports are received, ending it in the receiving thread.
    void keep(std::unique_ptr<QObject> part);

  private:
    FocusReceiver* receiver_;
    std::string label_;
};

}  // namespace tv::linux_os
