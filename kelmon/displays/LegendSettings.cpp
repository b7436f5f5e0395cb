// The legend record's traffic with the chart; the rest of CLegendSettings lives in LayoutFile.h.
#include "displays/LayoutFile.h"

#include <plotkit.h>

void CLegendSettings::Capture(GrDesc* graph)
{
    if (graph == nullptr || m_nObject == 0)
        return;
    m_bVisible = WGIsObjectVisible(graph, m_nObject) ? 1 : 0;
    WGGetObjectCoordNorm(graph, m_nObject, &m_x1, &m_y1, &m_x2, &m_y2);
    m_nOrientation = static_cast<int16_t>(WGGetLegendOrientation(graph, m_nObject));
    const char* face = WGGetFontName(graph, m_nObject);
    m_strFace = face != nullptr ? face : "";
    m_nFontSize = static_cast<int16_t>(WGGetFontSize(graph, m_nObject));
    m_nWeight = WGGetFontWeight(graph, m_nObject);
    m_bItalic = WGGetFontItal(graph, m_nObject);
    m_bUnderlined = WGGetFontUnder(graph, m_nObject);
    m_nAreaColor = static_cast<int16_t>(WGGetLegendAreaColor(graph, m_nObject));
    m_bBorder = WGGetLegendBorder(graph, m_nObject);
    m_nBorderStyle = WGGetLegendBorderStyle(graph, m_nObject);
    m_nBorderWidth = WGGetLegendBorderWidth(graph, m_nObject);
}

void CLegendSettings::Apply(GrDesc* graph)
{
    if (graph == nullptr || m_nObject == 0 || !m_bPending)
        return;
    WGShowObject(graph, m_nObject, m_bVisible ? TRUE : FALSE);
    WGChangeObjectCoordNorm(graph, m_nObject, m_x1, m_y1, m_x2, m_y2);
    WGSetLegendOrientation(graph, m_nObject, m_nOrientation);
    // The legend's orientation is its layout (column or rows), not the angle of its text.
    WGChangeFont(graph, m_nObject, m_strFace.empty() ? nullptr : m_strFace.c_str(), m_nFontSize, 0, m_nWeight,
                 m_bItalic, m_bUnderlined);
    WGSetLegendAreaColor(graph, m_nObject, m_nAreaColor);
    WGSetLegendBorder(graph, m_nObject, m_bBorder);
    WGSetLegendBorderStyle(graph, m_nObject, m_nBorderStyle);
    WGSetLegendBorderWidth(graph, m_nObject, m_nBorderWidth);
    m_bPending = 0;
}

void CLegendSettings::CheckMoved(GrDesc* graph)
{
    if (graph == nullptr || m_nObject == 0 || !m_nAutoPlacement)
        return;
    if (WGIsActiveObjPosChanged(graph, m_nObject))
    {
        WGResetActiveObjPosStatus(graph, m_nObject);
        m_nAutoPlacement = 0;
    }
}
