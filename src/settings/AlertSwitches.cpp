#include "settings/AlertSwitches.h"

#include "settings/SettingKeys.h"

namespace tv {

AlertRules::Switches currentSwitches(const Settings& settings) {
    return {settings.isOn(SettingKeys::alertMemory), settings.isOn(SettingKeys::alertHeat),
            settings.isOn(SettingKeys::alertStuckApp)};
}

}  // namespace tv
