#include "platform/linux/crash/CrashWriter.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/CrashReports.h"
#include "platform/linux/crash/CrashHeader.h"
#include "platform/linux/crash/ElfBuildId.h"
#include "platform/linux/crash/ElfSymbols.h"
#include "platform/linux/crash/MapsText.h"

namespace tv::linux_os::CrashWriter {

namespace {

namespace fs = std::filesystem;

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
constexpr int maxFrames = maxAddresses;
constexpr std::size_t mapsCapacity = 512 * 1024;
constexpr std::size_t alternateStackSize = 128 * 1024;

// What the handler works with: prepared once by `install`, never freed. The handler is the
// one place that reaches it without being handed it, as a signal handler must.
struct Prepared {
    char folder[PATH_MAX];
    std::vector<char> header;
    long utcOffset = 0;
    std::atomic<long> writer{0};  // the thread id writing a report; 0: none yet
    // Work space for the one writing thread.
    char maps[mapsCapacity];
    void* frames[maxFrames];
    char names[maxFrames][128];
    char found[maxFrames][128];
    char buildId[130];
    char out[8192];
    std::size_t outLength = 0;
    int fd = -1;
};
Prepared* prepared = nullptr;

thread_local char threadName[32];

// ---- writing without allocation ----------------------------------------------------------

void flush(Prepared& p) {
    const char* at = p.out;
    while (p.outLength > 0) {
        ssize_t n = ::write(p.fd, at, p.outLength);
        if (n <= 0) {
            break;
        }
        at += n;
        p.outLength -= static_cast<std::size_t>(n);
    }
    p.outLength = 0;
}

void put(Prepared& p, const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (p.outLength == sizeof p.out) {
            flush(p);
        }
        p.out[p.outLength++] = text[i];
    }
}

void put(Prepared& p, const char* text) {
    put(p, text, std::strlen(text));
}

void putNumber(Prepared& p, unsigned long value, int base = 10, int width = 1) {
    char digits[32];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0 || n < width);
    while (n > 0) {
        put(p, &digits[--n], 1);
    }
}

void putHex(Prepared& p, unsigned long value) {
    put(p, "0x");
    putNumber(p, value, 16);
}

// The last part of a path: the module's file name, without the folders it was found in.
void putFileName(Prepared& p, const char* path, std::size_t length) {
    const char* name = path;
    for (std::size_t c = 0; c < length; ++c) {
        if (path[c] == '/') {
            name = path + c + 1;
        }
    }
    put(p, name, static_cast<std::size_t>(path + length - name));
}

// ---- what the kernel says ----------------------------------------------------------------

const char* signalName(int signal) {
    switch (signal) {
        case SIGSEGV:
            return "SIGSEGV";
        case SIGBUS:
            return "SIGBUS";
        case SIGILL:
            return "SIGILL";
        case SIGFPE:
            return "SIGFPE";
        case SIGABRT:
            return "SIGABRT";
        case SIGTRAP:
            return "SIGTRAP";
        default:
            return "signal";
    }
}

const char* codeName(int signal, int code) {
    if (code == SI_USER) {
        return "SI_USER";
    }
    if (code == SI_TKILL) {
        return "SI_TKILL";
    }
    if (code == SI_QUEUE) {
        return "SI_QUEUE";
    }
    if (signal == SIGSEGV) {
        return code == SEGV_MAPERR ? "SEGV_MAPERR" : code == SEGV_ACCERR ? "SEGV_ACCERR" : "";
    }
    if (signal == SIGBUS) {
        return code == BUS_ADRALN ? "BUS_ADRALN" : code == BUS_ADRERR ? "BUS_ADRERR" : "";
    }
    if (signal == SIGFPE) {
        return code == FPE_INTDIV ? "FPE_INTDIV" : code == FPE_INTOVF ? "FPE_INTOVF" : "";
    }
    if (signal == SIGILL) {
        return code == ILL_ILLOPC ? "ILL_ILLOPC" : code == ILL_ILLOPN ? "ILL_ILLOPN" : "";
    }
    return "";
}

std::uintptr_t faultingPc(void* context) {
    const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return static_cast<std::uintptr_t>(uc->uc_mcontext.pc);
#else
    (void)uc;
    return 0;
#endif
}

// ---- the report --------------------------------------------------------------------------

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(long days, long& year, unsigned& month, unsigned& day) {
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    auto doe = static_cast<unsigned>(days - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    year = static_cast<long>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year += month <= 2 ? 1 : 0;
}

// The local time now (the offset prepared at start), twice: "YYYY-MM-DD-HHMMSS" for the file
// name and "YYYY-MM-DD HH:MM:SS" for a person.
void stamp(const Prepared& p, char (&forName)[32], char (&forPerson)[32]) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    long local = now.tv_sec + p.utcOffset;
    long days = local >= 0 ? local / 86400 : (local - 86399) / 86400;
    long second = local - days * 86400;
    long year = 0;
    unsigned month = 0;
    unsigned day = 0;
    civilFromDays(days, year, month, day);
    unsigned long parts[] = {static_cast<unsigned long>(year),
                             month,
                             day,
                             static_cast<unsigned long>(second / 3600),
                             static_cast<unsigned long>(second / 60 % 60),
                             static_cast<unsigned long>(second % 60)};
    const char* nameSeparators = "---\0\0";
    const char* personSeparators = "-- ::";
    int n = 0;
    int m = 0;
    for (int i = 0; i < 6; ++i) {
        int width = i == 0 ? 4 : 2;
        unsigned long v = parts[i];
        for (int w = width - 1; w >= 0; --w) {
            forName[n + w] = forPerson[m + w] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        n += width;
        m += width;
        if (i < 5) {
            if (nameSeparators[i] != '\0') {
                forName[n++] = nameSeparators[i];
            }
            forPerson[m++] = personSeparators[i];
        }
    }
    forName[n] = '\0';
    forPerson[m] = '\0';
}

void appendTo(char* into, std::size_t capacity, const char* text) {
    std::size_t at = std::strlen(into);
    std::size_t n = std::min(std::strlen(text), capacity - at - 1);
    std::memcpy(into + at, text, n);
    into[at + n] = '\0';
}

void writeBacktrace(Prepared& p, const MapsText& maps, std::uintptr_t pc) {
    int count = ::backtrace(p.frames, maxFrames);
    // Skip the handler's own frames: the backtrace starts where the signal struck.
    int first = 0;
    for (int i = 0; i < count; ++i) {
        if (reinterpret_cast<std::uintptr_t>(p.frames[i]) == pc) {
            first = i;
            break;
        }
    }
    std::uintptr_t offsets[maxFrames];
    Mapping modules[maxFrames];
    bool known[maxFrames] = {};
    for (int i = first; i < count; ++i) {
        // Callers' addresses are return addresses: name the call instruction before them.
        std::uintptr_t at = reinterpret_cast<std::uintptr_t>(p.frames[i]) - (i > first ? 1 : 0);
        std::uintptr_t base = 0;
        known[i] = maps.moduleOf(at, modules[i], base);
        offsets[i] = at - base;
        p.names[i][0] = '\0';
    }
    // Each module's file is read once for all its frames.
    for (int i = first; i < count; ++i) {
        if (!known[i] || modules[i].pathLength == 0 || modules[i].path[0] != '/' ||
            p.names[i][0] != '\0') {
            continue;
        }
        std::uintptr_t addresses[maxFrames];
        int index[maxFrames];
        int n = 0;
        for (int j = i; j < count; ++j) {
            if (known[j] && modules[j].pathLength == modules[i].pathLength &&
                std::memcmp(modules[j].path, modules[i].path, modules[i].pathLength) == 0) {
                addresses[n] = offsets[j];
                index[n++] = j;
            }
        }
        char path[PATH_MAX];
        std::size_t length = std::min(modules[i].pathLength, sizeof path - 1);
        std::memcpy(path, modules[i].path, length);
        path[length] = '\0';
        char(&found)[maxFrames][128] = p.found;
        std::memset(found, 0, sizeof found);
        nameFunctions(path, addresses, found, n);
        for (int k = 0; k < n; ++k) {
            std::memcpy(p.names[index[k]], found[k], sizeof found[k]);
            if (p.names[index[k]][0] == '\0') {
                appendTo(p.names[index[k]], sizeof p.names[index[k]], "?");
            }
        }
    }
    put(p, "\nBacktrace of the crashed thread:\n");
    for (int i = first; i < count; ++i) {
        // A run of the same frame (deep recursion) is written once with its length.
        int same = 1;
        while (i + same < count && p.frames[i + same] == p.frames[i] && i > first) {
            ++same;
        }
        putNumber(p, static_cast<unsigned long>(i - first), 10, 2);
        put(p, "  ");
        if (known[i]) {
            putFileName(p, modules[i].path, modules[i].pathLength);
            put(p, " + ");
            putHex(p, offsets[i]);
            if (p.names[i][0] != '\0' && std::strcmp(p.names[i], "?") != 0) {
                put(p, "  ");
                put(p, p.names[i]);
            }
        } else {
            putHex(p, reinterpret_cast<std::uintptr_t>(p.frames[i]));
        }
        if (same > 1) {
            put(p, "  (");
            putNumber(p, static_cast<unsigned long>(same));
            put(p, " times)");
            i += same - 1;
        }
        put(p, "\n");
    }
}

void writeMappings(Prepared& p, const MapsText& maps) {
    put(p, "\nExecutable mappings:\n");
    maps.forEach([&](const Mapping& m) {
        if (!m.executable) {
            return;
        }
        putHex(p, m.start);
        put(p, "-");
        putHex(p, m.end);
        put(p, " ");
        putHex(p, m.offset);
        put(p, " ");
        // The module by its name and build id, which tell the build to read its lines from;
        // never the folder it was run from (a user's own folders are named after them).
        putFileName(p, m.path, m.pathLength);
        if (m.pathLength > 0 && m.path[0] == '/') {
            char path[PATH_MAX];
            std::size_t length = std::min(m.pathLength, sizeof path - 1);
            std::memcpy(path, m.path, length);
            path[length] = '\0';
            put(p, " ");
            put(p, readBuildId(path, p.buildId, sizeof p.buildId) ? p.buildId : "none");
        }
        put(p, "\n");
    });
}

void writeReport(Prepared& p, int signal, const siginfo_t* info, void* context) {
    char when[32];
    char readable[32];
    stamp(p, when, readable);
    char finalPath[PATH_MAX] = "";
    appendTo(finalPath, sizeof finalPath, p.folder);
    appendTo(finalPath, sizeof finalPath, "/TallyVane-");
    appendTo(finalPath, sizeof finalPath, when);
    appendTo(finalPath, sizeof finalPath, ".ips");
    char partPath[PATH_MAX] = "";
    appendTo(partPath, sizeof partPath, finalPath);
    appendTo(partPath, sizeof partPath, ".part");
    p.fd = ::open(partPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (p.fd < 0) {
        return;
    }
    MapsText maps(p.maps, sizeof p.maps);
    maps.read();
    put(p, p.header.data(), p.header.size());
    put(p, "Date/Time: ");
    put(p, readable);
    put(p, "\nCrashed thread: ");
    if (threadName[0] != '\0') {
        put(p, threadName);
    } else {
        char name[17] = {};
        ::prctl(PR_GET_NAME, name, 0, 0, 0);
        put(p, name);
    }
    put(p, "\nSignal: ");
    put(p, signalName(signal));
    put(p, " (");
    putNumber(p, static_cast<unsigned long>(signal));
    put(p, ")\nCode: ");
    put(p, codeName(signal, info->si_code));
    put(p, " (");
    if (info->si_code < 0) {
        put(p, "-");
    }
    putNumber(p, static_cast<unsigned long>(info->si_code < 0 ? -info->si_code : info->si_code));
    put(p, ")\n");
    if (info->si_code > 0 && signal != SIGABRT) {
        put(p, "Fault address: ");
        putHex(p, reinterpret_cast<std::uintptr_t>(info->si_addr));
        put(p, "\n");
    }
    writeBacktrace(p, maps, faultingPc(context));
    writeMappings(p, maps);
    flush(p);
    ::fsync(p.fd);
    ::close(p.fd);
    if (::rename(partPath, finalPath) == 0) {
        int folder = ::open(p.folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
}

void restoreAndRaise(int signal) {
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    // Pending until the handler returns (the signal is blocked in it); a fault happens again
    // on return anyway. Either way the default action ends the process.
    ::raise(signal);
}

void onFatalSignal(int signal, siginfo_t* info, void* context) {
    int saved = errno;
    Prepared& p = *prepared;
    long self = ::syscall(SYS_gettid);
    long none = 0;
    if (!p.writer.compare_exchange_strong(none, self)) {
        if (none != self) {
            for (;;) {
                ::pause();  // the first crashing thread ends the process
            }
        }
        restoreAndRaise(signal);  // crashed while writing: no report rather than a loop
        return;
    }
    ::alarm(5);
    writeReport(p, signal, info, context);
    restoreAndRaise(signal);
    errno = saved;
}

// Reports beyond the newest `kept - 1` go, with any half-written ones, before a new one can
// be written.
void removeOld(const std::string& folder) {
    std::error_code error;
    std::vector<fs::path> reports;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("TallyVane-", 0) != 0) {
            continue;
        }
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0) {
            fs::remove(entry.path(), error);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ips") == 0) {
            reports.push_back(entry.path());
        }
    }
    std::sort(reports.begin(), reports.end());  // the names sort by time
    for (std::size_t i = 0; i + (kept - 1) < reports.size(); ++i) {
        fs::remove(reports[i], error);
    }
}

}  // namespace

void install(const std::string& folder, const std::string& header) {
    if (prepared != nullptr) {
        return;
    }
    // Not value-initialised: the work space stays untouched (and unbacked) until a crash.
    auto* p = new Prepared;
    std::error_code error;
    fs::create_directories(folder, error);
    fs::permissions(folder, fs::perms::owner_all, error);
    removeOld(folder);
    std::snprintf(p->folder, sizeof p->folder, "%s", folder.c_str());
    p->header.assign(header.begin(), header.end());
    p->utcOffset = utcOffsetNow();
    // The first backtrace loads the unwinder; that must not happen inside the handler.
    void* warm[4];
    ::backtrace(warm, 4);
    prepared = p;

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    for (int signal : fatalSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    guardThisThread("main");
}

void guardThisThread(const char* name) {
    std::snprintf(threadName, sizeof threadName, "%s", name);
    // Some libraries start their threads with every signal blocked; a fault there would end
    // the process without a report.
    sigset_t fatal;
    ::sigemptyset(&fatal);
    for (int signal : fatalSignals) {
        ::sigaddset(&fatal, signal);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &fatal, nullptr);
    stack_t current{};
    // One at least as large as ours (set up by this writer before) is kept; a smaller one
    // (a sanitizer's) could not hold the writer.
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0 &&
        current.ss_size >= alternateStackSize) {
        return;
    }
    // Never freed: the thread may crash until its last instruction.
    void* memory = ::mmap(nullptr, alternateStackSize, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) {
        return;
    }
    stack_t stack{};
    stack.ss_sp = memory;
    stack.ss_size = alternateStackSize;
    ::sigaltstack(&stack, nullptr);
}

}  // namespace tv::linux_os::CrashWriter

namespace tv::platform {

std::string crashReportFolder() {
    static const std::string folder = [] {
        std::string state;
        if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && xdg[0] == '/') {
            state = xdg;
        } else {
            const char* home = std::getenv("HOME");
            state = std::string(home != nullptr ? home : "") + "/.local/state";
        }
        return state + "/TallyVane/DiagnosticReports";
    }();
    return folder;
}

void installCrashWriter(const std::string& version) {
    using namespace linux_os;
    CrashWriter::install(crashReportFolder(), crashHeader(version, ownBuildId(), utcOffsetNow()));
}

void guardThisThread(const char* name) {
    linux_os::CrashWriter::guardThisThread(name);
}

}  // namespace tv::platform
