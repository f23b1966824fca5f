// Dialog layout from the template at a chosen resolution.
#include "Controls/DialogFontAdjuster.h"

#include <functional>
#include <optional>
#include <string>

#include "Controls/DialogTemplate.h"
#include "Controls/DialogUnits.h"
#include "framework/Dc.h"
#include "framework/Selection.h"

namespace {

std::optional<DialogTemplate> LoadTemplate(HMODULE module, int templateId) {
    const LPCSTR name = MAKEINTRESOURCEA(templateId & 0xFFFF);
    HRSRC resource = FindResourceA(module, name, RT_DIALOG);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return std::nullopt;
    return ParseDialogTemplate(static_cast<const std::uint8_t*>(data), SizeofResource(module, resource));
}

// Calls `visit` with each control of the dialog in template order: each is looked for among the
// siblings after the previous one's window; the walk ends at the first that is not found.
void ForEachTemplateControl(HWND dialog, const DialogTemplate& dialogTemplate,
                            const std::function<void(HWND, const DialogTemplateItem&)>& visit) {
    HWND next = GetWindow(dialog, GW_CHILD);
    for (const DialogTemplateItem& item : dialogTemplate.items) {
        HWND control = next;
        while (control != nullptr && static_cast<std::uint32_t>(GetDlgCtrlID(control)) != item.id)
            control = GetWindow(control, GW_HWNDNEXT);
        if (control == nullptr)
            return;
        visit(control, item);
        next = GetWindow(control, GW_HWNDNEXT);
    }
}

} // namespace

void CDialogFontAdjuster::Apply(HMODULE module, HWND dialog, int templateId, double pixelsPerInch) {
    if (m_hDialog != nullptr)
        Restore();
    m_hModule = module;
    m_nTemplateId = templateId;
    m_hDialog = dialog;

    const std::optional<DialogTemplate> dialogTemplate = LoadTemplate(module, templateId);
    if (!dialogTemplate)
        return;
    const TemplateFontInfo& font = dialogTemplate->font;
    const std::wstring face(font.faceName.begin(), font.faceName.end());
    m_font.Attach(CreateFontW(FontHeightForPoints(font.pointSize, pixelsPerInch), 0, 0, 0, font.weight,
                              font.italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              face.c_str()));
    m_hPreviousFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);

    // Base units of the new font, measured on the dialog's own DC.
    TEXTMETRICW metrics{};
    SIZE letters{0, 0};
    {
        CClientDC dc(dialog);
        CSelectObject selected(dc, m_font);
        GetTextMetricsW(dc, &metrics);
        GetTextExtentPoint32W(dc, L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &letters);
    }
    const int bx = HorizontalBaseUnit(letters.cx);
    const int by = metrics.tmHeight;

    RECT rect;
    GetClientRect(dialog, &rect);
    rect.right = rect.left + DialogUnitsToPixelsX(dialogTemplate->cx, bx);
    rect.bottom = rect.top + DialogUnitsToPixelsY(dialogTemplate->cy, by);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    AdjustWindowRectEx(&rect, dialogTemplate->style, dialogTemplate->hasMenu, dialogTemplate->exStyle);
    MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);

    ForEachTemplateControl(dialog, *dialogTemplate, [&](HWND control, const DialogTemplateItem& item) {
        MoveWindow(control, DialogUnitsToPixelsX(item.x, bx), DialogUnitsToPixelsY(item.y, by),
                   DialogUnitsToPixelsX(item.cx, bx), DialogUnitsToPixelsY(item.cy, by), TRUE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.GetSafeHandle()), TRUE);
    });
}

void CDialogFontAdjuster::Restore() {
    if (m_hDialog == nullptr)
        return;
    if (IsWindow(m_hDialog)) {
        SendMessageW(m_hDialog, WM_SETFONT, reinterpret_cast<WPARAM>(m_hPreviousFont), TRUE);
        if (const std::optional<DialogTemplate> dialogTemplate = LoadTemplate(m_hModule, m_nTemplateId)) {
            ForEachTemplateControl(m_hDialog, *dialogTemplate, [&](HWND control, const DialogTemplateItem&) {
                SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(m_hPreviousFont), TRUE);
            });
        }
    }
    m_font.DeleteObject();
    m_hDialog = nullptr;
    m_hPreviousFont = nullptr;
}
