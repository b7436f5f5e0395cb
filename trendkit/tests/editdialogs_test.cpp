// Object edit dialogs driven offscreen: alarm attributes of a data set, alarm lines and alarm
// marks. Each opens on a copy; OK writes it back, Cancel leaves the record as it was.
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
        kel::testkit::SavePng(kel::testkit::CaptureWindow(d.Dialog()),
                              std::string(keep) + "/trendkit_" + name + ".png");
}

class EditDialogsTest : public TrendkitTest
{
protected:
    int slot = 0;
    WORD lines = 0, marks = 0;
    GrDesc* graph = nullptr;

    void SetUp() override
    {
        TrendkitTest::SetUp();
        slot = DefineSet(2, 0, "pressure");
        WRSetAlarm(slot, RT_ALARM_HIGH, 10, "High");
        WRSetAlarm(slot, RT_ALARM_LOW, 1, "Low");
        graph = RangedGraph(
            [&](GrDesc* g)
            {
                lines = WRSetAlarmLines(g, slot, 0, 1, nullptr, nullptr, nullptr, nullptr);
                marks = WRSetAlarmMarks(g, slot, 2, 2, 8, nullptr, 1, nullptr, nullptr);
            });
        ASSERT_NE(lines, 0);
        ASSERT_NE(marks, 0);
    }

    DynDataSetDesc* Set() { return GetDynDataSet(slot); }
    AlarmLinesDesc* Lines() { return reinterpret_cast<AlarmLinesDesc*>(GetObjDesc(graph, lines, nullptr)); }
    AlarmMarksDesc* Marks() { return reinterpret_cast<AlarmMarksDesc*>(GetObjDesc(graph, marks, nullptr)); }

    // The alarm attributes dialog on the set, driven by `drive`.
    int EditSet(std::function<void(DialogDriver&)> drive)
    {
        ScriptedPrompts prompts;
        prompts.Expect("Alarm Attributes").Drive(std::move(drive));
        return rtDisplayDialogBoxParam(AlarmLimitDlgProc, "ALARMATTRIB", graph->window,
                                       reinterpret_cast<LPARAM>(Set()));
    }

    int EditObject(WORD number, const char* title, std::function<void(DialogDriver&)> drive,
                   std::function<void(DialogDriver&)> inner = {}, const char* innerTitle = "Alarm Attributes")
    {
        WGSelObject(graph, number);
        ScriptedPrompts prompts;
        prompts.Expect(title).Drive(std::move(drive));
        if (inner)
            prompts.Expect(innerTitle).Drive(std::move(inner));
        return rtDefEditObject(graph);
    }
};

TEST_F(EditDialogsTest, AlarmAttributesOkKeepsSamplesThatArrivedMeanwhile)
{
    const float first[2] = {5, 6};
    WRUpdateData(slot, first, nullptr);
    EXPECT_EQ(EditSet(
                  [&](DialogDriver& d)
                  {
                      EXPECT_EQ(d.GetText(IDC_RT_SET_NAME), "pressure");
                      EXPECT_EQ(d.GetText(IDC_RT_LIMIT), "10");
                      EXPECT_EQ(d.GetText(IDC_RT_MESSAGE), "High");
                      d.SetText(IDC_RT_LIMIT, "12,5");
                      d.SetText(IDC_RT_MESSAGE + 1, "too low");
                      d.SetText(IDC_RT_SETPOINT, "3");
                      d.SetText(IDC_RT_HYSTERESIS, "0.5");
                      d.Check(IDC_RT_KIND_ENABLE + 4); // Rate
                      Screenshot(d, "alarm_attributes");
                      const float sample[2] = {7, 8}; // the host keeps feeding the set
                      WRUpdateData(slot, sample, nullptr);
                      d.Click(IDOK);
                  }),
              1);
    DynDataSetDesc* s = Set();
    EXPECT_FLOAT_EQ(s->alarms[0].limit, 12.5f);
    EXPECT_STREQ(s->alarms[1].message, "too low");
    EXPECT_FLOAT_EQ(s->setpoint, 3);
    EXPECT_FLOAT_EQ(s->hysteresis, 0.5f);
    EXPECT_TRUE(s->alarmEnable & (1u << 4));
    EXPECT_FLOAT_EQ(s->current[0], 7) << "the sample taken while the dialog was open survives OK";
    EXPECT_FLOAT_EQ(s->previous[0], 5);
}

TEST_F(EditDialogsTest, AlarmAttributesCancelLeavesTheSet)
{
    const std::vector<BYTE> before = Bytes(Set(), sizeof(DynDataSetDesc));
    EXPECT_EQ(EditSet(
                  [](DialogDriver& d)
                  {
                      d.SetText(IDC_RT_LIMIT, "99");
                      d.Check(IDC_RT_GLOBAL_ENABLE, false);
                      d.Click(IDCANCEL);
                  }),
              2);
    EXPECT_TRUE(Bytes(Set(), sizeof(DynDataSetDesc)) == before);
}

TEST_F(EditDialogsTest, AlarmAttributesFieldsReadAsTyped)
{
    struct Case
    {
        int id;
        const char* text;
        float number;        // limit of High or setpoint
        const char* message; // or the text kept
    } cases[] = {
        {IDC_RT_LIMIT, "2,5", 2.5f, nullptr},
        {IDC_RT_LIMIT, "-1e2 mbar", -100, nullptr},
        {IDC_RT_LIMIT, " 5", 0, nullptr},    // a leading blank reads as 0
        {IDC_RT_LIMIT, "", 10, nullptr},     // empty keeps the value
        {IDC_RT_LIMIT, "1e60", 10, nullptr}, // no finite float keeps the value
        {IDC_RT_SETPOINT, "4.25", 4.25f, nullptr},
        {IDC_RT_MESSAGE, "ABCDEFGHIJKLMNOPQRSTU", 0, "ABCDEFGHIJKLMNOP"}, // cut at 16
        {IDC_RT_NORMAL, "normal state now", 0, "normal stat"},            // cut at 11
    };
    for (const Case& c : cases)
    {
        WRSetAlarm(slot, RT_ALARM_HIGH, 10, "High");
        Set()->setpoint = 0;
        EditSet(
            [&](DialogDriver& d)
            {
                d.SetText(c.id, c.text);
                d.Click(IDOK);
            });
        if (c.id == IDC_RT_LIMIT)
            EXPECT_FLOAT_EQ(Set()->alarms[0].limit, c.number) << c.text;
        else if (c.id == IDC_RT_SETPOINT)
            EXPECT_FLOAT_EQ(Set()->setpoint, c.number) << c.text;
        else if (c.id == IDC_RT_MESSAGE)
            EXPECT_STREQ(Set()->alarms[0].message, c.message);
        else
            EXPECT_STREQ(Set()->normalMessage, c.message);
    }
}

TEST_F(EditDialogsTest, GlobalEnableMovesTheAlarmState)
{
    DynDataSetDesc* s = Set();
    s->currentAlarm[0] = 1;
    s->currentAlarm[1] = 2;
    EditSet(
        [](DialogDriver& d)
        {
            d.Check(IDC_RT_GLOBAL_ENABLE, false);
            EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_KIND_ENABLE)));
            d.Click(IDOK);
        });
    EXPECT_EQ(s->alarmCheckOn, 0u);
    EXPECT_EQ(s->previousAlarm[0], 1);
    EXPECT_EQ(s->previousAlarm[1], 2);
    EXPECT_EQ(s->currentAlarm[0], 0);
    // With alarm checks off a kind box changes only its look.
    const BYTE enable = s->alarmEnable;
    EditSet(
        [](DialogDriver& d)
        {
            d.Click(IDC_RT_KIND_ENABLE + 6);
            d.Click(IDOK);
        });
    EXPECT_EQ(s->alarmEnable, enable);
    EditSet(
        [](DialogDriver& d)
        {
            d.Check(IDC_RT_GLOBAL_ENABLE, true);
            d.Click(IDOK);
        });
    EXPECT_EQ(s->alarmCheckOn, 1u);
    EXPECT_EQ(s->previousAlarm[0], 0);
}

TEST_F(EditDialogsTest, AlarmLinesOkWritesTheCopyAndCancelKeepsTheRecord)
{
    ASSERT_EQ(Lines()->lines[1].shown, 1);
    EXPECT_EQ(EditObject(
                  lines, "Alarm Lines",
                  [this](DialogDriver& d)
                  {
                      EXPECT_TRUE(d.IsChecked(IDC_RT_LINES_SHOWN + 1));
                      d.Check(IDC_RT_LINES_SHOWN + 1, false);
                      EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RT_LINES_ATTRIB + 1)));
                      d.SetText(IDC_RT_LINES_PERIOD, "70000"); // cut to 16 bits
                      Screenshot(d, "alarm_lines");
                      // The same dialog cannot open a second time while it is open.
                      EXPECT_EQ(rtDisplayDialogBoxParam(AlarmLineDlgProc, "ALARMLINES", d.Dialog(),
                                                        reinterpret_cast<LPARAM>(GlobalHandle(Lines()))),
                                2);
                      d.Click(IDOK);
                  },
                  [](DialogDriver& d) { EXPECT_FALSE(d.IsOpen()) << "ends at once"; }, "Alarm Lines"),
              1);
    EXPECT_EQ(Lines()->lines[1].shown, 0);
    EXPECT_EQ(Lines()->r.rt.updatePeriod, 70000 & 0xFFFF);

    const std::vector<BYTE> before = Bytes(Lines(), sizeof(AlarmLinesDesc));
    EXPECT_EQ(EditObject(lines, "Alarm Lines",
                         [](DialogDriver& d)
                         {
                             d.Check(IDC_RT_LINES_SHOWN + 2, false);
                             d.Click(IDCANCEL);
                         }),
              2);
    EXPECT_TRUE(Bytes(Lines(), sizeof(AlarmLinesDesc)) == before);
}

// A handle that holds no record of the dialog's kind ends the dialog at once with nothing left
// locked, and the dialog still opens for a record afterwards.
TEST_F(EditDialogsTest, RecordDialogsRefuseABlockWithoutTheirRecord)
{
    HGLOBAL small = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
    HGLOBAL untyped = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64 * 1024); // type 0
    ASSERT_TRUE(small && untyped);
    const struct
    {
        DLGPROC proc;
        const char* name;
        const char* title;
        HGLOBAL handle;
    } cases[] = {
        {AlarmLineDlgProc, "ALARMLINES", "Alarm Lines", small},
        {AlarmLineDlgProc, "ALARMLINES", "Alarm Lines", nullptr},
        {MeterDlgProc, "METER", "Meter Parameters", small},
        {MeterDlgProc, "METER", "Meter Parameters", untyped},
        {DynBarsDlgProc, "DYNBARS", "Dynamic Bar Graphs", small},
        {DynBarsDlgProc, "DYNBARS", "Dynamic Bar Graphs", untyped},
        {DynTextDlgProc, "DYNTEXT", "Dynamic Text", small},
    };
    for (const auto& c : cases)
    {
        ScriptedPrompts prompts;
        prompts.Expect(c.title).Drive([](DialogDriver& d) { EXPECT_FALSE(d.IsOpen()) << "ends at once"; });
        EXPECT_EQ(rtDisplayDialogBoxParam(c.proc, c.name, graph->window, reinterpret_cast<LPARAM>(c.handle)),
                  2)
            << c.name;
        if (c.handle)
        {
            EXPECT_EQ(GlobalFlags(c.handle) & GMEM_LOCKCOUNT, 0u) << c.name;
        }
    }
    GlobalFree(small);
    GlobalFree(untyped);

    EXPECT_EQ(EditObject(lines, "Alarm Lines", [](DialogDriver& d) { d.Click(IDCANCEL); }), 2);
    EXPECT_EQ(GlobalFlags(GlobalHandle(Lines())) & GMEM_LOCKCOUNT, 0u);
}

TEST_F(EditDialogsTest, CancelAfterAlarmAttributesKeepsTheNewLimits)
{
    const std::vector<BYTE> before = Bytes(Lines(), sizeof(AlarmLinesDesc));
    EXPECT_EQ(EditObject(
                  lines, "Alarm Lines",
                  [](DialogDriver& d)
                  {
                      d.Check(IDC_RT_LINES_SHOWN, false);
                      d.Click(IDC_RT_ALARM_ATTRIBUTES);
                      d.Click(IDCANCEL);
                  },
                  [](DialogDriver& d)
                  {
                      d.SetText(IDC_RT_LIMIT, "42");
                      d.Click(IDOK);
                  }),
              2);
    EXPECT_FLOAT_EQ(Set()->alarms[0].limit, 42);
    EXPECT_TRUE(Bytes(Lines(), sizeof(AlarmLinesDesc)) == before);
}

TEST_F(EditDialogsTest, AlarmMarksPlacementLabelsAndSize)
{
    struct Case
    {
        int direction;
        int radio;
        WORD placement;
        const char* label;
    } cases[] = {
        {1, IDC_RT_MARKS_BELOW, 1, "Left"},
        {1, IDC_RT_MARKS_ABOVE, 2, "Right"},
        {0, IDC_RT_MARKS_BELOW, 0, "Below"},
        {0, IDC_RT_MARKS_ABOVE, 4, "Above"},
    };
    for (const Case& c : cases)
    {
        Marks()->r.direction = c.direction;
        EXPECT_EQ(EditObject(marks, "Alarm Marks",
                             [&](DialogDriver& d)
                             {
                                 EXPECT_EQ(d.GetText(c.radio), c.label);
                                 d.Click(c.radio);
                                 d.Click(IDOK);
                             }),
                  1);
        EXPECT_EQ(Marks()->placement, c.placement) << c.label;
    }
    const WORD firstCopy = Marks()->pointSizeCopy;
    EXPECT_EQ(EditObject(marks, "Alarm Marks",
                         [](DialogDriver& d)
                         {
                             d.SetText(IDC_RT_MARKS_LABEL + 1, "HIGH-PRESSURE"); // cut at 11
                             d.SetText(IDC_RT_MARKS_SIZE, "20");
                             Screenshot(d, "alarm_marks");
                             d.Click(IDOK);
                         }),
              1);
    EXPECT_STREQ(Marks()->marks[1].label, "HIGH-PRESSU");
    EXPECT_EQ(Marks()->pointSize, 20);
    EXPECT_EQ(Marks()->pointSizeCopy, firstCopy);
    EXPECT_EQ(Marks()->markSize, PointsToLogSize(graph, graph->buildDc, 20));

    const std::vector<BYTE> before = Bytes(Marks(), sizeof(AlarmMarksDesc));
    EXPECT_EQ(EditObject(marks, "Alarm Marks",
                         [](DialogDriver& d)
                         {
                             d.SetText(IDC_RT_MARKS_SIZE, "3");
                             d.Click(IDCANCEL);
                         }),
              2);
    EXPECT_TRUE(Bytes(Marks(), sizeof(AlarmMarksDesc)) == before);
}

} // namespace
} // namespace trendkit::test
