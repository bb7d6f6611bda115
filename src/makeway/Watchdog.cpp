#include "makeway/Watchdog.h"

#include <charconv>
#include <cstring>
#include <thread>

#include "makeway/HoldJournal.h"
#include "platform/Platform.h"

namespace tv {

namespace {

constexpr const char* flag = "--watchdog";

template <typename Number>
std::optional<Number> number(const char* text) {
    Number value{};
    const char* end = text + std::strlen(text);
    auto [stop, error] = std::from_chars(text, end, value);
    if (stop == text || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::vector<std::string> Watchdog::arguments(const std::string& folder, std::int32_t owner,
                                             std::uint64_t ownerStarted) {
    return {flag, folder, std::to_string(owner), std::to_string(ownerStarted)};
}

bool Watchdog::called(int argc, char** argv) {
    return argc > 1 && std::strcmp(argv[1], flag) == 0;
}

int Watchdog::run(int argc, char** argv) {
    if (argc != 5) {
        return 2;
    }
    auto owner = number<std::int32_t>(argv[3]);
    auto started = number<std::uint64_t>(argv[4]);
    if (!owner || *owner <= 0 || !started) {
        return 2;
    }
    auto folder = platform::privateFolder(argv[2]);
    auto control = platform::processControl();
    auto band = platform::backgroundBand();
    return watch(*folder, *owner, *started, *control, *band);
}

int Watchdog::watch(PrivateFolder& folder, std::int32_t owner, std::uint64_t ownerStarted,
                    ProcessControl& control, BackgroundBand& band) {
    // The owner is gone once its pid holds no process, or a later one.
    std::chrono::milliseconds stoppedFor{0};
    while (control.startedAt(owner) == ownerStarted && stoppedFor < stoppedGrace) {
        std::this_thread::sleep_for(poll);
        stoppedFor = control.isStopped(owner) ? stoppedFor + poll : std::chrono::milliseconds{0};
    }
    const std::string name = HoldJournal::fileName(owner);
    auto text = folder.read(name);
    auto journal = text ? HoldJournal::parse(*text) : std::nullopt;
    if (journal && journal->owner == owner && journal->ownerStarted == ownerStarted) {
        journal->undo(control, band);
    }
    folder.remove(name);
    return 0;
}

}  // namespace tv
