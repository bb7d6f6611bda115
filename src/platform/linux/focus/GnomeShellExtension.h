#pragma once

#include <functional>
#include <string>

#include "platform/FocusExtension.h"

namespace tv::linux_os {

// Our GNOME Shell extension as the running shell sees it, asked over the shell's
// org.gnome.Shell.Extensions interface on the session bus (or on the Qt bus connection named
// `connection`). Each call waits at most `timeoutMs`; a shell that is not there or does not
// answer counts as no extension.
class GnomeShellExtension : public FocusExtension {
  public:
    static constexpr const char* uuid = "tallyvane@app.tallyvane";
    static constexpr int timeoutMs = 2000;

    explicit GnomeShellExtension(std::string connection = {}, std::string id = uuid);

    // Whether this session is GNOME Shell on Wayland, where only the shell knows the front
    // window (on X11 the X server tells it); from the session's environment.
    static bool needed(const std::function<std::string(const char*)>& env);

    State state() override;
    bool enable() override;
    bool disable() override;

    // What the self-check says about the extension in this state.
    static std::string stateText(State state);
    // The shell's numeric extension state (its ExtensionState values) as ours.
    static State fromShellState(double shellState);

  private:
    bool call(const char* method);

    std::string connection_;
    std::string id_;
};

}  // namespace tv::linux_os
