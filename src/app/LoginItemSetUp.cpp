#include "app/LoginItemSetUp.h"

#include "settings/SettingKeys.h"

namespace tv {

void setUpLoginItemOnce(Settings& settings, LoginItem& item, const std::string& program) {
    if (settings.flag(SettingKeys::loginItemSetUp) ||
        !settings.setBoolean(SettingKeys::loginItemSetUp, true) ||
        !settings.flag(SettingKeys::loginItemSetUp)) {
        return;
    }
    item.enable(program);
}

}  // namespace tv
