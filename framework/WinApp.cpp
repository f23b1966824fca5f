// The application object and the framework's module state.
#include "framework/WinApp.h"

namespace {

CWinApp* g_app = nullptr;
HINSTANCE g_resourceModule = nullptr;

} // namespace

CWinApp::CWinApp(const char* appName) : m_appName(appName) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::Run() {
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (got == 0)
        m_nExitCode = static_cast<int>(message.wParam); // the quit request's code
    return ExitInstance();
}

CWinApp* AfxGetApp() {
    return g_app;
}

CWnd* AfxGetMainWnd() {
    return g_app ? g_app->GetMainWnd() : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_app && g_app->GetInstanceHandle() ? g_app->GetInstanceHandle() : GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle() {
    return g_resourceModule ? g_resourceModule : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE module) {
    g_resourceModule = module;
}

HINSTANCE AfxFindResourceHandle(LPCSTR name, LPCSTR type) {
    HINSTANCE resources = AfxGetResourceHandle();
    if (FindResourceA(resources, name, type) != nullptr)
        return resources;
    return AfxGetInstanceHandle();
}

int AfxWinMain(HINSTANCE instance, LPSTR commandLine) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = commandLine;
    AfxSetResourceHandle(instance);
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

void AfxReportOutOfMemory() {
    const CWinApp* app = AfxGetApp();
    MessageBoxA(nullptr, "The program ran out of memory and has to close.",
                app != nullptr ? app->GetAppName().c_str() : "", MB_OK | MB_ICONERROR);
}
