// The layered dialog base.
#include "Controls/TransparentDialogBase.h"

#include "Controls/DragLimits.h"
#include "framework/Dc.h"
#include "framework/Gdi.h"
#include "framework/Selection.h"
#include "framework/WinApp.h"

namespace {

constexpr char kLayerClass[] = "TranFakeWnd";
constexpr DWORD kLayerExStyle = WS_EX_LAYERED | WS_EX_NOINHERITLAYOUT | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT;

// SetWindowPos flags of the layer window for each way the dialog moves.
constexpr UINT kFollowMove = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER; // 0x215
constexpr UINT kFollowDisplay = SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER;               // 0x205
constexpr UINT kSizeOnly = SWP_NOMOVE | SWP_NOZORDER;                                        // 6

CPoint NormalTopLeft(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return CPoint(placement.rcNormalPosition.left, placement.rcNormalPosition.top);
}

} // namespace

HWND CTransparentDialogBase::CreateLayerWindow(HWND parent, HWND dialog) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExA(module, kLayerClass, &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kLayerClass;
        RegisterClassExA(&windowClass);
    }
    HWND owner = parent != nullptr ? parent : GetActiveWindow();
    RECT rect{0, 0, 0, 0};
    if (dialog != nullptr)
        ::GetWindowRect(dialog, &rect);
    return CreateWindowExA(kLayerExStyle, kLayerClass, nullptr, WS_POPUP, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, owner, nullptr, module, nullptr);
}

CTransparentDialogBase::CTransparentDialogBase(WORD pngId, UINT templateId, HWND parent, bool movable)
    : CDialog(templateId, nullptr), m_bMovable(movable), m_nTemplateId(templateId) {
    m_layer.Attach(CreateLayerWindow(parent, nullptr));
    m_hParentWnd = m_layer; // the layer window owns the dialog, which stays in front of it
    if (pngId != 0) {
        m_png.ReleaseImage();
        if (m_png.LoadFromResource(pngId)) {
            m_nImageWidth = m_png.GetImageWidth();
            m_nImageHeight = m_png.GetImageHeight();
        }
    }
}

CTransparentDialogBase::~CTransparentDialogBase() {
    // A dialog that never ran still made its layer window.
    DestroyLayerWindow();
}

void CTransparentDialogBase::DestroyLayerWindow() {
    if (m_layer == nullptr)
        return;
    m_layer.Destroy();
    // Fails without effect while another dialog's layer window exists.
    UnregisterClassA(kLayerClass, GetModuleHandleA(nullptr));
}

INT_PTR CTransparentDialogBase::DoModal() {
    if (m_bModalRunning) {
        SendMessage(WM_SHOWWINDOW, TRUE, 0);
        return 0;
    }
    m_bModalRunning = TRUE;
    if (HWND owner = ::GetParent(m_layer))
        ::EnableWindow(owner, FALSE);
    return CDialog::DoModal();
}

bool CTransparentDialogBase::Create(UINT templateId, HWND parent) {
    m_nTemplateId = templateId;
    // The constructor's layer window was made for the constructor's parent; make a new one.
    DestroyLayerWindow();
    m_layer.Attach(CreateLayerWindow(parent, nullptr));
    return CDialog::Create(templateId, m_layer);
}

BOOL CTransparentDialogBase::OnInitDialog() {
    ModifyStyle(WS_CAPTION | DS_MODALFRAME, 0);
    ModifyStyleEx(WS_EX_DLGMODALFRAME, 0);
    CDialog::OnInitDialog();
    m_fontAdjuster.Apply(AfxFindResourceHandle(MAKEINTRESOURCEA(m_nTemplateId), RT_DIALOG), m_hWnd,
                         static_cast<int>(m_nTemplateId), 96.0);
    if (m_png.HasImage()) {
        const int width = static_cast<int>(m_nImageWidth);
        const int height = static_cast<int>(m_nImageHeight);
        SetWindowPos(nullptr, 0, 0, width, height, kSizeOnly);
        ::SetWindowPos(m_layer, nullptr, 0, 0, width, height, kSizeOnly);
        SetWindowRgn(m_hWnd, m_png.CreateOpaqueRegion(), TRUE);
        m_skinBitmap.Attach(m_png.CreatePremultipliedDib());
        m_png.GetLastStatus();
    }
    UpdateLayeredImage();
    return TRUE;
}

void CTransparentDialogBase::UpdateLayeredImage() {
    if (!IsWindow(m_layer) || !m_skinBitmap)
        return;
    RECT layer;
    ::GetWindowRect(m_layer, &layer);
    POINT destination{layer.left, layer.top};
    SIZE size{static_cast<LONG>(m_nImageWidth), static_cast<LONG>(m_nImageHeight)};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    CClientDC layerDc(m_layer);
    CBitmapDC skin(layerDc, m_skinBitmap);
    UpdateLayeredWindow(m_layer, layerDc, &destination, &size, skin, &source, 0, &blend, ULW_ALPHA);
}

void CTransparentDialogBase::OnOK() {
    CDialog::OnOK();
    m_bModalRunning = FALSE;
}

void CTransparentDialogBase::OnCancel() {
    CDialog::OnCancel();
    m_bModalRunning = FALSE;
}

void CTransparentDialogBase::EndModalWith(int result) {
    EndDialog(result);
    m_bModalRunning = FALSE;
}

bool CTransparentDialogBase::DestroyWindow() {
    m_bModalRunning = FALSE;
    if (HWND owner = ::GetParent(m_layer))
        ::EnableWindow(owner, TRUE);
    ::ShowWindow(m_layer, SW_HIDE);
    m_skinBitmap.DeleteObject();
    return CDialog::DestroyWindow();
}

void CTransparentDialogBase::PostNcDestroy() {
    CDialog::PostNcDestroy();
    DestroyLayerWindow();
}

LRESULT CTransparentDialogBase::OnLButtonDown(UINT, WPARAM, LPARAM lParam, bool&) {
    m_ptDragAnchor = CPoint(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    m_bDragging = TRUE;
    m_rcDragWindow = GetWindowRect();
    SetCapture(m_hWnd);
    return 0;
}

LRESULT CTransparentDialogBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool&) {
    m_bDragging = FALSE;
    ReleaseCapture();
    return 0;
}

LRESULT CTransparentDialogBase::OnEraseBkgnd(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    const LRESULT erased = Default(message, wParam, lParam);
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (m_skinBitmap) {
        const CRect client = GetClientRect();
        CBitmapDC skin(dc, m_skinBitmap);
        ::StretchBlt(dc, 0, 0, client.Width(), client.Height(), skin, 0, 0, static_cast<int>(m_nImageWidth),
                     static_cast<int>(m_nImageHeight), SRCCOPY);
    }
    return erased;
}

LRESULT CTransparentDialogBase::OnMove(UINT, WPARAM, LPARAM lParam, bool&) {
    const UINT show = IsWindowVisible() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    ::SetWindowPos(m_layer, nullptr, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                   0, 0, kFollowMove | show);
    return 0;
}

LRESULT CTransparentDialogBase::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if (m_bDragging) {
        const CPoint point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        if (GetStyle() & WS_VISIBLE) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(m_hWnd, &placement);
            const RECT& n = placement.rcNormalPosition;
            RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            if (DragStepRefused({n.left, n.top, n.right, n.bottom},
                                {work.left, work.top, work.right, work.bottom}, m_ptDragAnchor.y, point.y)) {
                m_ptDragAnchor = point;
                return Default(message, wParam, lParam);
            }
        }
        if (GetAsyncKeyState(VK_LBUTTON) & 0x8000)
            DragMoveTo(point);
    }
    return Default(message, wParam, lParam);
}

void CTransparentDialogBase::DragMoveTo(const CPoint& point) {
    if (!m_bMovable)
        return;
    CRect rect = m_rcDragWindow;
    rect.OffsetRect(point.x - m_ptDragAnchor.x, point.y - m_ptDragAnchor.y);
    MoveWindow(rect, true);
    ::SetWindowPos(m_layer, m_hWnd, rect.left, rect.top, 0, 0, kFollowMove);
    m_rcDragWindow = GetWindowRect();
}

LRESULT CTransparentDialogBase::OnShowWindow(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    ::ShowWindow(m_layer, wParam ? SW_SHOWDEFAULT : SW_HIDE);
    const CPoint topLeft = NormalTopLeft(m_hWnd);
    ::SetWindowPos(m_layer, m_hWnd, topLeft.x, topLeft.y, 0, 0, kFollowMove);
    return Default(message, wParam, lParam);
}

LRESULT CTransparentDialogBase::OnNestedEnable(UINT, WPARAM wParam, LPARAM, bool&) {
    m_nEnableCount += wParam ? 1 : -1;
    EnableWindow(m_nEnableCount >= 0);
    return 0;
}

void CTransparentDialogBase::AlignLayerToWindowRect() {
    const CRect rect = GetWindowRect();
    const UINT show = IsWindowVisible() ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    ::SetWindowPos(m_layer, nullptr, rect.left, rect.top, 0, 0, kFollowDisplay | show);
}

LRESULT CTransparentDialogBase::OnDisplayChange(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    AlignLayerToWindowRect();
    return Default(message, wParam, lParam);
}

LRESULT CTransparentDialogBase::OnSettingChange(UINT, WPARAM wParam, LPARAM, bool&) {
    if (wParam == SPI_SETWORKAREA)
        AlignLayerToWindowRect();
    return 0;
}
