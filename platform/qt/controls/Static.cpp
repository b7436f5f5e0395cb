// "STATIC": text with alignment and '&' mnemonics, icons and bitmaps, frames, rectangles, etched
// lines, owner-draw; SS_NOTIFY reports clicks.
#include "../src/QtGdi.h"
#include "Control.h"
#include "Controls.h"

#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>

namespace kel::qt::controls
{
namespace
{

class StaticControl;

class StaticWidget : public QWidget
{
public:
    StaticWidget(StaticControl* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}
    QString text;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

private:
    StaticControl* owner_;
};

class StaticControl : public Control
{
public:
    using Control::Control;

    UINT Type() const { return Style() & SS_TYPEMASK; }

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        auto* w = new StaticWidget(this, parent);
        w->setFocusPolicy(Qt::NoFocus);
        if (cs.lpszName && !IS_INTRESOURCE(cs.lpszName) && (cs.style & SS_TYPEMASK) != SS_ICON &&
            (cs.style & SS_TYPEMASK) != SS_BITMAP)
            w->text = ToQt(cs.lpszName);
        if (!(cs.style & SS_NOTIFY))
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
        colorMsg_ = WM_CTLCOLORSTATIC;
        return w;
    }

    void Paint(QPainter& p, StaticWidget& w)
    {
        const QRect r = w.rect();
        const QPalette& pal = w.palette();
        const QColor shadow = pal.color(QPalette::Dark), light = pal.color(QPalette::Light);
        if (w.autoFillBackground())
            p.fillRect(r, pal.color(QPalette::Window));
        switch (Type())
        {
        case SS_BLACKRECT:
            p.fillRect(r, Qt::black);
            break;
        case SS_GRAYRECT:
            p.fillRect(r, shadow);
            break;
        case SS_WHITERECT:
            p.fillRect(r, Qt::white);
            break;
        case SS_BLACKFRAME:
            p.setPen(Qt::black);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        case SS_GRAYFRAME:
            p.setPen(shadow);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        case SS_WHITEFRAME:
            p.setPen(Qt::white);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
        case SS_ETCHEDHORZ:
            p.setPen(shadow);
            p.drawLine(r.left(), r.top(), r.right(), r.top());
            p.setPen(light);
            p.drawLine(r.left(), r.top() + 1, r.right(), r.top() + 1);
            break;
        case SS_ETCHEDVERT:
            p.setPen(shadow);
            p.drawLine(r.left(), r.top(), r.left(), r.bottom());
            p.setPen(light);
            p.drawLine(r.left() + 1, r.top(), r.left() + 1, r.bottom());
            break;
        case SS_ETCHEDFRAME:
            p.setPen(light);
            p.drawRect(r.adjusted(1, 1, -1, -1));
            p.setPen(shadow);
            p.drawRect(r.adjusted(0, 0, -2, -2));
            break;
        case SS_OWNERDRAW:
        {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_STATIC;
            dis.CtlID = static_cast<UINT>(Id());
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = w.isEnabled() ? 0 : ODS_DISABLED;
            dis.hwndItem = hwnd_;
            if (HWND parent = Parent())
                OwnerDraw(parent, dis, p, r);
            break;
        }
        case SS_ICON:
        case SS_BITMAP:
            if (!image_.isNull())
            {
                QRect target = image_.rect();
                if (Style() & SS_CENTERIMAGE)
                    target.moveCenter(r.center());
                p.drawImage(target, image_);
            }
            break;
        default:
        {
            int flags = Qt::TextWordWrap;
            switch (Type())
            {
            case SS_CENTER:
                flags |= Qt::AlignHCenter;
                break;
            case SS_RIGHT:
                flags |= Qt::AlignRight;
                break;
            case SS_LEFTNOWORDWRAP:
            case SS_SIMPLE:
                flags = Qt::AlignLeft;
                break;
            default:
                flags |= Qt::AlignLeft;
                break;
            }
            flags |= (Style() & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
            QString t = w.text;
            if (Style() & SS_NOPREFIX)
                t.replace(QLatin1Char('&'), QStringLiteral("&&"));
            flags |= Qt::TextShowMnemonic;
            p.setPen(pal.color(w.isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
            p.setFont(w.font());
            p.drawText(r, flags, t);
            break;
        }
        }
        if (Style() & SS_SUNKEN)
        {
            p.setPen(shadow);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(light);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
    }

    void Clicked(bool dbl)
    {
        if (Style() & SS_NOTIFY)
            Command(dbl ? STN_DBLCLK : STN_CLICKED);
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg)
        {
        case STM_SETICON:
        case STM_SETIMAGE:
        {
            const bool icon = msg == STM_SETICON || wp == IMAGE_ICON;
            HANDLE& slot = icon ? icon_ : bitmap_;
            HANDLE old = slot;
            slot = reinterpret_cast<HANDLE>(msg == STM_SETICON ? wp : lp);
            image_ = ImageOfHandle(slot, icon);
            if (widget_)
                widget_->update();
            return reinterpret_cast<LRESULT>(old);
        }
        case STM_GETICON:
            return reinterpret_cast<LRESULT>(icon_);
        case STM_GETIMAGE:
            return reinterpret_cast<LRESULT>(wp == IMAGE_ICON ? icon_ : bitmap_);
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_ENABLE:
            if (Style() & SS_NOTIFY)
                Command(wp ? STN_ENABLE : STN_DISABLE);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

protected:
    void OnText(const std::string& text) override
    {
        if (auto* w = static_cast<StaticWidget*>(widget_.data()))
        {
            w->text = ToQt(text);
            w->update();
        }
    }

private:
    // Pixels of an icon or bitmap handle; a standard icon gets the style's picture.
    static QImage ImageOfHandle(HANDLE h, bool icon)
    {
        if (!h)
            return QImage();
        if (!icon)
            return kel::qt::ImageOfBitmap(static_cast<HBITMAP>(h));
        const QImage image = kel::qt::ImageOfIcon(static_cast<HICON>(h));
        if (!image.isNull())
            return image;
        const QIcon qi = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
        return qi.pixmap(32, 32).toImage();
    }

    HANDLE icon_ = nullptr;
    HANDLE bitmap_ = nullptr;
    QImage image_;
};

void StaticWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    owner_->Paint(p, *this);
}

void StaticWidget::mousePressEvent(QMouseEvent*)
{
    owner_->Clicked(false);
}

void StaticWidget::mouseDoubleClickEvent(QMouseEvent*)
{
    owner_->Clicked(true);
}

} // namespace

bool RegisterStaticClass()
{
    return RegisterControlClass("Static", ClassProc<StaticControl>);
}

} // namespace kel::qt::controls
