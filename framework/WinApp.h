// The application object and the framework's process-wide state: the program module, the
// module that resources are searched in, the command-line tail, the main window.
#pragma once

#include <windows.h>

#include <new>
#include <string>

class CWnd;

class CWinApp {
public:
    // `appName` is what the framework's own messages are captioned with.
    explicit CWinApp(const char* appName = "");
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once at process start. Returning false ends the program without a message loop.
    virtual BOOL InitInstance() { return TRUE; }
    // Returns the process's exit code: the one set with SetExitCode, 0 unless set.
    virtual int ExitInstance() { return m_nExitCode; }
    // The message loop, for applications whose InitInstance returns true.
    virtual int Run();

    HINSTANCE GetInstanceHandle() const { return m_hInstance; }
    // The command line after the program name, as the platform passed it.
    const char* GetCommandLineTail() const { return m_lpCmdLine; }
    CWnd* GetMainWnd() const { return m_pMainWnd; }
    void SetMainWnd(CWnd* window) { m_pMainWnd = window; }
    // The language module whose string table replaces the program's, or null.
    HINSTANCE GetLanguageModule() const { return m_hLangResourceDLL; }
    void SetLanguageModule(HINSTANCE module) { m_hLangResourceDLL = module; }
    void SetRegistryKey(const char* company) { m_registryKey = company; }
    // The code the process ends with, through ExitInstance.
    void SetExitCode(int exitCode) { m_nExitCode = exitCode; }
    const std::string& GetRegistryKey() const { return m_registryKey; }
    const std::string& GetAppName() const { return m_appName; }

private:
    friend int AfxWinMain(HINSTANCE instance, LPSTR commandLine);

    std::string m_appName;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hLangResourceDLL = nullptr;
    std::string m_registryKey;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// The module resources are loaded from: the program's own unless set otherwise.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
// The module that holds the named resource: the resource module, else the program module.
HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type);

// The framework's entry: the program's WinMain calls it.
int AfxWinMain(HINSTANCE instance, LPSTR commandLine);

// Tells the user, in a plain message box, that memory ran out and the program has to close.
void AfxReportOutOfMemory();

// Runs a window's handler; memory that runs out inside it ends the program with that message
// instead of unwinding through the platform's message dispatch.
template <typename Handler> auto AfxGuardedCall(Handler handler) -> decltype(handler()) {
    try {
        return handler();
    } catch (const std::bad_alloc&) {
        AfxReportOutOfMemory();
        ExitProcess(3);
    }
}
