// "SysListView32" in report view and its "SysHeader32". The list keeps its items in a QTreeWidget
// (one row per item, one column per sub-item); the header is a window of its own over the tree's
// QHeaderView, so GetHeader and the HDM_ messages work as the program expects. State changes are
// reported with LVN_ITEMCHANGED whoever caused them; clicks with NM_CLICK/NM_DBLCLK/NM_RCLICK.
// Custom draw (NM_CUSTOMDRAW) is not offered: owners of these lists use owner-draw or colours.
#include "Control.h"
#include "Controls.h"
#include "../src/QtGdi.h"
#include "win32/imagelist.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyledItemDelegate>
#include <QtWidgets/QTreeWidget>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace kel::qt::controls
{


namespace
{

// What the tree keeps beside the texts: item values in column 0 of each row, column values in
// the header item.
enum ItemRole : int
{
    kParamRole = Qt::UserRole + 1, // lParam of an item (LVITEM) or of a column (HDITEM)
    kStateRole,                    // item state last reported with LVN_ITEMCHANGED (LVIS_*)
    kImageRole,                    // item image, an index into the small image list
    kFormatRole,                   // column format (LVCFMT_*, the same bits as HDF_*)
};

LPARAM ParamOf(const QTreeWidgetItem* it, int column = 0)
{
    return it ? static_cast<LPARAM>(it->data(column, kParamRole).toLongLong()) : 0;
}

void SetParam(QTreeWidgetItem* it, LPARAM value, int column = 0)
{
    it->setData(column, kParamRole, static_cast<qlonglong>(value));
}

int FormatOf(const QTreeWidget* tree, int column)
{
    return tree->headerItem()->data(column, kFormatRole).toInt();
}

void SetFormat(QTreeWidget* tree, int column, int format)
{
    tree->headerItem()->setData(column, kFormatRole, format);
}

// A rectangle with Windows' exclusive right and bottom edges.
RECT ToRect(const QRect& r)
{
    return RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

class ListViewControl;

// ---- Header

class HeaderControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        if (cs.lpCreateParams)
        {
            // Made by a list view: serve its tree's header; no widget of its own.
            header_ = static_cast<QHeaderView*>(cs.lpCreateParams);
            return nullptr;
        }
        // A header of its own (no list view) shows no sections: the program only uses list views'.
        header_ = new QHeaderView(Qt::Horizontal, parent);
        return header_;
    }

    QHeaderView* Header() const { return header_; }
    QTreeWidget* Tree() const
    {
        return header_ ? qobject_cast<QTreeWidget*>(header_->parentWidget()) : nullptr;
    }
    int Count() const { return header_ ? header_->count() : 0; }

    void FillItem(int i, HDITEM* item) const
    {
        QTreeWidget* tree = Tree();
        if (item->mask & HDI_WIDTH)
            item->cxy = header_->sectionSize(i);
        if ((item->mask & HDI_TEXT) && item->pszText && tree)
            CopyOut(FromQt(tree->headerItem()->text(i)), item->pszText, item->cchTextMax);
        if (item->mask & HDI_FORMAT)
            item->fmt = Format(i);
        if (item->mask & HDI_LPARAM)
            item->lParam = tree ? ParamOf(tree->headerItem(), i) : 0;
        if (item->mask & HDI_ORDER)
            item->iOrder = header_->visualIndex(i);
    }

    int Format(int i) const
    {
        QTreeWidget* tree = Tree();
        return tree ? FormatOf(tree, i) : HDF_LEFT | HDF_STRING;
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override;

    void SectionResized(int i, int size)
    {
        HDITEM item{};
        item.mask = HDI_WIDTH;
        item.cxy = size;
        NMHEADER nm{};
        nm.iItem = i;
        nm.pitem = &item;
        HWND list = Parent();
        HWND to = list ? GetParent(list) : nullptr;
        Notify(&nm.hdr, HDN_ITEMCHANGED, to);
        tracked_ = true;
    }

    void MouseReleased()
    {
        if (!tracked_)
            return;
        tracked_ = false;
        HDITEM item{};
        item.mask = HDI_WIDTH;
        const int i = lastResized_;
        item.cxy = header_->sectionSize(i);
        NMHEADER nm{};
        nm.iItem = i;
        nm.pitem = &item;
        HWND list = Parent();
        Notify(&nm.hdr, HDN_ENDTRACK, list ? GetParent(list) : nullptr);
    }

    int lastResized_ = 0;

private:
    QHeaderView* header_ = nullptr;
    bool tracked_ = false;
};

LRESULT HeaderControl::Proc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (!header_)
        return Control::Proc(msg, wp, lp);
    switch (msg)
    {
    case HDM_GETITEMCOUNT:
        return Count();
    case HDM_GETITEM:
        if (static_cast<int>(wp) < 0 || static_cast<int>(wp) >= Count() || !lp)
            return FALSE;
        FillItem(static_cast<int>(wp), reinterpret_cast<HDITEM*>(lp));
        return TRUE;
    case HDM_SETITEM:
    {
        const int i = static_cast<int>(wp);
        auto* item = reinterpret_cast<HDITEM*>(lp);
        if (i < 0 || i >= Count() || !item)
            return FALSE;
        QTreeWidget* tree = Tree();
        if (item->mask & HDI_WIDTH)
            header_->resizeSection(i, item->cxy);
        if ((item->mask & HDI_TEXT) && tree && item->pszText)
            tree->headerItem()->setText(i, ToQt(item->pszText));
        if ((item->mask & HDI_FORMAT) && tree)
            SetFormat(tree, i, item->fmt);
        if ((item->mask & HDI_LPARAM) && tree)
            SetParam(tree->headerItem(), item->lParam, i);
        header_->viewport()->update();
        return TRUE;
    }
    case HDM_GETITEMRECT:
    {
        const int i = static_cast<int>(wp);
        if (i < 0 || i >= Count() || !lp)
            return FALSE;
        const int x = header_->sectionViewportPosition(i);
        *reinterpret_cast<RECT*>(lp) = RECT{x, 0, x + header_->sectionSize(i), header_->height()};
        return TRUE;
    }
    case HDM_HITTEST:
    {
        auto* hit = reinterpret_cast<HDHITTESTINFO*>(lp);
        if (!hit)
            return -1;
        hit->iItem = header_->logicalIndexAt(hit->pt.x);
        hit->flags = hit->iItem < 0 ? HHT_NOWHERE : HHT_ONHEADER;
        return hit->iItem;
    }
    case HDM_ORDERTOINDEX:
        return header_->logicalIndex(static_cast<int>(wp));
    default:
        break;
    }
    return Control::Proc(msg, wp, lp);
}

// ---- List view

class ListDelegate : public QStyledItemDelegate
{
public:
    ListDelegate(ListViewControl* owner, QObject* parent) : QStyledItemDelegate(parent), owner_(owner) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    // Rows are as tall as the small images at least, as Windows sizes report rows.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ListViewControl* owner_;
};

// Paints owner-drawn rows whole (Windows draws a report row in one WM_DRAWITEM).
class ListTree : public QTreeWidget
{
public:
    ListTree(ListViewControl* owner, QWidget* parent) : QTreeWidget(parent), owner_(owner) {}

    // Measures the rows again (after the small image list changed).
    void Relayout() { scheduleDelayedItemsLayout(); }

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    ListViewControl* owner_;
};

class ListViewControl : public Control
{
public:
    using Control::Control;

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const DWORD style = static_cast<DWORD>(cs.style);
        tree_ = new ListTree(this, parent);
        tree_->setRootIsDecorated(false);
        tree_->setItemsExpandable(false);
        tree_->setUniformRowHeights(true);
        tree_->setAllColumnsShowFocus(true);
        tree_->setColumnCount(0);
        tree_->setSelectionMode((style & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                                        : QAbstractItemView::ExtendedSelection);
        tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
        tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        tree_->setHeaderHidden(style & LVS_NOCOLUMNHEADER);
        tree_->header()->setStretchLastSection(false);
        tree_->header()->setSectionsMovable(false);
        tree_->header()->setSectionsClickable(!(style & LVS_NOSORTHEADER));
        tree_->setFrameShape((style & WS_BORDER) || (cs.dwExStyle & WS_EX_CLIENTEDGE) ? QFrame::StyledPanel
                                                                                      : QFrame::NoFrame);
        tree_->setItemDelegate(new ListDelegate(this, tree_));
        QObject::connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                         [this] { Report(); });
        QObject::connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                         [this] { Report(); });
        QObject::connect(tree_, &QTreeWidget::itemChanged, this, [this] { Report(); });
        QObject::connect(tree_->header(), &QHeaderView::sectionClicked, this,
                         [this](int column)
                         {
                             NMLISTVIEW nm{};
                             nm.iItem = -1;
                             nm.iSubItem = column;
                             Notify(&nm.hdr, LVN_COLUMNCLICK);
                         });
        QObject::connect(tree_->header(), &QHeaderView::sectionResized, this,
                         [this](int i, int, int size)
                         {
                             if (auto* h = static_cast<HeaderControl*>(FindControl(header_));
                                 h && !programmatic_)
                             {
                                 h->lastResized_ = i;
                                 h->SectionResized(i, size);
                             }
                         });
        tree_->viewport()->installEventFilter(this);
        tree_->header()->viewport()->installEventFilter(this);
        return tree_;
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override;

    // Columns
    std::vector<int> SectionWidths() const;
    void SetSectionWidths(const std::vector<int>& widths);
    // Copies a column's header text and format and the items' texts in it.
    void CopyColumn(int to, int from);
    LRESULT InsertColumn(int index, const LVCOLUMN* col);
    BOOL DeleteColumn(int c);
    BOOL SetColumn(int c, const LVCOLUMN* col);
    BOOL GetColumn(int c, LVCOLUMN* col) const;
    BOOL SetColumnWidth(int c, int width);

    // Items
    bool ValidSubItem(int sub) const;
    LRESULT InsertItem(const LVITEM* item);
    BOOL SetItem(const LVITEM* item);
    BOOL GetItem(LVITEM* item) const;
    BOOL SetItemText(int i, const LVITEM* item);
    LRESULT GetItemText(int i, LVITEM* item) const;
    BOOL DeleteItem(int i);
    BOOL DeleteAllItems();
    BOOL SortItems(PFNLVCOMPARE compare, LPARAM data);
    LRESULT EditLabel(int i);

    // Item states
    LRESULT NextItem(int after, UINT flags) const;
    BOOL SetItemState(int i, const LVITEM* item);

    // Geometry
    BOOL GetItemRect(int i, RECT* rect) const;
    BOOL GetSubItemRect(int i, RECT* rect) const;
    LRESULT HitTestInfo(LVHITTESTINFO* hit) const;
    LRESULT TopIndex() const;
    LRESULT CountPerPage() const;

    // Looks
    DWORD SetExtendedStyle(DWORD mask, DWORD style);
    HIMAGELIST& ImageList(WPARAM which);
    HIMAGELIST SetImageList(WPARAM which, HIMAGELIST list);
    BOOL SetColor(UINT msg, COLORREF c);

    int Count() const { return tree_ ? tree_->topLevelItemCount() : 0; }
    bool Valid(int i) const { return i >= 0 && i < Count(); }
    QTreeWidgetItem* Item(int i) const { return Valid(i) ? tree_->topLevelItem(i) : nullptr; }
    int Columns() const { return tree_->columnCount(); }

    UINT StateOf(int i) const
    {
        QTreeWidgetItem* it = Item(i);
        if (!it)
            return 0;
        UINT s = 0;
        if (it->isSelected())
            s |= LVIS_SELECTED;
        if (tree_->currentItem() == it && tree_->selectionModel()->currentIndex().isValid())
            s |= LVIS_FOCUSED;
        if (ex_ & LVS_EX_CHECKBOXES)
            s |= INDEXTOSTATEIMAGEMASK(it->checkState(0) == Qt::Checked ? 2 : 1);
        return s;
    }

    // Compares each item's state with what was last reported and sends LVN_ITEMCHANGED.
    void Report()
    {
        if (reporting_ || !tree_)
            return;
        reporting_ = true;
        const HWND self = hwnd_;
        for (int i = 0; i < Count() && IsWindow(self); ++i)
        {
            QTreeWidgetItem* it = Item(i);
            const UINT now = StateOf(i);
            const UINT old = it->data(0, kStateRole).toUInt();
            if (now == old)
                continue;
            it->setData(0, kStateRole, now);
            NMLISTVIEW nm{};
            nm.iItem = i;
            nm.iSubItem = 0;
            nm.uNewState = now;
            nm.uOldState = old;
            nm.uChanged = LVIF_STATE;
            nm.lParam = ParamOf(it);
            Notify(&nm.hdr, LVN_ITEMCHANGED);
        }
        if (IsWindow(self))
            reporting_ = false;
    }

    void SetState(int i, UINT state, UINT mask)
    {
        QTreeWidgetItem* it = Item(i);
        if (!it)
            return;
        if (mask & LVIS_SELECTED)
            it->setSelected(state & LVIS_SELECTED);
        if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
            tree_->selectionModel()->setCurrentIndex(tree_->indexFromItem(it), QItemSelectionModel::NoUpdate);
        if ((mask & LVIS_STATEIMAGEMASK) && (ex_ & LVS_EX_CHECKBOXES))
            it->setCheckState(0, ((state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? Qt::Checked : Qt::Unchecked);
    }

    // Rectangle of an item or sub-item in client coordinates (the header included above).
    QRect ItemRect(int i, int column) const
    {
        QTreeWidgetItem* it = Item(i);
        if (!it)
            return QRect();
        QRect r = tree_->visualItemRect(it);
        const QPoint off = tree_->viewport()->mapTo(tree_, QPoint(0, 0));
        if (column >= 0)
        {
            r.setLeft(tree_->header()->sectionViewportPosition(column));
            r.setWidth(tree_->header()->sectionSize(column));
        }
        else
        {
            r.setLeft(-tree_->header()->offset());
            r.setWidth(tree_->header()->length());
        }
        return r.translated(off);
    }

    // Hit test at a client point: item and sub-item, -1 when none.
    void HitTest(POINT pt, int* item, int* sub) const
    {
        const QPoint off = tree_->viewport()->mapTo(tree_, QPoint(0, 0));
        const QPoint vp(pt.x - off.x(), pt.y - off.y());
        QTreeWidgetItem* it = tree_->viewport()->rect().contains(vp) ? tree_->itemAt(vp) : nullptr;
        *item = it ? tree_->indexOfTopLevelItem(it) : -1;
        *sub = it ? tree_->header()->logicalIndexAt(vp.x()) : -1;
    }

    void ClickNotify(UINT code, const QPoint& vp)
    {
        const QPoint client = tree_->viewport()->mapTo(tree_, vp);
        NMITEMACTIVATE nm{};
        HitTest(POINT{client.x(), client.y()}, &nm.iItem, &nm.iSubItem);
        if (nm.iItem < 0)
            nm.iSubItem = 0;
        nm.ptAction = POINT{client.x(), client.y()};
        Notify(&nm.hdr, code);
    }

    void Paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index, bool wholeRow)
    {
        const int row = index.row();
        if ((Style() & LVS_OWNERDRAWFIXED) && wholeRow)
        {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_LISTVIEW;
            dis.CtlID = static_cast<UINT>(Id());
            dis.itemID = static_cast<UINT>(row);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = (option.state & QStyle::State_Selected ? ODS_SELECTED : 0) |
                            (option.state & QStyle::State_HasFocus ? ODS_FOCUS : 0);
            dis.hwndItem = hwnd_;
            dis.itemData = static_cast<ULONG_PTR>(ParamOf(Item(row)));
            const QPoint off = tree_->viewport()->mapTo(tree_, QPoint(0, 0));
            QRect r = option.rect.translated(off);
            painter->save();
            painter->translate(-off);
            if (HWND parent = Parent())
                OwnerDraw(parent, dis, *painter, r);
            painter->restore();
            return;
        }
        const bool selected = (option.state & QStyle::State_Selected) &&
                              ((ex_ & LVS_EX_FULLROWSELECT) || index.column() == 0) &&
                              (tree_->hasFocus() || (Style() & LVS_SHOWSELALWAYS));
        const QPalette& pal = tree_->palette();
        painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : textBk_);
        QRect r = option.rect.adjusted(4, 0, -4, 0);
        if (index.column() == 0 && (ex_ & LVS_EX_CHECKBOXES))
        {
            const QRect box(r.left(), r.center().y() - 6, 13, 13);
            painter->setPen(pal.color(QPalette::Dark));
            painter->fillRect(box, Qt::white);
            painter->drawRect(box.adjusted(0, 0, -1, -1));
            if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked)
            {
                painter->setPen(QPen(Qt::black, 2));
                painter->drawLine(box.left() + 3, box.center().y(), box.center().x() - 1, box.bottom() - 3);
                painter->drawLine(box.center().x() - 1, box.bottom() - 3, box.right() - 2, box.top() + 3);
            }
            r.setLeft(box.right() + 5);
        }
        if (index.column() == 0 && small_)
        {
            const QImage img = kel::qt::ImageOf(kel::gdi::ImageListPixmap(small_, index.data(kImageRole).toInt()));
            if (!img.isNull())
            {
                painter->drawImage(QPoint(r.left(), r.top() + (r.height() - img.height()) / 2), img);
                r.setLeft(r.left() + img.width() + 3);
            }
        }
        painter->setPen(selected ? pal.color(QPalette::HighlightedText) : text_);
        const int fmt = FormatOf(tree_, index.column()) & LVCFMT_JUSTIFYMASK;
        const int align = fmt == LVCFMT_RIGHT    ? Qt::AlignRight
                          : fmt == LVCFMT_CENTER ? Qt::AlignHCenter
                                                 : Qt::AlignLeft;
        const QString t = painter->fontMetrics().elidedText(index.data(Qt::DisplayRole).toString(),
                                                            Qt::ElideRight, r.width());
        painter->drawText(r, align | Qt::AlignVCenter, t);
        if (ex_ & LVS_EX_GRIDLINES)
        {
            painter->setPen(pal.color(QPalette::Midlight));
            painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
            painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // While the tree is being torn down its viewports still see events.
        if (!qobject_cast<QTreeWidget*>(widget_.data()))
            return Control::eventFilter(watched, event);
        if (tree_ && watched == tree_->viewport())
        {
            const auto t = event->type();
            if (t == QEvent::MouseButtonRelease || t == QEvent::MouseButtonDblClick)
            {
                auto* me = static_cast<QMouseEvent*>(event);
                const bool right = me->button() == Qt::RightButton;
                if (t == QEvent::MouseButtonDblClick)
                {
                    // Let the tree handle the press part first, then report.
                    QPointer<QObject> guard(this);
                    const bool r = Control::eventFilter(watched, event);
                    ClickNotify(right ? NM_RDBLCLK : NM_DBLCLK, me->position().toPoint());
                    return r;
                }
                ClickNotify(right ? NM_RCLICK : NM_CLICK, me->position().toPoint());
            }
            if (t == QEvent::MouseButtonPress && (ex_ & LVS_EX_CHECKBOXES))
            {
                // A click on the check box toggles it.
                auto* me = static_cast<QMouseEvent*>(event);
                QTreeWidgetItem* it = tree_->itemAt(me->position().toPoint());
                if (it && me->position().x() - tree_->header()->sectionViewportPosition(0) < 22)
                    it->setCheckState(0, it->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            }
        }
        else if (tree_ && watched == tree_->header()->viewport() &&
                 event->type() == QEvent::MouseButtonRelease)
        {
            if (auto* h = static_cast<HeaderControl*>(FindControl(header_)))
                h->MouseReleased();
        }
        return Control::eventFilter(watched, event);
    }

public:
    ListTree* tree_ = nullptr;
    HWND header_ = nullptr;
    DWORD ex_ = 0;
    bool reporting_ = false;
    bool programmatic_ = false;
    HIMAGELIST small_ = nullptr, normal_ = nullptr, state_ = nullptr;
    QColor text_ = Qt::black;
    QColor textBk_ = Qt::white;
    COLORREF bk_ = RGB(255, 255, 255);
};

void ListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    owner_->Paint(painter, option, index, false);
}

QSize ListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    int cx = 0, cy = 0;
    if (ImageList_GetIconSize(owner_->ImageList(LVSIL_SMALL), &cx, &cy))
        size.setHeight(std::max(size.height(), cy));
    return size;
}

void ListTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (owner_->Style() & LVS_OWNERDRAWFIXED)
    {
        QStyleOptionViewItem row = option;
        row.rect = QRect(-header()->offset(), option.rect.top(),
                         std::max(header()->length(), viewport()->width()), option.rect.height());
        if (selectionModel()->isSelected(index))
            row.state |= QStyle::State_Selected;
        owner_->Paint(painter, row, index, true);
        return;
    }
    QTreeWidget::drawRow(painter, option, index);
}

// ---- Columns

std::vector<int> ListViewControl::SectionWidths() const
{
    std::vector<int> widths;
    for (int c = 0; c < Columns(); ++c)
        widths.push_back(tree_->header()->sectionSize(c));
    return widths;
}

void ListViewControl::SetSectionWidths(const std::vector<int>& widths)
{
    for (size_t c = 0; c < widths.size(); ++c)
        tree_->header()->resizeSection(static_cast<int>(c), widths[c]);
}

void ListViewControl::CopyColumn(int to, int from)
{
    QTreeWidgetItem* head = tree_->headerItem();
    head->setText(to, head->text(from));
    SetFormat(tree_, to, FormatOf(tree_, from));
    for (int i = 0; i < Count(); ++i)
        Item(i)->setText(to, Item(i)->text(from));
}

LRESULT ListViewControl::InsertColumn(int index, const LVCOLUMN* col)
{
    if (!col)
        return -1;
    const int n = Columns();
    const int at = std::clamp(index, 0, n);
    programmatic_ = true;
    // Shift the columns from `at` right, then fill the new one.
    tree_->setColumnCount(n + 1);
    std::vector<int> widths = SectionWidths();
    widths.pop_back();
    for (int c = n; c > at; --c)
        CopyColumn(c, c - 1);
    for (int i = 0; i < Count() && at < n; ++i)
        Item(i)->setText(at, QString());
    tree_->headerItem()->setText(at,
                                 (col->mask & LVCF_TEXT) && col->pszText ? ToQt(col->pszText) : QString());
    SetFormat(tree_, at, (col->mask & LVCF_FMT) ? col->fmt : LVCFMT_LEFT);
    widths.insert(widths.begin() + at, (col->mask & LVCF_WIDTH) ? col->cx : 50);
    SetSectionWidths(widths);
    programmatic_ = false;
    return at;
}

BOOL ListViewControl::DeleteColumn(int c)
{
    if (c < 0 || c >= Columns())
        return FALSE;
    programmatic_ = true;
    std::vector<int> widths = SectionWidths();
    widths.erase(widths.begin() + c);
    for (int k = c; k + 1 < Columns(); ++k)
        CopyColumn(k, k + 1);
    tree_->setColumnCount(Columns() - 1);
    SetSectionWidths(widths);
    programmatic_ = false;
    return TRUE;
}

BOOL ListViewControl::SetColumn(int c, const LVCOLUMN* col)
{
    if (!col || c < 0 || c >= Columns())
        return FALSE;
    programmatic_ = true;
    if ((col->mask & LVCF_TEXT) && col->pszText)
        tree_->headerItem()->setText(c, ToQt(col->pszText));
    if (col->mask & LVCF_WIDTH)
        tree_->header()->resizeSection(c, col->cx);
    if (col->mask & LVCF_FMT)
        SetFormat(tree_, c, col->fmt);
    programmatic_ = false;
    return TRUE;
}

BOOL ListViewControl::GetColumn(int c, LVCOLUMN* col) const
{
    if (!col || c < 0 || c >= Columns())
        return FALSE;
    if ((col->mask & LVCF_TEXT) && col->pszText)
        CopyOut(FromQt(tree_->headerItem()->text(c)), col->pszText, col->cchTextMax);
    if (col->mask & LVCF_WIDTH)
        col->cx = tree_->header()->sectionSize(c);
    if (col->mask & LVCF_FMT)
        col->fmt = FormatOf(tree_, c);
    if (col->mask & LVCF_SUBITEM)
        col->iSubItem = c;
    return TRUE;
}

BOOL ListViewControl::SetColumnWidth(int c, int width)
{
    if (c < 0 || c >= Columns())
        return FALSE;
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
    {
        tree_->resizeColumnToContents(c);
        width = tree_->header()->sectionSize(c) + 8;
        if (width == LVSCW_AUTOSIZE_USEHEADER)
            width =
                std::max(width, tree_->fontMetrics().horizontalAdvance(tree_->headerItem()->text(c)) + 12);
    }
    programmatic_ = true;
    tree_->header()->resizeSection(c, width);
    programmatic_ = false;
    return TRUE;
}

// ---- Items

bool ListViewControl::ValidSubItem(int sub) const
{
    return sub >= 0 && sub < std::max(1, Columns());
}

LRESULT ListViewControl::InsertItem(const LVITEM* item)
{
    if (!item || item->iSubItem != 0)
        return -1;
    const int at = std::clamp(item->iItem, 0, Count());
    auto* it = new QTreeWidgetItem();
    if ((item->mask & LVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACK)
        it->setText(0, ToQt(item->pszText));
    SetParam(it, (item->mask & LVIF_PARAM) ? item->lParam : 0);
    it->setData(0, kImageRole, (item->mask & LVIF_IMAGE) ? item->iImage : 0);
    if (ex_ & LVS_EX_CHECKBOXES)
        it->setCheckState(0, Qt::Unchecked);
    it->setData(0, kStateRole, StateOf(-1));
    reporting_ = true;
    tree_->insertTopLevelItem(at, it);
    it->setData(0, kStateRole, StateOf(at));
    reporting_ = false;
    if (item->mask & LVIF_STATE)
        SetState(at, item->state, item->stateMask);
    return at;
}

BOOL ListViewControl::SetItem(const LVITEM* item)
{
    QTreeWidgetItem* it = item ? Item(item->iItem) : nullptr;
    if (!it || !ValidSubItem(item->iSubItem))
        return FALSE;
    if ((item->mask & LVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACK)
        it->setText(item->iSubItem, ToQt(item->pszText));
    if (item->mask & LVIF_PARAM)
        SetParam(it, item->lParam);
    if (item->mask & LVIF_IMAGE)
        it->setData(0, kImageRole, item->iImage);
    if (item->mask & LVIF_STATE)
        SetState(item->iItem, item->state, item->stateMask);
    return TRUE;
}

BOOL ListViewControl::GetItem(LVITEM* item) const
{
    const QTreeWidgetItem* it = item ? Item(item->iItem) : nullptr;
    if (!it || !ValidSubItem(item->iSubItem))
        return FALSE;
    if ((item->mask & LVIF_TEXT) && item->pszText)
        CopyOut(FromQt(it->text(item->iSubItem)), item->pszText, item->cchTextMax);
    if (item->mask & LVIF_PARAM)
        item->lParam = ParamOf(it);
    if (item->mask & LVIF_IMAGE)
        item->iImage = it->data(0, kImageRole).toInt();
    if (item->mask & LVIF_STATE)
        item->state = StateOf(item->iItem) & item->stateMask;
    return TRUE;
}

BOOL ListViewControl::SetItemText(int i, const LVITEM* item)
{
    QTreeWidgetItem* it = Item(i);
    if (!it || !item || !ValidSubItem(item->iSubItem))
        return FALSE;
    it->setText(item->iSubItem,
                item->pszText && item->pszText != LPSTR_TEXTCALLBACK ? ToQt(item->pszText) : QString());
    return TRUE;
}

LRESULT ListViewControl::GetItemText(int i, LVITEM* item) const
{
    if (!item || !item->pszText || item->cchTextMax <= 0)
        return 0;
    const QTreeWidgetItem* it = Item(i);
    return CopyOut(it ? FromQt(it->text(item->iSubItem)) : std::string(), item->pszText, item->cchTextMax);
}

BOOL ListViewControl::DeleteItem(int i)
{
    if (!Valid(i))
        return FALSE;
    NMLISTVIEW nm{};
    nm.iItem = i;
    nm.lParam = ParamOf(Item(i));
    Notify(&nm.hdr, LVN_DELETEITEM);
    reporting_ = true;
    delete tree_->takeTopLevelItem(i);
    reporting_ = false;
    return TRUE;
}

BOOL ListViewControl::DeleteAllItems()
{
    NMLISTVIEW nm{};
    nm.iItem = -1;
    Notify(&nm.hdr, LVN_DELETEALLITEMS);
    reporting_ = true;
    tree_->clear();
    reporting_ = false;
    return TRUE;
}

BOOL ListViewControl::SortItems(PFNLVCOMPARE compare, LPARAM data)
{
    if (!compare)
        return FALSE;
    reporting_ = true;
    std::vector<QTreeWidgetItem*> items;
    while (Count())
        items.push_back(tree_->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(),
                     [&](QTreeWidgetItem* a, QTreeWidgetItem* b)
                     { return compare(ParamOf(a), ParamOf(b), data) < 0; });
    for (QTreeWidgetItem* it : items)
        tree_->addTopLevelItem(it);
    reporting_ = false;
    return TRUE;
}

LRESULT ListViewControl::EditLabel(int i)
{
    QTreeWidgetItem* it = Item(i);
    if (!it)
        return 0;
    NMLVDISPINFO di{};
    di.item.iItem = i;
    di.item.mask = LVIF_TEXT;
    if (Notify(&di.hdr, LVN_BEGINLABELEDIT))
        return 0; // the owner refused
    tree_->openPersistentEditor(it, 0);
    return 0;
}

// ---- Item states

LRESULT ListViewControl::NextItem(int after, UINT flags) const
{
    for (int i = after + 1; i < Count(); ++i)
    {
        const UINT s = StateOf(i);
        if ((!(flags & LVNI_SELECTED) || (s & LVIS_SELECTED)) &&
            (!(flags & LVNI_FOCUSED) || (s & LVIS_FOCUSED)))
            return i;
    }
    return -1;
}

BOOL ListViewControl::SetItemState(int i, const LVITEM* item)
{
    if (!item)
        return FALSE;
    if (i == -1)
        for (int k = 0; k < Count(); ++k)
            SetState(k, item->state, item->stateMask);
    else if (Valid(i))
        SetState(i, item->state, item->stateMask);
    else
        return FALSE;
    Report();
    return TRUE;
}

// ---- Geometry

BOOL ListViewControl::GetItemRect(int i, RECT* rect) const
{
    const QRect r = ItemRect(i, rect && rect->left == LVIR_LABEL ? 0 : -1);
    if (!rect || r.isNull())
        return FALSE;
    *rect = ToRect(r);
    return TRUE;
}

BOOL ListViewControl::GetSubItemRect(int i, RECT* rect) const
{
    if (!rect || !ValidSubItem(rect->top))
        return FALSE;
    const QRect r = ItemRect(i, rect->top == 0 && rect->left == LVIR_BOUNDS ? -1 : rect->top);
    if (r.isNull())
        return FALSE;
    *rect = ToRect(r);
    return TRUE;
}

LRESULT ListViewControl::HitTestInfo(LVHITTESTINFO* hit) const
{
    if (!hit)
        return -1;
    int item, sub;
    HitTest(hit->pt, &item, &sub);
    hit->iItem = item;
    hit->iSubItem = item >= 0 ? sub : 0;
    hit->flags = item >= 0 ? LVHT_ONITEMLABEL : LVHT_NOWHERE;
    return item;
}

LRESULT ListViewControl::TopIndex() const
{
    QTreeWidgetItem* it = tree_->itemAt(2, 2);
    return it ? tree_->indexOfTopLevelItem(it) : 0;
}

LRESULT ListViewControl::CountPerPage() const
{
    const int h = Count() ? tree_->visualItemRect(Item(0)).height() : tree_->fontMetrics().height() + 4;
    return h > 0 ? tree_->viewport()->height() / h : 0;
}

// ---- Looks

DWORD ListViewControl::SetExtendedStyle(DWORD mask, DWORD style)
{
    const DWORD old = ex_;
    ex_ = (ex_ & ~mask) | (style & mask);
    if ((ex_ ^ old) & LVS_EX_CHECKBOXES)
    {
        reporting_ = true;
        for (int i = 0; i < Count(); ++i)
        {
            if (ex_ & LVS_EX_CHECKBOXES)
                Item(i)->setCheckState(0, Qt::Unchecked);
            else
                Item(i)->setData(0, Qt::CheckStateRole, QVariant());
            Item(i)->setData(0, kStateRole, StateOf(i));
        }
        reporting_ = false;
    }
    tree_->viewport()->update();
    return old;
}

HIMAGELIST& ListViewControl::ImageList(WPARAM which)
{
    return which == LVSIL_SMALL ? small_ : which == LVSIL_STATE ? state_ : normal_;
}

HIMAGELIST ListViewControl::SetImageList(WPARAM which, HIMAGELIST list)
{
    const HIMAGELIST old = std::exchange(ImageList(which), list);
    tree_->Relayout();
    tree_->viewport()->update();
    return old;
}

BOOL ListViewControl::SetColor(UINT msg, COLORREF c)
{
    QPalette pal = tree_->palette();
    if (msg == LVM_SETBKCOLOR)
    {
        bk_ = c;
        pal.setColor(QPalette::Base, ToQColor(c));
    }
    else if (msg == LVM_SETTEXTCOLOR)
        text_ = ToQColor(c);
    else
        textBk_ = c == CLR_NONE ? ToQColor(bk_) : ToQColor(c);
    tree_->setPalette(pal);
    tree_->viewport()->update();
    return TRUE;
}

// ---- Messages

LRESULT ListViewControl::Proc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (!tree_)
        return Control::Proc(msg, wp, lp);
    const int index = static_cast<int>(wp);
    switch (msg)
    {
    case WM_CREATE:
        // The header window lives over the tree's own header view.
        header_ =
            CreateWindowEx(0, WC_HEADER, "", WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr, nullptr, tree_->header());
        break;
    case LVM_GETHEADER:
        return reinterpret_cast<LRESULT>(header_);
    case LVM_INSERTCOLUMN:
        return InsertColumn(index, reinterpret_cast<const LVCOLUMN*>(lp));
    case LVM_DELETECOLUMN:
        return DeleteColumn(index);
    case LVM_SETCOLUMN:
        return SetColumn(index, reinterpret_cast<const LVCOLUMN*>(lp));
    case LVM_GETCOLUMN:
        return GetColumn(index, reinterpret_cast<LVCOLUMN*>(lp));
    case LVM_SETCOLUMNWIDTH:
        return SetColumnWidth(index, static_cast<short>(LOWORD(lp)));
    case LVM_GETCOLUMNWIDTH:
        return index < Columns() ? tree_->header()->sectionSize(index) : 0;
    case LVM_INSERTITEM:
        return InsertItem(reinterpret_cast<const LVITEM*>(lp));
    case LVM_SETITEM:
        return SetItem(reinterpret_cast<const LVITEM*>(lp));
    case LVM_GETITEM:
        return GetItem(reinterpret_cast<LVITEM*>(lp));
    case LVM_SETITEMTEXT:
        return SetItemText(index, reinterpret_cast<const LVITEM*>(lp));
    case LVM_GETITEMTEXT:
        return GetItemText(index, reinterpret_cast<LVITEM*>(lp));
    case LVM_DELETEITEM:
        return DeleteItem(index);
    case LVM_DELETEALLITEMS:
        return DeleteAllItems();
    case LVM_GETITEMCOUNT:
        return Count();
    case LVM_GETNEXTITEM:
        return NextItem(index, static_cast<UINT>(LOWORD(lp)));
    case LVM_SETITEMSTATE:
        return SetItemState(index, reinterpret_cast<const LVITEM*>(lp));
    case LVM_GETITEMSTATE:
        return StateOf(index) & static_cast<UINT>(lp);
    case LVM_GETSELECTEDCOUNT:
        return static_cast<LRESULT>(tree_->selectedItems().size());
    case LVM_ENSUREVISIBLE:
        if (QTreeWidgetItem* it = Item(index))
            tree_->scrollToItem(it);
        return TRUE;
    case LVM_GETITEMRECT:
        return GetItemRect(index, reinterpret_cast<RECT*>(lp));
    case LVM_GETSUBITEMRECT:
        return GetSubItemRect(index, reinterpret_cast<RECT*>(lp));
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST:
        return HitTestInfo(reinterpret_cast<LVHITTESTINFO*>(lp));
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
        return SetExtendedStyle(wp ? static_cast<DWORD>(wp) : 0xFFFFFFFF, static_cast<DWORD>(lp));
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return ex_;
    case LVM_SETIMAGELIST:
        return reinterpret_cast<LRESULT>(SetImageList(wp, reinterpret_cast<HIMAGELIST>(lp)));
    case LVM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(ImageList(wp));
    case LVM_SORTITEMS:
        return SortItems(reinterpret_cast<PFNLVCOMPARE>(lp), static_cast<LPARAM>(wp));
    case LVM_SETBKCOLOR:
    case LVM_SETTEXTCOLOR:
    case LVM_SETTEXTBKCOLOR:
        return SetColor(msg, static_cast<COLORREF>(lp));
    case LVM_GETBKCOLOR:
        return bk_;
    case LVM_GETTEXTCOLOR:
        return ToColorRef(text_);
    case LVM_GETTEXTBKCOLOR:
        return ToColorRef(textBk_);
    case LVM_REDRAWITEMS:
    case LVM_UPDATE:
        tree_->viewport()->update();
        return TRUE;
    case LVM_GETTOPINDEX:
        return TopIndex();
    case LVM_GETCOUNTPERPAGE:
        return CountPerPage();
    case LVM_EDITLABEL:
        return EditLabel(index);
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    {
        NMLVKEYDOWN kd{};
        kd.wVKey = static_cast<WORD>(wp);
        Notify(&kd.hdr, LVN_KEYDOWN);
        if (IsWindow(hwnd_))
            ReplayKey(static_cast<UINT>(wp), true, false);
        return 0;
    }
    case WM_SETFOCUS:
    {
        Control::Proc(msg, wp, lp);
        NMHDR h{};
        Notify(&h, NM_SETFOCUS);
        tree_->viewport()->update();
        return 0;
    }
    case WM_KILLFOCUS:
    {
        NMHDR h{};
        Notify(&h, NM_KILLFOCUS);
        if (tree_)
            tree_->viewport()->update();
        return 0;
    }
    default:
        break;
    }
    return Control::Proc(msg, wp, lp);
}

} // namespace

bool RegisterListViewClasses()
{
    bool ok = RegisterControlClass(WC_LISTVIEW, ClassProc<ListViewControl>);
    ok = RegisterControlClass(WC_HEADER, ClassProc<HeaderControl>) && ok;
    return ok;
}

} // namespace kel::qt::controls
