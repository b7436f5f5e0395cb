// Edit dialogs of the boxed text objects driven offscreen: dynamic text, alarm text and message.
// Each opens on a copy; OK writes it back, Cancel leaves the record as it was.
#include "TrendkitFixture.h"
#include "res/resource.h"

#include "testkit/DialogDriver.h"
#include "testkit/Image.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace trendkit::test
{
namespace
{

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

std::vector<BYTE> Bytes(const void* record, size_t size)
{
    const auto* p = static_cast<const BYTE*>(record);
    return std::vector<BYTE>(p, p + size);
}

void Screenshot(DialogDriver& d, const char* name)
{
    if (const char* keep = std::getenv("KEL_KEEP_SCREENSHOTS"))
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()), std::string(keep) + "/trendkit_" + name + ".png");
}

struct Box
{
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

class TextDialogsTest : public TrendkitTest
{
protected:
    int slot = 0;
    WORD dynText = 0, alarmText = 0, message = 0;
    GrDesc* graph = nullptr;

    void SetUp() override
    {
        TrendkitTest::SetUp();
        slot = DefineSet(2, 0, "pressure");
        WRSetAlarm(slot, RT_ALARM_HIGH, 10, "High");
        char texts[4 * 42] = {};
        std::strcpy(texts, "Pump on");
        std::strcpy(texts + 42, "Valve open");
        std::strcpy(texts + 84, "");
        std::strcpy(texts + 126, "Vented");
        const int colours[4] = {2, 4, 0, 12};
        graph = RangedGraph(
            [&](GrDesc* g)
            {
                dynText = WRSetDynText(g, slot, 0, 0.1f, 0.1f, 0.4f, 0.2f, 0, 1, nullptr, 15, 0, 4, 1, 0, 0);
                alarmText = WRSetAlarmText(g, slot, 0, 0.1f, 0.3f, 0.5f, 0.4f, -1, 0, 7, nullptr, nullptr, 0, 0);
                message = WRSetMessage(g, slot, 0, 0.1f, 0.6f, 0, 1, 15, 3, texts, colours);
            });
        ASSERT_NE(dynText, 0);
        ASSERT_NE(alarmText, 0);
        ASSERT_NE(message, 0);
    }

    template <class Record>
    Record* Object(WORD number)
    {
        return reinterpret_cast<Record*>(GetObjDesc(graph, number, nullptr));
    }
    Box Place(WORD number)
    {
        Box b;
        WGGetObjectCoordNorm(graph, number, &b.x1, &b.y1, &b.x2, &b.y2);
        return b;
    }

    int Edit(WORD number, const char* title, std::function<void(DialogDriver&)> drive,
             const char* innerTitle = nullptr, std::function<void(DialogDriver&)> inner = {})
    {
        WGSelObject(graph, number);
        ScriptedPrompts prompts;
        prompts.Expect(title).Drive(std::move(drive));
        if (inner)
            prompts.Expect(innerTitle).Drive(std::move(inner));
        return rtDefEditObject(graph);
    }
};

TEST_F(TextDialogsTest, DynamicTextOkWritesTheFieldsBack)
{
    const Box before = Place(dynText);
    const SHORT fontColor = Object<DynTextDesc>(dynText)->font.colorIndex;
    EXPECT_EQ(Edit(
                  dynText, "Dynamic Text",
                  [&](DialogDriver& d)
                  {
                      EXPECT_EQ(d.GetText(IDC_RT_BOX_LEFT), "10.0");
                      EXPECT_EQ(d.GetText(IDC_RT_BOX_TOP), "10.0");
                      EXPECT_EQ(d.GetText(IDC_RT_DYNTEXT_PRECISION), "1");
                      EXPECT_TRUE(d.IsChecked(IDC_RT_BOX_BORDER));
                      EXPECT_EQ(d.GetText(IDC_RT_BOX_BACKGROUND), "White");
                      d.SetText(IDC_RT_BOX_LEFT, "20");
                      d.SetText(IDC_RT_DYNTEXT_PRECISION, "3");
                      d.Select(IDC_RT_BOX_BACKGROUND, "Transparent");
                      d.Check(IDC_RT_BOX_BORDER, false);
                      EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_BOX_BORDER_ATTRIB)));
                      Screenshot(d, "dyntext");
                      d.Click(IDC_RT_BOX_TEXT);
                      d.Click(IDOK);
                  },
                  "Text",
                  [](DialogDriver& d)
                  {
                      // The value colours follow the alarm state: the font offers none.
                      EXPECT_FALSE(IsWindowEnabled(d.Item(1050)));
                      d.Click(IDOK);
                  }),
              1);
    DynTextDesc* t = Object<DynTextDesc>(dynText);
    EXPECT_EQ(t->decimals, 3);
    EXPECT_EQ(t->background, -1) << "Transparent stores -1";
    EXPECT_EQ(t->frame, 0);
    EXPECT_EQ(t->font.colorIndex, fontColor);
    EXPECT_LT(t->font.logFont.lfHeight, 0);
    const Box after = Place(dynText);
    EXPECT_NEAR(after.x1, 0.2f, 1e-3f);
    EXPECT_NEAR(after.x2 - after.x1, before.x2 - before.x1, 1e-3f) << "a new Left keeps the width";
    EXPECT_NEAR(after.y1, before.y1, 1e-3f);
}

TEST_F(TextDialogsTest, CancelLeavesEachObjectAsItWas)
{
    struct Case
    {
        WORD* number;
        const char* title;
        size_t size;
    } cases[] = {
        {&dynText, "Dynamic Text", sizeof(DynTextDesc)},
        {&alarmText, "Alarm Text", sizeof(DynTextDesc)},
        {&message, "Message Parameters", sizeof(MessageDesc)},
    };
    for (const Case& c : cases)
    {
        const std::vector<BYTE> before = Bytes(GetObjDesc(graph, *c.number, nullptr), c.size);
        const Box place = Place(*c.number);
        EXPECT_EQ(Edit(*c.number, c.title,
                       [](DialogDriver& d)
                       {
                           d.SetText(IDC_RT_BOX_LEFT, "50");
                           d.SetText(IDC_RT_BOX_TOP, "50");
                           d.Select(IDC_RT_BOX_BACKGROUND, 3);
                           d.Click(IDC_RT_BOX_BORDER);
                           d.Click(IDCANCEL);
                       }),
                  2)
            << c.title;
        EXPECT_TRUE(Bytes(GetObjDesc(graph, *c.number, nullptr), c.size) == before) << c.title;
        EXPECT_FLOAT_EQ(Place(*c.number).x1, place.x1) << c.title;
    }
}

TEST_F(TextDialogsTest, AlarmTextOkStoresTheStateColours)
{
    WRUpdateData(slot, std::vector<float>{50, 0}.data(), nullptr); // above High: the text shows the alarm
    EXPECT_EQ(Edit(alarmText, "Alarm Text",
                   [](DialogDriver& d)
                   {
                       EXPECT_EQ(d.GetText(IDC_RT_BOX_BACKGROUND), "Light Gray");
                       d.Select(IDC_RT_ALARMTEXT_COLOR, "Blue");      // normal
                       d.Select(IDC_RT_ALARMTEXT_COLOR + 7, "Yellow"); // fail
                       d.Select(IDC_RT_BOX_BACKGROUND, 0);
                       d.SetText(IDC_RT_BOX_HEIGHT, "25");
                       Screenshot(d, "alarmtext");
                       d.Click(IDOK);
                   }),
              1);
    DynTextDesc* t = Object<DynTextDesc>(alarmText);
    EXPECT_EQ(t->colors[0], 1);
    EXPECT_EQ(t->colors[7], 14);
    EXPECT_EQ(t->background, -1);
    const Box b = Place(alarmText);
    EXPECT_NEAR(b.y2 - b.y1, 0.25f, 1e-3f);
}

TEST_F(TextDialogsTest, MessageRowsAndPlace)
{
    const Box before = Place(message);
    MessageDesc* m = Object<MessageDesc>(message);
    const INT widest = m->widest;
    EXPECT_EQ(Edit(message, "Message Parameters",
                   [](DialogDriver& d)
                   {
                       EXPECT_EQ(d.GetText(IDC_RT_MESSAGE_TEXT), "Pump on");
                       EXPECT_EQ(d.GetText(IDC_RT_MESSAGE_COLOR), "Green");
                       EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_RT_MESSAGE_TEXT + 1)));
                       // An empty row and the rows beyond the count cannot be edited.
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_MESSAGE_TEXT + 2)));
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_MESSAGE_COLOR + 2)));
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_MESSAGE_TEXT + 3)));
                       EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_MESSAGE_COLOR + 5)));
                       d.SetText(IDC_RT_MESSAGE_TEXT, "Turbo pump running at speed");
                       d.Select(IDC_RT_MESSAGE_COLOR + 1, "Red");
                       d.SetText(IDC_RT_BOX_LEFT, "30");
                       Screenshot(d, "message");
                       d.Click(IDOK);
                   }),
              1);
    EXPECT_STREQ(m->messages[0].text, "Turbo pump runni") << "stored as its first 16 characters";
    EXPECT_EQ(m->messages[0].color, 2);
    EXPECT_STREQ(m->messages[1].text, "Valve open");
    EXPECT_EQ(m->messages[1].color, 4);
    EXPECT_EQ(m->widest, widest) << "the dialog does not measure the texts";
    const Box after = Place(message);
    EXPECT_NEAR(after.x1, 0.3f, 1e-3f);
    EXPECT_NEAR(after.x2 - after.x1, before.x2 - before.x1, 1e-3f);
    EXPECT_NEAR(after.y2 - after.y1, before.y2 - before.y1, 1e-3f);
}

TEST_F(TextDialogsTest, UntouchedLongMessageKeepsAllItsCharacters)
{
    MessageDesc* m = Object<MessageDesc>(message);
    ASSERT_EQ(WRChangeMessage(graph, message, "A message longer than sixteen", 3, 1), 1);
    Edit(message, "Message Parameters", [](DialogDriver& d) { d.Click(IDOK); });
    EXPECT_STREQ(m->messages[1].text, "A message longer than sixteen");
    EXPECT_EQ(m->messages[1].color, 3);
}

TEST_F(TextDialogsTest, FieldsReadAsTyped)
{
    struct Case
    {
        int id;
        const char* text;
        float x1, y1, width, height; // expected box after OK
        int decimals;                // expected precision
    } cases[] = {
        {IDC_RT_BOX_LEFT, "2,5", 0.025f, 0.1f, 0.3f, 0.1f, 1},
        {IDC_RT_BOX_LEFT, "-20", -0.2f, 0.1f, 0.3f, 0.1f, 1},   // outside the graph is accepted
        {IDC_RT_BOX_LEFT, " 5", 0, 0.1f, 0.3f, 0.1f, 1},        // a leading blank reads as 0
        {IDC_RT_BOX_LEFT, "", 0.1f, 0.1f, 0.3f, 0.1f, 1},       // empty keeps the place
        {IDC_RT_BOX_TOP, "150", 0.1f, 1.5f, 0.3f, 0.1f, 1},
        {IDC_RT_BOX_WIDTH, "55.5%", 0.1f, 0.1f, 0.555f, 0.1f, 1},
        {IDC_RT_BOX_HEIGHT, "1e60", 0.1f, 0.1f, 0.3f, 0.1f, 1}, // no finite number keeps it
        {IDC_RT_DYNTEXT_PRECISION, "4", 0.1f, 0.1f, 0.3f, 0.1f, 4},
        {IDC_RT_DYNTEXT_PRECISION, "x", 0.1f, 0.1f, 0.3f, 0.1f, 0},
    };
    for (const Case& c : cases)
    {
        WGChangeObjectCoordNorm(graph, dynText, 0.1f, 0.1f, 0.4f, 0.2f);
        Object<DynTextDesc>(dynText)->decimals = 1;
        Edit(dynText, "Dynamic Text",
             [&](DialogDriver& d)
             {
                 d.SetText(c.id, c.text);
                 d.Click(IDOK);
             });
        const Box b = Place(dynText);
        EXPECT_NEAR(b.x1, c.x1, 1e-3f) << c.text;
        EXPECT_NEAR(b.y1, c.y1, 1e-3f) << c.text;
        EXPECT_NEAR(b.x2 - b.x1, c.width, 1e-3f) << c.text;
        EXPECT_NEAR(b.y2 - b.y1, c.height, 1e-3f) << c.text;
        EXPECT_EQ(Object<DynTextDesc>(dynText)->decimals, c.decimals) << c.text;
    }
}

TEST_F(TextDialogsTest, AlarmAttributesConfirmedFromTheDialogAreKept)
{
    EXPECT_EQ(Edit(
                  dynText, "Dynamic Text",
                  [](DialogDriver& d)
                  {
                      d.Click(IDC_RT_ALARM_ATTRIBUTES);
                      d.Click(IDOK);
                  },
                  "Alarm Attributes",
                  [](DialogDriver& d)
                  {
                      d.SetText(IDC_RT_LIMIT, "42");
                      d.Click(IDOK);
                  }),
              1);
    EXPECT_FLOAT_EQ(GetDynDataSet(slot)->alarms[0].limit, 42);
}

} // namespace
} // namespace trendkit::test
