#pragma once

#include <string>

#include "platform/LoginItem.h"
#include "settings/Settings.h"

namespace tv {

// Makes TallyVane a login item once per installation. The "loginItemSetUp" flag is stored
// first and the item registered only once it really was: settings that cannot be written
// must not turn the login item back on at every start after the user switched it off. A
// failed registration is not retried (the settings page can switch it later).
void setUpLoginItemOnce(Settings& settings, LoginItem& item, const std::string& program);

}  // namespace tv
