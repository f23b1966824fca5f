// A program whose window runs out of memory while handling a message, to show how the program
// ends then: a plain message box, then exit code 3, instead of a crash.
#include <windows.h>

#include "Controls/GdiPlusBitmap.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

namespace {

CWinApp g_app("Out-of-memory probe"); // the message box's caption

class CThrowingWnd : public CWnd {
public:
    BEGIN_MSG_MAP(CThrowingWnd)
    MESSAGE_HANDLER(WM_APP, OnApp)
    END_MSG_MAP()

private:
    LRESULT OnApp(UINT, WPARAM, LPARAM, bool&) { throw COutOfMemoryException("probe"); }
};

} // namespace

int main() {
    HWND window =
        CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CThrowingWnd wnd;
    wnd.SubclassWindow(window);
    PostMessageA(window, WM_APP, 0, 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
