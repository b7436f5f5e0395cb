// The leak-test settings: defaults, the alarm check with its looping sound (and its sharing of the
// one sound slot with other documents' alarms), the time axis, unit conversion and the record in
// the document file, repaired where it is damaged.
#include "doc/LeakData.h"

#include "head/KELDummyHead.h"
#include "sound/AlarmSound.h"
#include "units/Units.h"
#include "testkit/SoundRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace
{

using Calls = std::vector<std::string>;

// What reaches the sound slot ("play <file>" for a looping alarm, or "stop"); every owner
// silenced afterwards.
class SoundSlot : public kel::testkit::SoundRecorder
{
public:
    ~SoundSlot() { CAlarmSound::Instance().StopAll(); }
};

// A document's record with its alarm sounding on "<name>.wav", High and Low enabled.
void ArmAlarm(CLeakData& data, const char* wave)
{
    data.SetDefaults();
    data.m_bAudibleAlarm = 1;
    data.m_strAlarmWave = wave;
}

TEST(LeakData, DefaultsOfANewDocument)
{
    CLeakData data(nullptr, nullptr);
    data.SetDefaults();
    EXPECT_STREQ(data.m_szCaption, "Helium (4)");
    EXPECT_STREQ(data.m_szGasCaption, "Helium");
    EXPECT_FLOAT_EQ(data.GetValueTick(), 1e-6f);
    EXPECT_FLOAT_EQ(data.GetTimeTick(), 60.0f);
    EXPECT_EQ(data.GetTimeFormat(), 4);
    EXPECT_EQ(data.m_paletteColour, RGB(192, 192, 192));
    EXPECT_EQ(data.m_lineColour, RGB(99, 141, 88));
    const std::string wave = data.m_strAlarmWave.GetString();
    EXPECT_EQ(wave.substr(wave.size() - 10), "/Alarm.wav");
    EXPECT_EQ(wave.find("//"), std::string::npos);
    EXPECT_STREQ(data.m_alarmMessage[CLeakData::kMessageHighHigh], "EXTREME HIGH");
    EXPECT_EQ(data.m_nMaxPoints, 256000);
    EXPECT_FALSE(data.IsAlarmPlaying());
}

TEST(LeakData, AlarmSoundStartsAtTheFirstCrossingLoopsAndStopsInside)
{
    SoundSlot slot;
    CLeakData data(nullptr, nullptr);
    ArmAlarm(data, "leak.wav"); // High 5e-6, Low 5e-7 enabled; High-high 8e-6, Low-low 0 enabled
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Step
    {
        float value;
        int hit;
        const char* what;
    } steps[] = {
        {1e-6f, 0, "inside every level"},
        {6e-6f, 1, "above High: the sound starts"},
        {9e-6f, 1, "above High-high as well: it does not restart"},
        {5e-6f, 0, "exactly at High is inside: it stops"},
        {4e-7f, 1, "below Low"},
        {nan, 0, "not a number crosses nothing"},
    };
    for (const Step& s : steps)
    {
        EXPECT_EQ(data.CheckAlarm(s.value), s.hit) << s.what;
        EXPECT_EQ(data.IsAlarmPlaying(), s.hit) << s.what;
    }
    EXPECT_EQ(slot.Calls(), (Calls{"play leak.wav", "stop", "play leak.wav", "stop"}));
}

TEST(LeakData, EachLevelAloneSoundsTheAlarmBeyondIt)
{
    struct Case
    {
        int flag;      // the only level enabled
        float inside;  // a reading on the safe side
        float outside; // a reading beyond it
    } cases[] = {
        {CLeakData::kHighEnabled, 5e-6f, 5.1e-6f},
        {CLeakData::kHighHighEnabled, 8e-6f, 8.1e-6f},
        {CLeakData::kLowEnabled, 5e-7f, 4.9e-7f},
        {CLeakData::kLowLowEnabled, 0.0f, -1e-9f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.flag);
        SoundSlot slot;
        CLeakData data(nullptr, nullptr);
        ArmAlarm(data, "leak.wav");
        for (int flag = 1; flag < 5; ++flag)
            data.m_alarmFlag[flag] = flag == c.flag;
        EXPECT_EQ(data.CheckAlarm(c.inside), 0);
        EXPECT_EQ(data.CheckAlarm(c.outside), 1);
        EXPECT_EQ(data.CheckAlarm(c.inside), 0);
        EXPECT_EQ(slot.Calls(), (Calls{"play leak.wav", "stop"}));
    }
}

TEST(LeakData, OnlyEnabledLevelsAlarmAndOnlyWhileAudible)
{
    SoundSlot slot;
    CLeakData data(nullptr, nullptr);
    ArmAlarm(data, "leak.wav");
    data.m_alarmFlag[CLeakData::kHighEnabled] = data.m_alarmFlag[CLeakData::kLowEnabled] =
        data.m_alarmFlag[CLeakData::kHighHighEnabled] = 0;
    data.m_alarmLevel[CLeakData::kLowLow] = 0.0f;
    EXPECT_EQ(data.CheckAlarm(1.0f), 0) << "High levels are off";
    EXPECT_EQ(data.CheckAlarm(0.0f), 0) << "comparisons are strict";
    EXPECT_EQ(data.CheckAlarm(-1e-12f), 1);

    // Switched off while sounding: no check, and the sound goes on until the run's end stops it.
    data.m_bAudibleAlarm = 0;
    EXPECT_EQ(data.CheckAlarm(-1.0f), 0);
    EXPECT_EQ(data.CheckAlarm(0.5f), 0);
    EXPECT_EQ(slot.Calls(), (Calls{"play leak.wav"}));
    data.StopAlarmSound();
    EXPECT_EQ(slot.Calls(), (Calls{"play leak.wav", "stop"}));
    EXPECT_FALSE(data.IsAlarmPlaying());
}

TEST(LeakData, AlarmsOfDifferentDocumentsDoNotSilenceEachOther)
{
    SoundSlot slot;
    CLeakData documentA(nullptr, nullptr), documentB(nullptr, nullptr);
    ArmAlarm(documentA, "a.wav");
    ArmAlarm(documentB, "b.wav");
    const int tableOfDocumentC = 0; // a table channel's alarm, through the same arbiter

    EXPECT_EQ(documentA.CheckAlarm(1.0f), 1);
    EXPECT_EQ(documentB.CheckAlarm(1.0f), 1);
    CAlarmSound::Instance().Start(&tableOfDocumentC, "table.wav");
    EXPECT_EQ(documentB.CheckAlarm(1e-6f), 0); // B's reading is back inside
    EXPECT_TRUE(CAlarmSound::Instance().IsSounding(&documentA));
    documentA.StopAlarmSound(); // A's run ends
    EXPECT_TRUE(CAlarmSound::Instance().IsSounding(&tableOfDocumentC));
    CAlarmSound::Instance().Stop(&tableOfDocumentC);
    EXPECT_EQ(slot.Calls(), (Calls{"play a.wav", "play b.wav", "play table.wav", "stop"}));

    // A document closed with its alarm on takes its sound with it.
    {
        CLeakData closing(nullptr, nullptr);
        ArmAlarm(closing, "c.wav");
        closing.CheckAlarm(1.0f);
    }
    EXPECT_EQ(slot.Calls().back(), "stop");
}

TEST(LeakData, TimeAxisFollowsTheSpanOfItsPoints)
{
    struct Case
    {
        float perReading;
        int format;
        float length;
        const char* caption;
    } cases[] = {
        {0.001f, 0, 600.0f, "time (milliseconds)"},
        {3.0f, 1, 1800.0f, "time (hh:mm:ss)"},
        {4.0f, 2, 2400.0f, "time (hh:mm)"},
    };
    for (const Case& c : cases)
    {
        CLeakData data(nullptr, nullptr); // no head: the time per reading stands
        data.SetDefaults();
        data.m_fTimePerReading = c.perReading;
        data.m_layout[CLeakData::kLayoutWords - 1] = 7;
        data.UpdateTimeAxis();
        EXPECT_EQ(data.GetTimeFormat(), c.format) << c.caption;
        EXPECT_FLOAT_EQ(data.m_fTimeAxisLength, c.length) << c.caption;
        EXPECT_STREQ(data.m_szTimeCaption, c.caption);
        EXPECT_FLOAT_EQ(data.GetTimeTick(), c.length * 0.1f) << c.caption;
        EXPECT_EQ(data.m_layout[CLeakData::kLayoutWords - 1], 0);
    }

    // Triggered faster than a reading can be taken: both periods rise to the reading's time.
    CLeakData data(nullptr, nullptr);
    data.SetDefaults();
    data.m_nScanMode = 2;
    data.m_fTriggerPeriod = 0.05f;
    data.m_fTimePerReading = 0.2f;
    data.m_fSamplePeriod = 0.1f;
    EXPECT_EQ(data.UpdateSampleTime(), 1);
    EXPECT_FLOAT_EQ(data.m_fTriggerPeriod, 0.2f);
    EXPECT_FLOAT_EQ(data.m_fSamplePeriod, 0.2f);

    // With a head, the time per reading is the head's estimate for the speed.
    CKELDummyHead head;
    data.m_pHead = &head;
    data.m_nScanMode = 1;
    data.UpdateSampleTime();
    EXPECT_FLOAT_EQ(data.m_fTimePerReading, static_cast<float>(head.EstimatePointTime(data.m_nSpeed)));
    EXPECT_FLOAT_EQ(data.m_fSamplePeriod, data.m_fTimePerReading);
}

TEST(LeakData, ConvertUnitsReexpressesEveryPressureValue)
{
    CUnits units;
    units.m_fPrevInverseScale = 1.0f; // Torr before,
    units.m_fScale = 1000.0f;         // mTorr now
    CLeakData data(&units, nullptr);
    data.SetDefaults();
    const auto values = [&data]
    {
        return std::vector<float>{data.m_fScaleTop,
                                  data.m_fScaleBottom,
                                  data.GetValueTick(),
                                  data.m_alarmLevel[CLeakData::kHigh],
                                  data.m_alarmLevel[CLeakData::kHighHigh],
                                  data.m_alarmLevel[CLeakData::kLow],
                                  data.m_alarmLevel[CLeakData::kLowLow],
                                  data.m_alarmLevel[CLeakData::kReference],
                                  data.m_fValueUpperLimit,
                                  data.m_fValueLowerLimit};
    };
    const std::vector<float> before = values();
    data.ConvertUnits();
    const std::vector<float> after = values();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_FLOAT_EQ(after[i], before[i] * 1000.0f) << i;
    EXPECT_FLOAT_EQ(data.m_fAudioMaximum, 1e-4f) << "the audio range is not a stored pressure";
}

// Stores data (with its units and head) and loads it back as the document does.
std::unique_ptr<CLeakData> RoundTrip(CLeakData& data)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&data);
        ar.Close();
    }
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    CLeakData* loaded = nullptr;
    ar >> loaded;
    return std::unique_ptr<CLeakData>(loaded);
}

TEST(LeakData, TheDocumentFileKeepsTheRecord)
{
    CKELDummyHead head;
    CUnits units(&head);
    units.SetDefaults();
    CLeakData data(&units, &head);
    data.SetDefaults();
    data.m_nMass = 3;
    std::snprintf(data.m_szGasName, sizeof data.m_szGasName, "Hydrogen");
    data.m_nLastValueUnits = 0;
    data.m_alarmLevel[CLeakData::kHigh] = 7.5e-6f;
    std::snprintf(data.m_alarmMessage[CLeakData::kMessageHigh], CLeakData::kMessageSize, "TOO HIGH");
    data.m_alarmColour[2] = 13;
    data.m_alarmLineShown[4] = 1;
    data.m_font[3].flags = 7;
    data.m_strAlarmWave = "/sounds/leak alarm.wav";
    data.m_bAudioEnabled = 1;
    data.m_nPitchMode = 2;
    data.m_reserved[5] = 42;
    data.m_strReserved[4] = "kept";
    data.m_bAutoscale = 0;

    auto loaded = RoundTrip(data);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_nLastValueUnits, 0);
    EXPECT_STREQ(loaded->m_szCaption, "Hydrogen (3)");
    EXPECT_FLOAT_EQ(loaded->m_alarmLevel[CLeakData::kHigh], 7.5e-6f);
    EXPECT_STREQ(loaded->m_alarmMessage[CLeakData::kMessageHigh], "TOO HIGH");
    EXPECT_STREQ(loaded->m_alarmMessage[CLeakData::kMessageNormal], "NORMAL");
    EXPECT_EQ(loaded->m_alarmColour[2], 13);
    EXPECT_EQ(loaded->m_alarmLineShown[4], 1);
    EXPECT_EQ(loaded->m_font[3].flags, 7);
    EXPECT_STREQ(loaded->m_font[6].face, "Arial");
    EXPECT_EQ(loaded->m_paletteColour, data.m_paletteColour);
    EXPECT_EQ(loaded->m_strAlarmWave, "/sounds/leak alarm.wav");
    EXPECT_EQ(loaded->m_bAudioEnabled, 1);
    EXPECT_EQ(loaded->m_nPitchMode, 2);
    EXPECT_EQ(loaded->m_reserved[5], 42);
    EXPECT_EQ(loaded->m_strReserved[4], "kept");
    EXPECT_EQ(std::memcmp(loaded->m_layout, data.m_layout, sizeof data.m_layout), 0);
    EXPECT_FALSE(loaded->IsAlarmPlaying());
    EXPECT_EQ(loaded->m_bAutoscale, 1) << "not stored: a loaded record keeps its construction value";
    ASSERT_NE(loaded->m_pUnits, nullptr);
    ASSERT_NE(loaded->m_pHead, nullptr);
    EXPECT_TRUE(loaded->m_pHead->IsKindOf(RUNTIME_CLASS(CKELDummyHead)));
    delete loaded->m_pUnits;
    delete loaded->m_pHead;
}

TEST(LeakData, ADamagedRecordIsRepairedNotTrusted)
{
    CLeakData data(nullptr, nullptr);
    data.SetDefaults();
    data.m_nMass = 999;
    data.m_nSpeed = -3;
    data.m_nScanMode = 9;
    data.m_nMaxPoints = 0;
    data.m_nTimeAxisPoints = -1;
    data.m_nPitchMode = 7;
    data.m_fSamplePeriod = std::numeric_limits<float>::quiet_NaN();
    data.m_fTriggerPeriod = -1.0f;
    data.m_fScalingFactor = 0.0f;
    data.m_alarmLineColour[1] = 40;
    // A message longer than its 12 characters.
    std::snprintf(data.m_alarmMessage[0], CLeakData::kMessageSize, "ABCDEFGHIJKLMNOPQRS");

    auto loaded = RoundTrip(data);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->m_nMass, 4);
    EXPECT_EQ(loaded->m_nSpeed, 3);
    EXPECT_EQ(loaded->m_nScanMode, 1);
    EXPECT_EQ(loaded->m_nMaxPoints, 256000) << "a limit of no points would never stop a run";
    EXPECT_EQ(loaded->m_nTimeAxisPoints, 600);
    EXPECT_EQ(loaded->m_nPitchMode, 1);
    EXPECT_FLOAT_EQ(loaded->m_fSamplePeriod, 0.1f);
    EXPECT_FLOAT_EQ(loaded->m_fTriggerPeriod, 1.0f);
    EXPECT_FLOAT_EQ(loaded->m_fScalingFactor, 1.0f);
    EXPECT_EQ(loaded->m_alarmLineColour[1], 0);
    EXPECT_STREQ(loaded->m_alarmMessage[0], "ABCDEFGHIJKL");
    EXPECT_STREQ(loaded->m_szCaption, "Helium (4)");

    // A record cut short fails in the archive, as the document file's loading expects.
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar.WriteObject(&data);
        ar.Close();
    }
    std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
    CMemFile cut(bytes.data(), static_cast<UINT>(bytes.size() / 2));
    CArchive ar(&cut, CArchive::load);
    CLeakData* partial = nullptr;
    EXPECT_THROW(
        {
            try
            {
                ar >> partial;
            }
            catch (CArchiveException* e)
            {
                e->Delete();
                throw 1;
            }
        },
        int);
}

TEST(LeakData, ARecordCutShortAfterItsUnitsFreesWhatItRead)
{
    // The units belong to the document; read from a record that then fails, they must go with the
    // failed load, and so must the head they brought along, which they point at without owning
    // (the leak checker of the test run fails this test otherwise).
    CKELDummyHead head;
    struct Case
    {
        CHead* unitsHead;
        CHead* recordHead;
    };
    for (const Case& c : {Case{nullptr, nullptr}, Case{&head, &head}, Case{&head, nullptr}})
    {
        SCOPED_TRACE(testing::Message() << "units head " << (c.unitsHead != nullptr) << ", record head "
                                        << (c.recordHead != nullptr));
        CUnits units(c.unitsHead);
        units.SetDefaults();
        CLeakData data(&units, c.recordHead);
        data.SetDefaults();
        CMemFile file;
        {
            CArchive ar(&file, CArchive::store);
            ar.WriteObject(&data);
            ar.Close();
        }
        std::vector<BYTE> bytes(static_cast<size_t>(file.GetLength()));
        file.SeekToBegin();
        file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
        CMemFile cut(bytes.data(), static_cast<UINT>(bytes.size() - 8));
        CArchive ar(&cut, CArchive::load);
        CLeakData* partial = nullptr;
        bool failed = false;
        try
        {
            ar >> partial;
        }
        catch (CArchiveException* e)
        {
            e->Delete();
            failed = true;
        }
        EXPECT_TRUE(failed);
        EXPECT_EQ(partial, nullptr);
    }
}

} // namespace
