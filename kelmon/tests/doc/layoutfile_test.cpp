// The graph-layout file: what a layout object writes, what it reads back onto its items, and the
// files it refuses.
#include "displays/LayoutFile.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

using kel::testkit::ScriptedPrompts;
using kel::testkit::TempDir;

namespace
{

// A graph whose objects are records: what the items read and what Apply gives them.
class FakeChart : public CLayoutChart
{
public:
    struct Object
    {
        BOOL visible = 1;
        float x1 = 0.1f, y1 = 0.2f, x2 = -3.0f, y2 = 7.0f; // a text reports no far corner
        LayoutFont font{"Arial", 0, 10, 400, 11, 0, 0};
    };
    BOOL IsObjectVisible(int o) override { return objects[o].visible; }
    void ShowObject(int o, BOOL v) override { objects[o].visible = v; }
    void GetObjectCoordNorm(int o, float& x1, float& y1, float& x2, float& y2) override
    {
        x1 = objects[o].x1, y1 = objects[o].y1, x2 = objects[o].x2, y2 = objects[o].y2;
    }
    void SetObjectCoordNorm(int o, float x1, float y1, float, float) override
    {
        objects[o].x1 = x1, objects[o].y1 = y1;
    }
    void GetFont(int o, LayoutFont& f) override { f = objects[o].font; }
    void SetFont(int o, const LayoutFont& f) override { objects[o].font = f; }
    std::map<int, Object> objects;
};

std::string Written(CLayoutFile& layout)
{
    std::ostringstream out;
    EXPECT_EQ(layout.WriteTo(out), 1);
    return out.str();
}

TEST(LayoutFile, WritesTheHeaderAndOneLinePerItemWithAnObject)
{
    FakeChart chart;
    chart.objects[3].font.face = "Times New Roman";
    chart.objects[3].x1 = 1.0f / 3.0f;
    chart.objects[3].y1 = 0.05f;
    chart.objects[4].visible = 0;
    CLayoutFile layout(nullptr, &chart);
    layout.AddTitle(3);
    layout.AddText(0); // no object: no line
    layout.AddText(4);
    EXPECT_EQ(Written(layout),
              "#VarloLayout_File\r\n#Version 1\r\n"
              "Title Visible= 1 x1= 0.333333 y1= 0.05 x2= 0 y2= 1 FontName= \"Times New Roman\" "
              "FontOrientation= 0 FontSize= 10 FontWeight= 400 TextColor= 11 Underlined= 0 Italic= 0 \r\n"
              "Text2 Visible= 0 x1= 0.1 y1= 0.2 x2= 0 y2= 1 FontName= \"Arial\" "
              "FontOrientation= 0 FontSize= 10 FontWeight= 400 TextColor= 11 Underlined= 0 Italic= 0 \r\n");
}

TEST(LayoutFile, ItemsOfOneKindGetNamesOfTheirOwnAndReadBackTheirOwnLines)
{
    FakeChart chart;
    chart.objects[5].font.size = 12;
    chart.objects[6].font.size = 14;
    chart.objects[6].font.face = "Courier New";
    chart.objects[6].x1 = 0.75f;
    CLayoutFile layout(nullptr, &chart);
    layout.AddText(5);
    layout.AddText(6);
    layout.AddAnnotation(7, 2);
    std::string name;
    ASSERT_TRUE(layout.GetItemName(1, name));
    EXPECT_EQ(name, "Text2");
    ASSERT_TRUE(layout.GetItemName(2, name));
    EXPECT_EQ(name, "Annotation2");
    EXPECT_FALSE(layout.GetItemName(3, name));
    const std::string text = Written(layout);

    FakeChart other;
    CLayoutFile back(nullptr, &other);
    back.AddText(5);
    back.AddText(6);
    back.AddAnnotation(7, 2);
    std::istringstream in(text);
    EXPECT_EQ(back.ReadFrom(in), 1);
    back.ApplyAll();
    EXPECT_EQ(other.objects[5].font.size, 12);
    EXPECT_EQ(other.objects[6].font.size, 14);
    EXPECT_EQ(other.objects[6].font.face, "Courier New");
    EXPECT_FLOAT_EQ(other.objects[6].x1, 0.75f);
}

TEST(LayoutFile, RefusesWhatIsNotALayoutFileOfAKnownVersion)
{
    struct Case
    {
        const char* text;
        int result;
    } cases[] = {
        {"#VarloLayout_File\n#Version 2\n", 1},   {"#VarloLayout_File\r\n#Version 1\r\n", 1},
        {"#VarloLayout_File\n#Version 1.5\n", 3}, {"#VarloLayout_File\n#Version 3\n", 3},
        {"#VarloLayout_FileX\n#Version 1\n", 2},  {"", 2},
        {"#VarloLayout_File\n#Version", 3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        CLayoutFile layout(nullptr);
        std::istringstream in(c.text);
        EXPECT_EQ(layout.ReadFrom(in), c.result);
    }
    // A version 2 file read, the next write still says version 1.
    CLayoutFile layout(nullptr);
    std::istringstream v2("#VarloLayout_File\n#Version 2\n");
    ASSERT_EQ(layout.ReadFrom(v2), 1);
    EXPECT_EQ(Written(layout), "#VarloLayout_File\r\n#Version 1\r\n");
}

TEST(LayoutFile, ALineWithABadBoxKeepsItsFontAndABrokenFaceKeepsTheOldFont)
{
    FakeChart chart;
    CLayoutFile layout(nullptr, &chart);
    layout.AddTitle(2);
    layout.SetItemVisible(0, TRUE);
    EXPECT_TRUE(chart.objects[2].visible);
    std::istringstream in(
        "#VarloLayout_File\n#Version 1\n"
        "Unknown tokens are skipped\n"
        "Title Visible= 0 x1= 1.5 y1= 0 x2= 0 y2= 0 FontName= \"Courier\" FontOrientation= 0 "
        "FontSize= 9 FontWeight= 700 TextColor= 3 Underlined= 1 Italic= 1 \n");
    EXPECT_EQ(layout.ReadFrom(in), 1);
    auto* title = static_cast<CTextLayoutItem*>(layout.GetItem(0));
    EXPECT_EQ(title->GetFont().face, "Courier");
    EXPECT_EQ(title->GetFont().weight, 700);
    EXPECT_TRUE(title->IsVisible()); // the box was refused with it
    EXPECT_FLOAT_EQ(title->GetX1(), 0.0f);

    std::istringstream open("#VarloLayout_File\n#Version 1\n"
                            "Title Visible= 1 x1= 0.5 y1= 0.5 x2= 0 y2= 0 FontName= \"Arial FontSize= 8\n");
    EXPECT_EQ(layout.ReadFrom(open), 1);
    EXPECT_EQ(title->GetFont().face, "Courier");
    EXPECT_FLOAT_EQ(title->GetX1(), 0.5f);
}

TEST(LayoutFile, ReadQuotedStringKeepsBlanksInsideTheQuotesOnly)
{
    struct Case
    {
        const char* in;
        int max;
        int ok;
        const char* text;
    } cases[] = {
        {" \"Times New Roman\" rest", 300, 1, "Times New Roman"},
        {"\"\"", 300, 1, ""},
        {" \"Arial", 300, 0, "Arial"},
        {"\"abcdef\"", 4, 0, "abcd"},
    };
    for (const Case& c : cases)
    {
        std::istringstream in(c.in);
        std::string text;
        EXPECT_EQ(ReadQuotedString(in, text, c.max), c.ok) << c.in;
        EXPECT_EQ(text, c.text) << c.in;
    }
}

TEST(LayoutFile, TheLegendLineGoesThroughTheLegendSettings)
{
    FakeChart chart;
    CLegendSettings settings(60, 9);
    settings.m_x1 = 0.5f, settings.m_y1 = 0.25f, settings.m_x2 = 0.75f, settings.m_y2 = 0.5f;
    settings.m_bVisible = 1;
    settings.m_nAutoPlacement = 1;
    settings.m_strFace = "Arial";
    settings.m_nFontSize = 8;
    settings.m_nWeight = 400;
    settings.m_nAreaColor = 7;
    settings.m_bBorder = 1;
    settings.m_nBorderWidth = 2;
    chart.objects[9] = {1, 0.5f, 0.25f, 0.75f, 0.5f, {}};
    CLayoutFile layout(nullptr, &chart);
    layout.AddLegend(9, &settings);
    const std::string text = Written(layout);
    EXPECT_NE(
        text.find("Legend Visible= 1 x1= 0.5 y1= 0.25 x2= 0.75 y2= 0.5  Type= 1 Placement= 1 Orientation= 0 "
                  "FontName= \"Arial\" FontSize= 8 FontWeight= 400 Underlined= 0 Italic= 0 BackgndColor= 7 "
                  "Border= 1 BorderColor= 0 BorderStyle= 0 BorderWidth= 2 \r\n"),
        std::string::npos)
        << text;

    CLegendSettings back(60, 9);
    CLayoutFile reader(nullptr, &chart);
    reader.AddLegend(9, &back);
    std::istringstream in(text);
    EXPECT_EQ(reader.ReadFrom(in), 1);
    EXPECT_FLOAT_EQ(back.m_x2, 0.75f);
    EXPECT_EQ(back.m_strFace, "Arial");
    EXPECT_EQ(back.m_nAreaColor, 7);
    EXPECT_EQ(back.m_nBorderWidth, 2);
    EXPECT_EQ(back.m_bPending, 1);

    // An empty face name: the box and visibility are taken, nothing else.
    CLegendSettings empty(60, 9);
    CLayoutFile third(nullptr, &chart);
    third.AddLegend(9, &empty);
    std::istringstream noFace(
        "#VarloLayout_File\n#Version 1\nLegend Visible= 1 x1= 0.1 y1= 0.1 x2= 0.2 y2= 0.2  "
        "Type= 0 Placement= 0 Orientation= 0 FontName= \"\" FontSize= 8 FontWeight= 400 "
        "Underlined= 0 Italic= 0 BackgndColor= 7 Border= 1 BorderColor= 0 BorderStyle= 0 "
        "BorderWidth= 2 \n");
    EXPECT_EQ(third.ReadFrom(noFace), 1);
    EXPECT_FLOAT_EQ(empty.m_x2, 0.2f);
    EXPECT_EQ(empty.m_bVisible, 1);
    EXPECT_EQ(empty.m_nAreaColor, 0);
    EXPECT_EQ(empty.m_bBorder, 0);
}

TEST(LayoutFile, FilesThatCannotBeOpenedOrReadAreReported)
{
    TempDir dir("layout-");
    FakeChart chart;
    chart.objects[1].font.face = "Arial";
    CLayoutFile layout(nullptr, &chart);
    layout.AddTitle(1);
    const auto path = dir / "graph.lay";
    ASSERT_EQ(layout.Write(path.c_str()), 1);
    EXPECT_EQ(layout.Read(path.c_str()), 1);
    {
        ScriptedPrompts prompts;
        prompts.Expect("Failed to open file").Reply(IDOK);
        EXPECT_EQ(layout.Read((dir / "none.lay").c_str()), 0);
    }
    {
        ScriptedPrompts prompts;
        prompts.Expect("Failed to create file").Reply(IDOK);
        EXPECT_EQ(layout.Write((dir / "no/such/dir.lay").c_str()), 0);
    }
    std::ofstream(dir / "bad.lay") << "#VarloLayout_File\n#Version 3\n";
    {
        ScriptedPrompts prompts;
        prompts.Expect("Unknown version of Layout File, check Help").Reply(IDOK);
        EXPECT_EQ(layout.Read((dir / "bad.lay").c_str()), 0);
    }
    std::ofstream(dir / "foreign.lay") << "hello\n";
    {
        ScriptedPrompts prompts;
        prompts.Expect("is not in Layout format!").Reply(IDOK);
        EXPECT_EQ(layout.Read((dir / "foreign.lay").c_str()), 0);
    }
}

} // namespace
