// "SCROLLBAR": a scroll-bar control. Clicks on the arrows and the page area only tell the parent
// (WM_HSCROLL/WM_VSCROLL with SB_* codes); the parent moves the thumb with SBM_SETPOS, as on Windows.
#include "Control.h"
#include "Controls.h"

#include <QtCore/QTimer>
#include <QtWidgets/QScrollBar>

#include <algorithm>

namespace kel::qt::controls
{
namespace
{

class ScrollBarControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        bar_ = new QScrollBar((cs.style & SBS_VERT) ? Qt::Vertical : Qt::Horizontal, parent);
        Sync();
        QObject::connect(bar_, &QAbstractSlider::actionTriggered, this,
                         [this](int action) { Action(action); });
        QObject::connect(bar_, &QAbstractSlider::sliderReleased, this,
                         [this]
                         {
                             Send(SB_THUMBPOSITION, bar_->sliderPosition());
                             if (IsWindow(hwnd_))
                                 Send(SB_ENDSCROLL, 0);
                             // Windows puts the thumb back where the parent left the position.
                             QPointer<QScrollBar> bar = bar_;
                             QTimer::singleShot(0, bar, [this] { Sync(); });
                         });
        bar_->installEventFilter(this);
        // As on Windows, the parent may colour the bar (WM_CTLCOLORSCROLLBAR) before each paint.
        colorMsg_ = WM_CTLCOLORSCROLLBAR;
        return bar_;
    }

    void Send(int code, int pos)
    {
        if (HWND parent = Parent())
            SendMessage(parent, (Style() & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos),
                        reinterpret_cast<LPARAM>(hwnd_));
    }

    void Action(int action)
    {
        const int code = ScrollCodeOfSliderAction(action);
        if (code < 0)
            return;
        if (code == SB_THUMBTRACK)
        {
            if (bar_->isSliderDown())
            {
                info_.nTrackPos = bar_->sliderPosition();
                Send(SB_THUMBTRACK, bar_->sliderPosition());
            }
            return;
        }
        // Keep the thumb; the parent decides.
        bar_->setSliderPosition(info_.nPos);
        Send(code, 0);
        pendingEnd_ = true;
    }

    // Shows info_ in the widget.
    void Sync()
    {
        if (!bar_)
            return;
        const QSignalBlocker block(bar_);
        const int page = static_cast<int>(info_.nPage);
        bar_->setRange(info_.nMin, std::max(info_.nMin, info_.nMax - std::max(page - 1, 0)));
        bar_->setPageStep(std::max(page, 1));
        bar_->setSingleStep(1);
        bar_->setValue(info_.nPos);
        bar_->setSliderPosition(info_.nPos);
    }

    int Clamp(int pos) const
    {
        const int top = std::max(info_.nMin, info_.nMax - std::max(static_cast<int>(info_.nPage) - 1, 0));
        return std::clamp(pos, info_.nMin, top);
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg)
        {
        case SBM_SETPOS:
        {
            const int old = info_.nPos;
            info_.nPos = Clamp(static_cast<int>(wp));
            Sync();
            return old;
        }
        case SBM_GETPOS:
            return info_.nPos;
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW:
        {
            const int old = info_.nPos;
            info_.nMin = static_cast<int>(wp);
            info_.nMax = static_cast<int>(lp);
            info_.nPos = Clamp(info_.nPos);
            Sync();
            return old;
        }
        case SBM_GETRANGE:
            if (wp)
                *reinterpret_cast<int*>(wp) = info_.nMin;
            if (lp)
                *reinterpret_cast<int*>(lp) = info_.nMax;
            return 0;
        case SBM_SETSCROLLINFO:
        {
            const auto* si = reinterpret_cast<const SCROLLINFO*>(lp);
            if (!si)
                return info_.nPos;
            if (si->fMask & SIF_RANGE)
            {
                info_.nMin = si->nMin;
                info_.nMax = si->nMax;
            }
            if (si->fMask & SIF_PAGE)
                info_.nPage =
                    std::min<UINT>(si->nPage, static_cast<UINT>(std::max(info_.nMax - info_.nMin + 1, 0)));
            if (si->fMask & SIF_POS)
                info_.nPos = si->nPos;
            info_.nPos = Clamp(info_.nPos);
            Sync();
            return info_.nPos;
        }
        case SBM_GETSCROLLINFO:
        {
            auto* si = reinterpret_cast<SCROLLINFO*>(lp);
            if (!si)
                return FALSE;
            if (si->fMask & SIF_RANGE)
            {
                si->nMin = info_.nMin;
                si->nMax = info_.nMax;
            }
            if (si->fMask & SIF_PAGE)
                si->nPage = info_.nPage;
            if (si->fMask & SIF_POS)
                si->nPos = info_.nPos;
            if (si->fMask & SIF_TRACKPOS)
                si->nTrackPos = bar_ && bar_->isSliderDown() ? bar_->sliderPosition() : info_.nPos;
            return TRUE;
        }
        case SBM_ENABLE_ARROWS:
            if (bar_)
                bar_->setEnabled(wp != ESB_DISABLE_BOTH);
            return TRUE;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
        {
            const bool vert = Style() & SBS_VERT;
            int code = -1;
            switch (wp)
            {
            case VK_UP:
                code = vert ? SB_LINEUP : -1;
                break;
            case VK_DOWN:
                code = vert ? SB_LINEDOWN : -1;
                break;
            case VK_LEFT:
                code = vert ? -1 : SB_LINEUP;
                break;
            case VK_RIGHT:
                code = vert ? -1 : SB_LINEDOWN;
                break;
            case VK_PRIOR:
                code = SB_PAGEUP;
                break;
            case VK_NEXT:
                code = SB_PAGEDOWN;
                break;
            case VK_HOME:
                code = SB_TOP;
                break;
            case VK_END:
                code = SB_BOTTOM;
                break;
            default:
                break;
            }
            if (code >= 0)
                Send(code, 0);
            return 0;
        }
        case WM_KEYUP:
            Send(SB_ENDSCROLL, 0);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == bar_ && event->type() == QEvent::MouseButtonRelease && pendingEnd_)
        {
            pendingEnd_ = false;
            Send(SB_ENDSCROLL, 0);
        }
        return Control::eventFilter(watched, event);
    }

private:
    QScrollBar* bar_ = nullptr;
    SCROLLINFO info_{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    bool pendingEnd_ = false;
};

} // namespace

bool RegisterScrollBarClass()
{
    return RegisterControlClass("ScrollBar", ClassProc<ScrollBarControl>);
}

} // namespace kel::qt::controls
