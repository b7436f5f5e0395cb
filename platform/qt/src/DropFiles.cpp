// Files dragged from the desktop onto a window that accepts them become WM_DROPFILES.
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QDropEvent>
#include <QtWidgets/QApplication>

#include "QtDriver.h"
#include "win32qt/QtBackend.h"

#include "win32/codepage.h"
#include "win32/shell.h"

namespace kel::qt
{

namespace
{

// Local files of the drag, as cp1252 paths. A name cp1252 cannot hold is left out: opening it by a
// mangled name would fail or, worse, find another file.
std::vector<std::string> LocalFiles(const QMimeData* mime)
{
    std::vector<std::string> files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& url : mime->urls())
    {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        const std::string utf8 = path.toStdString();
        std::string name = kel::Utf8ToCp1252(utf8);
        if (kel::Cp1252ToUtf8(name) == utf8)
            files.push_back(std::move(name));
    }
    return files;
}

} // namespace

bool HandleFileDrag(SurfaceWidget& widget, QEvent* e)
{
    if (!widget.hwnd)
        return false;
    switch (e->type())
    {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    {
        auto* drag = static_cast<QDropEvent*>(e);
        if (kel::ui::DropTarget(widget.hwnd) && !LocalFiles(drag->mimeData()).empty())
        {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        }
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop:
    {
        auto* drop = static_cast<QDropEvent*>(e);
        const QPoint at = drop->position().toPoint();
        const QPoint client = at - widget.ClientOffset();
        const POINT pt{client.x(), client.y()};
        if (kel::ui::DropFiles(widget.hwnd, pt, LocalFiles(drop->mimeData())))
        {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        }
        else
            drop->ignore();
        return true;
    }
    default:
        return false;
    }
}

bool SimulateFileDrop(HWND hwnd, POINT clientPt, const std::vector<std::string>& utf8Paths)
{
    auto* widget = static_cast<SurfaceWidget*>(kel::ui::GetSurface(hwnd));
    if (!widget)
        return false;
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& path : utf8Paths)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
    mime.setUrls(urls);
    const QPoint at = QPoint(clientPt.x, clientPt.y) + widget->ClientOffset();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

} // namespace kel::qt
