#pragma once

#include "core/AlertRules.h"
#include "settings/Settings.h"

namespace tv {

// The three alert switches as stored now; each on unless a boolean false is stored.
AlertRules::Switches currentSwitches(const Settings& settings);

}  // namespace tv
