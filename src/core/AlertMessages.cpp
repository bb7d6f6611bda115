// The words of the memory, heat and stuck-app alerts.
#include "core/AlertRules.h"
#include "core/Format.h"

namespace tv {

AlertMessage AlertRules::memoryMessage(bool critical, const std::optional<ProcessUsage>& app,
                                       const Vocabulary& words) {
    AlertMessage m;
    m.id = "memory";
    m.title = critical ? "Memory is critical" : "Memory is tight";
    if (app && critical) {
        m.body = app->name + " is using " + Format::bytes(app->memory) + ". Quit it before your " +
                 words.computer + " freezes.";
    } else if (app) {
        m.body = app->name + " is using the most: " + Format::bytes(app->memory) +
                 ". Quitting it frees memory.";
    } else if (critical) {
        m.body = "Quit apps you don't need before your " + words.computer + " freezes.";
    } else {
        m.body = "Quit apps you don't need to keep your " + words.computer + " quick.";
    }
    m.appPath = app ? app->appPath : std::nullopt;
    m.sound = true;
    return m;
}

AlertMessage AlertRules::heatMessage(bool critical, const std::optional<ProcessUsage>& app,
                                     const Vocabulary& words) {
    AlertMessage m;
    m.id = "heat";
    m.title = "Your " + words.computer + (critical ? " is overheating" : " is running hot");
    m.body =
        critical
            ? words.system + " is slowing your " + words.computer + " down a lot to cool it."
            : words.system + " is starting to slow your " + words.computer + " down to cool it.";
    if (app) {
        m.body +=
            " " + app->name + " is working hardest: " + Format::wholeNumber(app->cpu) + "% CPU.";
    }
    m.appPath = app ? app->appPath : std::nullopt;
    m.sound = true;
    return m;
}

AlertMessage AlertRules::stuckMessage(const ProcessUsage& app) {
    AlertMessage m;
    m.id = "stuck:" + app.id;
    m.title = app.name + " is stuck at full speed";
    m.body = "Over 90% CPU for 10 minutes. Quit it if you aren't using it.";
    m.appPath = app.appPath;
    m.sound = true;
    return m;
}

}  // namespace tv
