#include "settings/FocusConsent.h"

#include "settings/SettingKeys.h"

namespace tv {

namespace {

bool answered(const Settings& settings) {
    return settings.text(SettingKeys::focusExtension).has_value();
}

}  // namespace

FocusConsent::FocusConsent(Settings& settings, FocusExtension& extension)
    : settings_(settings), extension_(extension) {}

bool FocusConsent::shouldOffer() {
    // The stored answer first: it costs no call into the desktop.
    return !answered(settings_) && extension_.state() == FocusExtension::State::off;
}

void FocusConsent::offered() {
    if (!answered(settings_)) {
        settings_.setText(SettingKeys::focusExtension, QStringLiteral("asked"));
    }
}

bool FocusConsent::accept() {
    // The answer is the user's even when the desktop refuses: never asked again.
    settings_.setText(SettingKeys::focusExtension, QStringLiteral("on"));
    return extension_.enable() || extension_.state() == FocusExtension::State::on;
}

bool FocusConsent::decline() {
    settings_.setText(SettingKeys::focusExtension, QStringLiteral("off"));
    FocusExtension::State now = extension_.state();
    if (now == FocusExtension::State::off || now == FocusExtension::State::absent) {
        return true;
    }
    return extension_.disable();
}

void FocusConsent::dismissed() {
    if (settings_.text(SettingKeys::focusExtension) == QStringLiteral("asked")) {
        settings_.setText(SettingKeys::focusExtension, QStringLiteral("off"));
    }
}

}  // namespace tv
