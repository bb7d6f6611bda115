// The settings file: booleans, numbers, texts, dates and the panel, read by their rules.
#include "FuzzRoot.h"
#include "settings/SettingKeys.h"
#include "settings/Settings.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tv::fuzz::FuzzRoot& root = tv::fuzz::FuzzRoot::get();
    root.write("settings.ini", tv::fuzz::asText(data, size));
    tv::Settings settings(QString::fromStdString(root.path() + "/settings.ini"));
    using namespace tv::SettingKeys;
    for (const char* key : {menuCPU, makeWay, sounds, sortByCPU, demoLoop, demoPressure, panel}) {
        // A switch is on unless it says "false"; a flag is off unless it says "true".
        tv::fuzz::check(!settings.flag(key) || settings.isOn(key), "a set flag is also on");
        int number = settings.integer(key, 7);
        int other = settings.integer(key, -9);
        tv::fuzz::check(number == other || (number == 7 && other == -9),
                        "an integer is the stored one or the fallback");
        double real = settings.real(key, 0.5);
        tv::fuzz::check(std::isfinite(real), "a real number is finite");
        (void)settings.text(key);
        (void)settings.date(key);
    }
    QString panelName = settings.panel();
    tv::fuzz::check(
        panelName == "cpu" || panelName == "memory" || panelName == "gpu" || panelName == "heat",
        "the panel is one of the four");
    return 0;
}
