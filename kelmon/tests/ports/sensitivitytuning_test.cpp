// The sensitivity tuning dialog against the simulated head: the reference range by head and
// pressure reduction, the factor computed from the measured current, the plausibility questions,
// and what the head keeps after Accept, Undo and Cancel.
#include "dialogs/HeadPortLock.h"
#include "dialogs/SensitivityTuningDlg.h"
#include "head/KELDummyHead.h"
#include "res/resource.h"
#include "units/Units.h"

#include "testkit/ScriptedPrompts.h"
#include "testsupport/HeadAccess.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

// The simulated head with a chosen ion-current reading (1e-16 A) for every measurement.
class MeasuringHead : public kel::testkit::OpenDummyHead
{
public:
    BOOL MeasureSingleMass(int mass, int noiseFloor, float& value) override
    {
        NoteLock();
        ++readings;
        lastMass = mass;
        EXPECT_EQ(noiseFloor, -1) << "the head's (tuning) noise floor is kept";
        value = reading;
        return TRUE;
    }
    BOOL MeasureTotalPressure(float& value) override
    {
        NoteLock();
        ++totalReadings;
        value = reading;
        return TRUE;
    }
    BOOL SetSP(float value) override
    {
        NoteLock();
        return CKELDummyHead::SetSP(value);
    }
    BOOL SetNoiseFloor(int value) override
    {
        NoteLock();
        return CKELDummyHead::SetNoiseFloor(value);
    }

    // Whether another thread could take the port lock while this command ran.
    void NoteLock()
    {
        if (!portLock)
            return;
        DWORD r = WAIT_FAILED;
        std::thread other(
            [&]
            {
                r = ::WaitForSingleObject(portLock, 0);
                if (r == WAIT_OBJECT_0)
                    ::ReleaseMutex(portLock);
            });
        other.join();
        (r == WAIT_TIMEOUT ? lockedCalls : unlockedCalls)++;
    }

    float reading = 1e6f; // 1e-10 A
    int readings = 0, totalReadings = 0, lastMass = 0;
    HANDLE portLock = nullptr;
    int lockedCalls = 0, unlockedCalls = 0;
};

HANDLE g_portLock = nullptr;
HANDLE FindPortLock(CHead*)
{
    return g_portLock;
}

class SensitivityTuningTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        ASSERT_TRUE(head.Connect(1));
        head.SetNoiseFloor(5);
        units.SetDefaults();
    }

    // Runs the dialog as the document's command does, driven by script.
    INT_PTR Run(std::function<void(DialogDriver&)> script)
    {
        prompts.Expect(IDD_SENSITIVITY_TUNING).Drive(std::move(script));
        CSensitivityTuningDlg dlg;
        dlg.m_pHead = &head;
        dlg.m_pUnits = &units;
        dlg.m_fSP = head.m_fPartialSensitivity;
        dlg.m_fST = head.m_fTotalSensitivity;
        return dlg.DoModal();
    }
    int NoiseFloor()
    {
        int value = -1;
        head.QueryNoiseFloor(value);
        return value;
    }

    ScriptedPrompts prompts;
    MeasuringHead head;
    CUnits units{&head};
};

TEST_F(SensitivityTuningTest, ReferenceRangeByHeadFamilyPresetAndPressureReduction)
{
    struct Case
    {
        const char* what;
        int family, preset;
        int reduction; // 0 off, else the factor
        float minimum, maximum;
    };
    const Case cases[] = {
        {"KEL", HEAD_FAMILY_KEL, 4, 0, 5e-9f, 5e-5f},
        {"DUX preset 0", HEAD_FAMILY_DUX, 0, 0, 5e-9f, 1e-3f},
        {"DUX preset 1", HEAD_FAMILY_DUX, 1, 0, 5e-9f, 1e-3f},
        {"DUX preset 2", HEAD_FAMILY_DUX, 2, 0, 5e-9f, 1e-4f},
        {"DUX preset 3", HEAD_FAMILY_DUX, 3, 0, 5e-9f, 1e-5f},
        {"JOV", HEAD_FAMILY_JOV, 4, 0, 5e-9f, 1e-4f},
        {"KEL behind a reduction of 100", HEAD_FAMILY_KEL, 4, 100, 5e-7f, 5e-3f},
    };
    for (const Case& c : cases)
    {
        head.m_nFamily = c.family;
        head.m_nPresetIndex = c.preset;
        units.m_bReductionEnabled = c.reduction != 0;
        units.m_fReductionFactor = c.reduction ? float(c.reduction) : 1.0f;
        float minimum = 0, maximum = 0;
        CSensitivityTuningDlg::ReferenceRange(&head, &units, minimum, maximum);
        EXPECT_FLOAT_EQ(minimum, c.minimum) << c.what;
        EXPECT_FLOAT_EQ(maximum, c.maximum) << c.what;
    }
}

TEST_F(SensitivityTuningTest, ShowsTheHeadAndTunesAtNoiseFloorTwoUntilAccepted)
{
    const INT_PTR result = Run(
        [&](DialogDriver& d)
        {
            EXPECT_EQ(d.GetText(IDC_SENS_MODEL), "KEL200");
            EXPECT_EQ(d.GetText(IDC_SENS_FIRMWARE), "0.00");
            EXPECT_EQ(d.GetText(IDC_SENS_SERIAL), "0");
            EXPECT_TRUE(d.IsChecked(IDC_SENS_PARTIAL));
            EXPECT_FALSE(d.IsChecked(IDC_SENS_TOTAL));
            EXPECT_TRUE(::IsWindowEnabled(d.Item(IDC_SENS_TOTAL)));
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "1.01e-04");
            EXPECT_EQ(d.GetText(IDC_SENS_ION_CURRENT), "");
            EXPECT_EQ(d.GetText(IDC_SENS_MASS), "28");
            EXPECT_EQ(NoiseFloor(), CSensitivityTuningDlg::kTuningNoiseFloor);

            d.SetText(IDC_SENS_REF_PRESSURE, "1e-6");
            d.SetText(IDC_SENS_MASS, "40");
            d.Click(IDC_SENS_MEASURE);
            EXPECT_EQ(head.readings, CSensitivityTuningDlg::kReadings);
            EXPECT_EQ(head.lastMass, 40);
            EXPECT_EQ(d.GetText(IDC_SENS_ION_CURRENT), "1.00e-10");
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "1.00e-04");
            EXPECT_FLOAT_EQ(head.m_fPartialSensitivity, 0.0001009f)
                << "the head gets the factor on Accept only";

            // The radios show the factor of their mode.
            d.Click(IDC_SENS_TOTAL);
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "2.00e-02");
            d.Click(IDC_SENS_PARTIAL);
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "1.00e-04");
            d.Click(IDOK);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_NEAR(head.m_fPartialSensitivity, 1e-4f, 1e-9);
    EXPECT_FLOAT_EQ(head.m_fTotalSensitivity, 0.02f);
    EXPECT_EQ(NoiseFloor(), 5);
}

TEST_F(SensitivityTuningTest, TotalModeMeasuresTheTotalCurrentAndAppliesThePressureReduction)
{
    units.m_bReductionEnabled = 1;
    units.m_fReductionFactor = 100.0f;
    head.reading = 1e7f; // 1e-9 A
    Run(
        [&](DialogDriver& d)
        {
            d.Click(IDC_SENS_TOTAL);
            // 5e-3 Torr is inside the range a reduction of 100 allows: no question.
            d.SetText(IDC_SENS_REF_PRESSURE, "0.005");
            d.Click(IDC_SENS_MEASURE);
            EXPECT_EQ(head.totalReadings, 1);
            EXPECT_EQ(head.readings, 0);
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "2.00e-05"); // 1e-9 / 5e-3 x 100
            head.reading = 1e8f;
            prompts
                .Expect("Computed factor = 2.00e-04 A/Torr\nWarning: Computed sensitivity factor appears too "
                        "high.")
                .Reply(IDYES); // above the total limit of 1e-4; kept anyway
            d.Click(IDC_SENS_MEASURE);
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "2.00e-04");
            d.Click(IDOK);
        });
    EXPECT_NEAR(head.m_fTotalSensitivity, 2e-4f, 1e-9);
    EXPECT_FLOAT_EQ(head.m_fPartialSensitivity, 0.0001009f);
}

TEST_F(SensitivityTuningTest, ImplausibleFactorsAreKeptOnlyWhenTheUserSaysSo)
{
    struct Case
    {
        const char* what;
        const char* pressure;
        const char* question; // null: none
        int answer;
        const char* factor; // shown afterwards
    };
    // 1e-10 A measured; the partial limits are 1e-5 and 3e-4 A/Torr.
    const Case cases[] = {
        {"plausible", "1e-6", nullptr, 0, "1.00e-04"},
        {"too high, refused", "1e-7",
         "Computed factor = 1.00e-03 A/Torr\nWarning: Computed sensitivity factor appears too high.", IDNO,
         "1.01e-04"},
        {"too high, kept", "1e-7", "appears too high", IDYES, "1.00e-03"},
        {"too low, refused", "2e-5",
         "Computed factor = 5.00e-06 A/Torr\nWarning: The computed sensitivity factor appears too low.", IDNO,
         "1.01e-04"},
        {"too low, kept", "2e-5", "appears too low", IDYES, "5.00e-06"},
    };
    for (const Case& c : cases)
    {
        Run(
            [&](DialogDriver& d)
            {
                if (c.question)
                    prompts.Expect(c.question).Reply(c.answer);
                d.SetText(IDC_SENS_REF_PRESSURE, c.pressure);
                d.Click(IDC_SENS_MEASURE);
                EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), c.factor) << c.what;
                d.Click(IDCANCEL);
            });
    }
}

TEST_F(SensitivityTuningTest, AReferenceOutsideTheRangeIsUsedOnlyAfterAsking)
{
    Run(
        [&](DialogDriver& d)
        {
            const char* question = "The reference pressure is outside the recommended range.";
            prompts.Expect(question).Reply(IDNO);
            d.SetText(IDC_SENS_REF_PRESSURE, "1e-3");
            d.Click(IDC_SENS_MEASURE);
            EXPECT_EQ(head.readings, 0);

            // 0 passes only through the question, and then gives no factor.
            prompts.Expect(question).Reply(IDYES);
            d.SetText(IDC_SENS_REF_PRESSURE, "0");
            d.Click(IDC_SENS_MEASURE);
            EXPECT_EQ(head.readings, CSensitivityTuningDlg::kReadings);
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "1.01e-04");
            EXPECT_EQ(d.GetText(IDC_SENS_ION_CURRENT), "");

            // Masses 1 and 201 are refused before anything is measured.
            d.SetText(IDC_SENS_REF_PRESSURE, "1e-6");
            for (const char* mass : {"1", "201"})
            {
                prompts.Expect("Please enter an integer between 2 and 200.").Reply(IDOK);
                d.SetText(IDC_SENS_MASS, mass);
                d.Click(IDC_SENS_MEASURE);
            }
            EXPECT_EQ(head.readings, CSensitivityTuningDlg::kReadings);
            d.Click(IDCANCEL);
        });
}

TEST_F(SensitivityTuningTest, UndoAndCancelGiveTheHeadItsStartingFactorsAndNoiseFloor)
{
    const INT_PTR result = Run(
        [&](DialogDriver& d)
        {
            d.SetText(IDC_SENS_REF_PRESSURE, "1e-6");
            d.Click(IDC_SENS_MEASURE);
            d.Click(IDC_SENS_TOTAL);
            head.reading = 2e5f;
            d.Click(IDC_SENS_MEASURE); // ST = 2e-11 / 1e-6
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "2.00e-05");
            head.m_fTotalSensitivity = 1.0f; // as if written meanwhile
            d.Click(IDC_SENS_UNDO);
            EXPECT_EQ(d.GetText(IDC_SENS_FACTOR), "2.00e-02");
            EXPECT_FLOAT_EQ(head.m_fTotalSensitivity, 0.02f) << "Undo writes at once";

            d.Click(IDC_SENS_PARTIAL);
            d.Click(IDC_SENS_MEASURE);
            d.Click(IDCANCEL);
        });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FLOAT_EQ(head.m_fPartialSensitivity, 0.0001009f);
    EXPECT_FLOAT_EQ(head.m_fTotalSensitivity, 0.02f);
    EXPECT_EQ(NoiseFloor(), 5);
}

TEST_F(SensitivityTuningTest, ADuxHeadHasNoTotalPressureMode)
{
    head.m_nFamily = HEAD_FAMILY_DUX;
    head.m_nPresetIndex = 0;
    Run(
        [&](DialogDriver& d)
        {
            EXPECT_FALSE(::IsWindowEnabled(d.Item(IDC_SENS_TOTAL)));
            EXPECT_TRUE(d.IsChecked(IDC_SENS_PARTIAL));
            d.Click(IDCANCEL);
        });
}

TEST_F(SensitivityTuningTest, TalksToTheHeadOnlyWhileHoldingItsPortLock)
{
    g_portLock = ::CreateMutex(nullptr, FALSE, nullptr);
    const HeadPortLockFinder previous = CHeadPortLock::SetFinder(FindPortLock);
    head.portLock = g_portLock;
    Run(
        [&](DialogDriver& d)
        {
            d.SetText(IDC_SENS_REF_PRESSURE, "1e-6");
            d.Click(IDC_SENS_MEASURE);
            d.Click(IDC_SENS_UNDO);
            d.Click(IDOK);
        });
    // The noise floor at start, ten readings, Undo's SP, and Accept's SP and noise floor.
    EXPECT_EQ(head.lockedCalls, 1 + CSensitivityTuningDlg::kReadings + 1 + 2);
    EXPECT_EQ(head.unlockedCalls, 0);
    CHeadPortLock::SetFinder(previous);
    ::CloseHandle(g_portLock);
    g_portLock = nullptr;
}

} // namespace
