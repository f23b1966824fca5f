// Dialog creation and the modal loop.
#include "framework/Dialog.h"

#include "framework/WinApp.h"

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
    if (control.GetSafeHwnd() == nullptr)
        control.SubclassDlgItem(static_cast<UINT>(id), exchange->Dialog()->GetSafeHwnd());
}

INT_PTR CALLBACK CDialog::StartDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE; // everything else reaches the object through its hooked procedure
    // The first message that carries the object: attach it and let it initialise.
    CDialog* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->AttachAndHook(window);
    return AfxGuardedCall([&] { return dialog->WindowProc(message, wParam, lParam); });
}

HWND CDialog::CreateFromTemplate(HWND parent) {
    const LPCSTR name = MAKEINTRESOURCEA(m_nIDTemplate);
    HINSTANCE module = AfxFindResourceHandle(name, RT_DIALOG);
    HRSRC resource = FindResourceA(module, name, RT_DIALOG);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const auto* dialogTemplate = loaded ? static_cast<LPCDLGTEMPLATEA>(LockResource(loaded)) : nullptr;
    if (dialogTemplate == nullptr)
        return nullptr;
    return CreateDialogIndirectParamA(module, dialogTemplate, parent, &CDialog::StartDialogProc,
                                      reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModal() {
    // Without a parent of its own, a modal dialog belongs to the application's main window.
    HWND parent = m_hParentWnd;
    if (parent == nullptr && AfxGetMainWnd() != nullptr && AfxGetMainWnd() != this)
        parent = AfxGetMainWnd()->GetSafeHwnd();
    bool enableParent = false;
    if (parent != nullptr && parent != GetDesktopWindow() && ::IsWindowEnabled(parent)) {
        ::EnableWindow(parent, FALSE);
        enableParent = true;
    }

    m_nModalResult = -1;
    if (CreateFromTemplate(parent) != nullptr) {
        // A dialog may end itself while it initialises; then no loop runs.
        if (m_nModalResult == -1 && !IsWindowVisible())
            ShowWindow(SW_SHOWNORMAL);
        MSG message;
        while (m_nModalResult == -1 && m_hWnd != nullptr) {
            const BOOL got = GetMessageA(&message, nullptr, 0, 0);
            if (got == 0) {
                const int exitCode = static_cast<int>(message.wParam);
                if (KeepRunningOnQuit(exitCode))
                    continue;
                PostQuitMessage(exitCode);
                break;
            }
            if (got == -1)
                break;
            if (!PreTranslateInput(message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (m_hWnd != nullptr)
            SetWindowPos(nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (enableParent)
        ::EnableWindow(parent, TRUE);
    if (parent != nullptr && m_hWnd != nullptr && GetActiveWindow() == m_hWnd)
        SetActiveWindow(parent);
    DestroyWindow();
    return m_nModalResult;
}

bool CDialog::Create(UINT templateId, HWND parent) {
    m_nIDTemplate = templateId;
    m_hParentWnd = parent;
    return CreateFromTemplate(parent) != nullptr;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return true;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    // Wake the modal loop, which checks the result after every message.
    PostMessage(WM_NULL);
}

BOOL CDialog::PreTranslateMessage(MSG* message) {
    const UINT m = message->message;
    if ((m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST))
        return ::IsDialogMessageA(m_hWnd, message);
    return FALSE;
}

bool CDialog::PreTranslateInput(MSG& message) {
    // From the window the message is for up through its parents to this dialog.
    for (HWND window = message.hwnd; window != nullptr; window = ::GetParent(window)) {
        CWnd* object = FromHandlePermanent(window);
        if (object != nullptr && object->PreTranslateMessage(&message))
            return true;
        if (window == m_hWnd)
            break;
    }
    return false;
}
