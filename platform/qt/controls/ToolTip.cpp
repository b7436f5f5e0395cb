// "tooltips_class32": tools registered with TTM_ADDTOOL show their text with QToolTip when the
// pointer rests over the tool's window (or its rectangle there). LPSTR_TEXTCALLBACK asks the tool's
// window with TTN_GETDISPINFO each time the tip shows.
#include "Control.h"
#include "Controls.h"
#include "win32/uidriver.h"

#include <QtGui/QHelpEvent>
#include <QtWidgets/QToolTip>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace kel::qt::controls
{
namespace
{

class ToolTipControl : public Control
{
public:
    using Control::Control;

    struct Tool
    {
        UINT flags = 0;
        HWND hwnd = nullptr;
        UINT_PTR id = 0;
        RECT rect{};
        bool callback = false;
        std::string text;
        LPARAM param = 0;
        QPointer<QWidget> watched;
    };

    QWidget* CreateWidget(QWidget*, const CREATESTRUCT&) override { return nullptr; }

    // The window a tool watches: the id itself with TTF_IDISHWND.
    static HWND Target(const Tool& t)
    {
        return (t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd;
    }

    std::vector<Tool>::iterator Find(const TOOLINFO* ti)
    {
        return std::find_if(tools_.begin(), tools_.end(),
                            [&](const Tool& t) { return t.hwnd == ti->hwnd && t.id == ti->uId; });
    }

    void SetText(Tool& t, const TOOLINFO* ti)
    {
        t.callback = ti->lpszText == LPSTR_TEXTCALLBACK;
        if (t.callback || !ti->lpszText)
            t.text.clear();
        else if (IS_INTRESOURCE(ti->lpszText))
        {
            char buf[512] = {};
            LoadString(ti->hinst, static_cast<UINT>(reinterpret_cast<UINT_PTR>(ti->lpszText)), buf,
                       sizeof buf);
            t.text = buf;
        }
        else
            t.text = ti->lpszText;
    }

    std::string TextOf(const Tool& t)
    {
        if (!t.callback)
            return t.text;
        NMTTDISPINFO di{};
        di.hdr.hwndFrom = hwnd_;
        di.hdr.idFrom = t.id;
        di.hdr.code = TTN_GETDISPINFO;
        di.uFlags = t.flags;
        di.lParam = t.param;
        SendMessage(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(&di));
        if (di.lpszText && di.lpszText != LPSTR_TEXTCALLBACK && !IS_INTRESOURCE(di.lpszText))
            return di.lpszText;
        if (di.lpszText && IS_INTRESOURCE(di.lpszText))
        {
            char buf[512] = {};
            LoadString(di.hinst, static_cast<UINT>(reinterpret_cast<UINT_PTR>(di.lpszText)), buf, sizeof buf);
            return buf;
        }
        return std::string(di.szText, strnlen(di.szText, sizeof di.szText));
    }

    void Watch(Tool& t)
    {
        auto* surface = static_cast<QWidget*>(kel::ui::GetSurface(Target(t)));
        t.watched = surface;
        if (surface)
            surface->installEventFilter(this);
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        auto* ti = reinterpret_cast<TOOLINFO*>(lp);
        switch (msg)
        {
        case TTM_ADDTOOL:
        {
            if (!ti)
                return FALSE;
            auto it = Find(ti);
            Tool& t = it == tools_.end() ? tools_.emplace_back() : *it;
            t.flags = ti->uFlags;
            t.hwnd = ti->hwnd;
            t.id = ti->uId;
            t.rect = ti->rect;
            t.param = ti->lParam;
            SetText(t, ti);
            Watch(t);
            return TRUE;
        }
        case TTM_DELTOOL:
            if (ti)
            {
                auto it = Find(ti);
                if (it != tools_.end())
                    tools_.erase(it);
            }
            return 0;
        case TTM_UPDATETIPTEXT:
            if (ti)
            {
                auto it = Find(ti);
                if (it != tools_.end())
                    SetText(*it, ti);
            }
            return 0;
        case TTM_NEWTOOLRECT:
            if (ti)
            {
                auto it = Find(ti);
                if (it != tools_.end())
                    it->rect = ti->rect;
            }
            return 0;
        case TTM_GETTEXT:
            if (ti && ti->lpszText)
            {
                auto it = Find(ti);
                const std::string text = it == tools_.end() ? std::string() : TextOf(*it);
                CopyOut(text, ti->lpszText, wp ? static_cast<int>(wp) : 80);
            }
            return 0;
        case TTM_GETTOOLCOUNT:
            return static_cast<LRESULT>(tools_.size());
        case TTM_ACTIVATE:
            active_ = wp != 0;
            if (!active_)
                QToolTip::hideText();
            return 0;
        case TTM_SETDELAYTIME:
            return 0; // Qt's delays stand
        case TTM_SETMAXTIPWIDTH:
        {
            const int old = maxWidth_;
            maxWidth_ = static_cast<int>(lp);
            return old;
        }
        case TTM_GETMAXTIPWIDTH:
            return maxWidth_;
        case TTM_RELAYEVENT:
            return 0; // Qt sees the mouse itself
        case TTM_POP:
            QToolTip::hideText();
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

    // The tool under a point of a watched surface, or nullptr.
    Tool* ToolAt(QWidget* surface, const QPoint& pos)
    {
        for (Tool& t : tools_)
        {
            if (t.watched != surface)
                continue;
            if (t.flags & TTF_IDISHWND)
                return &t;
            const RECT& r = t.rect;
            if (pos.x() >= r.left && pos.x() < r.right && pos.y() >= r.top && pos.y() < r.bottom)
                return &t;
        }
        return nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip && active_)
        {
            auto* help = static_cast<QHelpEvent*>(event);
            auto* surface = static_cast<QWidget*>(watched);
            if (Tool* t = ToolAt(surface, help->pos()))
            {
                QString text = ToQt(TextOf(*t));
                if (maxWidth_ > 0)
                    text = QStringLiteral("<p style='white-space:pre-wrap; max-width:%1px'>%2</p>")
                               .arg(maxWidth_)
                               .arg(text.toHtmlEscaped());
                if (!text.isEmpty())
                    QToolTip::showText(help->globalPos(), text, surface);
                return true;
            }
        }
        return Control::eventFilter(watched, event);
    }

private:
    std::vector<Tool> tools_;
    bool active_ = true;
    int maxWidth_ = -1;
};

} // namespace

bool RegisterToolTipClass()
{
    return RegisterControlClass(TOOLTIPS_CLASS, ClassProc<ToolTipControl>);
}

} // namespace kel::qt::controls
