// The text parameter dialog: face, size, colour, style and text of a font block. It edits a working
// copy and writes it over the caller's block only on OK.
#include "PlotkitInternal.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace plotkit
{
namespace
{

// One dialog at a time.
struct TextDialogState
{
    bool open = false;
    FontDesc* caller = nullptr;
    FontDesc working{};
    char text[PK_TEXT_MAX + 1] = {};
};

TextDialogState& State()
{
    static TextDialogState state;
    return state;
}

// Sizes in points that a face offers, measured in twips on the printer or the display; a face that
// reports a single size (or repeats one) offers 8, 10 and 14.
std::vector<int> FaceSizes(const char* face)
{
    std::vector<int> sizes;
    HDC ic = CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    if (ic)
    {
        SetMapMode(ic, MM_ANISOTROPIC);
        SetWindowExtEx(ic, 1440, 1440, nullptr);
        SetViewportExtEx(ic, GetDeviceCaps(ic, LOGPIXELSX), GetDeviceCaps(ic, LOGPIXELSY), nullptr);
        EnumFonts(
            ic, face,
            [](const LOGFONT*, const TEXTMETRIC* tm, DWORD, LPARAM data) -> int
            {
                auto* list = reinterpret_cast<std::vector<int>*>(data);
                list->push_back((tm->tmHeight - tm->tmInternalLeading) / 20);
                return list->size() < 8;
            },
            reinterpret_cast<LPARAM>(&sizes));
        DeleteDC(ic);
    }
    if (sizes.size() <= 1 || sizes[0] == sizes[1] || (sizes.size() > 2 && sizes[1] == sizes[2]))
        sizes = {8, 10, 14};
    return sizes;
}

void FillSizes(HWND dialog, const char* face)
{
    // The typed size stays when the list changes.
    char typed[16] = {};
    GetDlgItemText(dialog, IDC_TEXT_SIZE, typed, sizeof typed);
    SendDlgItemMessage(dialog, IDC_TEXT_SIZE, CB_RESETCONTENT, 0, 0);
    for (int size : FaceSizes(face))
        SendDlgItemMessage(dialog, IDC_TEXT_SIZE, CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(std::to_string(size).c_str()));
    SetDlgItemText(dialog, IDC_TEXT_SIZE, typed);
}

std::string FaceText(HWND dialog)
{
    char face[LF_FACESIZE] = {};
    const LRESULT sel = SendDlgItemMessage(dialog, IDC_TEXT_FACE, CB_GETCURSEL, 0, 0);
    if (sel != CB_ERR)
        SendDlgItemMessage(dialog, IDC_TEXT_FACE, CB_GETLBTEXT, static_cast<WPARAM>(sel),
                           reinterpret_cast<LPARAM>(face));
    else
        GetDlgItemText(dialog, IDC_TEXT_FACE, face, sizeof face);
    return face;
}

void InitDialog(HWND dialog)
{
    TextDialogState& s = State();
    FontDesc& f = s.working;
    if (f.colorIndex < 0)
    {
        EnableWindow(GetDlgItem(dialog, IDC_TEXT_COLOR), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_TEXT_COLOR_LABEL), FALSE);
    }
    else
    {
        for (int i = 0; i < 20; ++i)
            SendDlgItemMessage(dialog, IDC_TEXT_COLOR, CB_ADDSTRING, 0,
                               reinterpret_cast<LPARAM>(LoadText(112 + i).c_str()));
        SendDlgItemMessage(dialog, IDC_TEXT_COLOR, CB_SETCURSEL, static_cast<WPARAM>(f.colorIndex), 0);
    }
    for (int i = 0; i < FaceCount(); ++i)
        SendDlgItemMessage(dialog, IDC_TEXT_FACE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FaceName(i)));
    const int face = FindFaceByName(f.logFont.lfFaceName);
    if (face >= 0)
        SendDlgItemMessage(dialog, IDC_TEXT_FACE, CB_SETCURSEL, static_cast<WPARAM>(face), 0);
    else
        SetDlgItemText(dialog, IDC_TEXT_FACE, f.logFont.lfFaceName);
    FillSizes(dialog, f.logFont.lfFaceName);
    SetDlgItemInt(dialog, IDC_TEXT_SIZE, static_cast<UINT>(std::max<int>(f.currentSize, 0)), FALSE);
    CheckDlgButton(dialog, IDC_TEXT_BOLD, f.logFont.lfWeight >= FW_BOLD ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_TEXT_ITALIC, f.logFont.lfItalic ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_TEXT_UNDERLINE, f.logFont.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
    if (f.text == nullptr)
    {
        EnableWindow(GetDlgItem(dialog, IDC_TEXT_TEXT), FALSE);
        EnableWindow(GetDlgItem(dialog, IDC_TEXT_TEXT_LABEL), FALSE);
    }
    else
    {
        const int capacity = std::clamp(f.textCapacity, 0, static_cast<INT>(PK_TEXT_MAX));
        std::memset(s.text, 0, sizeof s.text);
        std::strncpy(s.text, f.text, static_cast<size_t>(capacity));
        SendDlgItemMessage(dialog, IDC_TEXT_TEXT, EM_LIMITTEXT, static_cast<WPARAM>(capacity), 0);
        SetDlgItemText(dialog, IDC_TEXT_TEXT, s.text);
    }
}

void Accept(HWND dialog)
{
    TextDialogState& s = State();
    FontDesc& f = s.working;
    if (f.colorIndex >= 0)
    {
        const LRESULT colour = SendDlgItemMessage(dialog, IDC_TEXT_COLOR, CB_GETCURSEL, 0, 0);
        if (colour != CB_ERR)
            f.colorIndex = static_cast<SHORT>(colour);
    }
    const LRESULT listed = SendDlgItemMessage(dialog, IDC_TEXT_SIZE, CB_GETCURSEL, 0, 0);
    char size[16] = {};
    if (listed != CB_ERR)
        SendDlgItemMessage(dialog, IDC_TEXT_SIZE, CB_GETLBTEXT, static_cast<WPARAM>(listed),
                           reinterpret_cast<LPARAM>(size));
    else
        GetDlgItemText(dialog, IDC_TEXT_SIZE, size, sizeof size);
    const int points = std::atoi(size);
    if (points > 0)
        f.currentSize = static_cast<SHORT>(std::min(points, 1000));
    f.sizeIndex = static_cast<SHORT>(listed == CB_ERR ? -1 : listed);
    const int face = FindFaceByName(FaceText(dialog).c_str());
    if (face >= 0)
        TakeFace(f, face);
    f.changed = 1;
    char* text = s.caller->text;
    const INT capacity = s.caller->textCapacity;
    *s.caller = f;
    if (text && capacity > 0)
    {
        GetDlgItemText(dialog, IDC_TEXT_TEXT, s.text, sizeof s.text);
        std::strncpy(text, s.text, static_cast<size_t>(std::min(capacity, static_cast<INT>(PK_TEXT_MAX))));
        text[std::min(capacity, static_cast<INT>(PK_TEXT_MAX))] = 0;
    }
}

void Close(HWND dialog, INT_PTR result)
{
    State().open = false;
    State().caller = nullptr;
    EndDialog(dialog, result);
}

} // namespace
} // namespace plotkit

using namespace plotkit;

INT_PTR CALLBACK TextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    TextDialogState& s = State();
    switch (message)
    {
    case WM_INITDIALOG:
        if (s.open || lParam == 0)
        {
            EndDialog(dialog, 2);
            return TRUE;
        }
        s.open = true;
        s.caller = reinterpret_cast<FontDesc*>(lParam);
        s.working = *s.caller;
        InitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        if (s.caller == nullptr)
            break;
        switch (LOWORD(wParam))
        {
        case IDC_TEXT_FACE:
            if (HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_EDITCHANGE)
                FillSizes(dialog, FaceText(dialog).c_str());
            return TRUE;
        case IDC_TEXT_BOLD:
            s.working.logFont.lfWeight = s.working.logFont.lfWeight >= FW_BOLD ? FW_NORMAL : FW_BOLD;
            return TRUE;
        case IDC_TEXT_ITALIC:
            s.working.logFont.lfItalic = s.working.logFont.lfItalic ? 0 : 1;
            return TRUE;
        case IDC_TEXT_UNDERLINE:
            s.working.logFont.lfUnderline = s.working.logFont.lfUnderline ? 0 : 1;
            return TRUE;
        case IDOK:
            Accept(dialog);
            Close(dialog, 3);
            return TRUE;
        case IDCANCEL:
            Close(dialog, 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
