// The program driver.
#include "tools/uidriver/UiDriver.h"

#include "Controls/GdiPlus.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "res/resource.h"

namespace {

// The main window has the question label, the update dialog the progress bar.
Screen Classify(HWND window) {
    if (GetDlgItem(window, IDC_QUESTION) != nullptr)
        return Screen::MainWindow;
    return GetDlgItem(window, IDC_PROGRESS) != nullptr ? Screen::UpdateDialog : Screen::MessageBox;
}

struct WindowList {
    DWORD processId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    WindowList& list = *reinterpret_cast<WindowList*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == list.processId && IsWindowVisible(window))
        list.windows.push_back(window);
    return TRUE;
}

// The process's dialogs that show `screen`, topmost first.
std::vector<HWND> Screens(DWORD processId, Screen screen) {
    std::vector<HWND> screens;
    for (HWND dialog : ProcessDialogs(processId))
        if (GetWindow(dialog, GW_CHILD) != nullptr && Classify(dialog) == screen)
            screens.push_back(dialog);
    return screens;
}

// The first child of `parent` of window class `className` for which `match` holds.
template <typename Match> HWND FindChild(HWND parent, const char* className, Match match) {
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, className) == 0 && match(child))
            return child;
    }
    return nullptr;
}

} // namespace

CProgramRun::~CProgramRun() {
    Stop();
}

void CProgramRun::Stop() {
    if (IsRunning()) {
        TerminateProcess(m_process.Get(), 99);
        WaitForSingleObject(m_process.Get(), 5000);
    }
    m_thread.Reset();
    m_process.Reset();
    m_processId = 0;
}

bool CProgramRun::Start(const std::wstring& program, const std::string& arguments,
                        const std::wstring& directory) {
    Stop();
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &process))
        return false;
    m_process.Attach(process.hProcess);
    m_thread.Attach(process.hThread);
    m_processId = process.dwProcessId;
    return true;
}

bool CProgramRun::WaitForExit(DWORD milliseconds, DWORD* exitCode) {
    if (!m_process || WaitForSingleObject(m_process.Get(), milliseconds) != WAIT_OBJECT_0)
        return false;
    if (exitCode != nullptr)
        GetExitCodeProcess(m_process.Get(), exitCode);
    return true;
}

bool CProgramRun::IsRunning() const {
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

std::vector<HWND> ProcessWindows(DWORD processId) {
    WindowList list{processId, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

std::vector<HWND> ProcessDialogs(DWORD processId) {
    std::vector<HWND> dialogs;
    for (HWND window : ProcessWindows(processId)) {
        char className[32] = {};
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0)
            dialogs.push_back(window);
    }
    return dialogs;
}

HWND WaitForScreen(DWORD processId, Screen screen, DWORD milliseconds) {
    for (const DWORD end = GetTickCount() + milliseconds;; Sleep(20)) {
        const std::vector<HWND> screens = Screens(processId, screen);
        if (!screens.empty())
            return screens.back();
        if (GetTickCount() > end)
            return nullptr;
    }
}

bool IsShowing(DWORD processId, Screen screen) {
    return !Screens(processId, screen).empty();
}

int CountScreens(DWORD processId, Screen screen) {
    return static_cast<int>(Screens(processId, screen).size());
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

std::string ChildText(HWND parent, int id) {
    return WindowText(GetDlgItem(parent, id));
}

std::string MessageBoxText(HWND box) {
    if (GetDlgItem(box, IDC_MESSAGE_TEXT) != nullptr)
        return ChildText(box, IDC_MESSAGE_TEXT);
    // The platform's box numbers its text differently: its one static with text.
    return WindowText(FindChild(box, "Static", [](HWND child) { return !WindowText(child).empty(); }));
}

std::vector<std::string> MessageBoxButtons(HWND box) {
    std::vector<std::string> buttons;
    FindChild(box, "Button", [&](HWND child) {
        if (IsWindowVisible(child))
            buttons.push_back(WindowText(child));
        return false;
    });
    return buttons;
}

bool MessageBoxHasIcon(HWND box) {
    return FindChild(box, "Static", [](HWND child) {
               return IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0;
           }) != nullptr;
}

HWND ButtonWithText(HWND parent, const std::string& text) {
    return FindChild(parent, "Button", [&](HWND child) { return WindowText(child) == text; });
}

void PressButton(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void DoubleClick(HWND control) {
    const LPARAM point = MAKELPARAM(10, 10);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageA(control, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, point);
}

void PressKey(HWND dialog, HWND control, WPARAM key) {
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

bool IsSkinnedBox(HWND box) {
    return (GetWindowLongA(box, GWL_STYLE) & WS_CAPTION) == 0;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    InflateRect(&rect, 8, 8); // the translucent rim that the layer window shows around a skinned dialog
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const CGdiPlus& gdiplus = CGdiPlus::Api();
    static ULONG_PTR token = 0; // started once, for the life of the process
    if (token == 0) {
        const gdip::StartupInput input;
        gdiplus.GdiplusStartup(&token, &input, nullptr);
    }
    CBitmap bitmap;
    {
        CClientDC screen(nullptr);
        CDC memory;
        memory.CreateCompatibleDC(screen);
        bitmap.CreateCompatibleBitmap(screen, width, height);
        CSelectObject selected(memory, bitmap);
        memory.BitBlt(0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    }
    // GDI+'s own PNG encoder, image/png.
    static const CLSID kPngEncoder = {
        0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    CGdiPlusBitmapObject image;
    return gdiplus.GdipCreateBitmapFromHBITMAP(bitmap, nullptr, image.Out()) == gdip::Ok &&
           gdiplus.GdipSaveImageToFile(reinterpret_cast<gdip::GpImage*>(image.Get()), path.c_str(),
                                       &kPngEncoder, nullptr) == gdip::Ok;
}

int RunVcam(const std::filesystem::path& bin, const std::string& arguments) {
    CProgramRun vcam;
    DWORD exitCode = 0;
    if (!vcam.Start((bin / "vcam.exe").wstring(), arguments) || !vcam.WaitForExit(INFINITE, &exitCode))
        return -1;
    return static_cast<int>(exitCode);
}
