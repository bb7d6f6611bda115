#pragma once

#include <string>

// TallyVane's own crash reports: written by the program itself when it dies of a fatal
// signal, one file per crash, into the folder `crashReportFolder` names.
namespace tv::platform {

// Prepares everything a report needs and installs the writer. Call first in main, before
// any other thread exists.
void installCrashWriter(const std::string& version);

// Lets a crash in the calling thread be reported even when it ran out of stack, and names
// the thread in the report. Call first in every thread TallyVane starts.
void guardThisThread(const char* name);

// The folder reports are written into.
std::string crashReportFolder();

}  // namespace tv::platform
