// CHead: the command layer of one analyzer head on a serial line. Every head operation becomes a
// two-letter ASCII command; settings are verified by reading them back; the head's error status is
// checked and reported through the ask policy. The simulated head derives from it and overrides
// the virtual operations slot for slot.
#pragma once

#include "mfc/Archive.h"
#include "mfc/Object.h"
#include "mfc/String.h"
#include "win32/types.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CComm;
class CHead;

// Head families as identification finds them.
enum : int
{
    HEAD_FAMILY_KEL = 0,
    HEAD_FAMILY_DUX = 1,
    HEAD_FAMILY_JOV = 2,
    HEAD_FAMILY_UNKNOWN = 3, // before the first identification
};

// A setting of this value is sent as the head's own default ("MI*" and the like).
constexpr int kHeadDefaultValue = 32767;

// String ids of the wait box's first line (the dialogs' resource module holds them).
enum : UINT
{
    IDS_HEAD_WAIT_CALIBRATE = 99,
    IDS_HEAD_WAIT_CEM_ON = 100,
    IDS_HEAD_WAIT_INITIALIZE = 109,
    IDS_HEAD_WAIT_CEM_OFF = 203,
};

// What the ionizer-settings dialog of a KEL or JOV head shows and returns.
struct HeadIonizerSettings
{
    // Defaults offered by the dialog's Default button.
    int defaultElectronEnergy = 70;
    float defaultEmission = 1.0f;
    int defaultFocusVoltage = 90;
    int defaultIonEnergy = 1;
    // Values read from the head; the dialog returns the user's choice in them.
    int electronEnergy = 0;
    float emission = 0.0f;
    int focusVoltage = 0;
    int ionEnergy = 0;
    int filamentOn = 0;      // 1: switch the filament on
    int filamentWarning = 0; // the check box: ask before switching the filament on
};

// What the ionizer-preset dialog of a DUX head shows and returns.
struct HeadDuxIonizerSettings
{
    CString presetText[3]; // "Electron energy %2i eV\nFocus voltage %2i V\nEmission current %5.3f mA"
    // The custom preset (3): defaults shown, the user's values returned.
    int ionEnergy = 0;
    int electronEnergy = 0;
    int focusVoltage = 0;
    float emission = 0.0f;
    int presetIndex = 0; // 0-2 preset, 3 custom
    int filament = 0;    // 0: on, else off
};

// The texts of the head information dialog, in the order the head is asked for them.
struct HeadInfoTexts
{
    CString model;
    CString firmware;
    CString serialNumber;
    CString partialSensitivity;
    CString totalSensitivity; // "Total: ..." for KEL and JOV, "for mode %i :" for DUX
    CString cemOption;
    CString cemState;
    CString cemVoltage;
    CString cemGain;
    CString highVoltage;
    CString statusByte;
    CString errorEP, errorED, errorEQ, errorEM, errorEF, errorEC;
    CString electronEnergy;
    CString emission;
    CString focusVoltage;
    CString ionEnergy;
    CString rs, ri, ds, di;
};

// The dialogs the head runs around its commands. The head dialog library installs them with
// CHead::SetDialogs; without them (or when a dialog cannot run, result -1) the head goes on
// without the user's input.
class IHeadDialogs
{
public:
    virtual ~IHeadDialogs() = default;
    // The timed wait box (limit in 500 ms ticks; mode 1 hides its button until the limit passed).
    // Line 1 is text when it is not empty, else string textId. Returns the dialog's result (1 when
    // the head answered, IDCANCEL, -1 when it could not run).
    virtual int RunWaitBox(CHead& head, int limit, int mode, UINT textId, const CString& text) = 0;
    // The filament warning: IDOK, 100 (go on without the filament this time), other = refused.
    // checkBox receives the dialog's check box (1: stop warning).
    virtual int RunFilamentWarning(int& checkBox) = 0;
    // Template 215 (KEL and JOV heads). IDOK applies the returned settings.
    virtual int RunIonizerDialog(CHead& head, HeadIonizerSettings& settings) = 0;
    // Template 1545 (DUX heads). IDOK applies the returned settings.
    virtual int RunDuxIonizerDialog(CHead& head, HeadDuxIonizerSettings& settings) = 0;
    // The RF-check box with massText ("%d AMU"); its check box is loaded from and stored into
    // noticeFlag.
    virtual int RunRfCheckBox(const CString& massText, int& noticeFlag) = 0;
    // The head information dialog.
    virtual int RunInfoDialog(const HeadInfoTexts& texts) = 0;
    // The CEM dialog on this head.
    virtual int RunCemDialog(CHead& head) = 0;
    // The RF-check box shown modeless while the search runs, its text the mass under test
    // ("%d AMU"); CloseRfProgress takes it down. Without them no progress is shown.
    virtual void ShowRfProgress(const CString& /*massText*/) {}
    virtual void CloseRfProgress() {}
};

// How a head asks the user when the line lets it down (a reply that did not come, a low DSR line,
// a setting the head did not confirm, an error bit in its status), and the few messages it only
// tells. The programs install the box-showing policy (CHeadBoxPolicy) with CHead::SetAskPolicy.
// Without one, and always for a quiet head, nobody is asked: the head gives up at once, so a head
// used away from the user-interface thread (a worker, a port scan, a test) never waits on a box.
class IHeadAskPolicy
{
public:
    virtual ~IHeadAskPolicy() = default;
    // Retry/Cancel; TRUE to try again.
    virtual BOOL AskRetry(LPCTSTR text) = 0;
    // Abort/Retry/Ignore; IDABORT, IDRETRY or IDIGNORE.
    virtual int AskAbortRetryIgnore(LPCTSTR text) = 0;
    // A message with only an OK button; type holds its MB_ flags.
    virtual void Tell(LPCTSTR text, UINT type) = 0;
};

class CHead : public CObject
{
    DECLARE_SERIAL(CHead)

public:
    CHead();
    ~CHead() override;

    CHead(const CHead&) = delete;
    CHead& operator=(const CHead&) = delete;

    // ---- CObject's slots ----
    void Serialize(CArchive& ar) override;
    void AssertValid() const override;
    void Dump(CDumpContext& dc) const override;

    // ---- Virtual operations, in slot order. BOOL results: 1 success, 0 failure; out-parameters
    // are 0 on failure unless said. Every operation that needs the line fails at once without one.
    virtual BOOL IdentifyHead();
    // 1 while the port's DSR is high (else the policy is asked to retry).
    virtual BOOL CheckHeadPresent();
    virtual BOOL IsOnline();
    virtual BOOL IsReady();
    virtual BOOL Disconnect();
    // Opens the 0-based port, identifies the head and brings it on line.
    virtual BOOL Connect(int port);
    virtual BOOL IsConnected();
    // Reads one status line (10000 ms) and gives its integer; the head owes that status no more.
    virtual BOOL ReadIntReply(int& value);
    virtual BOOL FormatSettingsReport(CString& report);
    // pending = 1 when the head has sent its status (then checked); 0 when nothing came.
    virtual BOOL PollStatus(int& pending);
    virtual BOOL GetFilamentErrorFlag();
    virtual BOOL GetStatusTimedOut();
    virtual BOOL GetAbortFlag();
    virtual BOOL GetCemOption(int& value);
    virtual BOOL Initialize();
    virtual BOOL Calibrate();
    virtual BOOL Degas();
    // The head's ID reply (tried 3 times while shorter than 17 characters).
    virtual BOOL QueryId(CString& reply);
    virtual BOOL GetModelString(CString& model);
    virtual BOOL GetFirmwareVersion(float& version);
    virtual BOOL GetSerialNumber(int& number);
    virtual int GetHeadFamily();
    virtual BOOL RunIonizerDialog();
    virtual BOOL RefreshCemState(int& present);
    virtual BOOL IsHighVoltageOn(int& on);
    virtual BOOL QueryHighVoltage(int& value);
    virtual BOOL SetMultiplierVoltage(int volts);
    virtual BOOL QueryMultiplierVoltage(int& volts);
    // The gain is 1000 x what the head speaks.
    virtual BOOL QueryMultiplierGain(float& gain);
    virtual BOOL SetMultiplierGain(float gain);
    virtual BOOL QueryCemOption(int& value);
    virtual BOOL SetHighVoltage(int on);
    virtual BOOL HighVoltageOff();
    virtual BOOL SwitchFilamentWithProgress(int on);
    virtual BOOL FilamentOn();
    virtual BOOL FilamentOff();
    virtual BOOL QueryEmissionCurrent(float& milliamps);
    virtual BOOL IsFilamentOn(int& on);
    virtual BOOL EnsureFilamentOn();
    virtual BOOL SetIonEnergyWithProgress(int value);
    virtual BOOL SetIonEnergy(int value);
    virtual BOOL QueryIonEnergy(int& value);
    virtual BOOL SetElectronEnergyWithProgress(int value);
    virtual BOOL SetElectronEnergy(int value);
    virtual BOOL QueryElectronEnergy(int& value);
    virtual BOOL SetFocusVoltageWithProgress(int value);
    virtual BOOL SetFocusVoltage(int value);
    virtual BOOL QueryFocusVoltage(int& value);
    virtual BOOL SetInitialMass(int mass);
    virtual BOOL QueryInitialMass(int& mass);
    virtual BOOL SetFinalMass(int mass);
    virtual BOOL QueryFinalMass(int& mass);
    virtual BOOL SetStepsPerAmu(int steps);
    virtual BOOL QueryStepsPerAmu(int& steps);
    virtual BOOL SetNoiseFloor(int value);
    virtual BOOL QueryNoiseFloor(int& value);
    virtual BOOL SetRS(float value);
    virtual BOOL QueryRS(float& value);
    virtual BOOL SetRI(float value);
    virtual BOOL QueryRI(float& value);
    virtual BOOL SetDS(float value);
    virtual BOOL QueryDS(float& value);
    virtual BOOL SetDI(int value);
    virtual BOOL QueryDI(int& value);
    virtual BOOL QueryAP(int& value);
    virtual BOOL QueryHP(int& value);
    virtual BOOL QueryST(float& value);
    virtual BOOL SetST(float value);
    virtual BOOL QuerySP(float& value);
    virtual BOOL SetSP(float value);
    virtual float GetSensitivity();
    virtual BOOL QueryXV(int index, float& value);
    virtual BOOL SetXV(int index, float value);
    // Reads one 4-byte point (3000 ms).
    virtual BOOL ReadDataPoint(float& value);
    virtual BOOL GetLastDataPoint(int& value);
    virtual BOOL MeasureIB(float& value);
    virtual BOOL MeasureMR(float& value);
    virtual BOOL MeasureTotalPressure(float& value);
    // noiseFloor -1 keeps the head's noise floor.
    virtual BOOL MeasureSingleMass(int mass, int noiseFloor, float& value);
    virtual BOOL StartSingleMass(int mass, int noiseFloor);
    virtual BOOL StartTotalPressure();
    // n = -1 sends the bare command; n = 0 also purges the receive queue.
    virtual BOOL StartAnalogScan(int n);
    virtual BOOL StartHistogramScan(int n);
    virtual BOOL StopScan();
    virtual BOOL EnableTotalPressure(int on);
    virtual BOOL CheckErrors();
    virtual BOOL QueryStatusByte(int& value);
    virtual BOOL QueryEP(int& value);
    virtual BOOL QueryED(int& value);
    virtual BOOL QueryEQ(int& value);
    virtual BOOL QueryEM(int& value);
    virtual BOOL QueryEF(int& value);
    virtual BOOL QueryEC(int& value);
    virtual BOOL CheckRfSupply();
    virtual BOOL RunCemDialog();
    // Bytes in the receive queue (0 without a line).
    virtual int GetBytesWaiting();
    virtual BOOL WaitForBytes(int count, DWORD timeoutMs);
    // Sends text plus CR LF, after the statuses the head still owes (see SendCommand); no reply is
    // read.
    virtual BOOL SendRaw(LPCTSTR text);
    virtual BOOL Reconnect();
    // Sends set, then query, and reads one line (10000 ms) into reply (CR removed).
    virtual BOOL SendAndQuery(LPCTSTR setCommand, LPCTSTR query, CString& reply);
    // Sends command and reads one line into reply (CR removed): 3000 ms for "ID?", else 10000 ms.
    virtual BOOL Query(LPCTSTR command, CString& reply);

    // ---- Non-virtual operations ----
    // Sensitivity range checks; kind 0 partial, 1 total, other: the limit's float bits.
    BOOL IsSensitivityTooHigh(int kind, float value);
    BOOL IsSensitivityTooLow(int kind, float value);
    // Seconds for one analog scan of masses m1..m2 at steps per amu and noise floor 0-8.
    double EstimateAnalogScanTime(int startMass, int stopMass, int stepsPerAmu, int noiseFloor);
    double EstimateHistogramScanTime(int startMass, int stopMass, int noiseFloor);
    double EstimatePointTime(int noiseFloor);
    // While set, StartTotalPressure throws CKelException on failure.
    void SetThrowOnError(int flag) { m_bThrowOnError = flag; }
    BOOL IsNotJovFamily() { return m_nFamily != HEAD_FAMILY_JOV; }
    int GetScaled10();
    int GetScaled25();
    BOOL InitializeWithProgress();
    BOOL CalibrateWithProgress();
    BOOL DegasWithProgress();
    BOOL FilamentOnAndWait();
    BOOL HighVoltageOffWithProgress();
    BOOL HighVoltageOnWithProgress();
    // Reads the DUX ionizer presets from the profile and sets the current defaults by family.
    void LoadFamilyDefaults();
    void ShowInfoDialog();

    // The error-group handlers of CheckErrors, each given the status byte; 0 after Abort.
    BOOL HandleEP(int status);
    BOOL HandleED(int status);
    BOOL HandleEQ(int status);
    BOOL HandleEM(int status);
    BOOL HandleEF(int status);
    BOOL HandleEC(int status);

    // The status thread's procedure (argument: the thread's shared state).
    static DWORD WINAPI StatusThreadProc(LPVOID param);

    // The process-wide head dialogs (not owned; null: none).
    static void SetDialogs(IHeadDialogs* dialogs);
    static IHeadDialogs* GetDialogs();
    // The process-wide ask policy (not owned; null: nobody is asked).
    static void SetAskPolicy(IHeadAskPolicy* policy);
    static IHeadAskPolicy* GetAskPolicy();

    // The open line, or null (also after the line dropped).
    CComm* GetComm();

    // ---- What the head keeps (no line traffic) ----
    // A quiet head asks nobody, whatever policy is installed: the port list's probes.
    void SetQuiet(int quiet) { m_bQuiet = quiet; }
    int IsQuiet() const { return m_bQuiet; }
    // Makes a head quiet while it lives, then puts its flag back.
    class QuietScope
    {
    public:
        explicit QuietScope(CHead& head) : m_head(head), m_old(head.m_bQuiet) { head.m_bQuiet = 1; }
        ~QuietScope() { m_head.m_bQuiet = m_old; }
        QuietScope(const QuietScope&) = delete;
        QuietScope& operator=(const QuietScope&) = delete;

    private:
        CHead& m_head;
        int m_old;
    };
    // The instrument descriptor that created the head; not owned.
    void SetOwner(void* owner) { m_pOwner = owner; }
    void* GetOwner() const { return m_pOwner; }
    // The 0-based port of the last Connect, or the stored one.
    int GetPort() const { return m_nPort; }
    // The identified model's mass range: 100, 150, 200, 300 or 6.
    int GetMassRange() const { return m_nMassRange; }
    // The DUX ionizer preset: 0-2, 3 custom; 4 for the other families.
    int GetPresetIndex() const { return m_nPresetIndex; }
    // The multiplier voltage (V) SetHighVoltage switches on at; setting it sends nothing.
    int GetCemVoltage() const { return m_nCemVoltage; }
    void SetCemVoltage(int volts) { m_nCemVoltage = volts; }
    // The stored CEM gain-adjustment mass.
    int GetGainMass() const { return m_nGainMass; }
    void SetGainMass(int mass) { m_nGainMass = mass; }
    // 1000 x the head's gain figure, as last set or read.
    float GetCemGain() const { return m_fCemGain; }
    // Whether the head has a multiplier, as last read.
    BOOL IsCemPresent() const { return m_bCemPresent; }
    // The multiplier's high voltage as last switched or read.
    BOOL GetHighVoltageState() const { return m_bHighVoltageOn; }
    // The filament state the head reported last (no head traffic).
    BOOL GetFilamentState() const { return m_bFilamentOn; }
    // ST (A/Torr) as last set or read.
    float GetTotalSensitivity() const { return m_fTotalSensitivity; }

protected:
    // ---- Fields, in the order the head keeps them ----
    std::shared_ptr<CComm> m_pComm; // owned (shared with the status thread while it runs)
    float m_fEmission;              // mA, sent by FilamentOn
    int m_nCemVoltage;              // V
    int m_nGainMass;                // stored word: the CEM gain-adjustment mass, default 28
    float m_fTotalSensitivity;      // ST, A/Torr
    float m_fPartialSensitivity;    // SP, A/Torr
    float m_fCemGain;               // 1000 x the head's figure
    int m_nHighVoltageRequest;
    int m_nFocusVoltage;
    int m_nElectronEnergy;
    int m_nIonEnergy; // 0 low, 1 high
    int m_bRfNotice;  // the RF-check box's check box
    int m_nDefElectronEnergy;
    float m_fDefEmission;
    int m_nDefFocusVoltage;
    int m_nDefIonEnergy;
    float m_fFurther[2];
    int32_t m_nLastDataPoint;
    int m_nPresetIon[4];
    int m_nPresetElectron[4];
    int m_nPresetFocus[4];
    float m_fPresetEmission[4];
    int m_nPointTime[9]; // per-point cost by noise floor, 1/675 s
    int m_nHistDivisor, m_nHistFactor, m_nSettleTerm;
    int m_bAbort;
    int m_bFilamentOn;
    int m_bFilamentError[3]; // "EF?" bits 6, 5, 0
    int m_bStatusTimedOut;
    int m_bHighVoltageOn;
    int m_bCemPresent;
    int m_nMassRange; // 100, 150, 200, 300 or 6
    int m_nPort;      // 0-based
    int m_nPresetIndex;
    int m_bFilamentWarning;
    int m_bSkipOnce;
    int m_bThrowOnError;
    std::atomic<int> m_bOnline;
    char m_szModel[7];
    float m_fFirmware;
    int m_nSerial;
    int m_nFamily;
    int m_nJovI, m_nJovS;
    int m_nStoredInt[3];
    float m_fStoredFloat[5];
    CString m_strStored[5];
    int m_bQuiet;   // asks nobody (see IHeadAskPolicy)
    void* m_pOwner; // the instrument descriptor that created the head; not owned
    HANDLE m_hStatusThread;
    std::atomic<int> m_bNoResponse;
    // Completion statuses the head owes for commands whose status nobody has read yet.
    int m_nStatusOwed = 0;

    // The status thread's view of the line: it outlives a head whose thread did not end in time.
    struct StatusShared
    {
        std::shared_ptr<CComm> comm;
        std::atomic<int> stop{0};
        std::atomic<int> lost{0}; // DSR fell: the line is gone
        std::atomic<int> ended{0};
    };

    // The line when there is one and it has not dropped.
    CComm* Line();
    // Takes comm as the head's line on port and identifies the head; without an answer the line
    // is dropped again and 0 returned.
    BOOL AttachLine(std::shared_ptr<CComm> comm, int port);
    // Takes an identification reply: family, model, mass range, firmware and serial number, then
    // the sensitivities; 0 (told through the policy) for a maker or model this program does not run.
    BOOL ApplyIdReply(const CString& id);
    // What connecting does once the head is identified: ionizer defaults and presets, filament and
    // multiplier state.
    void BringOnline();
    BOOL LineOnline() { return Line() && m_bOnline; }
    // A mass or step count as a JOV head counts it, and back (other families: unchanged). Saturated:
    // the head's replies and the callers' values may be anything.
    int ToHeadMass(int mass) const;
    int FromHeadMass(int mass) const;
    int FromHeadSteps(int steps) const;
    // value clamped to the range of int.
    static int SaturateToInt(int64_t value);
    // One reply line into reply (CR removed, at most 100 bytes); 0 on time-out.
    BOOL ReadReply(CString& reply, DWORD timeoutMs);
    // Sends one command. The head answers in order, so the statuses it still owes are read off the
    // line first: the next reply read is then this command's (or its own status). A status that
    // does not come within the reply time-out is owed no more. 0 without a line.
    BOOL SendCommand(LPCTSTR text);
    // Sends a command that the head answers with a completion status once done (IN, CL, DG, FL,
    // HV, IE, EE, VF); PollStatus, ReadIntReply or the next command takes the status.
    BOOL SendWithStatus(LPCTSTR text);
    // Clears the receive queue; the statuses owed go with it.
    void PurgeLine(CComm& comm);
    // The policy this head asks through: the one that asks nobody while quiet or none is installed.
    IHeadAskPolicy& Ask();
    BOOL QueryInt(LPCTSTR command, int& value);
    BOOL QueryFloat(LPCTSTR command, float& value);
    // Sets and verifies an integer; with defaultForm, 32767 is sent as the letters and "*".
    BOOL SetVerifiedInt(LPCTSTR letters, int value, bool defaultForm = true);
    // Sets and verifies a float printed with format; accepts the echo when it reads as the same
    // number at that precision.
    BOOL SetVerifiedFloat(LPCTSTR letters, LPCTSTR format, double sent, double tolerance, CString* echo);
    // Sends command and reads a 4-byte point, asking to retry with timeoutText.
    BOOL MeasurePoint(LPCTSTR command, LPCTSTR timeoutText, float& value);
    // Runs the wait box when dialogs are installed.
    int WaitBox(int limit, int mode, UINT textId, LPCTSTR text = nullptr);
    // An ionizer setter followed by its wait box (limit in 500 ms ticks, line 1 text); kept records
    // the value once it was sent.
    BOOL SetWithProgress(BOOL (CHead::*set)(int), int value, int limit, LPCTSTR text, int& kept);
    // One group handler: query and the (bit, text) boxes in order.
    struct ErrorBit
    {
        int bit;
        LPCTSTR text;
    };
    BOOL HandleGroup(LPCTSTR query, const ErrorBit* bits, int count, int group);
    void StopStatusThread();
    void DropLine();

    std::shared_ptr<StatusShared> m_pStatus;
};

CArchive& operator>>(CArchive& ar, CHead*& pHead);
