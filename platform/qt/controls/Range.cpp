// The range controls: "msctls_trackbar32" (slider), "msctls_updown32" (spin with a buddy edit) and
// "msctls_progress32".
#include "Control.h"
#include "Controls.h"

#include <QtWidgets/QProgressBar>
#include <QtWidgets/QSlider>
#include <QtWidgets/QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kel::qt::controls
{
namespace
{

// ---- Trackbar: moves itself, then tells the parent with TB_* codes.

class TrackbarControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const DWORD style = static_cast<DWORD>(cs.style);
        slider_ = new QSlider((style & TBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
        slider_->setRange(0, 100);
        slider_->setPageStep(20);
        slider_->setSingleStep(1);
        // Windows puts the minimum of a vertical trackbar at the top.
        slider_->setInvertedAppearance(style & TBS_VERT);
        slider_->setInvertedControls(style & TBS_VERT);
        if (style & TBS_NOTICKS)
            slider_->setTickPosition(QSlider::NoTicks);
        else if (style & TBS_BOTH)
            slider_->setTickPosition(QSlider::TicksBothSides);
        else if (style & TBS_TOP)
            slider_->setTickPosition(QSlider::TicksAbove);
        else
            slider_->setTickPosition(QSlider::TicksBelow);
        slider_->setTickInterval(1);
        QObject::connect(slider_, &QAbstractSlider::actionTriggered, this,
                         [this](int action) { Action(action); });
        QObject::connect(slider_, &QAbstractSlider::sliderReleased, this,
                         [this]
                         {
                             Send(TB_THUMBPOSITION, slider_->value());
                             if (IsWindow(hwnd_))
                                 Send(TB_ENDTRACK, 0);
                         });
        slider_->installEventFilter(this);
        return slider_;
    }

    void Send(int code, int pos)
    {
        if (HWND parent = Parent())
            SendMessage(parent, (Style() & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos),
                        reinterpret_cast<LPARAM>(hwnd_));
    }

    void Action(int action)
    {
        const int code = ScrollCodeOfSliderAction(action); // TB_* codes share the SB_* values
        if (code < 0)
            return;
        // The position is the new one when the parent hears of it.
        slider_->setValue(slider_->sliderPosition());
        Send(code, code == TB_THUMBTRACK ? slider_->value() : 0);
        if (code != TB_THUMBTRACK)
            pendingEnd_ = true;
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (!slider_)
            return Control::Proc(msg, wp, lp);
        switch (msg)
        {
        case TBM_GETPOS:
            return slider_->value();
        case TBM_GETRANGEMIN:
            return slider_->minimum();
        case TBM_GETRANGEMAX:
            return slider_->maximum();
        case TBM_SETPOS:
        {
            const QSignalBlocker block(slider_);
            slider_->setValue(static_cast<int>(lp));
            return 0;
        }
        case TBM_SETRANGE:
        {
            const QSignalBlocker block(slider_);
            slider_->setRange(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
            return 0;
        }
        case TBM_SETRANGEMIN:
        case TBM_SETRANGEMAX:
        {
            const QSignalBlocker block(slider_);
            if (msg == TBM_SETRANGEMIN)
                slider_->setMinimum(static_cast<int>(lp));
            else
                slider_->setMaximum(static_cast<int>(lp));
            return 0;
        }
        case TBM_SETTICFREQ:
            slider_->setTickInterval(std::max(1, static_cast<int>(wp)));
            return 0;
        case TBM_CLEARTICS:
            return 0;
        case TBM_SETTIC:
            return TRUE;
        case TBM_SETPAGESIZE:
        {
            const int old = slider_->pageStep();
            slider_->setPageStep(static_cast<int>(lp));
            return old;
        }
        case TBM_GETPAGESIZE:
            return slider_->pageStep();
        case TBM_SETLINESIZE:
        {
            const int old = slider_->singleStep();
            slider_->setSingleStep(static_cast<int>(lp));
            return old;
        }
        case TBM_GETLINESIZE:
            return slider_->singleStep();
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
        {
            // Keys change the position here, then the parent hears of it.
            int action = -1;
            switch (wp)
            {
            case VK_LEFT:
            case VK_UP:
                action = QAbstractSlider::SliderSingleStepSub;
                break;
            case VK_RIGHT:
            case VK_DOWN:
                action = QAbstractSlider::SliderSingleStepAdd;
                break;
            case VK_PRIOR:
                action = QAbstractSlider::SliderPageStepSub;
                break;
            case VK_NEXT:
                action = QAbstractSlider::SliderPageStepAdd;
                break;
            case VK_HOME:
                action = QAbstractSlider::SliderToMinimum;
                break;
            case VK_END:
                action = QAbstractSlider::SliderToMaximum;
                break;
            default:
                break;
            }
            if (action >= 0)
            {
                // Qt's inverted controls would flip the keys; Windows maps them by name.
                const bool inv = slider_->invertedControls();
                slider_->setInvertedControls(false);
                slider_->triggerAction(static_cast<QAbstractSlider::SliderAction>(action));
                slider_->setInvertedControls(inv);
            }
            return 0;
        }
        case WM_KEYUP:
            if (pendingEnd_)
            {
                pendingEnd_ = false;
                Send(TB_ENDTRACK, 0);
            }
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == slider_ && event->type() == QEvent::MouseButtonRelease && pendingEnd_ &&
            !slider_->isSliderDown())
        {
            pendingEnd_ = false;
            Send(TB_ENDTRACK, 0);
        }
        return Control::eventFilter(watched, event);
    }

private:
    QSlider* slider_ = nullptr;
    bool pendingEnd_ = false;
};

// ---- Up-down: asks the parent (UDN_DELTAPOS), moves, updates the buddy, then WM_VSCROLL.

class UpDownControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const bool horz = cs.style & UDS_HORZ;
        auto* w = new QWidget(parent);
        up_ = new QToolButton(w);
        down_ = new QToolButton(w);
        up_->setArrowType(horz ? Qt::RightArrow : Qt::UpArrow);
        down_->setArrowType(horz ? Qt::LeftArrow : Qt::DownArrow);
        for (QToolButton* b : {up_, down_})
        {
            b->setAutoRepeat(true);
            b->setFocusPolicy(Qt::NoFocus);
            b->installEventFilter(this);
        }
        QObject::connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
        QObject::connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
        w->setFocusPolicy(Qt::NoFocus);
        return w;
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg)
        {
        case WM_CREATE:
            if (Style() & UDS_AUTOBUDDY)
                SetBuddy(GetWindow(hwnd_, GW_HWNDPREV));
            break;
        case WM_SIZE:
        {
            Control::Proc(msg, wp, lp);
            const int w = LOWORD(lp), h = HIWORD(lp);
            if (Style() & UDS_HORZ)
            {
                down_->setGeometry(0, 0, w / 2, h);
                up_->setGeometry(w / 2, 0, w - w / 2, h);
            }
            else
            {
                up_->setGeometry(0, 0, w, h / 2);
                down_->setGeometry(0, h / 2, w, h - h / 2);
            }
            return 0;
        }
        case UDM_SETRANGE:
            min_ = static_cast<short>(HIWORD(lp));
            max_ = static_cast<short>(LOWORD(lp));
            pos_ = Clamp(pos_);
            return 0;
        case UDM_GETRANGE:
            return MAKELRESULT(max_, min_);
        case UDM_SETRANGE32:
            min_ = static_cast<int>(wp);
            max_ = static_cast<int>(lp);
            pos_ = Clamp(pos_);
            return 0;
        case UDM_GETRANGE32:
            if (wp)
                *reinterpret_cast<int*>(wp) = min_;
            if (lp)
                *reinterpret_cast<int*>(lp) = max_;
            return 0;
        case UDM_SETPOS:
        case UDM_SETPOS32:
        {
            const int old = ReadBuddy(nullptr);
            pos_ = Clamp(msg == UDM_SETPOS ? static_cast<short>(LOWORD(lp)) : static_cast<int>(lp));
            WriteBuddy();
            return old;
        }
        case UDM_GETPOS:
        {
            bool error = false;
            const int pos = ReadBuddy(&error);
            return MAKELRESULT(pos, error ? 1 : 0);
        }
        case UDM_GETPOS32:
        {
            bool error = false;
            const int pos = ReadBuddy(&error);
            if (lp)
                *reinterpret_cast<BOOL*>(lp) = error;
            return pos;
        }
        case UDM_SETBUDDY:
        {
            HWND old = buddy_;
            SetBuddy(reinterpret_cast<HWND>(wp));
            return reinterpret_cast<LRESULT>(old);
        }
        case UDM_GETBUDDY:
            return reinterpret_cast<LRESULT>(buddy_);
        case UDM_SETBASE:
        {
            if (wp != 10 && wp != 16)
                return 0;
            const int old = base_;
            base_ = static_cast<int>(wp);
            WriteBuddy();
            return old;
        }
        case UDM_GETBASE:
            return base_;
        case UDM_SETACCEL:
        {
            const auto* acc = reinterpret_cast<const UDACCEL*>(lp);
            if (!acc || wp == 0)
                return FALSE;
            accel_.assign(acc, acc + wp);
            return TRUE;
        }
        case UDM_GETACCEL:
        {
            auto* out = reinterpret_cast<UDACCEL*>(lp);
            const size_t n = std::min<size_t>(wp, accel_.size());
            std::copy(accel_.begin(), accel_.begin() + static_cast<std::ptrdiff_t>(n), out);
            return static_cast<LRESULT>(accel_.size());
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (wp == VK_UP || wp == VK_RIGHT)
                Step(+1);
            else if (wp == VK_DOWN || wp == VK_LEFT)
                Step(-1);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

    int Clamp(int v) const { return std::clamp(v, std::min(min_, max_), std::max(min_, max_)); }

    // One click: +1 is the up (or right) arrow.
    void Step(int direction)
    {
        // The up arrow moves towards the maximum, which may be the smaller number.
        const int inc = accel_.empty() ? 1 : static_cast<int>(accel_[0].nInc);
        int delta = direction * inc * (max_ < min_ ? -1 : 1);
        bool error = false;
        pos_ = ReadBuddy(&error);
        NMUPDOWN nm{};
        nm.iPos = pos_;
        nm.iDelta = delta;
        const HWND self = hwnd_;
        if (Notify(&nm.hdr, UDN_DELTAPOS) || !IsWindow(self))
            return; // the parent refused
        delta = nm.iDelta;
        int next = pos_ + delta;
        const int lo = std::min(min_, max_), hi = std::max(min_, max_);
        if (next < lo || next > hi)
        {
            if (Style() & UDS_WRAP)
                next = next < lo ? hi : lo;
            else
                next = Clamp(next);
        }
        const bool moved = next != pos_;
        pos_ = next;
        if (moved)
            WriteBuddy();
        if (HWND parent = Parent())
            SendMessage(parent, (Style() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
                        MAKEWPARAM(SB_THUMBPOSITION, pos_), reinterpret_cast<LPARAM>(hwnd_));
        pendingEnd_ = true;
    }

    void SetBuddy(HWND buddy)
    {
        buddy_ = IsWindow(buddy) ? buddy : nullptr;
        if (!buddy_)
            return;
        const DWORD style = Style();
        if (style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))
        {
            // Sit against the buddy's side, taking the width from it.
            HWND parent = Parent();
            RECT br, mine;
            GetWindowRect(buddy_, &br);
            GetWindowRect(hwnd_, &mine);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&br), 2);
            const int w = mine.right - mine.left;
            if (style & UDS_ALIGNRIGHT)
            {
                MoveWindow(buddy_, br.left, br.top, br.right - br.left - w + 2, br.bottom - br.top, TRUE);
                MoveWindow(hwnd_, br.right - w, br.top, w, br.bottom - br.top, TRUE);
            }
            else
            {
                MoveWindow(buddy_, br.left + w - 2, br.top, br.right - br.left - w + 2, br.bottom - br.top,
                           TRUE);
                MoveWindow(hwnd_, br.left, br.top, w, br.bottom - br.top, TRUE);
            }
        }
        if (style & UDS_SETBUDDYINT)
            WriteBuddy();
    }

    // The position, read back from the buddy's text when it shows the number.
    int ReadBuddy(bool* error) const
    {
        if (error)
            *error = false;
        if (!buddy_ || !(Style() & UDS_SETBUDDYINT))
            return pos_;
        char text[64] = {};
        GetWindowText(buddy_, text, sizeof text);
        std::string digits;
        for (const char* p = text; *p; ++p)
            if (*p != ',' && *p != ' ')
                digits += *p;
        char* end = nullptr;
        const long v = std::strtol(digits.c_str(), &end, base_ == 16 ? 16 : 10);
        if (digits.empty() || (end && *end) || v < std::min(min_, max_) || v > std::max(min_, max_))
        {
            if (error)
                *error = true;
            return pos_;
        }
        return static_cast<int>(v);
    }

    void WriteBuddy()
    {
        if (!buddy_ || !(Style() & UDS_SETBUDDYINT))
            return;
        char text[32];
        if (base_ == 16)
            std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(pos_));
        else
        {
            std::string s = std::to_string(std::abs(pos_));
            if (!(Style() & UDS_NOTHOUSANDS))
                for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3)
                    s.insert(static_cast<size_t>(i), ",");
            std::snprintf(text, sizeof text, "%s%s", pos_ < 0 ? "-" : "", s.c_str());
        }
        SetWindowText(buddy_, text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((watched == up_ || watched == down_) && event->type() == QEvent::MouseButtonRelease &&
            pendingEnd_)
        {
            pendingEnd_ = false;
            if (HWND parent = Parent())
                SendMessage(parent, (Style() & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
                            MAKEWPARAM(SB_ENDSCROLL, pos_), reinterpret_cast<LPARAM>(hwnd_));
        }
        return Control::eventFilter(watched, event);
    }

private:
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    HWND buddy_ = nullptr;
    // Windows' default range runs from 100 down to 0.
    int min_ = 100;
    int max_ = 0;
    int pos_ = 0;
    int base_ = 10;
    std::vector<UDACCEL> accel_;
    bool pendingEnd_ = false;
};

// ---- Progress

class ProgressControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT&) override
    {
        bar_ = new QProgressBar(parent);
        bar_->setRange(0, 100);
        bar_->setValue(0);
        bar_->setTextVisible(false);
        bar_->setFocusPolicy(Qt::NoFocus);
        return bar_;
    }

    int SetPos(int pos)
    {
        const int old = pos_;
        pos_ = std::clamp(pos, std::min(low_, high_), std::max(low_, high_));
        bar_->setValue(pos_);
        return old;
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (!bar_)
            return Control::Proc(msg, wp, lp);
        switch (msg)
        {
        case PBM_SETRANGE:
        case PBM_SETRANGE32:
        {
            const LRESULT old = MAKELRESULT(low_, high_);
            low_ = msg == PBM_SETRANGE ? static_cast<short>(LOWORD(lp)) : static_cast<int>(wp);
            high_ = msg == PBM_SETRANGE ? static_cast<short>(HIWORD(lp)) : static_cast<int>(lp);
            bar_->setRange(std::min(low_, high_), std::max(low_, high_));
            SetPos(pos_);
            return old;
        }
        case PBM_GETRANGE:
            if (auto* r = reinterpret_cast<PBRANGE*>(lp))
                *r = PBRANGE{low_, high_};
            return wp ? low_ : high_;
        case PBM_SETPOS:
            return SetPos(static_cast<int>(wp));
        case PBM_GETPOS:
            return pos_;
        case PBM_DELTAPOS:
            return SetPos(pos_ + static_cast<int>(wp));
        case PBM_SETSTEP:
        {
            const int old = step_;
            step_ = static_cast<int>(wp);
            return old;
        }
        case PBM_STEPIT:
        {
            // Past the end the bar starts again from the bottom.
            int next = pos_ + step_;
            if (next > high_)
                next = low_ + (next - high_);
            if (next < low_)
                next = high_ - (low_ - next);
            return SetPos(next);
        }
        case PBM_SETBARCOLOR:
        case PBM_SETBKCOLOR:
        {
            QPalette pal = bar_->palette();
            pal.setColor(msg == PBM_SETBARCOLOR ? QPalette::Highlight : QPalette::Base,
                         ToQColor(static_cast<COLORREF>(lp)));
            bar_->setPalette(pal);
            return 0;
        }
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

private:
    QProgressBar* bar_ = nullptr;
    int low_ = 0, high_ = 100, pos_ = 0, step_ = 10;
};

} // namespace

bool RegisterRangeClasses()
{
    bool ok = RegisterControlClass(TRACKBAR_CLASS, ClassProc<TrackbarControl>);
    ok = RegisterControlClass(UPDOWN_CLASS, ClassProc<UpDownControl>) && ok;
    ok = RegisterControlClass(PROGRESS_CLASS, ClassProc<ProgressControl>) && ok;
    return ok;
}

} // namespace kel::qt::controls
