// The drawing layer against Qt painting directly: a 100,000-point polyline and 10,000 rectangles
// with text into a 1000x700 image. Prints each time and the ratio (layer / direct).
#include <QtCore/QByteArray>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include "win32/gdi.h"
#include "win32qt/QtBackend.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 1000;
constexpr int kHeight = 700;
constexpr int kPolylinePoints = 100000;
constexpr int kRectangles = 10000;

struct Scene
{
    std::vector<POINT> polyline;
    std::vector<RECT> rects;
    std::vector<std::string> labels;
};

Scene MakeScene()
{
    Scene scene;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> x(0, kWidth - 1), y(0, kHeight - 1), size(5, 60);
    for (int i = 0; i < kPolylinePoints; ++i)
        scene.polyline.push_back(POINT{i % kWidth, y(random)});
    for (int i = 0; i < kRectangles; ++i)
    {
        const int left = x(random), top = y(random);
        scene.rects.push_back(RECT{left, top, left + size(random), top + size(random)});
        scene.labels.push_back(std::to_string(i));
    }
    return scene;
}

double Seconds(const std::function<void()>& run)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round)
    {
        const auto start = std::chrono::steady_clock::now();
        run();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void ThroughLayer(const Scene& scene)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, kWidth, kHeight, WHITENESS);
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 200));
    HBRUSH brush = CreateSolidBrush(RGB(200, 230, 200));
    HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    SelectObject(dc, pen);
    Polyline(dc, scene.polyline.data(), static_cast<int>(scene.polyline.size()));
    SelectObject(dc, brush);
    SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < scene.rects.size(); ++i)
    {
        const RECT& r = scene.rects[i];
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        TextOut(dc, r.left + 2, r.top + 2, scene.labels[i].c_str(), static_cast<int>(scene.labels[i].size()));
    }
    SelectObject(dc, old);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteDC(dc);
    DeleteObject(bitmap);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteObject(font);
}

void Direct(const Scene& scene)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QPen pen(QColor(0, 0, 200), 1);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    QPolygon polyline;
    for (const POINT& pt : scene.polyline)
        polyline << QPoint(pt.x, pt.y);
    p.drawPolyline(polyline);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(12);
    p.setFont(font);
    const QBrush brush(QColor(200, 230, 200));
    for (size_t i = 0; i < scene.rects.size(); ++i)
    {
        const RECT& r = scene.rects[i];
        const QRect rect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
        p.fillRect(rect.adjusted(1, 1, -1, -1), brush);
        p.setPen(pen);
        p.drawRect(rect.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.drawText(QPoint(r.left + 2, r.top + 2 + 11), QString::fromLatin1(scene.labels[i].c_str()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    kel::qt::InstallDrawing();
    const Scene scene = MakeScene();
    const double layer = Seconds([&] { ThroughLayer(scene); });
    const double direct = Seconds([&] { Direct(scene); });
    std::printf("gdi_bench: layer %.1f ms, Qt directly %.1f ms, ratio %.2f\n", layer * 1000, direct * 1000,
                layer / direct);
    std::printf("BENCH gdi %.1f ms %.2f -\n", layer * 1000, layer / direct);
    return 0;
}
