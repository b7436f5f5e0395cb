// The pie chart and slice dialogs: driven offscreen on a copy, OK writing back, Cancel leaving the
// pie as it was, and what each field accepts.
#include "Pie.h"
#include "ShapeScene.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"

#include <cstring>
#include <string>
#include <vector>

namespace plotkit::test
{
namespace
{

class PieDialogTest : public ShapePageTest
{
protected:
    void TearDown() override
    {
        if (block)
            GlobalFree(block);
        ShapePageTest::TearDown();
    }

    // Two slices (1 and 3), the second labelled "Air" and exploded by 0.25.
    GrDesc* PieGraph()
    {
        const float values[2] = {1, 3};
        block = GlobalAlloc(GMEM_MOVEABLE, sizeof values);
        std::memcpy(GlobalLock(block), values, sizeof values);
        GlobalUnlock(block);
        GrDesc* g = PaintedGraph(
            [this](GrDesc* g, HWND)
            {
                const COLORREF fills[2] = {RGB(255, 0, 0), RGB(0, 0, 255)};
                const float explode[2] = {0, 0.25f};
                WGSetPlotArea(g, g->buildDc, 0.1f, 0.1f, 0.9f, 0.9f, 19);
                number = WGPieChart(g, g->buildDc, block, 2, 0, 1, 1, 0.5f, 0.5f, 0.5f, fills, nullptr,
                                    nullptr, explode);
            },
            "piedialog");
        WGChangeString(g, number, "Air", 1);
        return g;
    }

    PieDesc* Pie(GrDesc* g) { return reinterpret_cast<PieDesc*>(ObjectAt(g, number)); }

    // The pie's record and slices as bytes, to show that nothing changed.
    std::string Snapshot(GrDesc* g)
    {
        PieDesc* pie = Pie(g);
        std::string bytes(reinterpret_cast<const char*>(pie), sizeof *pie);
        bytes.append(reinterpret_cast<const char*>(pie->slices), sizeof(SliceDesc) * pie->count);
        return bytes;
    }

    int Open(GrDesc* g)
    {
        ObjectEditRequest request{g, &Pie(g)->head};
        return static_cast<int>(DialogBoxParam(Module(), "PIECHART", nullptr, PieChartDlgProc,
                                               reinterpret_cast<LPARAM>(&request)));
    }

    HGLOBAL block = nullptr;
    int number = 0;
};

TEST_F(PieDialogTest, CancelLeavesThePieAsItWasEvenAfterASliceWasChanged)
{
    GrDesc* g = PieGraph();
    ASSERT_NE(number, 0);
    const std::string before = Snapshot(g);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Pie Chart")
        .Drive(
            [](kel::testkit::DialogDriver& d)
            {
                EXPECT_EQ(d.GetText(IDC_PIE_CENTRE_X), "50.0");
                EXPECT_EQ(d.GetText(IDC_PIE_DIAMETER), "50.0");
                const HWND list = d.Item(IDC_PIE_SLICES);
                ASSERT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 2);
                char text[64] = {};
                SendMessage(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, "Slice # 1");
                SendMessage(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
                EXPECT_STREQ(text, "Air");
                d.SetText(IDC_PIE_CENTRE_X, "20");
                d.Select(IDC_PIE_SLICES, 1);
                d.Click(IDC_PIE_DETAILS);
                d.Click(IDCANCEL);
            });
    prompts.Expect("Slice").Drive(
        [](kel::testkit::DialogDriver& d)
        {
            d.SetText(IDC_SLICE_VALUE, "7");
            d.Click(IDOK);
        });
    EXPECT_EQ(Open(g), 2);
    EXPECT_EQ(Snapshot(g), before);
}

TEST_F(PieDialogTest, OkWritesTheCopyBackAndPlacesThePieAgain)
{
    GrDesc* g = PieGraph();
    ASSERT_NE(number, 0);
    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Pie Chart")
        .Drive(
            [](kel::testkit::DialogDriver& d)
            {
                if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                    kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                          std::string(keep) + "/plotkit_pie_dialog.png");
                d.SetText(IDC_PIE_CENTRE_X, "30");
                d.SetText(IDC_PIE_CENTRE_Y, "40");
                d.SetText(IDC_PIE_DIAMETER, "60");
                d.Select(IDC_PIE_SLICES, 0);
                d.Click(IDC_PIE_DETAILS);
                d.Click(IDOK);
            });
    prompts.Expect("Slice").Drive(
        [](kel::testkit::DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDC_SLICE_VALUE), "1.00000");
            EXPECT_EQ(d.GetText(IDC_SLICE_EXPLOSION), "0.00");
            EXPECT_EQ(d.GetText(IDC_SLICE_RED_VALUE), "255");
            if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
                kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                                      std::string(keep) + "/plotkit_pie_slice_dialog.png");
            d.SetText(IDC_SLICE_VALUE, "3");
            d.SetText(IDC_SLICE_EXPLOSION, "0.2");
            d.SetText(IDC_SLICE_LABEL, "Water");
            d.Select(IDC_SLICE_HATCH, 5); // cross
            SendMessage(d.Dialog(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0),
                        reinterpret_cast<LPARAM>(d.Item(IDC_SLICE_RED)));
            SendMessage(d.Dialog(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 160),
                        reinterpret_cast<LPARAM>(d.Item(IDC_SLICE_GREEN)));
            EXPECT_EQ(d.GetText(IDC_SLICE_GREEN_VALUE), "160");
            d.Click(IDOK);
        });
    EXPECT_EQ(Open(g), 1);
    PieDesc* pie = Pie(g);
    EXPECT_FLOAT_EQ(pie->centreX, 0.3f);
    EXPECT_FLOAT_EQ(pie->centreY, 0.4f);
    EXPECT_FLOAT_EQ(pie->diameter, 0.6f);
    EXPECT_EQ(pie->selected, 0);
    EXPECT_EQ(pie->head.extent.left, static_cast<LONG>((0.3f - 0.3f) * g->logWidth));
    EXPECT_EQ(pie->head.extent.bottom, static_cast<LONG>((0.4f + 0.3f) * g->logHeight));
    const SliceDesc& s = pie->slices[0];
    EXPECT_FLOAT_EQ(s.value, 3);
    EXPECT_EQ(s.exploded, 1);
    EXPECT_FLOAT_EQ(s.explosion, 0.2f);
    EXPECT_STREQ(s.label, "Water");
    EXPECT_EQ(s.hatch, 4);
    EXPECT_EQ(s.fill, RGB(0, 160, 0));
    EXPECT_EQ(s.border.color, RGB(0, 160, 0)) << "without its own border the border follows the fill";
    EXPECT_STREQ(pie->slices[1].label, "Air") << "the other slice is untouched";
    Paint(g);
    Shot("plotkit_pie_after_dialog");
}

// What a field of the slice dialog makes of a typed text, starting from value 1, explosion 0.25,
// label "Air", solid, red.
TEST_F(PieDialogTest, SliceFieldsTakeWhatTheyAccept)
{
    struct Case
    {
        int id;
        std::string typed;
        float value, explosion;
        int exploded;
        std::string label;
    };
    const Case cases[] = {
        {IDC_SLICE_EXPLOSION, "2.5", 1, 1.0f, 1, "Air"},              // capped at 1
        {IDC_SLICE_EXPLOSION, "0", 1, 0, 0, "Air"},                   // not exploded
        {IDC_SLICE_EXPLOSION, "-1", 1, 0, 0, "Air"},                  // not exploded
        {IDC_SLICE_EXPLOSION, "abc", 1, 0.25f, 1, "Air"},             // no number: unchanged
        {IDC_SLICE_EXPLOSION, "0.123456789", 1, 0.123456f, 1, "Air"}, // the first 8 characters
        {IDC_SLICE_VALUE, "12345678901", 12345678, 0.25f, 1, "Air"},
        {IDC_SLICE_VALUE, "1e3", 1000, 0.25f, 1, "Air"},
        {IDC_SLICE_VALUE, "", 1, 0.25f, 1, "Air"},
        {IDC_SLICE_VALUE, "5 kg", 1, 0.25f, 1, "Air"},
        {IDC_SLICE_LABEL, std::string(50, 'L'), 1, 0.25f, 1, std::string(40, 'L')},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        SliceDesc slice{};
        slice.value = 1;
        SetExplosion(slice, 0.25f);
        std::strcpy(slice.label, "Air");
        slice.hatch = 255;
        slice.fill = RGB(255, 0, 0);
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Slice").Drive(
            [&c](kel::testkit::DialogDriver& d)
            {
                d.SetText(c.id, c.typed);
                d.Click(IDOK);
            });
        EXPECT_EQ(
            DialogBoxParam(Module(), "PIESLICE", nullptr, PieSliceDlgProc, reinterpret_cast<LPARAM>(&slice)),
            1);
        EXPECT_FLOAT_EQ(slice.value, c.value);
        EXPECT_FLOAT_EQ(slice.explosion, c.explosion);
        EXPECT_EQ(slice.exploded, c.exploded);
        EXPECT_EQ(std::string(slice.label), c.label);
    }

    // Hatches: the first entry is solid, the others hatch styles 0-5; colour parts stay in 0-255.
    struct Pick
    {
        int hatchEntry;
        int scrollCode, thumb;
        BYTE hatch;
        int red;
    };
    const Pick picks[] = {
        {0, SB_THUMBPOSITION, 300, 255, 255},
        {1, SB_LINELEFT, 0, 0, 254},
        {6, SB_LEFT, 0, 5, 0},
        {3, SB_PAGELEFT, 0, 2, 239},
    };
    for (const Pick& p : picks)
    {
        SCOPED_TRACE(p.hatchEntry);
        SliceDesc slice{};
        slice.value = 1;
        slice.hatch = 1;
        slice.fill = RGB(255, 0, 0);
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Slice").Drive(
            [&p](kel::testkit::DialogDriver& d)
            {
                d.Select(IDC_SLICE_HATCH, p.hatchEntry);
                SendMessage(d.Dialog(), WM_HSCROLL, MAKEWPARAM(p.scrollCode, p.thumb),
                            reinterpret_cast<LPARAM>(d.Item(IDC_SLICE_RED)));
                d.Click(IDOK);
            });
        EXPECT_EQ(
            DialogBoxParam(Module(), "PIESLICE", nullptr, PieSliceDlgProc, reinterpret_cast<LPARAM>(&slice)),
            1);
        EXPECT_EQ(slice.hatch, p.hatch);
        EXPECT_EQ(GetRValue(slice.fill), p.red);
    }
}

TEST_F(PieDialogTest, PieFieldsTakeWhatTheyAccept)
{
    GrDesc* g = PieGraph();
    ASSERT_NE(number, 0);
    struct Case
    {
        std::string typed;
        float centreX;
    };
    const Case cases[] = {{"12.5", 0.125f},   {"abc", 0.5f},   {"", 0.5f},
                          {"-10", -0.1f},     {"1000", 10.0f}, {"1000.1", 0.5f},
                          {"99999999", 0.5f}, {"-2000", 0.5f}}; // beyond 1000 %: refused
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        Pie(g)->centreX = 0.5f;
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Pie Chart")
            .Drive(
                [&c](kel::testkit::DialogDriver& d)
                {
                    d.SetText(IDC_PIE_CENTRE_X, c.typed);
                    d.Click(IDOK);
                });
        EXPECT_EQ(Open(g), 1);
        EXPECT_FLOAT_EQ(Pie(g)->centreX, c.centreX);
    }
}

} // namespace
} // namespace plotkit::test
