// Catching a fault inside the driver library. A vectored handler sees a hardware fault before any
// frame-based handler can swallow it (the system's dispatch of window messages does, on some
// platforms); the unhandled-exception filter catches any other exception that leaves a driver call
// unhandled. Exceptions that the library raises and handles itself (its own C++ exceptions, debug
// output) are none of ours.
#include "app/DriverCrashHandler.h"

#include <dbghelp.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "app/UpdateHistoryFile.h"
#include "core/RunEnding.h"
#include "core/Messages.h"
#include "framework/Handle.h"
#include "framework/Module.h"

namespace {

constexpr std::size_t kDumpsKept = 5;
// How long the faulting thread waits for the history record and the dump: a library that faulted
// while holding a lock the writer needs must not keep the program from ending.
constexpr DWORD kEvidenceTimeoutMs = 30000;

SwitchFlags g_flags;
std::atomic<DWORD> g_callThread{0};
std::atomic<const char*> g_callName{nullptr};
std::atomic<DWORD> g_workerThread{0};
std::atomic<HWND> g_workerWindow{nullptr};
std::atomic<bool> g_crashed{false};
std::atomic<bool> g_evidenceWritten{false};
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

bool InDriverCall() {
    return g_callThread.load() == GetCurrentThreadId();
}

bool IsHardwareFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        return true;
    default:
        return false;
    }
}

// "Module.dll+0x1a2b", or the bare address outside every module.
std::string Where(const void* address) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = {};
    char text[MAX_PATH + 32];
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(address), &module) &&
        GetModuleFileNameA(module, path, MAX_PATH) != 0) {
        const char* name = std::max(std::strrchr(path, '\\'), std::strrchr(path, '/'));
        std::snprintf(text, sizeof text, "%s+0x%llx", name != nullptr ? name + 1 : path,
                      static_cast<unsigned long long>(static_cast<const char*>(address) -
                                                      reinterpret_cast<const char*>(module)));
    } else {
        std::snprintf(text, sizeof text, "0x%llx",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
    }
    return text;
}

// "crash-20261207T084512.345Z.dmp": names that sort as the crashes happened.
std::string DumpName() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    char name[48];
    std::snprintf(name, sizeof name, "crash-%04u%02u%02uT%02u%02u%02u.%03uZ.dmp", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return name;
}

// Leaves the newest kDumpsKept dumps in `folder`.
void PruneDumps(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> dumps;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("crash-", 0) == 0 && it->path().extension() == ".dmp")
            dumps.push_back(it->path());
    }
    if (dumps.size() <= kDumpsKept)
        return;
    std::sort(dumps.begin(), dumps.end());
    for (std::size_t i = 0; i + kDumpsKept < dumps.size(); ++i)
        std::filesystem::remove(dumps[i], error);
}

struct Evidence {
    EXCEPTION_POINTERS* pointers;
    DWORD thread;
    const char* call;
};

// Writes the minidump of the faulting thread's exception; its file name, or empty.
std::string WriteDump(const std::filesystem::path& folder, const Evidence& evidence) {
    CModule dbghelp;
    if (!dbghelp.Load(L"dbghelp.dll", LOAD_LIBRARY_SEARCH_SYSTEM32))
        return {};
    using MiniDumpWriteDumpFn =
        BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                      PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
    const auto writeDump = dbghelp.Proc<MiniDumpWriteDumpFn>("MiniDumpWriteDump");
    const std::string name = DumpName();
    const std::filesystem::path path = folder / name;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    CHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (writeDump == nullptr || !file)
        return {};
    MINIDUMP_EXCEPTION_INFORMATION exception{evidence.thread, evidence.pointers, FALSE};
    const bool written = writeDump(GetCurrentProcess(), GetCurrentProcessId(), file.Get(), MiniDumpNormal,
                                   &exception, nullptr, nullptr) != FALSE;
    file = CHandle();
    if (!written) {
        std::filesystem::remove(path, error);
        return {};
    }
    PruneDumps(folder);
    return name;
}

DWORD WINAPI WriteEvidence(void* parameter) {
    const Evidence& evidence = *static_cast<const Evidence*>(parameter);
    const EXCEPTION_RECORD& exception = *evidence.pointers->ExceptionRecord;
    HistoryRecord record = EndingRecord(Ending::Crashed, {});
    char code[16];
    std::snprintf(code, sizeof code, "%08lx", static_cast<unsigned long>(exception.ExceptionCode));
    record.crashCode = code;
    record.crashAt = Where(exception.ExceptionAddress);
    record.crashCall = evidence.call != nullptr ? evidence.call : "";
    const std::filesystem::path folder = CUpdateHistoryFile::Folder();
    if (!folder.empty())
        record.dump = WriteDump(folder, evidence);
    CUpdateHistoryFile(g_flags).Record(record);
    return 0;
}

[[noreturn]] void Park() {
    for (;;)
        Sleep(INFINITE);
}

// Does not return: the program ends, or this thread waits for the user-interface thread to end it.
[[noreturn]] void Crash(EXCEPTION_POINTERS* pointers) {
    // A second fault, on another thread or within this handling, waits for the first's ending.
    if (g_crashed.exchange(true))
        Park();
    // Written from a thread of its own, as dbghelp asks, with this thread's stack left as it was.
    Evidence evidence{pointers, GetCurrentThreadId(), g_callName.load()};
    CHandle writer(CreateThread(nullptr, 0, WriteEvidence, &evidence, 0, nullptr));
    if (writer)
        WaitForSingleObject(writer.Get(), kEvidenceTimeoutMs);
    g_evidenceWritten = true;
    const HWND window = g_workerThread.load() == GetCurrentThreadId() ? g_workerWindow.load() : nullptr;
    if (window != nullptr && PostMessageA(window, WM_DRIVER_FAILED, 0, 0))
        Park();
    TerminateProcess(GetCurrentProcess(), kExitDriverFailed);
    Park();
}

LONG CALLBACK OnFirstChance(EXCEPTION_POINTERS* pointers) {
    if (InDriverCall() && IsHardwareFault(pointers->ExceptionRecord->ExceptionCode))
        Crash(pointers);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* pointers) {
    if (InDriverCall())
        Crash(pointers);
    // A fault while a driver's fault is being written down still ends the program as the driver's.
    if (g_crashed.load())
        TerminateProcess(GetCurrentProcess(), kExitDriverFailed);
    return g_previousFilter != nullptr ? g_previousFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void CDriverCrashHandler::Install(SwitchFlags flags) {
    g_flags = flags;
    AddVectoredExceptionHandler(1, OnFirstChance);
    g_previousFilter = SetUnhandledExceptionFilter(OnUnhandled);
}

bool CDriverCrashHandler::HasCrashed() {
    return g_evidenceWritten.load();
}

CDriverCrashHandler::CCall::CCall(const char* name) {
    g_callName = name;
    g_callThread = GetCurrentThreadId();
}

CDriverCrashHandler::CCall::~CCall() {
    g_callThread = 0;
    g_callName = nullptr;
}

CDriverCrashHandler::CWorker::CWorker(HWND window) {
    g_workerWindow = window;
    g_workerThread = GetCurrentThreadId();
}

CDriverCrashHandler::CWorker::~CWorker() {
    g_workerThread = 0;
    g_workerWindow = nullptr;
}
