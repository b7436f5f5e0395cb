// The table model: defaults, the active list, the alarm levels with their messages and colours,
// the alarm sound through the one sound slot, the sweep-time estimate and the document-file form
// with its repairs.
#include "ChannelTestSupport.h"

#include "sound/AlarmSound.h"

#include <cmath>
#include <cstring>

using namespace scantest;

namespace
{

class TableTest : public ::testing::Test
{
protected:
    TableTest() : m_table(&m_units, nullptr) { m_table.SetDefaults(); }
    ~TableTest() override { CAlarmSound::Instance().StopAll(); }

    // Channel k's levels: low-low 1, low 2, high 8, high-high 9.
    void SetLevels(int k)
    {
        CTableData& c = m_table.m_active[k];
        c.m_lowLowLevel = 1.0f;
        c.m_lowLevel = 2.0f;
        c.m_highLevel = 8.0f;
        c.m_highHighLevel = 9.0f;
    }

    CUnits m_units;
    CTable m_table;
};

TEST_F(TableTest, DefaultsHoldNitrogenAsTheOneActiveChannel)
{
    EXPECT_EQ(m_table.m_activeCount, 1);
    EXPECT_STREQ(m_table.m_active[0].m_szGasName, "Nitrogen");
    EXPECT_EQ(m_table.m_active[0].m_mass, 28);
    EXPECT_EQ(m_table.m_configured[0].m_enabled, 1);
    EXPECT_EQ(m_table.m_configured[9].m_number, 10);
    EXPECT_STREQ(m_table.m_active[1].m_szLowMessage, "LOW      ");
    EXPECT_STREQ(m_table.m_active[1].m_szNormalMessage, "NORMAL     ");
    EXPECT_EQ(std::string(m_table.m_strSoundFile).substr(std::string(m_table.m_strSoundFile).size() - 10),
              "/Alarm.wav")
        << "the program folder and the file name, one separator between";
    EXPECT_EQ(m_table.m_scanMode, 1);
    EXPECT_FLOAT_EQ(m_table.m_valueMaximum, 1e12f);
}

TEST_F(TableTest, ActiveListTakesTheEnabledChannelsInOrder)
{
    for (CTableData& c : m_table.m_configured)
        c.m_enabled = 0;
    m_table.CollectEnabledChannels();
    EXPECT_EQ(m_table.m_activeCount, 0);
    for (const CTableData& c : m_table.m_active)
        EXPECT_EQ(c.m_enabled, 0);
    EXPECT_EQ(m_table.MinNoiseFloor(), 999);

    for (int k : {1, 4, 8})
    {
        m_table.m_configured[k].m_enabled = 1;
        m_table.m_configured[k].m_mass = 10 * k;
        m_table.m_configured[k].m_noiseFloor = 7 - k / 2;
    }
    m_table.m_configured[4].m_cem = 1;
    m_table.CollectEnabledChannels();
    ASSERT_EQ(m_table.m_activeCount, 3);
    EXPECT_EQ(m_table.m_cemCount, 1);
    const int numbers[] = {2, 5, 9};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_table.m_active[i].m_number, numbers[i]);
    EXPECT_EQ(m_table.m_active[1].m_mass, 40);
    EXPECT_EQ(m_table.MinNoiseFloor(), 3);
}

TEST_F(TableTest, ActiveChannelsCarryTheirOutputAssignment)
{
    CTableData& c = m_table.m_configured[2];
    c.m_enabled = 1;
    c.m_output.enable = 1;
    c.m_output.hysteresis = 20;
    c.m_output.triggerLevel = 1;
    c.m_output.triggerValue = 2e-6f;
    c.m_output.words[0] = 99;      // stored only: not carried
    c.m_strText[0] = "stored only"; // likewise
    m_table.CollectEnabledChannels();
    ASSERT_EQ(m_table.m_activeCount, 2);
    const CTableOutput& out = m_table.m_active[1].m_output;
    EXPECT_EQ(out.enable, 1);
    EXPECT_EQ(out.hysteresis, 20);
    EXPECT_EQ(out.triggerLevel, 1);
    EXPECT_FLOAT_EQ(out.triggerValue, 2e-6f);
    EXPECT_EQ(out.words[0], 0);
    EXPECT_TRUE(m_table.m_active[1].m_strText[0].IsEmpty());
}

TEST_F(TableTest, LevelsFireInTheirOrderWithTheirMessagesAndColours)
{
    SetLevels(0);
    const struct
    {
        const char* name;
        float value;
        int highEnable, lowEnable;
        int level;
        const char* message;
        int colour;
    } cases[] = {
        {"above high", 8.5f, 1, 1, CTable::kHigh, "HIGH", 4},
        {"above both highs: high tested first", 9.5f, 1, 1, CTable::kHigh, "HIGH", 4},
        {"above high-high with high off", 9.5f, 0, 1, CTable::kHighHigh, "EXTREME HIGH", 12},
        {"below low", 1.5f, 1, 1, CTable::kLow, "LOW      ", 1},
        {"below low-low with low off", 0.5f, 1, 0, CTable::kLowLow, "EXTREME LOW", 9},
        {"equal to high", 8.0f, 1, 1, CTable::kNormal, "NORMAL     ", 0},
        {"equal to low", 2.0f, 1, 1, CTable::kNormal, "NORMAL     ", 0},
        {"between", 5.0f, 1, 1, CTable::kNormal, "NORMAL     ", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_table.m_active[0].m_highEnable = c.highEnable;
        m_table.m_active[0].m_lowEnable = c.lowEnable;
        const int level = m_table.ClassifyValue(0, c.value);
        EXPECT_EQ(level, c.level);
        EXPECT_STREQ(m_table.AlarmMessage(0, level), c.message);
        EXPECT_EQ(m_table.AlarmColor(level), c.colour);
    }
}

TEST_F(TableTest, AlarmSoundStartsOnceAndStopsWhenNoChannelIsInAlarm)
{
    SoundRecorder slot;
    m_table.m_activeCount = 2;
    SetLevels(0);
    SetLevels(1);

    EXPECT_EQ(m_table.CheckAlarms(0, 9.5f), 0) << "the audible alarm is off: nothing changes";
    EXPECT_EQ(m_table.GetAlarmState(0), 0);
    EXPECT_TRUE(slot.Calls().empty());

    m_table.m_bSoundOn = 1;
    EXPECT_EQ(m_table.CheckAlarms(0, 9.5f), 1);
    EXPECT_EQ(m_table.CheckAlarms(1, 0.5f), 1);
    EXPECT_EQ(m_table.GetAlarmState(0), 1);
    EXPECT_EQ(m_table.GetAlarmState(1), 1);
    EXPECT_EQ(slot.Calls(), (std::vector<std::string>{"play " + std::string(m_table.m_strSoundFile)}))
        << "started once";

    EXPECT_EQ(m_table.CheckAlarms(0, 5.0f), 1) << "channel 2 still in alarm";
    EXPECT_EQ(slot.Calls().size(), 1u);
    for (CTableData* c : {&m_table.m_active[1]})
        c->m_highEnable = c->m_lowEnable = c->m_highHighEnable = c->m_lowLowEnable = 0;
    EXPECT_EQ(m_table.CheckAlarms(1, 0.5f), 0) << "every enable off clears the channel";
    EXPECT_EQ(slot.Calls().back(), "stop");
    EXPECT_FALSE(m_table.IsAlarmPlaying());
}

TEST_F(TableTest, OneTableSilencingItsAlarmLeavesAnotherTablesAlarmSounding)
{
    SoundRecorder slot;
    CTable other(&m_units, nullptr);
    other.SetDefaults();
    for (CTable* t : {&m_table, &other})
    {
        t->m_bSoundOn = 1;
        t->m_active[0].m_highLevel = 8.0f;
        t->m_active[0].m_highHighLevel = 9.0f;
    }
    m_table.m_strSoundFile = "a.wav";
    other.m_strSoundFile = "b.wav";
    m_table.CheckAlarms(0, 9.0f);
    other.CheckAlarms(0, 9.0f);
    m_table.StopAlarmSound();
    EXPECT_TRUE(CAlarmSound::Instance().IsSounding(&other));
    EXPECT_EQ(slot.Calls(), (std::vector<std::string>{"play a.wav", "play b.wav"}))
        << "the other table's sound keeps the slot";
    other.CheckAlarms(0, 5.0f);
    EXPECT_EQ(slot.Calls().back(), "stop");
}

TEST_F(TableTest, SweepEstimateAddsTheDetectorSwitchAndRaisesThePeriod)
{
    // Without a head every reading costs nothing: only the rule's fixed parts remain.
    m_table.m_triggerPeriod = 1.0f;
    m_table.EstimateSweepTime();
    EXPECT_FLOAT_EQ(m_table.m_sweepTime, 2.0f) << "t = 0 is a whole second: + 1, then + 1";
    EXPECT_FLOAT_EQ(m_table.m_triggerPeriod, 2.0f);
    EXPECT_FLOAT_EQ(m_table.m_currentPeriod, 2.0f);
    m_table.m_configured[1].m_enabled = 1;
    m_table.m_configured[1].m_cem = 1;
    m_table.CollectEnabledChannels();
    m_table.EstimateSweepTime();
    EXPECT_FLOAT_EQ(m_table.m_sweepTime, 1.0f) << "t = 0.75 for the switch, + 1, truncated";
}

TEST_F(TableTest, TimeAxisModeFollowsTheSpan)
{
    const struct
    {
        float period;
        int points;
        int mode;
        const char* title;
    } cases[] = {{0.01f, 301, 0, "Time (milliseconds)"}, {1.0f, 301, 1, "Time (hh:mm:ss)"}, {10.0f, 301, 2, "Time (hh:mm)"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.title);
        m_table.m_scanMode = SCAN_MODE_TRIGGERED;
        m_table.m_triggerPeriod = c.period;
        m_table.m_timePoints = c.points;
        m_table.SetTimeAxis();
        EXPECT_EQ(static_cast<int>(m_table.m_displayWords[CTable::kWordTimeMode]), c.mode);
        EXPECT_STREQ(m_table.m_szTimeTitle, c.title);
        EXPECT_FLOAT_EQ(m_table.GetDisplayFloat(CTable::kWordTimeTick), m_table.m_timeSpan / 10.0f);
    }
}

class TableArchiveTest : public TableTest
{
protected:
    // The document stores the units before the table, which refers to them.
    void Store(CObject* object, CUnits* units = nullptr)
    {
        m_file.SetLength(0);
        CArchive ar(&m_file, CArchive::store);
        ar.WriteObject(units ? units : &m_units);
        ar.WriteObject(object);
        ar << static_cast<LONG>(0x7AB1E);
        ar.Close();
    }
    template <class T> std::unique_ptr<T> Load(CRuntimeClass* runtimeClass)
    {
        m_file.SeekToBegin();
        CArchive ar(&m_file, CArchive::load);
        m_loadedUnits.reset(static_cast<CUnits*>(ar.ReadObject(RUNTIME_CLASS(CUnits))));
        std::unique_ptr<T> object(static_cast<T*>(ar.ReadObject(runtimeClass)));
        LONG next = 0;
        ar >> next;
        EXPECT_EQ(next, 0x7AB1E) << "read more or less than stored";
        return object;
    }
    std::vector<BYTE> Bytes()
    {
        m_file.SeekToBegin();
        std::vector<BYTE> bytes(static_cast<size_t>(m_file.GetLength()));
        m_file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    }

    CMemFile m_file;
    std::unique_ptr<CUnits> m_loadedUnits;
};

TEST_F(TableArchiveTest, RoundTripIsByteForByteAndKeepsTheAlarmSetUp)
{
    m_table.m_bSoundOn = 1;
    m_table.m_strSoundFile = "/sounds/siren.wav";
    m_table.m_configured[3].m_enabled = 1;
    m_table.m_configured[3].m_mass = 44;
    m_table.m_configured[3].m_highLevel = 3e-6f;
    CopyTextField(m_table.m_configured[3].m_szHighMessage, CTableData::kMessageSize, "CO2 HIGH");
    m_table.m_configured[3].m_output.hysteresis = 25;
    m_table.m_totalOutput.enable = 1;
    m_table.m_totalPressureFlag = 1;
    m_table.CollectEnabledChannels();
    m_table.CheckAlarms(0, 1.0f); // the alarm state is not stored
    Store(&m_table);
    const std::vector<BYTE> stored = Bytes();

    std::unique_ptr<CTable> loaded = Load<CTable>(RUNTIME_CLASS(CTable));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_activeCount, 2);
    EXPECT_EQ(loaded->m_active[1].m_mass, 44);
    EXPECT_STREQ(loaded->m_active[1].m_szHighMessage, "CO2 HIGH");
    EXPECT_EQ(loaded->m_configured[3].m_output.hysteresis, 25);
    EXPECT_EQ(loaded->m_bSoundOn, 1);
    EXPECT_EQ(loaded->m_pUnits, m_loadedUnits.get());
    EXPECT_EQ(loaded->m_active[0].m_pUnits, m_loadedUnits.get());
    EXPECT_EQ(loaded->m_totalOutput.enable, 1);
    EXPECT_EQ(loaded->m_flags[9], 1);
    EXPECT_EQ(loaded->m_bAlarmPlaying, 0);
    Store(loaded.get(), m_loadedUnits.get());
    EXPECT_EQ(Bytes(), stored) << "stored again, byte for byte";
}

TEST_F(TableArchiveTest, LoadingRepairsOutputsAndCutsTexts)
{
    CTableData& c = m_table.m_configured[2];
    c.m_output.hysteresis = 150;
    c.m_output.enable = 7;
    c.m_output.triggerLevel = -1;
    c.m_output.triggerValue = std::nanf("");
    m_table.m_configured[3].m_output.triggerValue = 1e-30f;
    m_table.m_configured[4].m_output.triggerValue = 0.0f;
    m_table.m_totalOutput.hysteresis = 101;
    m_table.m_totalOutput.triggerValue = 2e12f;
    m_table.m_activeCount = 55;
    Store(&m_table);
    std::unique_ptr<CTable> loaded = Load<CTable>(RUNTIME_CLASS(CTable));
    ASSERT_TRUE(loaded);
    const CTableOutput& out = loaded->m_configured[2].m_output;
    EXPECT_EQ(out.hysteresis, 10);
    EXPECT_EQ(out.enable, 0);
    EXPECT_EQ(out.triggerLevel, 0);
    EXPECT_FLOAT_EQ(out.triggerValue, 1e-6f);
    EXPECT_FLOAT_EQ(loaded->m_configured[3].m_output.triggerValue, 1e-6f);
    EXPECT_FLOAT_EQ(loaded->m_configured[4].m_output.triggerValue, 0.0f) << "zero is a value";
    EXPECT_EQ(loaded->m_totalOutput.hysteresis, 10);
    EXPECT_FLOAT_EQ(loaded->m_totalOutput.triggerValue, 1e-6f);
    EXPECT_EQ(loaded->m_activeCount, 1) << "a count past the lists is collected again";

    // A channel whose texts are longer than their fields, as another writer may have stored it.
    m_file.SetLength(0);
    {
        CArchive ar(&m_file, CArchive::store);
        ar.WriteObject(&m_units); // the document's, before the table
        ar << LONG(1) << LONG(28) << CString(std::string(40, 'N').c_str()) << LONG(3) << LONG(1) << 1.0f << LONG(0)
           << 0.0f << 1.0f << 2.0f << 3.0f;
        for (int i = 0; i < 5; ++i)
            ar << CString(std::string(30, 'M').c_str());
        for (int i = 0; i < 5; ++i)
            ar << LONG(1);
        ar.WriteObject(&m_units);
        CTableOutput().Serialize(ar);
        for (int i = 0; i < 5; ++i)
            ar << CString("t");
        ar.Close();
    }
    m_file.SeekToBegin();
    CArchive ar(&m_file, CArchive::load);
    std::unique_ptr<CObject> units(ar.ReadObject(RUNTIME_CLASS(CUnits)));
    CTableData channel;
    channel.Serialize(ar);
    EXPECT_EQ(channel.m_pUnits, units.get());
    EXPECT_EQ(std::strlen(channel.m_szGasName), size_t(CTableData::kNameSize - 1));
    EXPECT_EQ(std::strlen(channel.m_szHighMessage), size_t(CTableData::kMessageSize - 1));
    EXPECT_EQ(std::strlen(channel.m_szNormalMessage), size_t(CTableData::kMessageSize - 1));
    EXPECT_EQ(std::string(channel.m_strText[4]), "t");
}

TEST_F(TableArchiveTest, ShortArchiveRaisesEndOfFile)
{
    Store(&m_table);
    m_file.SetLength(m_file.GetLength() / 2);
    m_file.SeekToBegin();
    CArchive ar(&m_file, CArchive::load);
    bool raised = false;
    std::unique_ptr<CObject> units;
    try
    {
        units.reset(ar.ReadObject(RUNTIME_CLASS(CUnits)));
        delete ar.ReadObject(RUNTIME_CLASS(CTable));
    }
    catch (CArchiveException* e)
    {
        raised = e->m_cause == CArchiveException::endOfFile;
        e->Delete();
    }
    EXPECT_TRUE(raised);
}

TEST_F(TableTest, CloneCopiesTheChannelsAndSettings)
{
    m_table.m_configured[5].m_enabled = 1;
    m_table.m_configured[5].m_mass = 40;
    m_table.m_triggerPeriod = 12.0f;
    m_table.m_strSoundFile = "x.wav";
    m_table.CollectEnabledChannels();
    std::unique_ptr<CTable> copy(m_table.Clone());
    EXPECT_EQ(copy->m_activeCount, 2);
    EXPECT_EQ(copy->m_active[1].m_mass, 40);
    EXPECT_FLOAT_EQ(copy->m_triggerPeriod, 12.0f);
    EXPECT_EQ(std::string(copy->m_strSoundFile), "x.wav");
}

} // namespace

namespace
{

TEST_F(TableArchiveTest, ChannelScansKeepTheirTableAndOrderInTheDocumentFile)
{
    m_table.m_configured[1].m_enabled = 1;
    m_table.m_configured[1].m_cem = 1;
    m_table.CollectEnabledChannels();
    for (int kind : {SCAN_KIND_TABLE, SCAN_KIND_PANEL, SCAN_KIND_PVST})
    {
        SCOPED_TRACE(kind);
        std::unique_ptr<CChannelScan> scan;
        if (kind == SCAN_KIND_TABLE)
            scan = std::make_unique<CTableScans>(&m_table, nullptr, nullptr);
        else if (kind == SCAN_KIND_PANEL)
            scan = std::make_unique<CPanelScans>(&m_table, nullptr, nullptr);
        else
            scan = std::make_unique<CPvsTScans>(&m_table, nullptr, nullptr);
        scan->m_channelOrder[0] = 1;
        scan->m_channelOrder[1] = 0;
        scan->m_nCemSplit = 1;
        m_file.SetLength(0);
        {
            CArchive ar(&m_file, CArchive::store);
            ar.WriteObject(&m_units);
            ar.WriteObject(&m_table);
            ar.WriteObject(scan.get());
            ar << static_cast<LONG>(0x7AB1E);
            ar.Close();
        }
        m_file.SeekToBegin();
        CArchive ar(&m_file, CArchive::load);
        std::unique_ptr<CObject> units(ar.ReadObject(RUNTIME_CLASS(CUnits)));
        std::unique_ptr<CObject> table(ar.ReadObject(RUNTIME_CLASS(CTable)));
        std::unique_ptr<CChannelScan> loaded(static_cast<CChannelScan*>(ar.ReadObject(RUNTIME_CLASS(CScan))));
        LONG next = 0;
        ar >> next;
        EXPECT_EQ(next, 0x7AB1E) << "read more or less than stored";
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->GetScanKind(), kind);
        EXPECT_EQ(loaded->GetTable(), table.get()) << "a reference to the document's table";
        EXPECT_EQ(loaded->m_channelOrder[0], 1);
        EXPECT_EQ(loaded->m_nCemSplit, 1);
    }
}

} // namespace
