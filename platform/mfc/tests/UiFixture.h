// Shared set-up of the window classes' tests: a window manager on the null driver, and a fake
// control class whose procedure the tests can watch.
#pragma once

#include "afxwin.h"
#include "win32/uidriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mfctest
{

// Every message the fake control's procedure saw, in order.
std::vector<UINT>& FakeLog();
// "KelFake": answers BM_GET/SETCHECK (kept in the user data), WM_GETDLGCODE (radio styles say
// DLGC_RADIOBUTTON), EM_SETSEL (recorded in FakeLastSel), WM_APP+5 with 42; list-box and
// combo-box messages keep a list of strings; the rest goes to DefWindowProc.
extern const char* const kFakeClass;
std::pair<WPARAM, LPARAM>& FakeLastSel();

class UiFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A hidden top-level window of the framework's class, attached to wnd.
    void CreateTop(CWnd& wnd);
    // A child of the fake class.
    HWND CreateFake(HWND hParent, int id, DWORD style = 0, const char* text = "");
};

} // namespace mfctest
