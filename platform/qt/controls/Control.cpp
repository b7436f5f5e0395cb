#include "Control.h"

#include "../src/QtGdi.h"
#include "../src/KeyMap.h"
#include "win32/codepage.h"
#include "win32/uidriver.h"

#include <QtCore/QCoreApplication>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QAbstractSlider>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace kel::qt::controls
{

QString ToQt(std::string_view cp1252)
{
    return QString::fromStdString(kel::Cp1252ToUtf8(cp1252));
}

std::string FromQt(const QString& text)
{
    return kel::Utf8ToCp1252(text.toStdString());
}

int CopyOut(const std::string& text, char* buf, int cch)
{
    if (!buf || cch <= 0)
        return 0;
    const int n = std::min<int>(static_cast<int>(text.size()), cch - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return n;
}

namespace
{
// Control objects by window; only the user-interface thread touches controls.
std::unordered_map<HWND, std::unique_ptr<Control>>& Table()
{
    static std::unordered_map<HWND, std::unique_ptr<Control>> table;
    return table;
}

int g_replaying = 0;

// Virtual keys a replay turns back into Qt keys.
struct KeyPair
{
    UINT vk;
    int key;
};
constexpr KeyPair kReplayKeys[] = {
    {VK_LEFT, Qt::Key_Left},      {VK_RIGHT, Qt::Key_Right},   {VK_UP, Qt::Key_Up},
    {VK_DOWN, Qt::Key_Down},      {VK_HOME, Qt::Key_Home},     {VK_END, Qt::Key_End},
    {VK_PRIOR, Qt::Key_PageUp},   {VK_NEXT, Qt::Key_PageDown}, {VK_DELETE, Qt::Key_Delete},
    {VK_INSERT, Qt::Key_Insert},  {VK_F4, Qt::Key_F4},         {VK_SPACE, Qt::Key_Space},
    {VK_RETURN, Qt::Key_Return},  {VK_ESCAPE, Qt::Key_Escape}, {VK_TAB, Qt::Key_Tab},
    {VK_BACK, Qt::Key_Backspace},
};

// A left button press or release the window system delivered as a message (mouse_event, scripted
// input) reaches the button or scrollbar under the point as Qt's own mouse event.
void ReplayMouse(QWidget* widget, UINT msg, LPARAM lp)
{
    if (widget == nullptr)
        return;
    QPoint pos(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    QWidget* target = widget;
    if (QWidget* child = widget->childAt(pos))
    {
        pos = child->mapFrom(widget, pos);
        target = child;
    }
    // Only widgets that take the press themselves: an ignored press would climb to the surface,
    // which posts it as a message again.
    if (!qobject_cast<QAbstractButton*>(target) && !qobject_cast<QAbstractSlider*>(target))
        return;
    const bool down = msg == WM_LBUTTONDOWN;
    const QPointF global = target->mapToGlobal(QPointF(pos));
    QMouseEvent e(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, QPointF(pos), global,
                  Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

bool MakesText(UINT vk)
{
    return vk == VK_SPACE || vk == VK_RETURN || vk == VK_TAB || vk == VK_BACK || (vk >= '0' && vk <= '9') ||
           (vk >= 'A' && vk <= 'Z');
}

// The character a Qt key press makes in cp1252 (control characters for Ctrl+letter, Backspace,
// Enter, Tab and Escape as the Windows keyboard makes them); 0 when none.
int CharacterOf(const QKeyEvent& e)
{
    const int key = e.key();
    if ((e.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    switch (key)
    {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Escape:
        return 27;
    default:
        break;
    }
    const QString t = e.text();
    if (t.size() != 1 || t[0].unicode() < 0x20)
        return 0;
    const int c = kel::CodePointToCp1252(t[0].unicode());
    return c < 0 ? 0 : c;
}
} // namespace

Control::Control(HWND hwnd) : hwnd_(hwnd) {}

Control::~Control()
{
    if (widget_)
        widget_->deleteLater();
}

DWORD Control::Style() const
{
    return static_cast<DWORD>(GetWindowLongPtr(hwnd_, GWL_STYLE));
}

int Control::Id() const
{
    return GetDlgCtrlID(hwnd_);
}

HWND Control::Parent() const
{
    return GetParent(hwnd_);
}

void Control::Command(int code)
{
    if (HWND p = Parent())
        SendMessage(p, WM_COMMAND, MAKEWPARAM(Id(), code), reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT Control::Notify(NMHDR* hdr, UINT code, HWND to)
{
    hdr->hwndFrom = hwnd_;
    hdr->idFrom = static_cast<UINT_PTR>(Id());
    hdr->code = code;
    if (!to)
        to = Parent();
    return to ? SendMessage(to, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr)) : 0;
}

void Control::ApplyParentColors(UINT ctlColorMsg)
{
    HWND parent = Parent();
    if (!parent || !widget_)
        return;
    // A DC without pixels: it only carries the colours the owner sets.
    HDC dc = kel::gdi::CreateDc(nullptr, hwnd_);
    if (!dc)
        return;
    const LRESULT r =
        SendMessage(parent, ctlColorMsg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd_));
    const COLORREF text = GetTextColor(dc);
    kel::gdi::DestroyDc(dc);

    // The owner's text colour is for the enabled control; a disabled one draws grey text whatever
    // the owner chose, so the Disabled group keeps the system's grey. Scroll bars have no text.
    QPalette pal = widget_->palette();
    const bool scroll = ctlColorMsg == WM_CTLCOLORSCROLLBAR;
    const QColor grey = ToQColor(GetSysColor(COLOR_GRAYTEXT));
    if (!scroll)
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        {
            pal.setColor(QPalette::Active, role, ToQColor(text));
            pal.setColor(QPalette::Inactive, role, ToQColor(text));
            pal.setColor(QPalette::Disabled, role, grey);
        }
    HBRUSH brush = reinterpret_cast<HBRUSH>(r);
    const bool edit = ctlColorMsg == WM_CTLCOLOREDIT || ctlColorMsg == WM_CTLCOLORLISTBOX;
    const COLORREF standard = GetSysColor(edit ? COLOR_WINDOW : scroll ? COLOR_SCROLLBAR : COLOR_BTNFACE);
    LOGBRUSH b{};
    if (brush && GetObjectType(brush) == OBJ_BRUSH && GetObject(brush, sizeof b, &b))
    {
        if (b.lbStyle == BS_SOLID && b.lbColor != standard)
        {
            const QColor c = ToQColor(b.lbColor);
            pal.setColor(edit ? QPalette::Base : QPalette::Window, c);
            pal.setColor(QPalette::Button, c);
            widget_->setAutoFillBackground(true);
        }
    }
    if (pal != widget_->palette())
        widget_->setPalette(pal);
}

void Control::OwnerDraw(HWND to, DRAWITEMSTRUCT dis, QPainter& painter, const QRect& rect)
{
    if (rect.isEmpty())
        return;
    const qreal dpr = 1.0;
    kel::gdi::Pixmap image(static_cast<int>(rect.width() * dpr), static_cast<int>(rect.height() * dpr));
    image.Fill(0xFFFFFFFF);
    HDC dc = kel::gdi::CreateDc(kel::qt::CreatePixelDevice(), dis.hwndItem, &image);
    if (!dc)
        return;
    SetViewportOrgEx(dc, -rect.left(), -rect.top(), nullptr);
    dis.hDC = dc;
    dis.rcItem = RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
    SendMessage(to, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    kel::gdi::DestroyDc(dc);
    painter.drawImage(rect.topLeft(), kel::qt::ImageOver(image));
}

void Control::RouteKeys(QWidget* w)
{
    if (w)
        w->installEventFilter(this);
}

bool Control::Replaying()
{
    return g_replaying > 0;
}

bool Control::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    const bool key = t == QEvent::KeyPress || t == QEvent::KeyRelease;
    // A replayed key the widget ignored must not climb to the surface, which would post it again.
    if (key && Replaying() && watched != widget_ && watched == kel::ui::GetSurface(hwnd_))
        return true;
    QWidget* ww = qobject_cast<QWidget*>(watched);
    const bool mine = widget_ && ww && (ww == widget_ || widget_->isAncestorOf(ww));
    if (key && mine && !Replaying())
    {
        auto* ke = static_cast<QKeyEvent*>(event);
        const bool keypad = ke->modifiers() & Qt::KeypadModifier;
        const UINT vk = kel::qt::VirtualKeyFromQt(ke->key(), keypad);
        if (!vk)
            return false; // nothing Windows would see: let the widget have it
        const bool up = t == QEvent::KeyRelease;
        const bool alt = ke->modifiers() & Qt::AltModifier;
        MSG m{};
        m.hwnd = hwnd_;
        m.message = alt ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
        m.wParam = vk;
        m.lParam = kel::qt::KeyMessageLParam(vk, keypad, 1, alt, ke->isAutoRepeat(), up);
        kel::ui::PostInput(m, up ? 0 : CharacterOf(*ke));
        return true;
    }
    if (t == QEvent::Paint && watched == widget_ && colorMsg_)
        ApplyParentColors(colorMsg_);
    if (t == QEvent::FocusIn && GetFocus() != hwnd_)
        kel::ui::NotifySurfaceFocus(hwnd_);
    return QObject::eventFilter(watched, event);
}

void Control::ReplayKey(UINT vk, bool down, bool textKeys)
{
    if (!widget_ || (!textKeys && MakesText(vk) && vk != VK_RETURN))
        return;
    int key = 0;
    for (const KeyPair& p : kReplayKeys)
        if (p.vk == vk)
            key = p.key;
    if (!key && ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')))
        key = static_cast<int>(vk); // Qt::Key_0.. and Qt::Key_A.. share the ASCII codes
    if (!key)
        return;
    Qt::KeyboardModifiers mods;
    if (GetKeyState(VK_SHIFT) < 0)
        mods |= Qt::ShiftModifier;
    if (GetKeyState(VK_CONTROL) < 0)
        mods |= Qt::ControlModifier;
    if (GetKeyState(VK_MENU) < 0)
        mods |= Qt::AltModifier;
    QString text;
    if (textKeys && vk >= 'A' && vk <= 'Z' && !(mods & Qt::ControlModifier))
        text = QChar((mods & Qt::ShiftModifier) ? vk : vk + 32);
    else if (textKeys && vk >= '0' && vk <= '9')
        text = QChar(vk);
    else if (textKeys && vk == VK_SPACE)
        text = QStringLiteral(" ");
    QWidget* target = QApplication::focusWidget();
    if (!target || (target != widget_ && !widget_->isAncestorOf(target)))
        target = widget_;
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, mods, text);
    ++g_replaying;
    QCoreApplication::sendEvent(target, &e);
    --g_replaying;
}

void Control::OnFont(const QFont& font)
{
    if (widget_)
        widget_->setFont(font);
}

LRESULT Control::Proc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg)
    {
    case WM_SIZE:
        // The widget draws the control's border and scroll bars itself: it covers the whole window.
        if (RECT r; widget_ && GetWindowRect(hwnd_, &r))
            widget_->setGeometry(0, 0, r.right - r.left, r.bottom - r.top);
        break;
    case WM_SETTEXT:
    {
        const LRESULT r = DefWindowProc(hwnd_, msg, wp, lp);
        OnText(lp ? reinterpret_cast<const char*>(lp) : "");
        return r;
    }
    case WM_SETFONT:
    {
        font_ = reinterpret_cast<HFONT>(wp);
        QFont f = QApplication::font();
        LOGFONT lf{};
        if (font_ && GetObjectType(font_) == OBJ_FONT && GetObject(font_, sizeof lf, &lf))
            f = kel::qt::FontFromLog(lf);
        OnFont(f);
        if (LOWORD(lp) && widget_)
            widget_->update();
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETFOCUS:
        if (widget_ && !widget_->hasFocus() && !widget_->isAncestorOf(QApplication::focusWidget()))
            widget_->setFocus(Qt::OtherFocusReason);
        OnFocus(true);
        return 0;
    case WM_KILLFOCUS:
        OnFocus(false);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        ReplayKey(static_cast<UINT>(wp), msg == WM_KEYDOWN, true);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        ReplayMouse(widget_, msg, lp);
        return 0;
    case WM_PAINT:
    {
        // The widget paints itself; validate so no WM_PAINT loops.
        PAINTSTRUCT ps;
        BeginPaint(hwnd_, &ps);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        break;
    }
    return DefWindowProc(hwnd_, msg, wp, lp);
}

LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, ControlFactory make)
{
    auto& table = Table();
    if (msg == WM_NCCREATE)
    {
        auto control = make(hwnd);
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lp);
        QWidget* surface = static_cast<QWidget*>(kel::ui::GetSurface(hwnd));
        if (QWidget* w = control->CreateWidget(surface, *cs))
        {
            control->widget_ = w;
            // Cover the surface's backing image: a control paints all of its rectangle.
            w->setAutoFillBackground(true);
            if (surface)
            {
                w->setGeometry(0, 0, cs->cx, cs->cy);
                surface->setFocusProxy(w);
                surface->installEventFilter(control.get());
                w->show();
            }
            else
                w->hide();
            control->RouteKeys(w);
            w->installEventFilter(control.get());
        }
        Control* raw = control.get();
        table[hwnd] = std::move(control);
        return raw->Proc(msg, wp, lp);
    }
    auto it = table.find(hwnd);
    if (it == table.end())
        return DefWindowProc(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY)
    {
        std::unique_ptr<Control> gone = std::move(it->second);
        table.erase(it);
        gone->Proc(msg, wp, lp);
        // A notification sent from one of its own slots may have destroyed the window: the object
        // goes once that slot has returned.
        gone.release()->deleteLater();
        return 0;
    }
    if (msg == WM_DESTROY)
    {
        const LRESULT r = it->second->Proc(msg, wp, lp);
        // The widget goes with the window; the surface may outlive this message.
        auto f = table.find(hwnd);
        if (f != table.end() && f->second->widget_)
        {
            if (QWidget* surface = static_cast<QWidget*>(kel::ui::GetSurface(hwnd)))
                surface->setFocusProxy(nullptr);
            f->second->widget_->removeEventFilter(f->second.get());
            f->second->widget_->deleteLater();
            f->second->widget_->hide();
            f->second->widget_ = nullptr;
        }
        return r;
    }
    return it->second->Proc(msg, wp, lp);
}

Control* FindControl(HWND hwnd)
{
    auto it = Table().find(hwnd);
    return it == Table().end() ? nullptr : it->second.get();
}

bool RegisterControlClass(const char* name, WNDPROC proc, UINT classStyle)
{
    WNDCLASSEX wc{};
    wc.cbSize = sizeof(wc);
    wc.style = classStyle | CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    if (kel::ui::RegisterSystemClass(wc) != 0)
        return true;
    // System classes outlive a restart of the window manager: ours from an earlier start are fine.
    WNDCLASSEX known{};
    known.cbSize = sizeof(known);
    return GetClassInfoEx(nullptr, name, &known) && known.lpfnWndProc == proc;
}

int ScrollCodeOfSliderAction(int action)
{
    switch (action)
    {
    case QAbstractSlider::SliderSingleStepAdd:
        return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub:
        return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum:
        return SB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return SB_BOTTOM;
    case QAbstractSlider::SliderMove:
        return SB_THUMBTRACK;
    default:
        return -1;
    }
}

} // namespace kel::qt::controls
