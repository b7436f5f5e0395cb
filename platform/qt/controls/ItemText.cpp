#include "ItemText.h"

#include "Control.h"

#include <QtGui/QTextOption>

namespace kel::qt::controls
{

namespace
{
// Sort weight of one character: its class (symbols, digits, letters) above its base character.
int Weight(QChar c)
{
    if (c.isLetter())
    {
        const QString d = c.decomposition();
        const QChar base = d.isEmpty() ? c : d[0];
        return (3 << 20) | static_cast<int>(base.toLower().unicode());
    }
    if (c.isDigit())
        return (2 << 20) | static_cast<int>(c.unicode());
    return (1 << 20) | static_cast<int>(c.unicode());
}

bool Ignored(QChar c)
{
    return c == QLatin1Char('-') || c == QLatin1Char('\'');
}
} // namespace

int CompareNoCase(const std::string& a, const std::string& b)
{
    const QString qa = ToQt(a), qb = ToQt(b);
    // First the words without hyphens and apostrophes, by weight.
    qsizetype i = 0, j = 0;
    for (;;)
    {
        while (i < qa.size() && Ignored(qa[i]))
            ++i;
        while (j < qb.size() && Ignored(qb[j]))
            ++j;
        if (i == qa.size() || j == qb.size())
            break;
        const int wa = Weight(qa[i]), wb = Weight(qb[j]);
        if (wa != wb)
            return wa < wb ? -1 : 1;
        ++i, ++j;
    }
    if ((i == qa.size()) != (j == qb.size()))
        return i == qa.size() ? -1 : 1;
    // Equal words: accents, hyphens and apostrophes decide; case never does.
    return QString::compare(qa, qb, Qt::CaseInsensitive);
}

void SendDeleteItem(HWND list, UINT ctlType, int item, unsigned long long data)
{
    HWND owner = GetParent(list);
    if (!data || !owner)
        return;
    DELETEITEMSTRUCT dis{};
    dis.CtlType = ctlType;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(list));
    dis.itemID = static_cast<UINT>(item);
    dis.hwndItem = list;
    dis.itemData = static_cast<ULONG_PTR>(data);
    SendMessage(owner, WM_DELETEITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

void DrawTabbedText(QPainter& p, const QRect& rect, const QString& text, const std::vector<int>* tabs,
                    const QFontMetrics& fm)
{
    QTextOption opt(Qt::AlignLeft | Qt::AlignVCenter);
    opt.setWrapMode(QTextOption::NoWrap);
    if (tabs)
    {
        // Dialog units to pixels: a horizontal unit is a quarter of the average character width.
        const qreal unit = fm.averageCharWidth() / 4.0;
        QList<QTextOption::Tab> stops;
        if (tabs->size() <= 1)
            opt.setTabStopDistance((tabs->empty() ? 32 : (*tabs)[0]) * unit);
        else
        {
            for (int t : *tabs)
                stops.append(QTextOption::Tab(t * unit, QTextOption::LeftTab));
            opt.setTabs(stops);
        }
    }
    QString shown = text;
    if (!tabs)
        shown.replace(QLatin1Char('\t'), QLatin1Char(' '));
    p.drawText(QRectF(rect), shown, opt);
}

} // namespace kel::qt::controls
