// "LISTBOX": single, multiple and extended selection, sorted lists, item data, tab stops and
// owner-draw fixed items. LBN_SELCHANGE reports the user's changes only, as on Windows.
#include "Control.h"
#include "Controls.h"
#include "ItemText.h"

#include <QtGui/QPainter>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyledItemDelegate>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kel::qt::controls
{
namespace
{

class ListBoxControl;

// Draws items with the list's tab stops, or lets the owner draw them.
class ListDelegate : public QStyledItemDelegate
{
public:
    ListDelegate(ListBoxControl* owner, QObject* parent) : QStyledItemDelegate(parent), owner_(owner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ListBoxControl* owner_;
};

class ListBoxControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const DWORD style = static_cast<DWORD>(cs.style);
        list_ = new QListWidget(parent);
        list_->setUniformItemSizes(true);
        list_->setSelectionMode((style & LBS_NOSEL)         ? QAbstractItemView::NoSelection
                                : (style & LBS_EXTENDEDSEL) ? QAbstractItemView::ExtendedSelection
                                : (style & LBS_MULTIPLESEL) ? QAbstractItemView::MultiSelection
                                                            : QAbstractItemView::SingleSelection);
        list_->setVerticalScrollBarPolicy((style & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAsNeeded);
        if (!(style & WS_VSCROLL))
            list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list_->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
        list_->setFrameShape((style & WS_BORDER) || (cs.dwExStyle & WS_EX_CLIENTEDGE) ? QFrame::StyledPanel
                                                                                      : QFrame::NoFrame);
        list_->setItemDelegate(new ListDelegate(this, list_));
        itemHeight_ = list_->fontMetrics().height() + 2;
        if (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))
        {
            MEASUREITEMSTRUCT mis{ODT_LISTBOX,
                                  static_cast<UINT>(reinterpret_cast<UINT_PTR>(cs.hMenu)),
                                  0,
                                  0,
                                  static_cast<UINT>(itemHeight_),
                                  0};
            if (cs.hwndParent)
                SendMessage(cs.hwndParent, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
            if (mis.itemHeight > 0)
                itemHeight_ = static_cast<int>(mis.itemHeight);
        }
        QObject::connect(list_, &QListWidget::itemSelectionChanged, this,
                         [this]
                         {
                             if (!programmatic_ && (Style() & LBS_NOTIFY))
                                 Command(LBN_SELCHANGE);
                         });
        QObject::connect(list_, &QListWidget::itemDoubleClicked, this,
                         [this]
                         {
                             if (Style() & LBS_NOTIFY)
                                 Command(LBN_DBLCLK);
                         });
        colorMsg_ = WM_CTLCOLORLISTBOX;
        return list_;
    }

    bool HasStrings() const
    {
        const DWORD s = Style();
        return !(s & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (s & LBS_HASSTRINGS);
    }
    bool Multi() const { return Style() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
    int Count() const { return list_ ? list_->count() : 0; }
    bool Valid(WPARAM i) const { return static_cast<int>(i) >= 0 && static_cast<int>(i) < Count(); }

    // Adds an item (index -1: at the end, or in order with LBS_SORT); returns its index.
    int Insert(int index, LPARAM lp, bool add)
    {
        const bool strings = HasStrings();
        const std::string text = strings && lp ? reinterpret_cast<const char*>(lp) : "";
        if (add && (Style() & LBS_SORT) && strings)
            index = SortedIndex(
                Count(), [this](int i) { return ItemText(i); }, text);
        if (index < 0 || index > Count())
            index = Count();
        auto* item = new QListWidgetItem(ToQt(text));
        item->setData(kDataRole, QVariant::fromValue<qulonglong>(strings ? 0 : static_cast<qulonglong>(lp)));
        item->setData(kTextRole, QVariant::fromValue(QByteArray::fromStdString(text)));
        item->setSizeHint(QSize(-1, itemHeight_));
        programmatic_ = true;
        list_->insertItem(index, item);
        programmatic_ = false;
        return index;
    }

    unsigned long long Data(int i) const { return list_->item(i)->data(kDataRole).toULongLong(); }

    // Removes an item, first telling the owner when it has item data. A selected item takes the
    // selection with it: the list is left without one.
    void Delete(int i)
    {
        SendDeleteItem(hwnd_, ODT_LISTBOX, i, Data(i));
        if (!list_ || i >= Count())
            return; // the owner emptied the list meanwhile
        const bool selected = list_->item(i)->isSelected();
        programmatic_ = true;
        delete list_->takeItem(i);
        if (selected && !Multi())
            list_->clearSelection();
        programmatic_ = false;
    }

    void DeleteAll()
    {
        for (int i = 0; i < Count(); ++i)
            SendDeleteItem(hwnd_, ODT_LISTBOX, i, Data(i));
        if (!list_)
            return;
        programmatic_ = true;
        list_->clear();
        programmatic_ = false;
    }

    std::string ItemText(int i) const { return list_->item(i)->data(kTextRole).toByteArray().toStdString(); }

    void Select(int i, bool on)
    {
        programmatic_ = true;
        if (i < 0)
        {
            for (int k = 0; k < Count(); ++k)
                list_->item(k)->setSelected(on);
        }
        else
            list_->item(i)->setSelected(on);
        programmatic_ = false;
    }

    int CurSel() const
    {
        if (Multi())
            return list_->currentRow() >= 0 ? list_->currentRow() : LB_ERR;
        const auto sel = list_->selectedItems();
        return sel.isEmpty() ? LB_ERR : list_->row(sel.first());
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (!list_)
            return Control::Proc(msg, wp, lp);
        switch (msg)
        {
        case LB_ADDSTRING:
            return Insert(-1, lp, true);
        case LB_INSERTSTRING:
            return Insert(static_cast<int>(wp), lp, false);
        case LB_DELETESTRING:
            if (!Valid(wp))
                return LB_ERR;
            Delete(static_cast<int>(wp));
            return Count();
        case LB_RESETCONTENT:
            DeleteAll();
            return 0;
        case WM_DESTROY:
            DeleteAll();
            break;
        case LB_GETCOUNT:
            return Count();
        case LB_GETCURSEL:
            return CurSel();
        case LB_SETCURSEL:
            if (Multi())
                return LB_ERR;
            programmatic_ = true;
            list_->clearSelection();
            if (Valid(wp))
            {
                list_->setCurrentRow(static_cast<int>(wp));
                list_->scrollToItem(list_->item(static_cast<int>(wp)));
            }
            programmatic_ = false;
            return Valid(wp) ? static_cast<LRESULT>(wp) : LB_ERR;
        case LB_GETSEL:
            return Valid(wp) ? (list_->item(static_cast<int>(wp))->isSelected() ? 1 : 0) : LB_ERR;
        case LB_SETSEL:
            if (!Multi() || (static_cast<int>(lp) != -1 && !Valid(static_cast<WPARAM>(lp))))
                return LB_ERR;
            Select(static_cast<int>(lp), wp != 0);
            return 0;
        case LB_GETSELCOUNT:
            return Multi() ? static_cast<LRESULT>(list_->selectedItems().size()) : LB_ERR;
        case LB_GETSELITEMS:
        {
            if (!Multi())
                return LB_ERR;
            auto* out = reinterpret_cast<int*>(lp);
            int n = 0;
            for (int i = 0; i < Count() && n < static_cast<int>(wp); ++i)
                if (list_->item(i)->isSelected())
                    out[n++] = i;
            return n;
        }
        case LB_GETTEXT:
            if (!Valid(wp))
                return LB_ERR;
            if (!HasStrings())
            {
                *reinterpret_cast<ULONG_PTR*>(lp) =
                    list_->item(static_cast<int>(wp))->data(kDataRole).toULongLong();
                return sizeof(ULONG_PTR);
            }
            {
                const std::string t = ItemText(static_cast<int>(wp));
                std::memcpy(reinterpret_cast<char*>(lp), t.c_str(), t.size() + 1);
                return static_cast<LRESULT>(t.size());
            }
        case LB_GETTEXTLEN:
            if (!Valid(wp))
                return LB_ERR;
            return HasStrings() ? static_cast<LRESULT>(ItemText(static_cast<int>(wp)).size())
                                : sizeof(ULONG_PTR);
        case LB_FINDSTRING:
        case LB_FINDSTRINGEXACT:
        case LB_SELECTSTRING:
        {
            const int found =
                HasStrings() ? FindText(
                                   Count(), static_cast<int>(wp), [this](int i) { return ItemText(i); },
                                   reinterpret_cast<const char*>(lp), msg == LB_FINDSTRINGEXACT)
                             : FindData(
                                   Count(), static_cast<int>(wp),
                                   [this](int i) { return list_->item(i)->data(kDataRole).toULongLong(); },
                                   static_cast<unsigned long long>(lp));
            if (msg != LB_SELECTSTRING || found < 0)
                return found < 0 ? LB_ERR : found;
            if (Multi())
                Select(found, true);
            else
                Proc(LB_SETCURSEL, static_cast<WPARAM>(found), 0);
            return found;
        }
        case LB_SETITEMDATA:
            if (!Valid(wp))
                return LB_ERR;
            list_->item(static_cast<int>(wp))
                ->setData(kDataRole, QVariant::fromValue<qulonglong>(static_cast<qulonglong>(lp)));
            return TRUE;
        case LB_GETITEMDATA:
            return Valid(wp) ? static_cast<LRESULT>(
                                   list_->item(static_cast<int>(wp))->data(kDataRole).toULongLong())
                             : LB_ERR;
        case LB_GETTOPINDEX:
        {
            const int top = list_->row(list_->itemAt(2, 2));
            return top < 0 ? 0 : top;
        }
        case LB_SETTOPINDEX:
            if (!Valid(wp) && !(wp == 0 && Count() == 0))
                return LB_ERR;
            if (Count())
                list_->scrollToItem(list_->item(static_cast<int>(wp)), QAbstractItemView::PositionAtTop);
            return 0;
        case LB_SETITEMHEIGHT:
            if (LOWORD(lp) == 0 || LOWORD(lp) > 255)
                return LB_ERR;
            itemHeight_ = LOWORD(lp);
            for (int i = 0; i < Count(); ++i)
                list_->item(i)->setSizeHint(QSize(-1, itemHeight_));
            return 0;
        case LB_GETITEMHEIGHT:
            return itemHeight_;
        case LB_GETITEMRECT:
        {
            if (!Valid(wp))
                return LB_ERR;
            QRect r = list_->visualItemRect(list_->item(static_cast<int>(wp)));
            r.translate(list_->viewport()->mapTo(list_, QPoint(0, 0)));
            *reinterpret_cast<RECT*>(lp) = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
            return 1;
        }
        case LB_ITEMFROMPOINT:
        {
            // LOWORD: nearest item; HIWORD: 1 when the point is outside the client area.
            const QPoint p = list_->viewport()->mapFrom(
                list_, QPoint(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))));
            QListWidgetItem* item = list_->itemAt(p);
            int row = item ? list_->row(item) : (Count() ? Count() - 1 : 0);
            const bool outside = !item;
            return MAKELRESULT(row, outside ? 1 : 0);
        }
        case LB_SETTABSTOPS:
        {
            tabs_.clear();
            const auto* stops = reinterpret_cast<const int*>(lp);
            for (WPARAM i = 0; stops && i < wp; ++i)
                tabs_.push_back(stops[i]);
            if (wp == 1 && stops)
                tabs_.assign(1, stops[0]);
            list_->viewport()->update();
            return TRUE;
        }
        case LB_SETCARETINDEX:
            if (!Valid(wp))
                return LB_ERR;
            programmatic_ = true;
            list_->setCurrentRow(static_cast<int>(wp), QItemSelectionModel::NoUpdate);
            programmatic_ = false;
            return 0;
        case LB_GETCARETINDEX:
            return list_->currentRow() < 0 ? 0 : list_->currentRow();
        case LB_SETHORIZONTALEXTENT:
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_CHAR:
            if (wp >= ' ' && HasStrings())
                list_->keyboardSearch(ToQt(std::string(1, static_cast<char>(wp))));
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            ReplayKey(static_cast<UINT>(wp), msg == WM_KEYDOWN, false);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

    void PaintItem(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index)
    {
        const int row = index.row();
        const bool selected = option.state & QStyle::State_Selected;
        const DWORD style = Style();
        if (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))
        {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_LISTBOX;
            dis.CtlID = static_cast<UINT>(Id());
            dis.itemID = static_cast<UINT>(row);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = (selected ? ODS_SELECTED : 0) |
                            ((option.state & QStyle::State_HasFocus) ? ODS_FOCUS : 0) |
                            (list_->isEnabled() ? 0 : ODS_DISABLED);
            dis.hwndItem = hwnd_;
            dis.itemData = static_cast<ULONG_PTR>(index.data(kDataRole).toULongLong());
            QRect r = option.rect.translated(list_->viewport()->mapTo(list_, QPoint(0, 0)));
            painter->save();
            painter->translate(-list_->viewport()->mapTo(list_, QPoint(0, 0)));
            if (HWND parent = Parent())
                OwnerDraw(parent, dis, *painter, r);
            painter->restore();
            return;
        }
        const QPalette& pal = list_->palette();
        painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
        painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        DrawTabbedText(*painter, option.rect.adjusted(2, 0, -2, 0), index.data(Qt::DisplayRole).toString(),
                       (style & LBS_USETABSTOPS) ? &tabs_ : nullptr, list_->fontMetrics());
    }

    int ItemHeight() const { return itemHeight_; }

private:
    QListWidget* list_ = nullptr;
    int itemHeight_ = 16;
    bool programmatic_ = false;
    std::vector<int> tabs_; // dialog units
};

void ListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    owner_->PaintItem(painter, option, index);
}

QSize ListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), owner_->ItemHeight());
}

} // namespace

bool RegisterListBoxClass()
{
    return RegisterControlClass("ListBox", ClassProc<ListBoxControl>);
}

} // namespace kel::qt::controls
