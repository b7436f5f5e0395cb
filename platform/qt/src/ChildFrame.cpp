// Frames of child windows with a caption (document windows): drawn around the client area with
// the system colours, with the caption's buttons, and moved and sized with the mouse. What the user
// does with them reaches the window as WM_SYSCOMMAND and as moves and sizes, as on Windows.
#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QToolButton>

#include "QtGdi.h"
#include "QtDriver.h"

#include "win32/user.h"

namespace kel::qt
{

namespace
{

QColor SysColor(int index)
{
    return ColorOf(GetSysColor(index));
}

// A raised (or, pressed, sunken) edge of two lines inside r.
void DrawEdge3d(QPainter& p, const QRect& r, bool sunken)
{
    const QColor light = SysColor(sunken ? COLOR_3DDKSHADOW : COLOR_3DHIGHLIGHT);
    const QColor dark = SysColor(sunken ? COLOR_3DHIGHLIGHT : COLOR_3DDKSHADOW);
    const QColor lightInner = SysColor(sunken ? COLOR_3DSHADOW : COLOR_3DLIGHT);
    const QColor darkInner = SysColor(sunken ? COLOR_3DLIGHT : COLOR_3DSHADOW);
    auto frame = [&](const QRect& q, const QColor& tl, const QColor& br)
    {
        p.fillRect(QRect(q.left(), q.top(), q.width() - 1, 1), tl);
        p.fillRect(QRect(q.left(), q.top(), 1, q.height() - 1), tl);
        p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), br);
        p.fillRect(QRect(q.right(), q.top(), 1, q.height()), br);
    };
    frame(r, light, dark);
    frame(r.adjusted(1, 1, -1, -1), lightInner, darkInner);
}

// The glyph of a caption button, in the button's rectangle.
void DrawGlyph(QPainter& p, const QRect& r, int hit, bool restore, bool enabled)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor ink = SysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    const QRect g = r.adjusted(4, 3, -4, -3);
    switch (hit)
    {
    case HTCLOSE:
    {
        QPen pen(ink, 2);
        p.setPen(pen);
        const QRect x = g.adjusted(1, 1, -1, -1);
        p.drawLine(x.topLeft(), x.bottomRight());
        p.drawLine(x.topRight(), x.bottomLeft());
        break;
    }
    case HTMAXBUTTON:
        if (restore)
        {
            // Two overlapping windows.
            const int s = std::min(g.width(), g.height()) * 2 / 3;
            const QRect back(g.right() - s, g.top(), s, s);
            const QRect front(g.left(), g.bottom() - s, s, s);
            p.fillRect(back.left(), back.top(), back.width(), 2, ink);
            p.setPen(ink);
            p.drawRect(back.adjusted(0, 0, -1, -1));
            p.fillRect(front.adjusted(0, 0, -1, -1), SysColor(COLOR_BTNFACE));
            p.fillRect(front.left(), front.top(), front.width(), 2, ink);
            p.drawRect(front.adjusted(0, 0, -1, -1));
        }
        else
        {
            p.fillRect(g.left(), g.top(), g.width(), 2, ink);
            p.setPen(ink);
            p.drawRect(g.adjusted(0, 0, -1, -1));
        }
        break;
    case HTMINBUTTON:
        if (restore)
        {
            const QRect w = g.adjusted(0, g.height() / 3, 0, 0);
            p.fillRect(w.left(), w.top(), w.width(), 2, ink);
            p.setPen(ink);
            p.drawRect(w.adjusted(0, 0, -1, -1));
        }
        else
            p.fillRect(g.left() + 1, g.bottom() - 1, g.width() - 3, 2, ink);
        break;
    default:
        break;
    }
    p.restore();
}

// What a caption button does: the minimize button restores a minimized window, the maximize
// button a maximized one.
WPARAM ButtonCommand(int hit, HWND hwnd)
{
    switch (hit)
    {
    case HTCLOSE:
        return SC_CLOSE;
    case HTMAXBUTTON:
        return IsZoomed(hwnd) ? SC_RESTORE : SC_MAXIMIZE;
    case HTMINBUTTON:
        return IsIconic(hwnd) ? SC_RESTORE : SC_MINIMIZE;
    default:
        return 0;
    }
}

bool ButtonEnabled(DWORD style, int hit)
{
    switch (hit)
    {
    case HTCLOSE:
        return true;
    case HTMAXBUTTON:
        return (style & WS_MAXIMIZEBOX) != 0;
    case HTMINBUTTON:
        return (style & WS_MINIMIZEBOX) != 0;
    default:
        return false;
    }
}

Qt::CursorShape SizeCursor(int hit)
{
    switch (hit)
    {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

constexpr int kCornerGrip = 16; // how far along an edge a corner's sizing reaches

} // namespace

QRect SurfaceWidget::FrameButton(int hit) const
{
    if (!childFrame || !(childFrame->style & WS_SYSMENU))
        return QRect();
    const bool boxes = (childFrame->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0;
    const int border = clientMargins.left();
    const int captionTop = border;
    const int captionHeight = clientMargins.top() - border;
    const int h = std::max(captionHeight - 4, 4);
    const int w = h + 2;
    const int y = captionTop + (captionHeight - h) / 2;
    const int closeX = width() - border - 2 - w;
    switch (hit)
    {
    case HTCLOSE:
        return QRect(closeX, y, w, h);
    case HTMAXBUTTON:
        return boxes ? QRect(closeX - 2 - w, y, w, h) : QRect();
    case HTMINBUTTON:
        return boxes ? QRect(closeX - 2 - 2 * w, y, w, h) : QRect();
    default:
        return QRect();
    }
}

int SurfaceWidget::FrameHitTest(const QPoint& at) const
{
    if (!rect().contains(at))
        return HTNOWHERE;
    if (!childFrame || ClientRect().contains(at))
        return HTCLIENT;
    for (int hit : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON})
        if (FrameButton(hit).contains(at))
            return hit;
    const int border = clientMargins.left();
    const bool sizable = (childFrame->style & WS_THICKFRAME) && !IsZoomed(hwnd) && !IsIconic(hwnd);
    const bool left = at.x() < border, right = at.x() >= width() - border;
    const bool top = at.y() < border, bottom = at.y() >= height() - border;
    if (sizable && (left || right || top || bottom))
    {
        const bool nearLeft = at.x() < kCornerGrip, nearRight = at.x() >= width() - kCornerGrip;
        const bool nearTop = at.y() < kCornerGrip, nearBottom = at.y() >= height() - kCornerGrip;
        if ((top && nearLeft) || (left && nearTop))
            return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop))
            return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom))
            return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom))
            return HTBOTTOMRIGHT;
        return left ? HTLEFT : right ? HTRIGHT : top ? HTTOP : HTBOTTOM;
    }
    if (at.y() >= border && at.y() < clientMargins.top() && !left && !right)
        return HTCAPTION;
    return HTBORDER;
}

void SurfaceWidget::PaintFrame(QPainter& p)
{
    const DWORD style = hwnd ? static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)) : 0;
    const DWORD ex = hwnd ? static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE)) : 0;
    QRect r = rect();
    // One ring of an edge: top and left in one colour, bottom and right in another.
    auto ring = [&](int topLeft, int bottomRight)
    {
        if (r.width() < 2 || r.height() < 2)
            return;
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), SysColor(topLeft));
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), SysColor(topLeft));
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), SysColor(bottomRight));
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), SysColor(bottomRight));
        r.adjust(1, 1, -1, -1);
    };
    // A top-level window's frame is the window system's; a child's is drawn here.
    if (!isWindow())
    {
        if ((style & (WS_THICKFRAME | WS_DLGFRAME)) || (ex & WS_EX_DLGMODALFRAME))
        {
            const int width = GetSystemMetrics((style & WS_THICKFRAME) ? SM_CXFRAME : SM_CXDLGFRAME);
            p.fillRect(r, SysColor(COLOR_BTNFACE));
            ring(COLOR_3DLIGHT, COLOR_3DDKSHADOW);
            ring(COLOR_3DHIGHLIGHT, COLOR_3DSHADOW);
            r = rect().adjusted(width, width, -width, -width);
        }
        else if (style & WS_BORDER)
            ring(COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
        if (ex & WS_EX_CLIENTEDGE)
        {
            ring(COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
            ring(COLOR_3DDKSHADOW, COLOR_3DLIGHT);
        }
        if (ex & WS_EX_STATICEDGE)
            ring(COLOR_3DSHADOW, COLOR_3DHIGHLIGHT);
    }
    // The box where the two scroll bars meet.
    const QRect c = ClientRect();
    if ((style & (WS_HSCROLL | WS_VSCROLL)) == (WS_HSCROLL | WS_VSCROLL))
        p.fillRect(QRect(c.right() + 1, c.bottom() + 1, GetSystemMetrics(SM_CXVSCROLL),
                         GetSystemMetrics(SM_CYHSCROLL)),
                   SysColor(COLOR_BTNFACE));
}

void SurfaceWidget::PaintChildFrame(QPainter& p)
{
    const ChildFrame& f = *childFrame;
    const QRect all = rect();
    const int border = clientMargins.left();
    // Border: the face colour inside a raised edge.
    p.fillRect(all, SysColor(COLOR_BTNFACE));
    if (border >= 2)
        DrawEdge3d(p, all, false);
    // Caption: a band in the active or inactive colours, the title left, the buttons right.
    const QRect caption(border, border, width() - 2 * border, clientMargins.top() - border - 1);
    if (caption.isEmpty())
        return;
    QLinearGradient band(caption.topLeft(), caption.topRight());
    band.setColorAt(0, SysColor(f.active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    band.setColorAt(1, SysColor(f.active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION));
    p.fillRect(caption, band);
    int textRight = caption.right() - 2;
    for (int hit : {HTMINBUTTON, HTMAXBUTTON, HTCLOSE})
    {
        const QRect r = FrameButton(hit);
        if (r.isEmpty())
            continue;
        textRight = std::min(textRight, r.left() - 2);
        const bool down = f.pressed == hit && r.contains(mapFromGlobal(QCursor::pos()));
        p.fillRect(r, SysColor(COLOR_BTNFACE));
        DrawEdge3d(p, r, down);
        const bool restore = hit == HTMAXBUTTON ? IsZoomed(hwnd) : hit == HTMINBUTTON && IsIconic(hwnd);
        DrawGlyph(p, down ? r.translated(1, 1) : r, hit, restore, ButtonEnabled(f.style, hit));
    }
    // The window's icon before the title, as small as the caption allows.
    int textLeft = caption.left() + 4;
    const QImage& icon = smallIcon.isNull() ? bigIcon : smallIcon;
    if (!icon.isNull())
    {
        const int side = std::min(16, caption.height() - 2);
        p.drawImage(QRect(caption.left() + 2, caption.top() + (caption.height() - side) / 2, side, side),
                    icon);
        textLeft = caption.left() + 2 + side + 3;
    }
    QFont font = this->font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(SysColor(f.active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    const QRect text(textLeft, caption.top(), std::max(0, textRight - textLeft), caption.height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font).elidedText(f.title, Qt::ElideRight, text.width()));
}

bool SurfaceWidget::FrameMouse(QMouseEvent* e)
{
    ChildFrame& f = *childFrame;
    const QPoint at = e->position().toPoint();
    const QPoint global = e->globalPosition().toPoint();
    switch (e->type())
    {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    {
        if (e->buttons() == e->button())
            f.frameButtons = Qt::NoButton; // the first button down starts afresh
        const int hit = FrameHitTest(at);
        // The client's own presses, and every press while the window holds the mouse, are its.
        if (hit == HTCLIENT || hit == HTNOWHERE || !hwnd || (GetCapture() == hwnd && !f.frameButtons))
            return false;
        f.frameButtons |= e->button();
        if (e->button() != Qt::LeftButton)
            return true;
        // The window hears of the click, which activates a document window.
        MSG msg{};
        msg.hwnd = hwnd;
        msg.message = e->type() == QEvent::MouseButtonDblClick && hit == HTCAPTION ? WM_NCLBUTTONDBLCLK
                                                                                   : WM_NCLBUTTONDOWN;
        msg.wParam = static_cast<WPARAM>(hit);
        msg.lParam = MAKELPARAM(static_cast<short>(global.x()), static_cast<short>(global.y()));
        msg.pt = POINT{global.x(), global.y()};
        kel::ui::PostInput(msg);
        if (hit == HTCLOSE || hit == HTMAXBUTTON || hit == HTMINBUTTON)
        {
            f.pressed = ButtonEnabled(f.style, hit) ? hit : 0;
            update(FrameButton(hit));
        }
        else if (e->type() == QEvent::MouseButtonDblClick && hit == HTCAPTION)
        {
            // A double click on the caption maximizes or restores.
            if (IsIconic(hwnd) || IsZoomed(hwnd))
                PostMessage(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
            else if (f.style & WS_MAXIMIZEBOX)
                PostMessage(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        }
        else if (!IsZoomed(hwnd) && (hit == HTCAPTION || SizeCursor(hit) != Qt::ArrowCursor))
        {
            f.dragging = hit;
            f.dragFrom = global;
            f.geometryFrom = geometry();
        }
        return true;
    }
    case QEvent::MouseMove:
    {
        if (f.pressed)
        {
            update(FrameButton(f.pressed));
            return true;
        }
        if (!f.dragging)
        {
            // Moves with a button held down from the client area, or while the window holds the
            // mouse, are the client's wherever they go.
            if ((e->buttons() & ~f.frameButtons) || (GetCapture() == hwnd && !f.frameButtons))
                return false;
            if (f.frameButtons)
                return true;
            const int hit = FrameHitTest(at);
            if (hit == HTCLIENT || hit == HTNOWHERE)
                return false;
            setCursor(SizeCursor(hit));
            return true;
        }
        const QPoint d = global - f.dragFrom;
        QRect g = f.geometryFrom;
        const QSize parentSize = parentWidget() ? parentWidget()->size() : QSize();
        if (f.dragging == HTCAPTION)
        {
            g.translate(d);
            // Some of the caption stays where it can be taken again.
            const int keep = clientMargins.top();
            g.moveTop(std::clamp(g.top(), 0, std::max(0, parentSize.height() - keep)));
            g.moveLeft(std::clamp(g.left(), keep - g.width(), std::max(0, parentSize.width() - keep)));
        }
        else
        {
            const int minW =
                std::max(GetSystemMetrics(SM_CXMINTRACK), clientMargins.left() + clientMargins.right());
            const int minH = clientMargins.top() + clientMargins.bottom();
            const int hit = f.dragging;
            if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT)
                g.setLeft(std::min(g.left() + d.x(), g.right() + 1 - minW));
            if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT)
                g.setRight(std::max(g.right() + d.x(), g.left() + minW - 1));
            if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT)
                g.setTop(std::min(g.top() + d.y(), g.bottom() + 1 - minH));
            if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT)
                g.setBottom(std::max(g.bottom() + d.y(), g.top() + minH - 1));
        }
        if (g != geometry())
            setGeometry(g); // reported to the window as a move or size
        return true;
    }
    case QEvent::MouseButtonRelease:
    {
        // A release belongs where its press went.
        if (!(f.frameButtons & e->button()))
            return false;
        f.frameButtons &= ~e->button();
        if (e->button() != Qt::LeftButton)
            return true;
        if (f.pressed)
        {
            const int hit = f.pressed;
            f.pressed = 0;
            update(FrameButton(hit));
            if (FrameButton(hit).contains(at) && hwnd)
                PostMessage(hwnd, WM_SYSCOMMAND, ButtonCommand(hit, hwnd), 0);
            return true;
        }
        f.dragging = 0;
        return true;
    }
    default:
        return false;
    }
}

// The maximized document window's buttons sit at the right end of the frame's menu bar.
void QtDriver::SetMaximizedChild(kel::ui::NativeSurface frame, HWND child)
{
    SurfaceWidget* widget = Widget(frame);
    if (!widget)
        return;
    widget->maximizedChild = child; // a menu bar made later shows them too
    QMenuBar* bar = widget->menuBar;
    if (!bar)
        return;
    QWidget* old = bar->cornerWidget(Qt::TopRightCorner);
    if (!child)
    {
        if (old)
        {
            bar->setCornerWidget(nullptr, Qt::TopRightCorner);
            old->deleteLater();
        }
        return;
    }
    if (old && old->property("kelChild").value<quintptr>() == reinterpret_cast<quintptr>(child))
        return;
    if (old)
        old->deleteLater();
    auto* box = new QWidget(bar);
    box->setProperty("kelChild", QVariant::fromValue(reinterpret_cast<quintptr>(child)));
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 1, 2, 1);
    layout->setSpacing(0);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE));
    struct Entry
    {
        const char* name;
        WPARAM command;
        bool enabled;
    };
    const Entry entries[] = {{"Minimize", SC_MINIMIZE, (style & WS_MINIMIZEBOX) != 0},
                             {"Restore", SC_RESTORE, true},
                             {"Close", SC_CLOSE, true}};
    const int side = std::max(menuBarHeight_ - 4, 12);
    for (const Entry& entry : entries)
    {
        auto* button = new QToolButton(box);
        button->setObjectName(entry.name);
        button->setToolTip(entry.name);
        button->setAutoRaise(true);
        button->setFixedSize(side + 2, side);
        button->setEnabled(entry.enabled);
        // The same glyphs as the caption's buttons.
        QPixmap glyph(side + 2, side);
        glyph.fill(Qt::transparent);
        {
            QPainter p(&glyph);
            const int hit = entry.command == SC_CLOSE     ? HTCLOSE
                            : entry.command == SC_RESTORE ? HTMAXBUTTON
                                                          : HTMINBUTTON;
            DrawGlyph(p, glyph.rect(), hit, entry.command == SC_RESTORE, entry.enabled);
        }
        button->setIcon(QIcon(glyph));
        button->setIconSize(glyph.size());
        QObject::connect(button, &QToolButton::clicked, button,
                         [child, command = entry.command] { PostMessage(child, WM_SYSCOMMAND, command, 0); });
        layout->addWidget(button);
    }
    bar->setCornerWidget(box, Qt::TopRightCorner);
    box->show();
}

} // namespace kel::qt
