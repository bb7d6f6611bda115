#pragma once

#include <string>

namespace tv::linux_os {

// Writes TallyVane's own crash report when a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE,
// SIGABRT, SIGTRAP) ends it. Everything that needs memory is prepared by `install`; the
// handler only makes system calls into buffers set aside then. One thread writes (a second
// crashing thread waits for the process to end); an alarm ends a writer that hangs. The
// report, "TallyVane-YYYY-MM-DD-HHMMSS.ips" (local time), holds the prepared header, the
// crashed thread's name, the signal, its code and fault address, the thread's backtrace as
// module + offset (+ symbol where the module names it) and the executable mappings, each
// module by its file name and build id, never by the folder it lies in. It is written as a ".part"
// file, synced and renamed, so a half-written report is never offered. Then the default action is
// restored and the signal raised again: the exit status and core dumps are as without the writer.
namespace CrashWriter {

// At most this many reports are kept; the oldest go when the writer is installed.
inline constexpr int kept = 5;

// Installs the handler for the whole process and guards the calling thread. `folder` is
// created when missing; `header` goes first into every report.
void install(const std::string& folder, const std::string& header);

// Gives the calling thread an alternate signal stack (so running out of stack is reported
// too) and the name its crash report uses, and unblocks the fatal signals in it. Once per
// thread.
void guardThisThread(const char* name);

}  // namespace CrashWriter

}  // namespace tv::linux_os
