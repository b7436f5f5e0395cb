// The Qt driver: event loop, surfaces, cursors, screen metrics, popup menus; start-up helpers.
#include <QtCore/QAbstractEventDispatcher>
#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QTimer>
#include <QtGui/QCursor>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

#include "QtGdi.h"
#include "QtDriver.h"
#include "../controls/Controls.h"

#include "win32/clock.h"
#include "win32/codepage.h"
#include "win32/instance.h"
#include "win32/prompt.h"
#include "win32/user.h"
#include "win32qt/Prompt.h"
#include "win32qt/QtBackend.h"

#include <clocale>
#include <map>
#include <vector>

namespace kel::qt
{

namespace
{

QString FromCp1252(const std::string& text)
{
    return QString::fromStdString(kel::Cp1252ToUtf8(text));
}

// Standard cursors: the handle is the address of its table entry.
struct StandardCursorEntry
{
    WORD id;
    Qt::CursorShape shape;
};
const StandardCursorEntry kCursors[] = {
    {32512, Qt::ArrowCursor},        {32513, Qt::IBeamCursor},     {32514, Qt::WaitCursor},
    {32515, Qt::CrossCursor},        {32516, Qt::UpArrowCursor},   {32640, Qt::SizeAllCursor},
    {32642, Qt::SizeFDiagCursor},    {32643, Qt::SizeBDiagCursor}, {32644, Qt::SizeHorCursor},
    {32645, Qt::SizeVerCursor},      {32646, Qt::SizeAllCursor},   {32648, Qt::ForbiddenCursor},
    {32649, Qt::PointingHandCursor}, {32650, Qt::BusyCursor},      {32651, Qt::WhatsThisCursor},
};

std::unique_ptr<QApplication>& Application()
{
    static std::unique_ptr<QApplication> app;
    return app;
}

std::unique_ptr<kel::ui::Driver>& StartedDriver()
{
    static std::unique_ptr<kel::ui::Driver> driver;
    return driver;
}

} // namespace

QtDriver::QtDriver() = default;

QtDriver::~QtDriver()
{
    // Widgets of windows destroyed inside their own handlers are waiting for deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool QtDriver::Init()
{
    if (!QCoreApplication::instance())
        return false;
    dispatcher_ = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    InstallDrawing();
    {
        // Every menu bar gets this height so the client area the window manager computes matches.
        QMenuBar probe;
        probe.setNativeMenuBar(false);
        probe.addMenu(QStringLiteral("&File"));
        menuBarHeight_ = std::max(1, probe.sizeHint().height());
    }
    if (!controls::RegisterClasses())
        return false;
    kel::ui::InstallForeignWindowFinder();
    return dispatcher_ != nullptr;
}

void QtDriver::ProcessEvents(DWORD timeoutMs)
{
    // Time-outs run on the layer clock; outside real time, wait in short slices and look again.
    const bool realClock = kel::GetClockMode() == kel::ClockMode::Real;
    const int64_t deadline =
        timeoutMs == INFINITE ? INT64_MAX : kel::ClockNowNs() + static_cast<int64_t>(timeoutMs) * 1000000;
    QTimer timer;
    timer.setSingleShot(true);
    while (!wakePending_.exchange(false))
    {
        const int64_t now = kel::ClockNowNs();
        if (now >= deadline)
            break;
        if (deadline != INT64_MAX)
        {
            const int64_t left = (deadline - now + 999999) / 1000000;
            timer.start(static_cast<int>(std::min<int64_t>(realClock ? left : 10, 1 << 30)));
        }
        else if (!realClock)
            timer.start(10);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // Outside QEventLoop::exec, Qt leaves deferred deletes to us.
        if (dispatchDepth == 0)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void QtDriver::Wake()
{
    wakePending_ = true;
    if (modalDepth_ > 0)
    {
        // A menu's own loop runs: let it serve our queue.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { kel::ui::ServeMessagesWhileModal(); }, Qt::QueuedConnection);
    }
    if (dispatcher_)
        dispatcher_->wakeUp();
}

kel::ui::NativeSurface QtDriver::CreateSurface(const kel::ui::SurfaceInfo& info)
{
    SurfaceWidget* widget = nullptr;
    if (info.style & WS_CHILD)
    {
        QWidget* parent = static_cast<QWidget*>(info.parent);
        if (!parent)
            return nullptr;
        widget = new SurfaceWidget(*this, info.hwnd, parent, Qt::Widget);
    }
    else
    {
        Qt::WindowFlags flags = Qt::Window;
        if ((info.style & WS_CAPTION) != WS_CAPTION)
            flags |= Qt::FramelessWindowHint;
        if (info.exStyle & WS_EX_TOOLWINDOW)
            flags |= Qt::Tool;
        if (info.exStyle & WS_EX_TOPMOST)
            flags |= Qt::WindowStaysOnTopHint;
        // An owned window stays above its owner.
        QWidget* owner = static_cast<QWidget*>(kel::ui::GetSurface(info.owner));
        widget = new SurfaceWidget(*this, info.hwnd, owner ? owner->window() : nullptr, flags);
        widget->setWindowTitle(FromCp1252(info.text));
        // Other instances of the program find top-level windows by class (single instance).
        kel::ui::ServeWindowClass(info.className);
    }
    const QPoint offset =
        widget->isWindow() ? QPoint() : SurfaceWidget::ClientOffsetOf(widget->parentWidget());
    widget->setGeometry(info.rect.left + offset.x(), info.rect.top + offset.y(),
                        std::max(0, int(info.rect.right - info.rect.left)),
                        std::max(0, int(info.rect.bottom - info.rect.top)));
    if ((info.style & (WS_CHILD | WS_CAPTION)) == (WS_CHILD | WS_CAPTION))
    {
        widget->childFrame = std::make_unique<SurfaceWidget::ChildFrame>();
        widget->childFrame->style = info.style;
        widget->childFrame->title = FromCp1252(info.text);
        // Its client margins come with SetSurfaceInsets once the window's client area is known.
    }
    widget->setEnabled(!(info.style & WS_DISABLED));
    return widget;
}

void QtDriver::DestroySurface(HWND hwnd, kel::ui::NativeSurface surface)
{
    (void)hwnd;
    SurfaceWidget* widget = Widget(surface);
    if (!widget)
        return;
    widget->hwnd = nullptr;
    widget->hide();
    // A widget whose handler is running (a close box, a key that closes) goes after it returns.
    if (dispatchDepth > 0)
        widget->deleteLater();
    else
        delete widget;
}

void QtDriver::SetSurfaceGeometry(kel::ui::NativeSurface surface, const RECT& rect)
{
    if (SurfaceWidget* widget = Widget(surface))
    {
        // Children sit in their parent's client area, inside its menu bar or frame.
        const QPoint offset =
            widget->isWindow() ? QPoint() : SurfaceWidget::ClientOffsetOf(widget->parentWidget());
        widget->setGeometry(rect.left + offset.x(), rect.top + offset.y(),
                            std::max(0, int(rect.right - rect.left)),
                            std::max(0, int(rect.bottom - rect.top)));
    }
}

void QtDriver::ShowSurface(kel::ui::NativeSurface surface, int showCmd)
{
    SurfaceWidget* widget = Widget(surface);
    if (!widget)
        return;
    if (!widget->isWindow())
    {
        widget->setVisible(showCmd != SW_HIDE);
        return;
    }
    const bool noActivate =
        showCmd == SW_SHOWNOACTIVATE || showCmd == SW_SHOWNA || showCmd == SW_SHOWMINNOACTIVE;
    widget->setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
    switch (showCmd)
    {
    case SW_HIDE:
        widget->hide();
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        widget->showMinimized();
        break;
    case SW_SHOWMAXIMIZED:
        widget->showMaximized();
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        widget->showNormal();
        break;
    default:
        widget->show();
        break;
    }
}

void QtDriver::EnableSurface(kel::ui::NativeSurface surface, bool enable)
{
    if (SurfaceWidget* widget = Widget(surface))
        widget->setEnabled(enable);
}

void QtDriver::SetSurfaceText(kel::ui::NativeSurface surface, const std::string& text)
{
    SurfaceWidget* widget = Widget(surface);
    if (widget && widget->isWindow())
        widget->setWindowTitle(FromCp1252(text));
    else if (widget && widget->childFrame)
    {
        widget->childFrame->title = FromCp1252(text);
        widget->update(0, 0, widget->width(), widget->clientMargins.top());
    }
}

void QtDriver::SetSurfaceParent(kel::ui::NativeSurface surface, kel::ui::NativeSurface parent)
{
    SurfaceWidget* widget = Widget(surface);
    if (!widget)
        return;
    // Shown or hidden by its own state, not by whether its old parent is on screen yet.
    const bool shown = !widget->isHidden();
    widget->setParent(static_cast<QWidget*>(parent), parent ? Qt::Widget : Qt::Window);
    widget->setVisible(shown);
}

void QtDriver::SetSurfaceZOrder(kel::ui::NativeSurface surface, kel::ui::NativeSurface after, bool bottom)
{
    SurfaceWidget* widget = Widget(surface);
    if (!widget)
        return;
    if (bottom)
        widget->lower();
    else if (!after)
        widget->raise();
    else if (auto* above = static_cast<QWidget*>(after))
        widget->stackUnder(above);
}

void QtDriver::ActivateSurface(kel::ui::NativeSurface surface)
{
    if (SurfaceWidget* widget = Widget(surface))
    {
        widget->window()->raise();
        widget->window()->activateWindow();
    }
}

void QtDriver::FocusSurface(kel::ui::NativeSurface surface)
{
    if (SurfaceWidget* widget = Widget(surface))
        widget->setFocus(Qt::OtherFocusReason);
    else if (QWidget* focus = QApplication::focusWidget())
        focus->clearFocus();
}

void QtDriver::CaptureMouse(kel::ui::NativeSurface surface)
{
    if (SurfaceWidget* widget = Widget(surface))
        widget->grabMouse();
    else if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

void QtDriver::SetCursorShape(HCURSOR cursor)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    bool standard = !cursor;
    if (!cursor)
        shape = Qt::BlankCursor;
    for (const StandardCursorEntry& entry : kCursors)
        if (cursor == reinterpret_cast<HCURSOR>(const_cast<StandardCursorEntry*>(&entry)))
        {
            shape = entry.shape;
            standard = true;
        }
    cursor_ = QCursor(shape);
    if (!standard)
    {
        // A cursor from resources: its picture, hot spot from the .cur header.
        QPoint hot;
        const QImage image = ImageOfIcon(cursor, &hot);
        if (!image.isNull())
            cursor_ = QCursor(QPixmap::fromImage(image), hot.x(), hot.y());
    }
    cursorShape_ = cursor_.shape();
    // Windows' cursor belongs to the pointer: give it to the widget under it.
    QWidget* target = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : lastMouseWidget.data();
    if (target)
        target->setCursor(cursor_);
}

HCURSOR QtDriver::StandardCursor(LPCSTR id)
{
    if (!IS_INTRESOURCE(id))
        return nullptr;
    const WORD value = LOWORD(reinterpret_cast<uintptr_t>(id));
    for (const StandardCursorEntry& entry : kCursors)
        if (entry.id == value)
            return reinterpret_cast<HCURSOR>(const_cast<StandardCursorEntry*>(&entry));
    return nullptr;
}

void QtDriver::FlushBackingImage(HWND hwnd, kel::ui::NativeSurface surface, const RECT& clientRect)
{
    const QRect r(QPoint(clientRect.left, clientRect.top),
                  QPoint(clientRect.right - 1, clientRect.bottom - 1));
    if (auto* store = static_cast<kel::gdi::BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd)))
    {
        store->painted |= kel::gdi::Region(clientRect);
        store->dirty -= kel::gdi::Region(clientRect);
    }
    if (SurfaceWidget* widget = Widget(surface))
        widget->update(r.translated(widget->ClientOffset()));
}

bool QtDriver::SystemMetric(int index, int* value)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !value)
        return false;
    switch (index)
    {
    case SM_CXSCREEN:
        *value = screen->geometry().width();
        return true;
    case SM_CYSCREEN:
        *value = screen->geometry().height();
        return true;
    case SM_CXFULLSCREEN:
        *value = screen->availableGeometry().width();
        return true;
    case SM_CYFULLSCREEN:
        *value = screen->availableGeometry().height();
        return true;
    case SM_XVIRTUALSCREEN:
        *value = screen->virtualGeometry().x();
        return true;
    case SM_YVIRTUALSCREEN:
        *value = screen->virtualGeometry().y();
        return true;
    case SM_CXVIRTUALSCREEN:
        *value = screen->virtualGeometry().width();
        return true;
    case SM_CYVIRTUALSCREEN:
        *value = screen->virtualGeometry().height();
        return true;
    case SM_CMONITORS:
        *value = static_cast<int>(QGuiApplication::screens().size());
        return true;
    default:
        return false;
    }
}

bool QtDriver::GetCursorPos(POINT* pt)
{
    if (!pt)
        return false;
    const QPoint p = QCursor::pos();
    *pt = POINT{p.x(), p.y()};
    return true;
}

bool QtDriver::SetCursorPos(int x, int y)
{
    QCursor::setPos(x, y);
    return true;
}

// Fills a QMenu from an HMENU; submenus fill when they open, after WM_INITMENUPOPUP to the owner.
void QtDriver::Deliver(QMenu* menu, HMENU hmenu, HWND owner, bool postCommands)
{
    menu->clear();
    // The item under the mouse goes to the owner as WM_MENUSELECT (the status bar shows its prompt).
    QObject::disconnect(menu, &QMenu::hovered, nullptr, nullptr);
    if (owner)
        QObject::connect(menu, &QMenu::hovered, menu,
                         [owner, hmenu](QAction* a)
                         {
                             const QVariant item = a->data();
                             if (!item.isValid())
                                 return;
                             UINT flags = MF_HILITE | MF_MOUSESELECT | (a->menu() ? MF_POPUP : 0);
                             if (!a->isEnabled())
                                 flags |= MF_GRAYED | MF_DISABLED;
                             if (a->isChecked())
                                 flags |= MF_CHECKED;
                             SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(item.toUInt(), flags),
                                         reinterpret_cast<LPARAM>(hmenu));
                         });
    const int count = GetMenuItemCount(hmenu);
    for (int i = 0; i < count; ++i)
    {
        MENUITEMINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        if (!GetMenuItemInfo(hmenu, static_cast<UINT>(i), TRUE, &info))
            continue;
        if (info.fType & MFT_SEPARATOR)
        {
            menu->addSeparator();
            continue;
        }
        std::vector<char> buffer(info.cch + 1, '\0');
        info.dwTypeData = buffer.data();
        info.cch += 1;
        GetMenuItemInfo(hmenu, static_cast<UINT>(i), TRUE, &info);
        const std::string text(buffer.data());
        // '&' marks mnemonics in both worlds; text after '\t' shows as the accelerator.
        const QString label = FromCp1252(text);
        const bool enabled = !(info.fState & (MF_GRAYED | MF_DISABLED));
        if (info.hSubMenu)
        {
            QMenu* sub = menu->addMenu(label);
            sub->setEnabled(enabled);
            sub->menuAction()->setData(static_cast<uint>(i)); // a popup reports its position
            const HMENU hsub = info.hSubMenu;
            QObject::connect(sub, &QMenu::aboutToShow, sub,
                             [this, sub, hsub, owner, i, postCommands]
                             {
                                 if (owner)
                                     SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hsub),
                                                 MAKELPARAM(i, FALSE));
                                 Deliver(sub, hsub, owner, postCommands);
                             });
            continue;
        }
        QAction* action = menu->addAction(label);
        action->setData(static_cast<uint>(info.wID));
        action->setEnabled(enabled);
        if (postCommands && owner)
        {
            const UINT id = info.wID;
            QObject::connect(action, &QAction::triggered, action,
                             [owner, id] { PostMessage(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0); });
        }
        if (info.fState & MF_CHECKED)
        {
            action->setCheckable(true);
            action->setChecked(true);
        }
        if (info.fState & MF_DEFAULT)
        {
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
        }
    }
}

UINT QtDriver::TrackPopupMenu(HMENU hmenu, UINT flags, POINT pt, HWND owner)
{
    QMenu menu;
    Deliver(&menu, hmenu, owner, false);
    if (menu.isEmpty())
        return 0;
    QPoint at(pt.x, pt.y);
    const QSize size = menu.sizeHint();
    if ((flags & TPM_CENTERALIGN) == TPM_CENTERALIGN)
        at.rx() -= size.width() / 2;
    else if (flags & TPM_RIGHTALIGN)
        at.rx() -= size.width();
    if (flags & TPM_BOTTOMALIGN)
        at.ry() -= size.height();
    else if (flags & TPM_VCENTERALIGN)
        at.ry() -= size.height() / 2;
    // Our queue keeps running while the menu's loop does (cross-thread sends, timers).
    QTimer serve;
    QObject::connect(&serve, &QTimer::timeout, [] { kel::ui::ServeMessagesWhileModal(); });
    serve.start(50);
    ++modalDepth_;
    QAction* chosen = menu.exec(at);
    --modalDepth_;
    if (owner)
        SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    return chosen ? chosen->data().toUInt() : 0;
}

RECT QtDriver::FrameInsets(DWORD style, DWORD, bool hasMenu)
{
    if (!(style & WS_CHILD))
    {
        // Qt's window frame lies outside the widget; only the menu bar takes from the client area.
        return RECT{0, hasMenu ? menuBarHeight_ : 0, 0, 0};
    }
    // A child with a caption (a document window) gets a frame drawn here.
    if ((style & WS_CAPTION) != WS_CAPTION)
        return RECT{0, 0, 0, 0};
    const LONG border = (style & WS_THICKFRAME) ? kChildSizingBorder : kChildFixedBorder;
    return RECT{border, border + kChildCaption, border, border};
}

void QtDriver::SetSurfaceInsets(kel::ui::NativeSurface surface, const RECT& insets)
{
    if (SurfaceWidget* widget = Widget(surface))
        widget->SetClientMargins(QMargins(insets.left, insets.top, insets.right, insets.bottom));
}

void QtDriver::SetSurfaceScrollBar(kel::ui::NativeSurface surface, int bar, const SCROLLINFO& info,
                                   bool shown)
{
    if (SurfaceWidget* widget = Widget(surface); widget && (bar == SB_HORZ || bar == SB_VERT))
        widget->SetScrollBar(bar, info, shown);
}

void QtDriver::SetSurfaceIcon(kel::ui::NativeSurface surface, HICON icon, bool big)
{
    SurfaceWidget* widget = Widget(surface);
    if (!widget)
        return;
    (big ? widget->bigIcon : widget->smallIcon) = icon ? ImageOfIcon(icon) : QImage();
    if (widget->isWindow())
    {
        QIcon both;
        for (const QImage* image : {&widget->bigIcon, &widget->smallIcon})
            if (!image->isNull())
                both.addPixmap(QPixmap::fromImage(*image));
        widget->setWindowIcon(both);
    }
    else if (widget->childFrame)
        widget->update(0, 0, widget->width(), widget->clientMargins.top());
}

void QtDriver::SetFrameActive(kel::ui::NativeSurface surface, bool active)
{
    SurfaceWidget* widget = Widget(surface);
    if (widget && widget->childFrame && widget->childFrame->active != active)
    {
        widget->childFrame->active = active;
        widget->update();
    }
}

bool QtDriver::OpenMenuBarEntry(kel::ui::NativeSurface surface, char mnemonic)
{
    SurfaceWidget* widget = Widget(surface);
    QMenuBar* bar = widget ? widget->menuBar : nullptr;
    if (!bar)
        return false;
    const QString key = FromCp1252(std::string(1, mnemonic)).toLower();
    for (QAction* a : bar->actions())
    {
        if (!a->isEnabled() || a->isSeparator())
            continue;
        if (mnemonic != 0)
        {
            // The character after the first single '&' ("&&" is a literal ampersand).
            const QString text = a->text();
            QChar marked;
            for (qsizetype i = 0; i + 1 < text.size(); ++i)
                if (text[i] == QLatin1Char('&'))
                {
                    if (text[i + 1] != QLatin1Char('&'))
                    {
                        marked = text[i + 1];
                        break;
                    }
                    ++i;
                }
            if (marked.isNull() || QString(marked).toLower() != key)
                continue;
        }
        if (a->menu())
            bar->setActiveAction(a);
        else
            a->trigger();
        return true;
    }
    return false;
}

// The bar is a QMenu-filled QMenuBar over the top of the surface; its menus fill when they open.
void QtDriver::SetMenuBar(kel::ui::NativeSurface surface, HMENU hmenu)
{
    SurfaceWidget* widget = Widget(surface);
    if (!widget || !widget->isWindow())
        return;
    if (!hmenu)
    {
        delete widget->menuBar;
        widget->menuBar = nullptr;
    }
    else
    {
        if (!widget->menuBar)
        {
            widget->menuBar = new QMenuBar(widget);
            widget->menuBar->setNativeMenuBar(false);
            widget->menuBar->setFixedHeight(menuBarHeight_);
        }
        // A bar menu bar is one QMenu: the top items become its entries.
        QMenuBar* bar = widget->menuBar;
        for (QAction* a : bar->actions())
            if (QMenu* old = a->menu())
                old->deleteLater();
        bar->clear();
        QMenu items;
        Deliver(&items, hmenu, widget->hwnd, true);
        for (QAction* a : items.actions())
        {
            // Each entry must outlive `items`.
            if (QMenu* sub = a->menu())
            {
                sub->setParent(bar, sub->windowFlags());
                // Leaving the menus: the owner goes back to its idle prompt.
                QObject::connect(sub, &QMenu::aboutToHide, sub,
                                 [owner = widget->hwnd]
                                 { SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0); });
            }
            else
                a->setParent(bar);
            bar->addAction(a);
        }
        bar->setGeometry(0, 0, widget->width(), menuBarHeight_);
        bar->raise();
        bar->show();
        if (widget->maximizedChild && IsWindow(widget->maximizedChild))
            SetMaximizedChild(surface, widget->maximizedChild);
    }
    widget->SetClientMargins(QMargins(0, widget->menuBar ? menuBarHeight_ : 0, 0, 0));
}

// ---- Start-up

void RestoreCLocale()
{
    std::setlocale(LC_NUMERIC, "C");
    std::setlocale(LC_TIME, "C");
}

std::unique_ptr<kel::ui::Driver> CreateDriver()
{
    return std::make_unique<QtDriver>();
}

bool StartUi(int argc, char** argv)
{
    if (!Application())
    {
        static int s_argc = 0;
        static char s_name[] = "kel";
        static char* s_argv[] = {s_name, nullptr};
        s_argc = argc > 0 && argv ? argc : 1;
        Application() = std::make_unique<QApplication>(s_argc, argc > 0 && argv ? argv : s_argv);
        QApplication::setQuitOnLastWindowClosed(false); // the program decides when it ends
        RestoreCLocale();
    }
    if (StartedDriver())
        return false;
    auto driver = CreateDriver();
    if (!kel::ui::Initialize(driver.get()))
        return false;
    StartedDriver() = std::move(driver);
    // Message boxes and common dialogs show with Qt's dialogs from here on.
    InstallPromptService();
    // Beeps may come from any thread; Qt plays them on its own.
    kel::SetBeepHandler(
        [](UINT)
        {
            QMetaObject::invokeMethod(
                qApp, [] { QApplication::beep(); }, Qt::AutoConnection);
        });
    InstallAudio();
    return true;
}

void StopUi()
{
    if (!StartedDriver())
        return;
    kel::SetBeepHandler({});
    RemoveAudio();
    RemovePromptService();
    kel::ui::Shutdown();
    StartedDriver().reset();
}

void EndQt()
{
    StopUi();
    Application().reset();
}

} // namespace kel::qt
