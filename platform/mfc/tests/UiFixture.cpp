#include "UiFixture.h"

#include <map>

namespace mfctest
{

const char* const kFakeClass = "KelFake";

std::vector<UINT>& FakeLog()
{
    static std::vector<UINT> log;
    return log;
}

std::pair<WPARAM, LPARAM>& FakeLastSel()
{
    static std::pair<WPARAM, LPARAM> sel;
    return sel;
}

namespace
{

struct FakeList
{
    std::vector<std::string> items;
    int cur = -1;
};

std::map<HWND, FakeList>& Lists()
{
    static std::map<HWND, FakeList> lists;
    return lists;
}

int Find(const FakeList& list, LPARAM lParam, bool exact)
{
    const std::string wanted = reinterpret_cast<LPCSTR>(lParam);
    for (size_t i = 0; i < list.items.size(); ++i)
    {
        const std::string& item = list.items[i];
        if (exact ? CString(item.c_str()).CompareNoCase(wanted.c_str()) == 0
                  : CString(item.substr(0, wanted.size()).c_str()).CompareNoCase(wanted.c_str()) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

LRESULT CALLBACK FakeProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FakeLog().push_back(msg);
    FakeList& list = Lists()[hWnd];
    switch (msg)
    {
    case BM_GETCHECK:
        return ::GetWindowLongPtr(hWnd, GWLP_USERDATA);
    case BM_SETCHECK:
        ::SetWindowLongPtr(hWnd, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
        return 0;
    case WM_GETDLGCODE:
    {
        const DWORD type = static_cast<DWORD>(::GetWindowLong(hWnd, GWL_STYLE)) & BS_TYPEMASK;
        return type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON ? DLGC_RADIOBUTTON : 0;
    }
    case EM_SETSEL:
        FakeLastSel() = {wParam, lParam};
        return 0;
    case WM_APP + 5:
        return 42;
    case LB_ADDSTRING:
    case CB_ADDSTRING:
        list.items.emplace_back(reinterpret_cast<LPCSTR>(lParam));
        return static_cast<LRESULT>(list.items.size() - 1);
    case LB_GETCOUNT:
    case CB_GETCOUNT:
        return static_cast<LRESULT>(list.items.size());
    case LB_GETCURSEL:
    case CB_GETCURSEL:
        return list.cur;
    case LB_SETCURSEL:
    case CB_SETCURSEL:
        list.cur =
            static_cast<int>(wParam) < static_cast<int>(list.items.size()) ? static_cast<int>(wParam) : -1;
        return list.cur;
    case LB_GETTEXTLEN:
    case CB_GETLBTEXTLEN:
        return wParam < list.items.size() ? static_cast<LRESULT>(list.items[wParam].size()) : LB_ERR;
    case LB_GETTEXT:
    case CB_GETLBTEXT:
        if (wParam >= list.items.size())
            return LB_ERR;
        strcpy(reinterpret_cast<LPSTR>(lParam), list.items[wParam].c_str());
        return static_cast<LRESULT>(list.items[wParam].size());
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
    case CB_FINDSTRINGEXACT:
        return Find(list, lParam, msg != LB_FINDSTRING);
    case CB_SELECTSTRING:
        list.cur = Find(list, lParam, false);
        return list.cur;
    case WM_NCDESTROY:
        Lists().erase(hWnd);
        break;
    }
    return ::DefWindowProc(hWnd, msg, wParam, lParam);
}

} // namespace

void UiFixture::SetUp()
{
    ASSERT_TRUE(kel::ui::Initialize());
    WNDCLASS wc{};
    wc.lpfnWndProc = FakeProc;
    wc.lpszClassName = kFakeClass;
    ASSERT_NE(::RegisterClass(&wc), 0);
    FakeLog().clear();
    FakeLastSel() = {};
}

void UiFixture::TearDown()
{
    CWnd::DeleteTempMap();
    CMenu::DeleteTempMap();
    kel::ui::Shutdown();
    ::UnregisterClass(kFakeClass, nullptr);
}

void UiFixture::CreateTop(CWnd& wnd)
{
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "top", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
}

HWND UiFixture::CreateFake(HWND hParent, int id, DWORD style, const char* text)
{
    return ::CreateWindowEx(0, kFakeClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 50, 20, hParent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

} // namespace mfctest
