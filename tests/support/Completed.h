#pragma once

#include <string>
#include <vector>

namespace tv::test {

// How a program that ran to its end ended, with what it printed.
struct Completed {
    bool finished = false;  // false: it was still running after the time allowed, and killed
    int status = -1;        // its exit status, when it exited
    int signal = 0;         // the signal that ended it, when one did
    std::string out;
    std::string err;
};

// Runs `argv` (the program found on PATH unless it has a slash) with its output captured,
// waiting at most `seconds` for it to end.
Completed runToEnd(const std::vector<std::string>& argv, double seconds = 30);

}  // namespace tv::test
