// Surface widgets: blit the backing image, turn Qt input into Windows messages.
#include <QtGui/QCloseEvent>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QMenuBar>
#include <QtCore/QSignalBlocker>
#include <QtWidgets/QScrollBar>

#include "QtGdi.h"
#include "KeyMap.h"
#include "QtDriver.h"
#include "../controls/Control.h"

#include "win32/codepage.h"
#include "win32/user.h"

namespace kel::qt
{

namespace
{

WPARAM MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    WPARAM flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        flags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

// Down message of a button; up = down + 1, double click = down + 2.
UINT ButtonDownMessage(Qt::MouseButton button)
{
    switch (button)
    {
    case Qt::LeftButton:
        return WM_LBUTTONDOWN;
    case Qt::RightButton:
        return WM_RBUTTONDOWN;
    case Qt::MiddleButton:
        return WM_MBUTTONDOWN;
    default:
        return 0;
    }
}

LPARAM PointLParam(int x, int y)
{
    return MAKELPARAM(static_cast<short>(x), static_cast<short>(y));
}

// Counts a surface's event handler so DestroySurface defers deleting widgets while one runs.
struct DispatchGuard
{
    explicit DispatchGuard(QtDriver& d) : driver(d) { ++driver.dispatchDepth; }
    ~DispatchGuard() { --driver.dispatchDepth; }
    QtDriver& driver;
};

} // namespace

SurfaceWidget::SurfaceWidget(QtDriver& driver, HWND window, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), hwnd(window), driver_(driver)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent); // the backing image covers everything
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus); // focus moves by SetFocus, as the window manager decides
    setAcceptDrops(true);        // whether a drop is taken is the window's WS_EX_ACCEPTFILES
}

QPoint SurfaceWidget::ClientOffsetOf(const QWidget* w)
{
    const auto* surface = dynamic_cast<const SurfaceWidget*>(w);
    return surface ? surface->ClientOffset() : QPoint();
}

void SurfaceWidget::SetClientMargins(const QMargins& margins)
{
    const QPoint shift = QPoint(margins.left(), margins.top()) - ClientOffset();
    clientMargins = margins;
    PlaceScrollBars();
    // Children keep their client positions.
    if (!shift.isNull())
        for (QObject* o : children())
            if (auto* child = dynamic_cast<SurfaceWidget*>(o))
                child->move(child->pos() + shift);
    update();
}

bool SurfaceWidget::event(QEvent* e)
{
    DispatchGuard guard(driver_);
    if (hwnd)
    {
        switch (e->type())
        {
        case QEvent::WindowActivate:
            if (isWindow() && GetActiveWindow() != hwnd)
                kel::ui::NotifySurfaceActivated(hwnd, true);
            break;
        case QEvent::WindowDeactivate:
            if (isWindow() && GetActiveWindow() == hwnd)
                kel::ui::NotifySurfaceActivated(hwnd, false);
            break;
        case QEvent::Leave:
            // The pointer left the whole top-level window (moving into a child leaves nothing).
            if (isWindow())
            {
                MSG msg{};
                msg.hwnd = hwnd;
                msg.message = WM_MOUSELEAVE;
                kel::ui::PostInput(msg);
            }
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            if (HandleFileDrag(*this, e))
                return true;
            break;
        case QEvent::KeyPress:
            // Tab and Backtab are keys for the window like any other, not Qt focus moves.
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        default:
            break;
        }
    }
    return QWidget::event(e);
}

void SurfaceWidget::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    // The frame only when part of it is to be shown (the client's flushes leave it alone).
    if (!ClientRect().contains(e->region().boundingRect()))
    {
        if (childFrame)
            PaintChildFrame(painter);
        else
            PaintFrame(painter);
    }
    // The backing image holds the client area, inside the menu bar or the frame.
    const QPoint offset = ClientOffset();
    painter.translate(offset);
    const QRegion region = e->region().translated(-offset) & QRect(QPoint(0, 0), ClientRect().size());
    const QRect area = region.boundingRect();
    if (region.isEmpty())
        return;
    kel::gdi::BackingStore* store = hwnd ? kel::gdi::BackingFor(hwnd) : nullptr;
    if (!store || store->pixels.IsNull())
    {
        painter.fillRect(area, palette().window());
        return;
    }
    painter.drawImage(area.topLeft(), ImageOver(store->pixels), area);
    // A part the window never drew (first show, grown area) is asked of the window.
    const QRegion missing = region - RegionOf(store->painted);
    if (!missing.isEmpty())
    {
        const QRect r = missing.boundingRect();
        const RECT rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
        store->painted |= kel::gdi::Region(rect); // asked once; its WM_PAINT flushes the result
        kel::ui::NotifySurfaceExposed(hwnd, rect);
    }
}

void SurfaceWidget::PostMouse(UINT message, QMouseEvent* e)
{
    if (!hwnd)
        return;
    driver_.lastMouseWidget = this;
    const QPoint local = e->position().toPoint() - ClientOffset();
    const QPoint global = e->globalPosition().toPoint();
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = MouseKeyFlags(e->buttons(), e->modifiers());
    msg.lParam = PointLParam(local.x(), local.y());
    msg.pt = POINT{global.x(), global.y()};
    kel::ui::PostInput(msg);
    e->accept();
}

void SurfaceWidget::mousePressEvent(QMouseEvent* e)
{
    if (childFrame && FrameMouse(e))
        return;
    if (const UINT down = ButtonDownMessage(e->button()))
        PostMouse(down, e);
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent* e)
{
    if (childFrame && FrameMouse(e))
        return;
    if (const UINT down = ButtonDownMessage(e->button()))
        PostMouse(down + 1, e);
}

void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (childFrame && FrameMouse(e))
        return;
    const UINT down = ButtonDownMessage(e->button());
    if (!down || !hwnd)
        return;
    // Only classes that ask for double clicks get them; others see a second button-down.
    const bool wantsDouble = (GetClassLong(hwnd, GCL_STYLE) & CS_DBLCLKS) != 0;
    PostMouse(wantsDouble ? down + 2 : down, e);
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* e)
{
    if (childFrame && FrameMouse(e))
        return;
    PostMouse(WM_MOUSEMOVE, e);
}

void SurfaceWidget::wheelEvent(QWheelEvent* e)
{
    if (!hwnd)
        return;
    const QPoint angle = e->angleDelta();
    const bool horizontal = angle.y() == 0 && angle.x() != 0;
    const int delta = horizontal ? angle.x() : angle.y();
    const QPoint global = e->globalPosition().toPoint();
    // Windows gives the wheel to the focus window; the window under the pointer when none has focus.
    HWND focus = GetFocus();
    MSG msg{};
    msg.hwnd = focus ? focus : hwnd;
    msg.message = horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL;
    msg.wParam = MAKEWPARAM(MouseKeyFlags(e->buttons(), e->modifiers()), static_cast<short>(delta));
    msg.lParam = PointLParam(global.x(), global.y());
    msg.pt = POINT{global.x(), global.y()};
    kel::ui::PostInput(msg);
    e->accept();
}

void SurfaceWidget::PostKey(QKeyEvent* e, bool up)
{
    if (!hwnd)
        return;
    const bool keypad = (e->modifiers() & Qt::KeypadModifier) != 0;
    const UINT vk = VirtualKeyFromQt(e->key(), keypad);
    const bool alt = (e->modifiers() & Qt::AltModifier) != 0 || e->key() == Qt::Key_Alt;
    const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
    // Alt (without Ctrl, which makes AltGr) and F10 go to the system keys.
    const bool sys = (alt && !ctrl) || vk == VK_F10;
    MSG msg{};
    msg.hwnd = GetFocus() ? GetFocus() : hwnd;
    msg.message = sys ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
    msg.wParam = vk;
    msg.lParam = KeyMessageLParam(vk, keypad, e->count(), alt && !ctrl && !up, e->isAutoRepeat(), up);
    const QPoint global = QCursor::pos();
    msg.pt = POINT{global.x(), global.y()};
    int character = 0;
    if (!up && !e->text().isEmpty())
    {
        const std::string text = kel::Utf8ToCp1252(e->text().toStdString());
        character = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
    }
    kel::ui::PostInput(msg, up ? -1 : character);
    e->accept();
}

void SurfaceWidget::keyPressEvent(QKeyEvent* e)
{
    PostKey(e, false);
}

void SurfaceWidget::keyReleaseEvent(QKeyEvent* e)
{
    PostKey(e, true);
}

void SurfaceWidget::focusInEvent(QFocusEvent* e)
{
    // Focus changes the window manager asked for are already known to it.
    if (hwnd && GetFocus() != hwnd)
        kel::ui::NotifySurfaceFocus(hwnd);
    e->accept();
}

void SurfaceWidget::focusOutEvent(QFocusEvent* e)
{
    e->accept();
}

void SurfaceWidget::ReportGeometry()
{
    if (!hwnd)
        return;
    RECT known{};
    GetWindowRect(hwnd, &known);
    const QRect g = geometry().translated(isWindow() ? QPoint() : -ClientOffsetOf(parentWidget()));
    RECT now{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    if (!isWindow())
    {
        // Children: the window manager keeps screen rectangles; compare in the parent's client area.
        if (HWND parent = GetParent(hwnd))
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&known), 2);
    }
    if (now.left == known.left && now.top == known.top && now.right == known.right &&
        now.bottom == known.bottom)
        return; // our own SetSurfaceGeometry
    const UINT sizeType = isMinimized() ? SIZE_MINIMIZED : (isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED);
    kel::ui::NotifySurfaceMoved(hwnd, now, sizeType);
}

void SurfaceWidget::moveEvent(QMoveEvent* e)
{
    ReportGeometry();
    e->accept();
}

void SurfaceWidget::SetScrollBar(int bar, const SCROLLINFO& info, bool shown)
{
    QScrollBar*& sb = scrollBars[bar];
    if (!shown)
    {
        if (sb)
            sb->hide();
        return;
    }
    if (!sb)
    {
        sb = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, this);
        sb->setFocusPolicy(Qt::NoFocus);
        // Under a control's own widget, which draws its scroll bars itself.
        sb->lower();
        QObject::connect(sb, &QAbstractSlider::actionTriggered, this,
                         [this, bar](int action) { ScrollAction(bar, action); });
        QObject::connect(sb, &QAbstractSlider::sliderReleased, this,
                         [this, bar]
                         {
                             DispatchGuard guard(driver_);
                             const UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
                             if (hwnd)
                                 SendMessage(hwnd, msg, MAKEWPARAM(SB_THUMBPOSITION, trackPos_[bar]), 0);
                             if (hwnd)
                                 SendMessage(hwnd, msg, SB_ENDSCROLL, 0);
                         });
    }
    const QSignalBlocker quiet(sb);
    const int page = static_cast<int>(info.nPage);
    sb->setRange(info.nMin, std::max(info.nMin, info.nMax - std::max(page - 1, 0)));
    sb->setPageStep(std::max(page, 1));
    sb->setValue(info.nPos);
    // Kept (SIF_DISABLENOSCROLL) while the page covers the range: shown disabled.
    sb->setEnabled(info.nMax > info.nMin &&
                   static_cast<UINT>(page) <= static_cast<UINT>(info.nMax - info.nMin));
    PlaceScrollBars();
    sb->show();
}

void SurfaceWidget::PlaceScrollBars()
{
    const QRect c = ClientRect();
    if (QScrollBar* v = scrollBars[SB_VERT])
        v->setGeometry(c.right() + 1, c.top(), GetSystemMetrics(SM_CXVSCROLL), c.height());
    if (QScrollBar* h = scrollBars[SB_HORZ])
        h->setGeometry(c.left(), c.bottom() + 1, c.width(), GetSystemMetrics(SM_CYHSCROLL));
}

void SurfaceWidget::ScrollAction(int bar, int action)
{
    QScrollBar* sb = scrollBars[bar];
    const int code = kel::qt::controls::ScrollCodeOfSliderAction(action);
    if (!hwnd || !sb || code < 0)
        return;
    const int pos = sb->sliderPosition();
    if (code == SB_THUMBTRACK)
        trackPos_[bar] = pos;
    // The thumb stays until the window moves it.
    sb->setSliderPosition(sb->value());
    DispatchGuard guard(driver_);
    SendMessage(hwnd, bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
                MAKEWPARAM(code, code == SB_THUMBTRACK ? pos : 0), 0);
}

void SurfaceWidget::resizeEvent(QResizeEvent* e)
{
    if (menuBar)
        menuBar->resize(width(), menuBar->height());
    PlaceScrollBars();
    ReportGeometry();
    e->accept();
}

void SurfaceWidget::closeEvent(QCloseEvent* e)
{
    // The close box asks the window; it decides (WM_CLOSE) and destroys itself if it wants to.
    e->ignore();
    if (hwnd)
        kel::ui::NotifySurfaceClose(hwnd);
}

void SurfaceWidget::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::WindowStateChange && hwnd && isWindow())
    {
        const UINT sizeType =
            isMinimized() ? SIZE_MINIMIZED : (isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED);
        const QRect g = geometry();
        kel::ui::NotifySurfaceMoved(hwnd, RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()},
                                    sizeType);
    }
    QWidget::changeEvent(e);
}

} // namespace kel::qt
