// Dialogs from templates: modal runs with the owner disabled, modeless creation, control binding
// by id, and the OK and Cancel commands.
#pragma once

#include "framework/Wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* Dialog() const { return m_pDlgWnd; }
    bool IsSaving() const { return m_bSaveAndValidate; }

private:
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;
};

// Binds `control` to the dialog's child with this id (subclassing it), once.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr)
        : m_nIDTemplate(templateId), m_hParentWnd(parent) {}

    // Creates the dialog from its template with the parent (by default the application's main
    // window) disabled, runs the modal loop until
    // EndDialog, hides the dialog, enables the parent again and calls DestroyWindow. Returns the
    // code given to EndDialog, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    // Creates the dialog without a modal loop.
    virtual bool Create(UINT templateId, HWND parent);

    // Runs at WM_INITDIALOG: binds the controls; true lets the dialog manager set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void DoDataExchange(CDataExchange*) {}
    // A quit request (WM_QUIT) reached the modal loop. False, the default, ends the modal run and
    // passes the request on to the loop outside; true keeps the dialog running, which then
    // answers for the request itself.
    virtual bool KeepRunningOnQuit(int /*exitCode*/) { return false; }
    BOOL PreTranslateMessage(MSG* message) override;

    bool UpdateData(bool saveAndValidate = true);
    // Ends the modal loop with `result` once the current message is handled.
    void EndDialog(int result);

    BEGIN_MSG_MAP(CDialog)
    MESSAGE_HANDLER(WM_INITDIALOG, HandleInitDialog)
    COMMAND_ID_HANDLER(IDOK, HandleOK)
    COMMAND_ID_HANDLER(IDCANCEL, HandleCancel)
    END_MSG_MAP()

protected:
    UINT m_nIDTemplate;
    HWND m_hParentWnd;

private:
    static INT_PTR CALLBACK StartDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND parent);
    bool PreTranslateInput(MSG& message);

    LRESULT HandleInitDialog(UINT, WPARAM, LPARAM, bool&) { return OnInitDialog(); }
    LRESULT HandleOK(WORD, WORD, HWND, bool&) {
        OnOK();
        return 0;
    }
    LRESULT HandleCancel(WORD, WORD, HWND, bool&) {
        OnCancel();
        return 0;
    }

    int m_nModalResult = -1;
};
