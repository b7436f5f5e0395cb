// "BUTTON": push, default, check, three-state, radio (with WS_GROUP group semantics), group box and
// owner-draw buttons.
#include "../src/QtGdi.h"
#include "Control.h"
#include "Controls.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStyle>

namespace kel::qt::controls
{
namespace
{

class ButtonControl;

// Each Qt button leaves the change of its check state to the control, which applies the Windows
// rules (auto kinds only; three-state cycles unchecked, checked, indeterminate).
template <class Base> class WinButton : public Base
{
public:
    WinButton(ButtonControl* owner, QWidget* parent) : Base(parent), owner_(owner) {}

protected:
    void nextCheckState() override;
    void paintEvent(QPaintEvent* e) override;

    ButtonControl* owner_;
};

// A group box as a dialog shows it: an etched frame with the title on its top edge and nothing
// filled inside, so the controls it frames sit on the dialog's own colour.
class WinGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QFontMetrics fm = fontMetrics();
        const QRect frame = rect().adjusted(0, fm.height() / 2, -1, -1);
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(frame.adjusted(1, 1, 0, 0));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        if (title().isEmpty())
            return;
        const QSize size = fm.size(Qt::TextShowMnemonic, title());
        const QRect text(8, 0, size.width() + 4, size.height());
        p.fillRect(text, palette().color(backgroundRole()));
        style()->drawItemText(&p, text.adjusted(2, 0, -2, 0),
                              Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, palette(), isEnabled(),
                              title(), QPalette::WindowText);
    }
};

class ButtonControl : public Control
{
public:
    using Control::Control;

    UINT Type() const { return Style() & BS_TYPEMASK; }
    bool IsPush() const
    {
        return Type() == BS_PUSHBUTTON || Type() == BS_DEFPUSHBUTTON || Type() == BS_USERBUTTON ||
               Type() == BS_PUSHBOX;
    }
    bool IsCheck() const
    {
        return Type() == BS_CHECKBOX || Type() == BS_AUTOCHECKBOX || Type() == BS_3STATE ||
               Type() == BS_AUTO3STATE;
    }
    bool IsRadio() const { return Type() == BS_RADIOBUTTON || Type() == BS_AUTORADIOBUTTON; }

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const UINT type = static_cast<UINT>(cs.style) & BS_TYPEMASK;
        const QString text = ToQt(cs.lpszName && !IS_INTRESOURCE(cs.lpszName) ? cs.lpszName : "");
        QWidget* w = nullptr;
        switch (type)
        {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        {
            auto* b = new WinButton<QCheckBox>(this, parent);
            b->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
            b->setText(text);
            w = b;
            colorMsg_ = WM_CTLCOLORSTATIC;
            break;
        }
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        {
            auto* b = new WinButton<QRadioButton>(this, parent);
            b->setAutoExclusive(false); // groups follow WS_GROUP, handled here
            b->setText(text);
            w = b;
            colorMsg_ = WM_CTLCOLORSTATIC;
            break;
        }
        case BS_GROUPBOX:
        {
            auto* g = new WinGroupBox(text, parent);
            g->setAttribute(Qt::WA_TransparentForMouseEvents);
            g->setFocusPolicy(Qt::NoFocus);
            if (parent)
            {
                // A group box lies under the controls it frames.
                parent->setAttribute(Qt::WA_TransparentForMouseEvents);
                parent->lower();
            }
            w = g;
            colorMsg_ = WM_CTLCOLORSTATIC;
            break;
        }
        default:
        {
            auto* b = new WinButton<QPushButton>(this, parent);
            b->setText(text);
            b->setDefault(type == BS_DEFPUSHBUTTON);
            b->setAutoDefault(false);
            w = b;
            colorMsg_ = WM_CTLCOLORBTN;
            break;
        }
        }
        if (auto* b = qobject_cast<QAbstractButton*>(w))
        {
            QObject::connect(b, &QAbstractButton::clicked, this, [this] { Command(BN_CLICKED); });
            if (type == BS_OWNERDRAW)
            {
                // The owner hears of each change of the pressed look (mouse or space bar) at once.
                QObject::connect(b, &QAbstractButton::pressed, this, [this] { DrawSelect(true); });
                QObject::connect(b, &QAbstractButton::released, this, [this] { DrawSelect(false); });
            }
            if (cs.style & BS_NOTIFY)
            {
                QObject::connect(b, &QAbstractButton::pressed, this, [this] { Command(BN_HILITE); });
                QObject::connect(b, &QAbstractButton::released, this, [this] { Command(BN_UNHILITE); });
            }
        }
        return w;
    }

    QAbstractButton* Button() const { return qobject_cast<QAbstractButton*>(widget_); }

    int Check() const
    {
        if (auto* c = qobject_cast<QCheckBox*>(widget_))
            return c->checkState() == Qt::Checked            ? BST_CHECKED
                   : c->checkState() == Qt::PartiallyChecked ? BST_INDETERMINATE
                                                             : BST_UNCHECKED;
        if (auto* b = Button(); b && b->isCheckable())
            return b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        return check_;
    }

    void SetCheck(int state)
    {
        check_ = state;
        if (auto* c = qobject_cast<QCheckBox*>(widget_))
        {
            if (state == BST_INDETERMINATE && !c->isTristate())
                state = BST_CHECKED; // Windows shows a two-state box as checked
            c->setCheckState(state == BST_CHECKED         ? Qt::Checked
                             : state == BST_INDETERMINATE ? Qt::PartiallyChecked
                                                          : Qt::Unchecked);
        }
        else if (auto* r = qobject_cast<QRadioButton*>(widget_))
        {
            r->setCheckable(true);
            r->setChecked(state == BST_CHECKED);
        }
        if (IsRadio())
        {
            // Only the checked radio of a group is a tab stop.
            LONG_PTR style = GetWindowLongPtr(hwnd_, GWL_STYLE);
            if (state == BST_CHECKED)
                style |= WS_TABSTOP;
            else
                style &= ~WS_TABSTOP;
            SetWindowLongPtr(hwnd_, GWL_STYLE, style);
        }
    }

    // The user (or BM_CLICK) toggled the button: the Windows rules for each kind.
    void NextState()
    {
        switch (Type())
        {
        case BS_AUTOCHECKBOX:
            SetCheck(Check() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
            break;
        case BS_AUTO3STATE:
            SetCheck(Check() == BST_UNCHECKED ? BST_CHECKED
                     : Check() == BST_CHECKED ? BST_INDETERMINATE
                                              : BST_UNCHECKED);
            break;
        case BS_AUTORADIOBUTTON:
            CheckInGroup();
            break;
        default:
            break; // the owner decides
        }
    }

    // Checks this auto radio button and unchecks the other radio buttons of its WS_GROUP group.
    void CheckInGroup()
    {
        HWND parent = Parent();
        if (!parent)
        {
            SetCheck(BST_CHECKED);
            return;
        }
        HWND first = hwnd_;
        for (HWND h = hwnd_; h;)
        {
            if (GetWindowLongPtr(h, GWL_STYLE) & WS_GROUP)
            {
                first = h;
                break;
            }
            HWND prev = GetWindow(h, GW_HWNDPREV);
            if (!prev)
            {
                first = h;
                break;
            }
            h = prev;
        }
        // Windows keeps children in template order top to bottom: walk forward from the group's first.
        for (HWND h = first; h; h = GetWindow(h, GW_HWNDNEXT))
        {
            if (h != first && (GetWindowLongPtr(h, GWL_STYLE) & WS_GROUP))
                break;
            if (h == hwnd_)
                continue;
            if (SendMessage(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
                SendMessage(h, BM_SETCHECK, BST_UNCHECKED, 0);
        }
        SetCheck(BST_CHECKED);
    }

    void PaintOwnerDraw(QPainter& p)
    {
        auto* b = Button();
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(Id());
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (b->isDown() ? ODS_SELECTED : 0) | (b->hasFocus() ? ODS_FOCUS : 0) |
                        (b->isEnabled() ? 0 : ODS_DISABLED);
        dis.hwndItem = hwnd_;
        if (HWND parent = Parent())
            OwnerDraw(parent, dis, p, b->rect());
    }

    // WM_DRAWITEM with ODA_SELECT on the button's own device context.
    void DrawSelect(bool selected)
    {
        HWND parent = Parent();
        if (parent == nullptr)
            return;
        HDC dc = GetDC(hwnd_);
        if (dc == nullptr)
            return;
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(Id());
        dis.itemAction = ODA_SELECT;
        dis.itemState = (selected ? ODS_SELECTED : 0) | (GetFocus() == hwnd_ ? ODS_FOCUS : 0);
        dis.hwndItem = hwnd_;
        dis.hDC = dc;
        GetClientRect(hwnd_, &dis.rcItem);
        SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        ReleaseDC(hwnd_, dc);
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg)
        {
        case BM_GETCHECK:
            return Check();
        case BM_SETCHECK:
            if (IsCheck() || IsRadio())
                SetCheck(static_cast<int>(wp));
            return 0;
        case BM_GETSTATE:
        {
            auto* b = Button();
            return Check() | (b && b->isDown() ? BST_PUSHED : 0) | (GetFocus() == hwnd_ ? BST_FOCUS : 0);
        }
        case BM_SETSTATE:
            if (auto* b = Button())
                b->setDown(wp != 0);
            return 0;
        case BM_SETSTYLE:
        {
            LONG_PTR style = GetWindowLongPtr(hwnd_, GWL_STYLE);
            style = (style & ~0xFFFF) | (wp & 0xFFFF);
            SetWindowLongPtr(hwnd_, GWL_STYLE, style);
            if (auto* pb = qobject_cast<QPushButton*>(widget_))
                pb->setDefault((wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
            if (LOWORD(lp) && widget_)
                widget_->update();
            return 0;
        }
        case BM_CLICK:
            if (auto* b = Button(); b && IsWindowEnabled(hwnd_))
                b->click();
            return 0;
        case BM_GETIMAGE:
            return reinterpret_cast<LRESULT>(wp == IMAGE_ICON ? icon_ : bitmap_);
        case BM_SETIMAGE:
        {
            HANDLE& slot = wp == IMAGE_ICON ? icon_ : bitmap_;
            HANDLE old = slot;
            slot = reinterpret_cast<HANDLE>(lp);
            ShowImage(wp == IMAGE_ICON ? kel::qt::ImageOfIcon(static_cast<HICON>(slot))
                                       : kel::qt::ImageOfBitmap(static_cast<HBITMAP>(slot)));
            if (widget_)
                widget_->update();
            return reinterpret_cast<LRESULT>(old);
        }
        case WM_GETDLGCODE:
            switch (Type())
            {
            case BS_DEFPUSHBUTTON:
                return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
            case BS_PUSHBUTTON:
            case BS_OWNERDRAW:
                return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return DLGC_BUTTON | DLGC_RADIOBUTTON;
            case BS_GROUPBOX:
                return DLGC_STATIC;
            default:
                return DLGC_BUTTON;
            }
        case WM_CHAR:
            return 0; // Space works through the key itself
        case WM_SETFOCUS:
            Control::Proc(msg, wp, lp);
            if (Style() & BS_NOTIFY)
                Command(BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            if (Style() & BS_NOTIFY)
                Command(BN_KILLFOCUS);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

protected:
    void OnText(const std::string& text) override
    {
        if (auto* b = Button())
            b->setText(ToQt(text));
        else if (auto* g = qobject_cast<QGroupBox*>(widget_))
            g->setTitle(ToQt(text));
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick && watched == widget_ &&
            (Style() & BS_NOTIFY || IsRadio() || Type() == BS_OWNERDRAW))
        {
            // Windows sends the second click of a double click as BN_DOUBLECLICKED, not BN_CLICKED.
            Command(BN_DOUBLECLICKED);
            return true;
        }
        return Control::eventFilter(watched, event);
    }

private:
    // The button's picture; BS_ICON/BS_BITMAP buttons show it in place of their text.
    void ShowImage(const QImage& image)
    {
        auto* b = Button();
        if (!b)
            return;
        b->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
        if (!image.isNull())
            b->setIconSize(image.size());
        if ((Style() & (BS_ICON | BS_BITMAP)) && !image.isNull())
            b->setText(QString());
    }

    int check_ = BST_UNCHECKED;
    HANDLE icon_ = nullptr;
    HANDLE bitmap_ = nullptr;
};

template <class Base> void WinButton<Base>::nextCheckState()
{
    owner_->NextState();
}

template <class Base> void WinButton<Base>::paintEvent(QPaintEvent* e)
{
    if ((owner_->Style() & BS_TYPEMASK) == BS_OWNERDRAW)
    {
        QPainter p(this);
        owner_->PaintOwnerDraw(p);
        return;
    }
    Base::paintEvent(e);
}

} // namespace

bool RegisterButtonClass()
{
    return RegisterControlClass("Button", ClassProc<ButtonControl>);
}

} // namespace kel::qt::controls
