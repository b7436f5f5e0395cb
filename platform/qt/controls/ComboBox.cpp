// "COMBOBOX": drop-down lists, drop-downs with an edit field, sorted lists, item data, owner-draw
// fixed items (the owner draws both the list items and the closed face).
#include "Control.h"
#include "Controls.h"
#include "ItemText.h"

#include <QtGui/QPainter>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QStyledItemDelegate>
#include <QtWidgets/QStylePainter>

#include <cstring>

namespace kel::qt::controls
{
namespace
{

class ComboControl;

class WinCombo : public QComboBox
{
public:
    WinCombo(ComboControl* owner, QWidget* parent) : QComboBox(parent), owner_(owner) {}
    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    ComboControl* owner_;
};

class ComboDelegate : public QStyledItemDelegate
{
public:
    ComboDelegate(ComboControl* owner, QObject* parent) : QStyledItemDelegate(parent), owner_(owner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ComboControl* owner_;
};

class ComboControl : public Control
{
public:
    using Control::Control;

    bool OwnerDrawn() const { return Style() & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE); }
    bool HasStrings() const { return !OwnerDrawn() || (Style() & CBS_HASSTRINGS); }

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const DWORD style = static_cast<DWORD>(cs.style);
        combo_ = new WinCombo(this, parent);
        const UINT kind = style & 3;
        combo_->setEditable(kind == CBS_SIMPLE || kind == CBS_DROPDOWN);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->setMaxVisibleItems(12);
        itemHeight_ = combo_->fontMetrics().height() + 2;
        if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE))
        {
            const UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(cs.hMenu));
            // Windows asks for the face (item -1) and then the list items.
            for (int item : {-1, 0})
            {
                MEASUREITEMSTRUCT mis{
                    ODT_COMBOBOX, id, static_cast<UINT>(item), 0, static_cast<UINT>(itemHeight_), 0};
                if (cs.hwndParent)
                    SendMessage(cs.hwndParent, WM_MEASUREITEM, id, reinterpret_cast<LPARAM>(&mis));
                if (item == 0 && mis.itemHeight > 0)
                    itemHeight_ = static_cast<int>(mis.itemHeight);
                if (item == -1 && mis.itemHeight > 0)
                    faceItemHeight_ = static_cast<int>(mis.itemHeight);
            }
        }
        combo_->setItemDelegate(new ComboDelegate(this, combo_));
        // The user's choice, not programmatic ones: the list view's activation.
        QObject::connect(combo_, qOverload<int>(&QComboBox::activated), this,
                         [this](int)
                         {
                             if (programmatic_)
                                 return;
                             Command(CBN_SELCHANGE);
                             if (IsWindow(hwnd_))
                                 Command(CBN_SELENDOK);
                         });
        if (QLineEdit* edit = combo_->lineEdit())
        {
            QObject::connect(edit, &QLineEdit::textEdited, this,
                             [this]
                             {
                                 Command(CBN_EDITUPDATE);
                                 if (IsWindow(hwnd_))
                                     Command(CBN_EDITCHANGE);
                             });
            RouteKeys(edit);
            if (cs.lpszName && !IS_INTRESOURCE(cs.lpszName))
                edit->setText(ToQt(cs.lpszName));
        }
        colorMsg_ = combo_->isEditable() ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC;
        return combo_;
    }

    int Count() const { return combo_->count(); }
    bool Valid(WPARAM i) const { return static_cast<int>(i) >= 0 && static_cast<int>(i) < Count(); }
    std::string ItemText(int i) const { return combo_->itemData(i, kTextRole).toByteArray().toStdString(); }

    int Insert(int index, LPARAM lp, bool add)
    {
        const bool strings = HasStrings();
        const std::string text = strings && lp ? reinterpret_cast<const char*>(lp) : "";
        if (add && (Style() & CBS_SORT) && strings)
            index = SortedIndex(
                Count(), [this](int i) { return ItemText(i); }, text);
        if (index < 0 || index > Count())
            index = Count();
        Quiet(
            [&]
            {
                const QString shown = ToQt(text);
                const int cur = combo_->currentIndex();
                combo_->insertItem(index, shown);
                combo_->setItemData(
                    index, QVariant::fromValue<qulonglong>(strings ? 0 : static_cast<qulonglong>(lp)),
                    kDataRole);
                combo_->setItemData(index, QByteArray::fromStdString(text), kTextRole);
                // Windows never selects an item by itself.
                if (cur < 0 && !combo_->isEditable())
                    combo_->setCurrentIndex(-1);
            });
        return index;
    }

    unsigned long long Data(int i) const { return combo_->itemData(i, kDataRole).toULongLong(); }

    // Removes an item, first telling the owner when it has item data. The selected item takes the
    // selection with it; an edit field keeps its text.
    void Delete(int i)
    {
        SendDeleteItem(hwnd_, ODT_COMBOBOX, i, Data(i));
        if (!combo_ || i >= Count())
            return;
        const bool selected = combo_->currentIndex() == i;
        QLineEdit* edit = combo_->lineEdit();
        const QString text = edit ? edit->text() : QString();
        Quiet(
            [&]
            {
                combo_->removeItem(i);
                if (selected)
                    combo_->setCurrentIndex(-1);
                if (edit)
                    edit->setText(text);
            });
    }

    void DeleteAll()
    {
        for (int i = 0; i < Count(); ++i)
            SendDeleteItem(hwnd_, ODT_COMBOBOX, i, Data(i));
        if (combo_)
            Quiet([&] { combo_->clear(); });
    }

    // The user chose item i with the keyboard while the list is closed.
    void KeySelect(int i)
    {
        if (i < 0 || i >= Count() || i == combo_->currentIndex())
            return;
        SetCurSel(i);
        Command(CBN_SELENDOK);
        if (IsWindow(hwnd_))
            Command(CBN_SELCHANGE);
    }

    template <class F> void Quiet(F f)
    {
        programmatic_ = true;
        f();
        programmatic_ = false;
    }

    void SetCurSel(int i)
    {
        Quiet([&] { combo_->setCurrentIndex(i); });
        if (QLineEdit* edit = combo_->lineEdit())
            edit->setText(i >= 0 ? combo_->itemText(i) : QString());
    }

    // A drop-down combo box's window is as tall as its face; the height it was created with only
    // sizes the list that drops down.
    bool FixedFace() const { return (Style() & 3) != CBS_SIMPLE; }
    int FaceHeight() const
    {
        const int themed = combo_->minimumSizeHint().height();
        return OwnerDrawn() && faceItemHeight_ > 0 ? std::max(themed, faceItemHeight_ + 6) : themed;
    }
    void FitToFace()
    {
        RECT r;
        if (FixedFace() && GetWindowRect(hwnd_, &r))
            SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, FaceHeight(),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (!combo_)
            return Control::Proc(msg, wp, lp);
        switch (msg)
        {
        case WM_CREATE:
            FitToFace();
            break;
        case WM_WINDOWPOSCHANGING:
            if (auto* pos = reinterpret_cast<WINDOWPOS*>(lp); FixedFace() && !(pos->flags & SWP_NOSIZE))
                pos->cy = FaceHeight();
            break;
        case WM_SETFONT:
        {
            const LRESULT r = Control::Proc(msg, wp, lp);
            FitToFace();
            return r;
        }
        case CB_ADDSTRING:
            return Insert(-1, lp, true);
        case CB_INSERTSTRING:
            return Insert(static_cast<int>(wp), lp, false);
        case CB_DELETESTRING:
            if (!Valid(wp))
                return CB_ERR;
            Delete(static_cast<int>(wp));
            return Count();
        case CB_RESETCONTENT:
            DeleteAll();
            if (QLineEdit* edit = combo_ ? combo_->lineEdit() : nullptr)
                edit->clear();
            return CB_OKAY;
        case WM_DESTROY:
            DeleteAll();
            break;
        case CB_GETCOUNT:
            return Count();
        case CB_GETCURSEL:
            return combo_->currentIndex() < 0 ? CB_ERR : combo_->currentIndex();
        case CB_SETCURSEL:
            SetCurSel(Valid(wp) ? static_cast<int>(wp) : -1);
            return Valid(wp) ? static_cast<LRESULT>(wp) : CB_ERR;
        case CB_GETLBTEXT:
            if (!Valid(wp))
                return CB_ERR;
            if (!HasStrings())
            {
                *reinterpret_cast<ULONG_PTR*>(lp) =
                    combo_->itemData(static_cast<int>(wp), kDataRole).toULongLong();
                return sizeof(ULONG_PTR);
            }
            {
                const std::string t = ItemText(static_cast<int>(wp));
                std::memcpy(reinterpret_cast<char*>(lp), t.c_str(), t.size() + 1);
                return static_cast<LRESULT>(t.size());
            }
        case CB_GETLBTEXTLEN:
            if (!Valid(wp))
                return CB_ERR;
            return HasStrings() ? static_cast<LRESULT>(ItemText(static_cast<int>(wp)).size())
                                : sizeof(ULONG_PTR);
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
        case CB_SELECTSTRING:
        {
            const int found =
                HasStrings() ? FindText(
                                   Count(), static_cast<int>(wp), [this](int i) { return ItemText(i); },
                                   reinterpret_cast<const char*>(lp), msg == CB_FINDSTRINGEXACT)
                             : FindData(
                                   Count(), static_cast<int>(wp),
                                   [this](int i) { return combo_->itemData(i, kDataRole).toULongLong(); },
                                   static_cast<unsigned long long>(lp));
            if (found >= 0 && msg == CB_SELECTSTRING)
                SetCurSel(found);
            return found < 0 ? CB_ERR : found;
        }
        case CB_SETITEMDATA:
            if (!Valid(wp))
                return CB_ERR;
            combo_->setItemData(static_cast<int>(wp),
                                QVariant::fromValue<qulonglong>(static_cast<qulonglong>(lp)), kDataRole);
            return CB_OKAY;
        case CB_GETITEMDATA:
            return Valid(wp)
                       ? static_cast<LRESULT>(combo_->itemData(static_cast<int>(wp), kDataRole).toULongLong())
                       : CB_ERR;
        case CB_LIMITTEXT:
            if (QLineEdit* edit = combo_->lineEdit())
                edit->setMaxLength(wp == 0 ? 32767 : static_cast<int>(std::min<WPARAM>(wp, 32767)));
            return TRUE;
        case CB_GETEDITSEL:
        {
            QLineEdit* edit = combo_->lineEdit();
            if (!edit)
                return CB_ERR;
            const int s = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
            const int e = edit->hasSelectedText() ? edit->selectionEnd() : s;
            if (wp)
                *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(s);
            if (lp)
                *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(e);
            return MAKELRESULT(s, e);
        }
        case CB_SETEDITSEL:
        {
            QLineEdit* edit = combo_->lineEdit();
            if (!edit)
                return CB_ERR;
            const int len = static_cast<int>(edit->text().size());
            int s = static_cast<short>(LOWORD(lp)), e = static_cast<short>(HIWORD(lp));
            if (s < 0)
            {
                edit->deselect();
                return TRUE;
            }
            if (e < 0 || e > len)
                e = len;
            edit->setSelection(std::min(s, len), e - std::min(s, len));
            return TRUE;
        }
        case CB_SHOWDROPDOWN:
            if (wp)
                combo_->showPopup();
            else
                combo_->hidePopup();
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return dropped_;
        case CB_SETDROPPEDWIDTH:
            droppedWidth_ = static_cast<int>(wp);
            if (combo_->view())
                combo_->view()->setMinimumWidth(droppedWidth_);
            return std::max(droppedWidth_, combo_->width());
        case CB_GETDROPPEDWIDTH:
            return std::max(droppedWidth_, combo_->width());
        case CB_SETITEMHEIGHT:
            if (static_cast<int>(wp) >= 0)
            {
                itemHeight_ = static_cast<int>(lp);
                combo_->update();
            }
            return CB_OKAY;
        case CB_GETITEMHEIGHT:
            return static_cast<int>(wp) == -1 ? combo_->height() : itemHeight_;
        case CB_SETEXTENDEDUI:
        case CB_GETEXTENDEDUI:
            return 0;
        case CB_GETDROPPEDCONTROLRECT:
        {
            RECT r;
            GetWindowRect(hwnd_, &r);
            r.bottom += itemHeight_ * std::min(Count(), 12);
            *reinterpret_cast<RECT*>(lp) = r;
            return TRUE;
        }
        case WM_SETTEXT:
        {
            const LRESULT r = DefWindowProc(hwnd_, msg, wp, lp);
            const char* text = lp ? reinterpret_cast<const char*>(lp) : "";
            if (QLineEdit* edit = combo_->lineEdit())
                edit->setText(ToQt(text));
            else
            {
                // A drop-down list shows an item: select the one with this text.
                const int i = FindText(
                    Count(), -1, [this](int k) { return ItemText(k); }, text, true);
                if (i < 0)
                    return CB_ERR;
                SetCurSel(i);
            }
            return r;
        }
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
        {
            const std::string t = combo_->lineEdit()            ? FromQt(combo_->lineEdit()->text())
                                  : combo_->currentIndex() >= 0 ? ItemText(combo_->currentIndex())
                                                                : std::string();
            return msg == WM_GETTEXTLENGTH ? static_cast<LRESULT>(t.size())
                                           : CopyOut(t, reinterpret_cast<char*>(lp), static_cast<int>(wp));
        }
        case WM_GETDLGCODE:
            // A drop-down list takes typed letters too: they choose items, never mnemonics.
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (combo_->isEditable() ? DLGC_HASSETSEL : 0);
        case WM_CHAR:
            if (QLineEdit* edit = combo_->lineEdit())
            {
                if (wp == VK_BACK)
                    edit->backspace();
                else if (wp >= ' ')
                    edit->insert(ToQt(std::string(1, static_cast<char>(wp))));
                else
                    return 0;
                Command(CBN_EDITUPDATE);
                if (IsWindow(hwnd_))
                    Command(CBN_EDITCHANGE);
            }
            else if (wp >= ' ' && HasStrings())
                KeySelect(FindText(
                    Count(), combo_->currentIndex(), [this](int k) { return ItemText(k); },
                    std::string(1, static_cast<char>(wp)).c_str(), false));
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (msg == WM_KEYDOWN && (wp == VK_UP || wp == VK_DOWN) && !dropped_)
            {
                // Arrows step through the list and count as the user's choice.
                KeySelect(combo_->currentIndex() + (wp == VK_DOWN ? 1 : -1));
                return 0;
            }
            ReplayKey(static_cast<UINT>(wp), msg == WM_KEYDOWN, false);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

    void Dropped(bool open)
    {
        if (dropped_ == open)
            return;
        dropped_ = open;
        Command(open ? CBN_DROPDOWN : CBN_CLOSEUP);
    }

    // Owner-draw: item -1 is the closed face (with ODS_COMBOBOXEDIT).
    void DrawItem(QPainter& p, const QRect& rect, int item, bool selected, bool face, QWidget* on)
    {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_COMBOBOX;
        dis.CtlID = static_cast<UINT>(Id());
        dis.itemID = static_cast<UINT>(item);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (selected ? ODS_SELECTED : 0) | (face ? ODS_COMBOBOXEDIT : 0) |
                        (combo_->isEnabled() ? 0 : ODS_DISABLED) |
                        (face && combo_->hasFocus() ? ODS_FOCUS : 0);
        dis.hwndItem = hwnd_;
        dis.itemData =
            item >= 0 ? static_cast<ULONG_PTR>(combo_->itemData(item, kDataRole).toULongLong()) : 0;
        (void)on;
        if (HWND parent = Parent())
            OwnerDraw(parent, dis, p, rect);
    }

    int ItemHeight() const { return itemHeight_; }

protected:
    void OnFocus(bool gained) override { Command(gained ? CBN_SETFOCUS : CBN_KILLFOCUS); }

private:
    WinCombo* combo_ = nullptr;
    int itemHeight_ = 16;
    int faceItemHeight_ = 0; // the owner's measure of the face (item -1), 0 when none
    int droppedWidth_ = 0;
    bool programmatic_ = false;
    bool dropped_ = false;
    friend class WinCombo;
};

void WinCombo::showPopup()
{
    owner_->Dropped(true);
    QComboBox::showPopup();
}

void WinCombo::hidePopup()
{
    QComboBox::hidePopup();
    owner_->Dropped(false);
}

void WinCombo::paintEvent(QPaintEvent* e)
{
    if (!owner_->OwnerDrawn())
    {
        QComboBox::paintEvent(e);
        return;
    }
    // The frame and arrow from the style, the face from the owner.
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const QRect face = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    owner_->DrawItem(p, face, currentIndex(), hasFocus(), true, this);
}

void ComboDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    if (!owner_->OwnerDrawn())
    {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    owner_->DrawItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected, false,
                     nullptr);
}

QSize ComboDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), owner_->ItemHeight());
}

} // namespace

bool RegisterComboBoxClass()
{
    return RegisterControlClass("ComboBox", ClassProc<ComboControl>);
}

} // namespace kel::qt::controls
