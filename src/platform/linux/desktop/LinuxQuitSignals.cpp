#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "platform/QuitSignals.h"

namespace tv {

namespace {

int writeEnd = -1;

void onSignal(int number) {
    char byte = static_cast<char>(number);
    // Nothing else is safe here; a full pipe already says enough.
    [[maybe_unused]] ssize_t n = ::write(writeEnd, &byte, 1);
}

}  // namespace

int quitSignalsDescriptor() {
    static int readEnd = -1;
    if (readEnd >= 0) {
        return readEnd;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return -1;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(number, &action, nullptr);
    }
    return readEnd;
}

void drainQuitSignals(int descriptor) {
    char buffer[64];
    while (::read(descriptor, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace tv
