// The Qt driver of the window manager: one widget per visible window, the event loop merged with
// the window manager's queue, input turned into Windows messages, popup menus as QMenus.
#pragma once

#include <QtCore/QMargins>
#include <QtCore/QPointer>
#include <QtGui/QCursor>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtWidgets/QWidget>

#include "win32/uidriver.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

class QAbstractEventDispatcher;
class QMenu;
class QMenuBar;
class QPainter;
class QScrollBar;

namespace kel::qt
{

class QtDriver;
class SurfaceWidget;

// The frame drawn around child windows with a caption: caption height and border widths.
constexpr int kChildCaption = 20;
constexpr int kChildSizingBorder = 4;
constexpr int kChildFixedBorder = 3;

// Turns drags of local files over the widget into WM_DROPFILES for the window that accepts them.
// True when the event was one of the drag events.
bool HandleFileDrag(SurfaceWidget& widget, QEvent* e);

// The widget behind one window: blits the window's backing image and reports input.
class SurfaceWidget : public QWidget
{
public:
    SurfaceWidget(QtDriver& driver, HWND hwnd, QWidget* parent, Qt::WindowFlags flags);
    HWND hwnd = nullptr; // nullptr once the window is gone
    // The menu bar above the client area (top-levels with a menu); nullptr when none.
    QMenuBar* menuBar = nullptr;
    // The client area's margins inside the widget: a top-level's menu bar, or the frame drawn
    // around a child window with a caption.
    QMargins clientMargins;
    // Offset of the client area of the surface widget `w` within it (0 for other widgets).
    static QPoint ClientOffsetOf(const QWidget* w);
    QPoint ClientOffset() const { return QPoint(clientMargins.left(), clientMargins.top()); }
    QRect ClientRect() const { return rect().marginsRemoved(clientMargins); }
    // The maximized document window whose buttons this frame's menu bar carries, or NULL.
    HWND maximizedChild = nullptr;
    // The window's icons as Qt shows them in its title (big and small).
    QImage bigIcon, smallIcon;
    // Changes the margins; child surfaces keep their places in the client area.
    void SetClientMargins(const QMargins& margins);

    // The frame of a child window with a caption, drawn and run here (title, active look, the
    // caption's buttons, moving and sizing with the mouse). Null for every other window.
    struct ChildFrame
    {
        DWORD style = 0;
        bool active = false;
        QString title;
        int pressed = 0;               // the button (HTCLOSE, HTMAXBUTTON, HTMINBUTTON) held down, or 0
        int dragging = 0;              // HTCAPTION or a border's hit code while moving or sizing
        Qt::MouseButtons frameButtons; // the buttons held down that were pressed on the frame
        QPoint dragFrom;               // pointer position in the parent when the drag began
        QRect geometryFrom;            // the widget's geometry then
    };
    std::unique_ptr<ChildFrame> childFrame;
    // The window's own scroll bars beside its client area (SB_HORZ, SB_VERT), made when first shown.
    // They move when the window sets their position, as on Windows; their use is sent to it as
    // WM_HSCROLL/WM_VSCROLL.
    QScrollBar* scrollBars[2] = {nullptr, nullptr};
    void SetScrollBar(int bar, const SCROLLINFO& info, bool shown);
    // What the point (widget coordinates) of a child frame is: one of the HT* codes.
    int FrameHitTest(const QPoint& at) const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void PostMouse(UINT message, QMouseEvent* e);
    void PostKey(QKeyEvent* e, bool up);
    void ReportGeometry();
    void PaintChildFrame(QPainter& painter);
    // The frame of a child without a caption (border and edges) and the box between scroll bars.
    void PaintFrame(QPainter& painter);
    void PlaceScrollBars();
    void ScrollAction(int bar, int action);
    int trackPos_[2] = {0, 0}; // where a dragged thumb was last reported
    QRect FrameButton(int hit) const;
    // Mouse events on a child frame outside its client area; true when taken.
    bool FrameMouse(QMouseEvent* e);

    QtDriver& driver_;
};

class QtDriver : public kel::ui::Driver
{
public:
    QtDriver();
    ~QtDriver() override;

    bool Init() override;
    bool HasEventLoop() const override { return true; }
    void ProcessEvents(DWORD timeoutMs) override;
    void Wake() override;

    kel::ui::NativeSurface CreateSurface(const kel::ui::SurfaceInfo& info) override;
    void DestroySurface(HWND hwnd, kel::ui::NativeSurface surface) override;
    void SetSurfaceGeometry(kel::ui::NativeSurface surface, const RECT& rect) override;
    void ShowSurface(kel::ui::NativeSurface surface, int showCmd) override;
    void EnableSurface(kel::ui::NativeSurface surface, bool enable) override;
    void SetSurfaceText(kel::ui::NativeSurface surface, const std::string& text) override;
    void SetSurfaceParent(kel::ui::NativeSurface surface, kel::ui::NativeSurface parent) override;
    void SetSurfaceZOrder(kel::ui::NativeSurface surface, kel::ui::NativeSurface after, bool bottom) override;
    void ActivateSurface(kel::ui::NativeSurface surface) override;
    void FocusSurface(kel::ui::NativeSurface surface) override;
    void CaptureMouse(kel::ui::NativeSurface surface) override;
    void SetCursorShape(HCURSOR cursor) override;
    void FlushBackingImage(HWND hwnd, kel::ui::NativeSurface surface, const RECT& clientRect) override;

    bool SystemMetric(int index, int* value) override;
    bool GetCursorPos(POINT* pt) override;
    bool SetCursorPos(int x, int y) override;
    HCURSOR StandardCursor(LPCSTR id) override;

    UINT TrackPopupMenu(HMENU menu, UINT flags, POINT pt, HWND owner) override;
    bool OpenMenuBarEntry(kel::ui::NativeSurface surface, char mnemonic) override;
    RECT FrameInsets(DWORD style, DWORD exStyle, bool hasMenu) override;
    void SetSurfaceInsets(kel::ui::NativeSurface surface, const RECT& insets) override;
    void SetSurfaceScrollBar(kel::ui::NativeSurface surface, int bar, const SCROLLINFO& info,
                             bool shown) override;
    void SetFrameActive(kel::ui::NativeSurface surface, bool active) override;
    void SetSurfaceIcon(kel::ui::NativeSurface surface, HICON icon, bool big) override;
    void SetMaximizedChild(kel::ui::NativeSurface frame, HWND child) override;
    void SetMenuBar(kel::ui::NativeSurface surface, HMENU menu) override;

    // The Qt cursor shape SetCursorShape last applied (tests).
    Qt::CursorShape CurrentCursorShape() const { return cursorShape_; }
    // The cursor SetCursorShape last applied, with its picture for cursors from resources (tests).
    const QCursor& CurrentCursor() const { return cursor_; }
    // The widget behind a window (tests and the drawing side); nullptr when none.
    static SurfaceWidget* Widget(kel::ui::NativeSurface surface)
    {
        return static_cast<SurfaceWidget*>(surface);
    }

    // Event handlers of surfaces call these around their work so a window destroyed meanwhile is
    // deleted only after the handler returns.
    int dispatchDepth = 0;
    QPointer<QWidget> lastMouseWidget;

private:
    // Fills `menu` from `hmenu`; with postCommands, choosing an item posts WM_COMMAND to owner.
    void Deliver(QMenu* menu, HMENU hmenu, HWND owner, bool postCommands);
    int menuBarHeight_ = 0; // measured once at Init, on the user-interface thread

    QAbstractEventDispatcher* dispatcher_ = nullptr;
    std::atomic<bool> wakePending_{false};
    std::atomic<int> modalDepth_{0};
    Qt::CursorShape cursorShape_ = Qt::ArrowCursor;
    QCursor cursor_;
};

} // namespace kel::qt
