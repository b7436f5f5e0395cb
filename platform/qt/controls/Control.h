// The standard controls' common machinery: one Control object per control window, holding the Qt
// widget that shows it inside the window's surface. The window procedure of each class creates the
// object on WM_NCCREATE and drops it on WM_NCDESTROY; messages go to Control::Proc.
#pragma once

#include <windows.h>

#include <QtCore/QEvent>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtGui/QColor>
#include <QtWidgets/QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QPainter;

namespace kel::qt::controls
{

QString ToQt(std::string_view cp1252);
std::string FromQt(const QString& text);
// Copies text into buf (cch chars including the NUL); returns the characters copied.
int CopyOut(const std::string& text, char* buf, int cch);
inline QColor ToQColor(COLORREF c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF ToColorRef(const QColor& c)
{
    return RGB(c.red(), c.green(), c.blue());
}

// The scroll code (SB_LINEUP ... SB_THUMBTRACK) a QAbstractSlider action stands for, or -1 for
// none. Trackbars use it too: their TB_* codes have the same values.
int ScrollCodeOfSliderAction(int action);

class Control;
using ControlFactory = std::unique_ptr<Control> (*)(HWND);

class Control : public QObject
{
public:
    explicit Control(HWND hwnd);
    ~Control() override;

    // Makes the widget (parent: the window's surface, or none when the window has no face).
    virtual QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) = 0;
    // The class's messages; what it does not handle goes to Control::Proc, then DefWindowProc.
    virtual LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp);

    QWidget* Widget() const { return widget_; }
    HWND Hwnd() const { return hwnd_; }
    DWORD Style() const;
    int Id() const;
    HWND Parent() const;

    // WM_COMMAND MAKEWPARAM(id, code) with this window to the parent.
    void Command(int code);
    // WM_NOTIFY to `to` (default: the parent) after filling hdr's hwndFrom/idFrom/code.
    LRESULT Notify(NMHDR* hdr, UINT code, HWND to = nullptr);

    // Asks the parent for colours (WM_CTLCOLOR*) and applies the text colour and the brush's colour
    // to the widget's palette.
    void ApplyParentColors(UINT ctlColorMsg);

    // Owner-draw: a DC over an image the size of rect (client coordinates) whose origin is set so
    // the owner draws in client coordinates; the image is then painted at rect.
    static void OwnerDraw(HWND to, DRAWITEMSTRUCT dis, QPainter& painter, const QRect& rect);

    // Installs the key router on w: key presses become WM_KEYDOWN/WM_CHAR in the window's queue,
    // so the dialog manager and subclasses see them; the class replays what reaches its own proc.
    void RouteKeys(QWidget* w);
    // true while a replayed key event is being delivered.
    static bool Replaying();

    friend LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, ControlFactory make);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Replays a key that reached this class's proc to the widget. textKeys: whether keys that
    // make characters are replayed too (edits get those through WM_CHAR).
    void ReplayKey(UINT vk, bool down, bool textKeys);
    virtual void OnFocus(bool gained) { (void)gained; }
    // Called after WM_SETTEXT stored the text.
    virtual void OnText(const std::string& text) { (void)text; }
    virtual void OnFont(const QFont& font);

    HWND hwnd_;
    QPointer<QWidget> widget_;
    UINT colorMsg_ = 0; // WM_CTLCOLOR* asked of the parent before each paint (0: none)
    HFONT font_ = nullptr;
    bool lastKeyRouted_ = false;
};

// The shared window procedure body: creates the control on WM_NCCREATE, dispatches, destroys.
LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, ControlFactory make);

template <class T> LRESULT CALLBACK ClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return Dispatch(hwnd, msg, wp, lp,
                    [](HWND h) -> std::unique_ptr<Control> { return std::make_unique<T>(h); });
}

// The control object of a window, nullptr when it is none of ours.
Control* FindControl(HWND hwnd);

// Registers one system class; cursor is an IDC_* or nullptr.
bool RegisterControlClass(const char* name, WNDPROC proc, UINT classStyle = CS_DBLCLKS | CS_PARENTDC);

} // namespace kel::qt::controls
