// Windows' backing images, the DCs the window manager asks for (GetDC, BeginPaint, erasing), and
// the backend's device factory with what it stands for when there is none.
#include "gdi_internal.h"

#include "win32/user.h"

#include <algorithm>
#include <atomic>

namespace kel::gdi
{

namespace
{

std::atomic<DeviceFactory*> g_factory{nullptr};

// The window manager's seam: DCs on windows' backing images.
HDC SeamGetDC(HWND hwnd, kel::ui::DcKind kind, const RECT* clip)
{
    if (!hwnd)
        return AddDc(nullptr, nullptr, nullptr, false);
    if (!BackingFor(hwnd))
        return nullptr;
    std::lock_guard lock(TableLock());
    HDC hdc = AddDc(GetDeviceFactory().CreatePixelDevice(), hwnd, nullptr, true);
    if (kind == kel::ui::DcKind::Paint && clip)
    {
        DeviceContext* dc = LookupDc(hdc);
        dc->hasSystemClip = true;
        dc->systemClip = Region(*clip);
        dc->ClipChanged();
    }
    return hdc;
}

int SeamReleaseDC(HWND hwnd, HDC hdc)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    if (!dc || dc->hwnd != hwnd || dc->memoryDc)
        return 0;
    dc->ReleaseDevice();
    // What was drawn outside a paint shows now, as on a Windows screen DC.
    if (auto* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd));
        store && !store->dirty.IsEmpty())
        kel::ui::GetDriver().FlushBackingImage(hwnd, kel::ui::GetSurface(hwnd), store->dirty.Bounds());
    DestroyDc(hdc);
    return 1;
}

HWND SeamWindowFromDC(HDC hdc)
{
    std::lock_guard lock(TableLock());
    DeviceContext* dc = LookupDc(hdc);
    return dc ? dc->hwnd : nullptr;
}

} // namespace

BackingStore::~BackingStore()
{
    ReleasePixmap(&pixels);
}

BackingStore* BackingFor(HWND hwnd)
{
    RECT client{};
    if (!hwnd || !GetClientRect(hwnd, &client))
        return nullptr;
    auto* store = static_cast<BackingStore*>(kel::ui::GetWindowSurfaceData(hwnd));
    if (!store)
    {
        auto created = std::make_unique<BackingStore>();
        store = created.get();
        if (!kel::ui::SetWindowSurfaceData(hwnd, std::move(created)))
            return nullptr;
    }
    const int width = std::max(0, int(client.right - client.left));
    const int height = std::max(0, int(client.bottom - client.top));
    if (store->pixels.Width() != width || store->pixels.Height() != height)
    {
        ReleasePixmap(&store->pixels);
        // Keep what was drawn; a grown part starts in the window colour until the window repaints it.
        Pixmap pixels(width, height);
        pixels.Fill(ArgbOf(GetSysColor(COLOR_WINDOW)));
        const int keepWidth = std::min(width, store->pixels.Width());
        for (int y = 0; y < std::min(height, store->pixels.Height()); ++y)
            std::copy(store->pixels.Row(y), store->pixels.Row(y) + keepWidth, pixels.Row(y));
        store->pixels = std::move(pixels);
        const Region inside(RECT{0, 0, width, height});
        store->painted &= inside;
        store->dirty &= inside;
    }
    return store;
}

void SetDeviceFactory(DeviceFactory* factory)
{
    g_factory = factory;
    kel::ui::DcFactory seam;
    seam.getDC = SeamGetDC;
    seam.releaseDC = SeamReleaseDC;
    seam.fillRect = ::FillRect;
    seam.windowFromDC = SeamWindowFromDC;
    seam.sysColorBrush = ::GetSysColorBrush;
    kel::ui::SetDcFactory(seam);
}

DeviceFactory& GetDeviceFactory()
{
    static DeviceFactory none;
    DeviceFactory* factory = g_factory;
    return factory ? *factory : none;
}

// ---- Text without a backend

FontMetrics DeviceFactory::Metrics(const Font& font)
{
    const int height = Saturate(font.log.lfHeight, kMaxSide);
    FontMetrics m;
    m.pixelSize = height < 0 ? -height : (height > 0 ? height : 13);
    m.height = m.pixelSize;
    m.descent = m.pixelSize / 5;
    m.ascent = m.height - m.descent;
    m.averageCharWidth = std::max(1, m.pixelSize / 2);
    m.maxCharWidth = m.pixelSize;
    m.fixedPitch = (font.log.lfPitchAndFamily & 0x03) == FIXED_PITCH;
    return m;
}

int DeviceFactory::TextWidth(const Font& font, std::u16string_view text)
{
    return Saturate(int64_t(text.size()) * Metrics(font).averageCharWidth);
}

std::u16string DeviceFactory::ElideRight(const Font& font, std::u16string_view text, int width)
{
    if (TextWidth(font, text) <= width)
        return std::u16string(text);
    for (size_t n = text.size(); n-- > 0;)
    {
        const std::u16string shown = std::u16string(text.substr(0, n)) + u'\u2026';
        if (n == 0 || TextWidth(font, shown) <= width)
            return shown;
    }
    return std::u16string();
}

} // namespace kel::gdi
