// Dynamic texts and message objects fed through their data sets: what is drawn incrementally must
// equal a full repaint, numbers take their own or a borrowed colour, messages follow the bit word.
#include "ScrollGraph.h"
#include "TrendkitFixture.h"
#include "testkit/Image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace trendkit::test
{
namespace
{

using kel::testkit::Image;

constexpr COLORREF kRed = RGB(0xFF, 0x00, 0x00);   // palette 12
constexpr COLORREF kBlue = RGB(0x00, 0x00, 0xFF);  // palette 9
constexpr COLORREF kGreen = RGB(0x00, 0xFF, 0x00); // palette 10

int Count(const Image& image, COLORREF colour, RECT r = {0, 0, 100000, 100000})
{
    int n = 0;
    for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, image.height); ++y)
        for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, image.width); ++x)
            if (image.Pixel(x, y) == colour)
                ++n;
    return n;
}

class TextsTest : public TrendkitTest
{
protected:
    // The object's rectangle in device pixels.
    static RECT DeviceRect(GrDesc* graph, WORD number)
    {
        RECT r = GetObjDesc(graph, number, nullptr)->extent;
        LPtoDP(graph->buildDc, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

DynTextDesc* Text(GrDesc* graph, WORD number)
{
    return reinterpret_cast<DynTextDesc*>(GetObjDesc(graph, number, nullptr));
}

TEST_F(TextsTest, DynTextRefusesBadArgumentsAndSizesItself)
{
    const int slot = DefineSet(3);
    const int single = DefineSet(1);
    {
        kel::testkit::ScriptedPrompts prompts;
        prompts.Expect("Bad data set handle - WRSetDynText").Reply(IDYES);
        prompts.Expect("Illegal parameter for  - WRSetDynText").Reply(IDYES);
        prompts.Expect("Bad object handle - WRSetDynText").Reply(IDYES);
        RangedGraph(
            [&](GrDesc* g)
            {
                EXPECT_EQ(WRSetDynText(g, 77, 0, 0, 0, 0, 0, -1, 0, nullptr, 15, 0, 4, 1, 0, 0), 0);
                EXPECT_EQ(WRSetDynText(g, slot, 3, 0, 0, 0, 0, -1, 0, nullptr, 15, 0, 4, 1, 0, 0), 0);
                EXPECT_EQ(WRSetDynText(g, slot, 0, 0, 0, 0, 0, -1, 0, nullptr, 15, 0, 4, 1, 9, 0), 0);
                EXPECT_EQ(g->cursor, 2) << "nothing added";
            });
    }
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 0);
    EXPECT_TRUE(exits.empty());

    WORD narrow = 0, wide = 0, one = 0, column = 0, row = 0;
    GrDesc* graph = RangedGraph(
        [&](GrDesc* g)
        {
            narrow = WRSetDynText(g, slot, 0, 0.1f, 0.1f, 0, 0, 0, 1, nullptr, 15, 0, 2, 1, 0, 0);
            wide = WRSetDynText(g, slot, 0, 0.1f, 0.3f, 0, 0, 0, 1, nullptr, 15, 0, 5, 1, 0, 0);
            one = WRSetDynText(g, single, 2, 0.1f, 0.5f, 0, 0, 0, 1, nullptr, 15, 1, 4, 1, 0, 0);
            column = WRSetDynText(g, slot, -1, 0.5f, 0.1f, 0, 0, 0, 1, nullptr, 15, 0, 4, 1, 0, 0);
            row = WRSetDynText(g, slot, -1, 0.5f, 0.6f, 0, 0, 0, 1, nullptr, 15, 1, 4, 1, 0, 0);
        });
    ASSERT_TRUE(narrow && wide && one && column && row);
    EXPECT_EQ(Text(graph, one)->shown, 0) << "a one-value set shows its value whatever was asked";
    // Digits 5 measure "-.0000", digits 2 "-.0".
    SIZE five{}, two{};
    HFONT font = ConfigureText(graph, graph->buildDc, &Text(graph, wide)->font, 0);
    GetTextExtentPoint32A(graph->buildDc, "-.0000", 6, &five);
    GetTextExtentPoint32A(graph->buildDc, "-.0", 3, &two);
    DeleteObject(SelectObject(graph->buildDc, GetStockObject(SYSTEM_FONT)));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(Text(graph, wide)->widest, five.cx);
    EXPECT_EQ(Text(graph, narrow)->widest, two.cx);
    const RECT c = Text(graph, column)->rt.head.extent, r = Text(graph, row)->rt.head.extent;
    EXPECT_GT(c.bottom - c.top, 3 * Text(graph, column)->textHeight) << "three rows";
    EXPECT_GT(r.right - r.left, 3 * Text(graph, row)->widest) << "three cells across";
    EXPECT_EQ(graph->realTimeCount, 5);
    EXPECT_EQ(GetDynDataSet(slot)->useCount, 4);
}

TEST_F(TextsTest, DynTextFollowsItsSetLikeARepaint)
{
    const int slot = DefineSet(3);
    const int colours[] = {12, 9, 10};
    WORD column = 0, single = 0, row = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            column = WRSetDynText(g, slot, -1, 0.12f, 0.12f, 0, 0, 0, 1, colours, 15, 0, 6, 2, 0, 0);
            single = WRSetDynText(g, slot, 1, 0.5f, 0.12f, 0, 0, 0, 1, colours, 7, 1, 6, 1, 0, 2);
            row = WRSetDynText(g, slot, -1, 0.12f, 0.6f, 0, 0, 0, 1, colours, 15, 1, 6, 0, 0, 5);
        });
    ASSERT_TRUE(column && single && row);
    const float values[][3] = {{1.5f, -20.25f, 300}, {1.5f, 7, 8888.5f}, {-0.75f, 7, 1}};
    int stage = 0;
    for (const auto& v : values)
    {
        WRUpdateData(slot, v, graph);
        const Image shown = ExpectLikeRepaint(graph, "dyntext_" + std::to_string(stage++));
        const RECT box = DeviceRect(graph, column);
        EXPECT_GT(Count(shown, kRed, box), 0);
        EXPECT_GT(Count(shown, kBlue, box), 0);
        EXPECT_GT(Count(shown, kGreen, box), 0);
        EXPECT_GT(Count(shown, kRed, DeviceRect(graph, single)), 0) << "value 1 takes the first colour entry";
        EXPECT_EQ(Count(shown, kBlue, DeviceRect(graph, single)), 0);
    }
    EXPECT_EQ(Text(graph, single)->align, static_cast<UINT>(TA_CENTER | TA_BASELINE));

    // While flashing the numbers take the background colour.
    Text(graph, column)->rt.head.flash = 1;
    const Image flashing = Repainted(graph);
    EXPECT_EQ(Count(flashing, kRed, DeviceRect(graph, column)), 0);
    Text(graph, column)->rt.head.flash = 0;
}

TEST_F(TextsTest, TransparentTextIsRepaintedAndBorrowedColoursFollowTheTrace)
{
    const int slot = DefineSet(2);
    const int pens[] = {12, 10};
    const int noColours[] = {-1};
    WORD scroll = 0, text = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            scroll = WRSetScrollGraph(g, slot, 2, 0.5f, 1, 0, nullptr, nullptr, pens);
            text = WRSetDynText(g, slot, -1, 0.7f, 0.15f, 0, 0, 0, 1, noColours, -1, 0, 5, 1, scroll, 0);
        });
    ASSERT_TRUE(scroll && text);
    const float v[] = {12.5f, 80};
    WRUpdateData(slot, v, graph);
    RECT pending{};
    EXPECT_TRUE(GetUpdateRect(graph->window, &pending, FALSE)) << "a transparent box is invalidated";
    const Image shown = ExpectLikeRepaint(graph, "dyntext_transparent");
    const RECT box = DeviceRect(graph, text);
    EXPECT_GT(Count(shown, kRed, box), 0);
    EXPECT_GT(Count(shown, kGreen, box), 0);
    // The same value again changes nothing and invalidates nothing.
    WRUpdateData(slot, v, graph);
    WRUpdateData(slot, v, graph);
    UpdateWindow(graph->window);
    WRUpdateData(slot, v, graph);
    EXPECT_FALSE(GetUpdateRect(graph->window, &pending, FALSE));
}

MessageDesc* Message(GrDesc* graph, WORD number)
{
    return reinterpret_cast<MessageDesc*>(GetObjDesc(graph, number, nullptr));
}

// Rows of 42 characters as the host passes them.
std::vector<char> Rows(std::initializer_list<const char*> texts)
{
    std::vector<char> rows(texts.size() * (RT_MESSAGE_MAX + 1), '\0');
    size_t k = 0;
    for (const char* t : texts)
        std::memcpy(&rows[k++ * (RT_MESSAGE_MAX + 1)], t,
                    std::min<size_t>(std::strlen(t), RT_MESSAGE_MAX + 1));
    return rows;
}

TEST_F(TextsTest, MessageFollowsTheLowestBitOfItsWindow)
{
    const int slot = DefineSet(1);
    std::vector<char> rows = Rows({"Pumping", "Venting", "Baking", "Scanning"});
    const int colours[] = {12, 9, 10, 0};
    WORD number = 0, clear = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            number = WRSetMessage(g, slot, 3, 0.2f, 0.2f, 0, 1, 15, 4, rows.data(), colours);
            clear = WRSetMessage(g, slot, 3, 0.2f, 0.5f, 0, 1, -1, 4, rows.data(), colours);
        });
    ASSERT_TRUE(number && clear);
    MessageDesc* m = Message(graph, number);
    EXPECT_EQ(m->current, -1);
    struct Case
    {
        WORD bits;
        int shown;
        COLORREF colour;
    };
    const Case cases[] = {
        {1u << 3, 0, kRed},   {(1u << 4) | (1u << 6), 1, kBlue}, // the lowest set bit of the window wins
        {1u << 2, 1, kBlue}, // bits outside the window leave the last text
        {1u << 5, 2, kGreen}, {0, 2, kGreen},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.bits);
        WRUpdateBinaryData(slot, c.bits, graph);
        const Image shown = ExpectLikeRepaint(graph, "message_" + std::to_string(c.bits));
        EXPECT_EQ(m->current, c.shown);
        EXPECT_EQ(Message(graph, clear)->current, c.shown);
        EXPECT_GT(Count(shown, c.colour, DeviceRect(graph, number)), 0);
        EXPECT_GT(Count(shown, c.colour, DeviceRect(graph, clear)), 0);
    }
}

TEST_F(TextsTest, MessageTextsAreKeptWithinTheirFieldAndTheBoxOnlyGrows)
{
    const int slot = DefineSet(1);
    std::vector<char> rows(12 * (RT_MESSAGE_MAX + 1), 'x'); // no terminators at all
    const std::vector<char> before = rows;
    WORD number = 0;
    GrDesc* graph =
        WhiteGraph([&](GrDesc* g)
                   { number = WRSetMessage(g, slot, 14, 0.1f, 0.1f, 0, 1, 15, 12, rows.data(), nullptr); });
    ASSERT_NE(number, 0);
    MessageDesc* m = Message(graph, number);
    EXPECT_EQ(m->count, 8);
    EXPECT_EQ(rows, before) << "the caller's rows are not cut";
    EXPECT_EQ(std::strlen(m->messages[7].text), static_cast<size_t>(RT_MESSAGE_MAX));
    EXPECT_EQ(m->messages[0].color, 0);
    // Bits above 15 never arrive through the 16-bit word: only messages 0 and 1 can be chosen.
    WRUpdateBinaryData(slot, 0xFFFF, graph);
    EXPECT_EQ(m->current, 0);

    char* text = nullptr;
    int colour = -1;
    const RECT wide = m->rt.head.extent;
    EXPECT_EQ(WRChangeMessage(graph, number, "ok", 9, 0), 1);
    EXPECT_EQ(WRGetMessageParams(graph, number, &text, &colour, 0), 1);
    EXPECT_STREQ(text, "ok");
    EXPECT_EQ(colour, 9);
    EXPECT_EQ(m->rt.head.extent.right, wide.right) << "a shorter text leaves the box";
    std::vector<char> small = Rows({"a"});
    WORD narrow = 0;
    GrDesc* other =
        WhiteGraph([&](GrDesc* g)
                   { narrow = WRSetMessage(g, slot, 0, 0.1f, 0.1f, 0, 1, 15, 1, small.data(), nullptr); });
    const RECT before2 = Message(other, narrow)->rt.head.extent;
    EXPECT_EQ(WRChangeMessage(other, narrow, "A much longer text than before", 12, 0), 1);
    EXPECT_GT(Message(other, narrow)->rt.head.extent.right, before2.right);
    ExpectLikeRepaint(other, "message_grown");

    kel::testkit::ScriptedPrompts prompts;
    prompts.Expect("Illegal parameter for  - WRGetMessage").Reply(IDYES);
    prompts.Expect("Bad object handle - WRGetMessage").Reply(IDYES);
    prompts.Expect("Bad data set handle - WRSetMessage").Reply(IDYES);
    EXPECT_EQ(WRGetMessageParams(graph, number, &text, &colour, 8), 0);
    EXPECT_EQ(WRChangeMessage(graph, 40, "x", 1, 0), 0);
    RangedGraph([&](GrDesc* g)
                { EXPECT_EQ(WRSetMessage(g, 150, 0, 0, 0, -1, 0, -1, 1, small.data(), nullptr), 0); });
    EXPECT_TRUE(exits.empty());
}

// The charting library's font accessors reach a real-time text's own font block, past the
// real-time head, and leave the rest of the record alone.
TEST_F(TextsTest, FontAccessorsReachTheFontOfRealTimeTexts)
{
    const int slot = DefineSet(1);
    std::vector<char> rows = Rows({"Pumping", "Venting"});
    WORD message = 0, alarm = 0;
    GrDesc* graph = WhiteGraph(
        [&](GrDesc* g)
        {
            WGSetTextByName(0, "Arial", 12, 0);
            message = WRSetMessage(g, slot, 0, 0.2f, 0.2f, 0, 1, 15, 2, rows.data(), nullptr);
            alarm = WRSetAlarmText(g, slot, 0, 0.2f, 0.5f, 0.6f, 0.0f, 0, 1, 15, "NORMAL", nullptr, 6, 0);
        });
    ASSERT_TRUE(message && alarm);
    for (WORD number : {message, alarm})
    {
        SCOPED_TRACE(number);
        auto* rt = reinterpret_cast<RtObjDesc*>(GetObjDesc(graph, number, nullptr));
        const RtUpdateProc update = rt->update;
        DynDataSetDesc* const set = rt->dataSet;
        EXPECT_EQ(WGGetFontSize(graph, number), 12);
        EXPECT_STREQ(WGGetFontName(graph, number), "Arial");
        ASSERT_TRUE(WGChangeFont(graph, number, "Arial", 7, 0, 700, 0, 1));
        EXPECT_EQ(WGGetFontSize(graph, number), 7);
        EXPECT_EQ(WGGetFontWeight(graph, number), 700);
        EXPECT_EQ(WGGetFontUnder(graph, number), 1);
        EXPECT_EQ(rt->update, update);
        EXPECT_EQ(rt->dataSet, set);
    }
    const float value = 1.0f;
    WRUpdateData(slot, &value, graph); // runs the objects' update routines
}

} // namespace
} // namespace trendkit::test
