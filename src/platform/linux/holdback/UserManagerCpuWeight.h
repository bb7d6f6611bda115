#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tv::linux_os {

// The CPU weight of a unit of the user's own service manager (org.freedesktop.systemd1 on the
// session bus): read through GetUnit and the unit's CPUWeight property, changed with
// SetUnitProperties for the runtime only, so that nothing survives the unit or a reboot.
// A weight of 0 is "idle" (service managers from version 252); `unset` means the unit has no
// weight of its own. Every call waits at most a second; a manager that is missing or does not
// know the unit gives an absent value, never an error.
class UserManagerCpuWeight {
  public:
    static constexpr std::uint64_t idle = 0;
    static constexpr std::uint64_t unset = UINT64_MAX;

    // `busAddress` is the session bus; empty (no session bus) asks nothing.
    explicit UserManagerCpuWeight(std::string busAddress);
    ~UserManagerCpuWeight();
    UserManagerCpuWeight(const UserManagerCpuWeight&) = delete;
    UserManagerCpuWeight& operator=(const UserManagerCpuWeight&) = delete;

    std::optional<std::uint64_t> weight(const std::string& unit);
    bool setWeight(const std::string& unit, std::uint64_t weight);
    // A service manager answers on the bus.
    bool present();

    // The unit a cgroup v2 path names when it is an app's scope or service below a user's
    // service manager (".../user@1000.service/app.slice/app-org.gnome.Terminal-42.scope"),
    // empty otherwise: the manager itself, slices and anything outside user@<uid>.service.
    static std::string unitOf(std::string_view group);
    // A unit name this class may pass on: a scope or service, of safe characters only.
    static bool validUnit(std::string_view unit);

  private:
    bool connect();

    std::string address_;
    std::string name_;  // of our own connection to the bus
    bool tried_ = false;
    bool connected_ = false;
};

}  // namespace tv::linux_os
