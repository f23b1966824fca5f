// The program driver.
#include "tests/uidriver/UiDriver.h"

#include <fstream>

#include "Controls/GdiPlus.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "res/resource.h"

namespace {

struct Search {
    DWORD processId;
    Screen screen;
    HWND found;
    int count;
};

Screen Classify(HWND window) {
    if (GetDlgItem(window, IDC_QUESTION) != nullptr)
        return Screen::MainWindow;
    if (GetDlgItem(window, IDC_PROGRESS) != nullptr)
        return Screen::UpdateDialog;
    return Screen::MessageBox;
}

BOOL CALLBACK FindScreen(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search.processId || !IsWindowVisible(window) || GetWindow(window, GW_CHILD) == nullptr)
        return TRUE;
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || Classify(window) != search.screen)
        return TRUE;
    search.found = window;
    ++search.count;
    return TRUE;
}

Search SearchScreens(DWORD processId, Screen screen) {
    Search search{processId, screen, nullptr, 0};
    EnumWindows(FindScreen, reinterpret_cast<LPARAM>(&search));
    return search;
}

HWND FindScreenNow(DWORD processId, Screen screen) {
    return SearchScreens(processId, screen).found;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
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

HWND WaitForScreen(DWORD processId, Screen screen, DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        if (HWND window = FindScreenNow(processId, screen))
            return window;
        if (GetTickCount() > end)
            return nullptr;
        Sleep(20);
    }
}

bool IsShowing(DWORD processId, Screen screen) {
    return FindScreenNow(processId, screen) != nullptr;
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
    for (HWND child : Children(box)) {
        if (ClassOf(child) == "Static" && !WindowText(child).empty())
            return WindowText(child);
    }
    return {};
}

std::vector<std::string> MessageBoxButtons(HWND box) {
    std::vector<std::string> buttons;
    for (HWND child : Children(box)) {
        if (ClassOf(child) == "Button" && IsWindowVisible(child))
            buttons.push_back(WindowText(child));
    }
    return buttons;
}

bool MessageBoxHasIcon(HWND box) {
    for (HWND child : Children(box)) {
        if (ClassOf(child) == "Static" && IsWindowVisible(child) &&
            SendMessageA(child, STM_GETICON, 0, 0) != 0)
            return true;
    }
    return false;
}

void PressButton(HWND button) {
    PostMessageA(button, BM_CLICK, 0, 0);
}

void DoubleClick(HWND control) {
    const LPARAM point = MAKELPARAM(10, 10);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(control, WM_LBUTTONUP, 0, point);
    PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageA(control, WM_LBUTTONUP, 0, point);
}

void PressKey(HWND dialog, HWND control, WPARAM key) {
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

bool IsSkinnedBox(HWND box) {
    return (GetWindowLongA(box, GWL_STYLE) & WS_CAPTION) == 0;
}

int CountScreens(DWORD processId, Screen screen) {
    return SearchScreens(processId, screen).count;
}

HWND ButtonWithText(HWND parent, const std::string& text) {
    for (HWND child : Children(parent)) {
        if (ClassOf(child) == "Button" && WindowText(child) == text)
            return child;
    }
    return nullptr;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    // Include the translucent rim that the layer window shows around a skinned dialog.
    InflateRect(&rect, 8, 8);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
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
