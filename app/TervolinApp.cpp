// Start-up and the program's entry point.
#include "TervolinApp.h"

#include <commctrl.h>

#include <new>

#include "GdiPlus.h"
#include "MultiLanguage.h"
#include "TervolinDlg.h"
#include "UpdateChecks.h"

namespace {

CTervolinApp theApp;
ULONG_PTR g_gdiplusToken = 0; // for the life of the process; GDI+ is never shut down

} // namespace

BOOL CTervolinApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{8, 0xFF};
    InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    const gdip::StartupInput input;
    CGdiPlus::Api().GdiplusStartup(&g_gdiplusToken, &input, nullptr);
    SetRegistryKey("Quellmar");
    AfxSetResourceHandle(GetInstanceHandle());

    CMultiLanguage language;
    SetLanguageModule(
        language.LoadLangResourceDLL(GetInstanceHandle(), "SOFTWARE\\Quellmar\\Webcam", "Language"));
    {
        CTervolinDlg dialog;
        SetMainWnd(&dialog);
        const SwitchFlags flags = ReadSwitches(GetCommandLineTail());
        if (flags.force)
            dialog.SetForce(true);
        if (flags.old)
            dialog.SetOld(true);
        dialog.DoModal();
        SetMainWnd(nullptr);
    }
    SetLanguageModule(nullptr); // the module goes with the language library
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    try {
        return AfxWinMain(instance, commandLine);
    } catch (const std::bad_alloc&) {
        AfxReportOutOfMemory();
        return 3;
    }
}
