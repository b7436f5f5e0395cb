#include "displays/Display.h"

#include "displays/LayoutFile.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>

CDisplay::~CDisplay()
{
    delete m_pLayoutItems;
    delete m_pLegendLayout;
}

void CDisplay::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pTopDisplay);
        ar.WriteObject(m_pBottomDisplay);
        ar << static_cast<LONG>(m_nPageWidth) << static_cast<LONG>(m_nPageHeight)
           << static_cast<LONG>(m_nPosition) << static_cast<LONG>(m_bHasData);
        return;
    }
    // The panes belong to the split display that reads them; its own Serialize adopts them.
    CArchiveFieldReads fields(ar);
    fields.Read(m_pTopDisplay, RUNTIME_CLASS(CDisplay));
    fields.Read(m_pBottomDisplay, RUNTIME_CLASS(CDisplay));
    LONG width = 0, height = 0, position = 0, hasData = 0;
    ar >> width >> height >> position >> hasData;
    fields.Commit();
    m_nPageWidth = width;
    m_nPageHeight = height;
    m_nPosition = position >= 0 && position <= 2 ? position : 0;
    m_bHasData = hasData != 0 ? 1 : 0;
}

void CDisplay::DefaultPageSize(int screenWidth, int32_t& width, int32_t& height)
{
    switch (screenWidth)
    {
    case 640:
        width = 640;
        height = 397;
        break;
    case 1024:
        width = 1024;
        height = 685;
        break;
    case 1280:
        width = 1280;
        height = 940;
        break;
    default:
        width = 800;
        height = 517;
        break;
    }
}

void CDisplay::SetDefaultPageSize()
{
    DefaultPageSize(::GetSystemMetrics(SM_CXSCREEN), m_nPageWidth, m_nPageHeight);
}

int CDisplay::RoundAxisRange(float min, float max, float* lower, float* upper, int lowestExponent)
{
    if (!(max > 0.0f))
        return 0;
    const int hi = static_cast<int>(std::ceil(std::log10(max)));
    int lo = min > 0.0f ? static_cast<int>(std::floor(std::log10(min))) : hi - 6;
    if (lo < lowestExponent)
        lo = lowestExponent;
    *lower = static_cast<float>(std::pow(10.0, lo));
    *upper = static_cast<float>(std::pow(10.0, hi));
    return 1;
}

void FormatAlarmValue(char* out, size_t size, float value)
{
    if (size == 0)
        return;
    char text[64];
    if (value == 0.0f)
        std::snprintf(text, sizeof text, "---");
    else if (value > 1.0f && value <= 10.0f)
        std::snprintf(text, sizeof text, "%1.1f", static_cast<double>(value));
    else if (value > 10.0f && value <= 1000.0f)
        std::snprintf(text, sizeof text, "%4.0f", static_cast<double>(value));
    else
    {
        char raw[64];
        std::snprintf(raw, sizeof raw, "%1.1E", static_cast<double>(value));
        // Mantissa, 'E', the sign, then the exponent digits without leading zeros (one kept).
        size_t n = 0;
        const char* p = raw;
        while (*p != '\0' && *p != 'E' && n < 20)
            text[n++] = *p++;
        if (*p == 'E')
        {
            text[n++] = *p++;
            if (*p == '+' || *p == '-')
                text[n++] = *p++;
            while (*p == '0' && p[1] >= '0' && p[1] <= '9')
                ++p;
            while (*p != '\0' && n < 40)
                text[n++] = *p++;
        }
        text[n] = '\0';
    }
    size_t len = std::strlen(text);
    while (len < 8)
        text[len++] = ' ';
    text[len] = '\0';
    std::snprintf(out, size, "%s", text);
}
