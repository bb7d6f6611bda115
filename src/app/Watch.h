#pragma once

namespace tv {

// Runs the Monitor and prints one line per tick until interrupted; what TallyVane does
// without its tray.
int runWatch(int argc, char** argv);

}  // namespace tv
