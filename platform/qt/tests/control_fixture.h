// A dialog-like parent window that records what its controls tell it.
#pragma once

#include <windows.h>

#include "../controls/Controls.h"
#include "testkit/UiTest.h"

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

#include <functional>
#include <vector>

namespace kel::qt::controls::test
{

// One message the parent received. a..d carry the fields the tests look at (see Record).
struct Note
{
    UINT msg = 0;
    int id = 0;
    int code = 0;
    HWND from = nullptr;
    int a = 0, b = 0, c = 0, d = 0;
};

class ControlTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A visible child control of the parent.
    HWND Make(const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy, int id);
    static QWidget* W(HWND hwnd) { return WidgetOf(hwnd); }

    // User input delivered to a widget as the window system would (pos in widget coordinates;
    // default: the centre).
    static void Click(QWidget* w, QPoint pos = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton,
                      bool dbl = false)
    {
        if (pos.x() < 0)
            pos = w->rect().center();
        const QPointF global = w->mapToGlobal(QPointF(pos));
        auto send = [&](QEvent::Type t, Qt::MouseButtons buttons)
        {
            QMouseEvent e(t, QPointF(pos), global, button, buttons, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &e);
        };
        send(QEvent::MouseButtonPress, button);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        if (dbl)
        {
            send(QEvent::MouseButtonDblClick, button);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
        }
    }
    static void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                    const QString& text = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, text);
        QCoreApplication::sendEvent(w, &release);
    }
    // Types printable ASCII characters.
    static void Type(QWidget* w, const char* text)
    {
        for (const char* p = text; *p; ++p)
        {
            const QChar c = QLatin1Char(*p);
            const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
            Key(w, key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
        }
    }
    static QWidget* Focus() { return QApplication::focusWidget(); }
    // Notifications of one kind (msg, and code unless -1).
    static std::vector<Note> Notes(UINT msg, int code = -1);
    static void Clear() { notes.clear(); }

    HWND parent = nullptr;
    static std::vector<Note> notes;
    // Answers a message before recording; return true with *result set to handle it.
    static std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)> hook;

private:
    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

inline std::vector<Note> ControlTest::notes;
inline std::function<bool(UINT, WPARAM, LPARAM, LRESULT*)> ControlTest::hook;

inline void ControlTest::SetUp()
{
    UiTest::SetUp();
    notes.clear();
    hook = nullptr;
    WNDCLASS wc{};
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = "ControlTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClass(&wc); // already there from an earlier test is fine
    parent = CreateWindowEx(0, "ControlTestParent", "Controls", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 10,
                            10, 480, 360, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    Pump(5);
}

inline void ControlTest::TearDown()
{
    hook = nullptr;
    if (IsWindow(parent))
        DestroyWindow(parent);
    UiTest::TearDown();
}

inline HWND ControlTest::Make(const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy,
                              int id)
{
    HWND h = CreateWindowEx(0, cls, text, style | WS_CHILD | WS_VISIBLE, x, y, cx, cy, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    EXPECT_NE(h, nullptr) << cls;
    EXPECT_NE(W(h), nullptr) << cls;
    return h;
}

inline std::vector<Note> ControlTest::Notes(UINT msg, int code)
{
    std::vector<Note> out;
    for (const Note& n : notes)
        if (n.msg == msg && (code == -1 || n.code == code))
            out.push_back(n);
    return out;
}

inline LRESULT CALLBACK ControlTest::ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (hook && hook(msg, wp, lp, &result))
        return result;
    Note n;
    n.msg = msg;
    switch (msg)
    {
    case WM_COMMAND:
        n.id = LOWORD(wp);
        n.code = HIWORD(wp);
        n.from = reinterpret_cast<HWND>(lp);
        notes.push_back(n);
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        n.code = LOWORD(wp);
        n.a = static_cast<short>(HIWORD(wp));
        n.from = reinterpret_cast<HWND>(lp);
        notes.push_back(n);
        return 0;
    case WM_DRAWITEM:
    {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        n.id = static_cast<int>(dis->CtlID);
        n.code = static_cast<int>(dis->CtlType);
        n.from = dis->hwndItem;
        n.a = static_cast<int>(dis->itemID);
        n.b = static_cast<int>(dis->itemState);
        n.c = static_cast<int>(dis->itemAction);
        n.d = dis->rcItem.bottom - dis->rcItem.top;
        notes.push_back(n);
        return TRUE;
    }
    case WM_NOTIFY:
    {
        auto* h = reinterpret_cast<NMHDR*>(lp);
        n.id = static_cast<int>(h->idFrom);
        n.code = static_cast<int>(h->code);
        n.from = h->hwndFrom;
        if (h->code == NM_CLICK || h->code == NM_DBLCLK || h->code == NM_RCLICK)
        {
            auto* ia = reinterpret_cast<NMITEMACTIVATE*>(lp);
            n.a = ia->iItem, n.b = ia->iSubItem, n.c = ia->ptAction.x, n.d = ia->ptAction.y;
        }
        else if (h->code == LVN_ITEMCHANGED)
        {
            auto* lv = reinterpret_cast<NMLISTVIEW*>(lp);
            n.a = lv->iItem, n.b = static_cast<int>(lv->uOldState), n.c = static_cast<int>(lv->uNewState),
            n.d = static_cast<int>(lv->uChanged);
        }
        else if (h->code == UDN_DELTAPOS)
        {
            auto* ud = reinterpret_cast<NMUPDOWN*>(lp);
            n.a = ud->iPos, n.b = ud->iDelta;
        }
        else if (h->code == LVN_COLUMNCLICK)
            n.b = reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem;
        else if (h->code == HDN_ITEMCHANGED || h->code == HDN_ENDTRACK)
        {
            auto* hd = reinterpret_cast<NMHEADER*>(lp);
            n.a = hd->iItem;
            n.b = hd->pitem ? hd->pitem->cxy : -1;
        }
        notes.push_back(n);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wp, lp);
}

} // namespace kel::qt::controls::test
