#include "ItemText.h"

#include "Control.h"

#include <QtGui/QTextOption>

namespace kel::qt::controls
{

int CompareNoCase(const std::string& a, const std::string& b)
{
    return QString::compare(ToQt(a), ToQt(b), Qt::CaseInsensitive);
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
