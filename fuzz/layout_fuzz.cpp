// Fuzz target: a graph-layout file read onto a display's items (a legend and text items) and
// applied to a graph stand-in; then written and read again. Damaged input must be refused or
// skipped, never crash, and what was written must read back.
#include "FuzzSupport.h"

#include "displays/LayoutFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace
{

class NullChart : public CLayoutChart
{
public:
    BOOL IsObjectVisible(int) override { return 1; }
    void ShowObject(int, BOOL) override {}
    void GetObjectCoordNorm(int, float& x1, float& y1, float& x2, float& y2) override
    {
        x1 = y1 = 0.25f;
        x2 = y2 = 0.75f;
    }
    void SetObjectCoordNorm(int, float, float, float, float) override {}
    void GetFont(int, LayoutFont& font) override { font.face = m_face; }
    void SetFont(int, const LayoutFont& font) override { m_face = font.face; }
    std::string m_face = "Arial";
};

void Register(CLayoutFile& layout, CLegendSettings& legend)
{
    layout.AddLegend(1, &legend);
    layout.AddTitle(2);
    layout.AddText(3);
    layout.AddText(4);
    layout.AddAnnotation(5, 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    NullChart chart;
    CLegendSettings legend(60, 1);
    legend.m_strFace = "Arial";
    CLayoutFile layout(nullptr, &chart);
    Register(layout, legend);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    layout.ReadFrom(in);
    layout.ApplyAll();

    std::ostringstream out;
    layout.WriteTo(out);
    CLegendSettings legend2(60, 1);
    CLayoutFile again(nullptr, &chart);
    Register(again, legend2);
    std::istringstream back(out.str());
    if (again.ReadFrom(back) != 1)
        std::abort(); // what was written must read back
    return 0;
}
