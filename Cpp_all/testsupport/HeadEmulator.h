// A head on the far end of a serial line, for tests: it reads CR LF terminated commands, keeps
// the head's settings, answers CR-terminated text replies and sends 4-byte little-endian data
// points from the simulated spectrum, the way a head does. It sits on the test kit's virtual null
// modem or on the master side of a pseudo-terminal and runs on its own thread; the program side
// opens the other end with the real serial code.
//
//     kel::testkit::VirtualNullModem modem;
//     modem.RegisterAs(41);
//     kel::testkit::HeadEmulator head(modem);
//     head.SetErrorStatus("ED?", 0xA0);          // "ER?" then reports bit 0x20
//     ... CHead talks to COM41 ...
//     EXPECT_EQ(head.Commands().back(), "ED?");
//
// What the head does with a command (two letters, then an argument):
// - "XX?" answers the stored value of XX; "XX<value>" stores value; "XX*" stores XX's default.
// - "ID?" answers the ID reply; "ER?" the status byte (its own bits plus one bit per group whose
//   byte is set: "EP?" 0x40, "ED?" 0x20, "EQ?" 0x10, "EM?" 0x08, "EF?" 0x02); the group queries
//   answer their bytes. "AP?" and "HP?" answer the point counts of the stored mass range.
// - "IN0", "CL", "DG*" and the settings FL, HV, IE, EE, VF answer the status byte when done.
// - "SC[n]" and "HS[n]" send n sweeps (1 without n) of analog or histogram points, each sweep
//   followed by the total-pressure word; "MR<m>" sends one point at mass m; "MR0" or any other
//   command ends a scan. "TP?", "IB?" and "MR?" answer one binary word.
// - "ML<m>" sets the mass for the RF readings "AD0" and "AD1", which read healthy up to the RF
//   limit and failing above it. "XA<i>" selects the XV index.
// Every call is thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kel::testkit
{

class VirtualNullModem;

class HeadEmulator
{
public:
    // Answers on the far end of modem; modem must outlive the emulator.
    explicit HeadEmulator(VirtualNullModem& modem);
    // Opens a pseudo-terminal and answers on its master side; the port side is DevicePath().
    // IsRunning() is false when no pseudo-terminal could be opened.
    HeadEmulator();
    // Stops the thread; bytes not yet sent are dropped.
    ~HeadEmulator();
    HeadEmulator(const HeadEmulator&) = delete;
    HeadEmulator& operator=(const HeadEmulator&) = delete;

    bool IsRunning() const;
    // The pseudo-terminal's slave device (for a COM mapping); empty on a virtual null modem.
    std::string DevicePath() const;

    // ---- Settings ----
    // The stored value of a two-letter setting as the head answers it ("0" when never set).
    std::string Setting(const std::string& letters) const;
    void SetSetting(const std::string& letters, const std::string& value);
    // What "XX*" stores for letters.
    void SetDefault(const std::string& letters, const std::string& value);
    // The "ID?" reply without its CR (default "ZOLKEL200VER1.02SN12345": model KEL200, firmware
    // 1.02 at offset 12, serial 12345 at offset 18).
    void SetId(const std::string& reply);
    // The byte that "ER?" or a group query ("EP?", "ED?", "EQ?", "EM?", "EF?", "EC?") answers.
    void SetErrorStatus(const std::string& query, int bits);
    // "AD0"/"AD1" read an RF level of at least 2.2 at "ML" masses up to mass, below it above.
    // Default: healthy at every mass.
    void SetRfLimit(int mass);

    // ---- Data points ----
    // Noise added to spectrum points, as the simulated head's models: 0 uniform (0..1), 1 Gaussian
    // (mean 0, variance 1), any other model none; scans scale it by 10 with the multiplier's high
    // voltage on ("MO" 1, "HV" not 0), else by 100. A negative seed restarts the Gaussian sequence.
    // Default: Gaussian, seed -1.
    void SetNoiseModel(int model, int32_t seed = -1);
    // Points at the head's pace (off by default: as fast as the port takes them). With T the
    // point-time table entry of the "NF" setting (1350 at 0 down to 2 at 8), a scan point takes
    // (T / steps per amu + 1/2) / 675 s, a histogram point 24 x (T / 10 + 1/2) / 675 s and a single
    // mass (7 x (T / 10 + 1/2) + T / 2 + 1) / 675 s + 4 ms. Counted on the layer clock from the
    // command on, so under a fake clock the points come as the test moves time.
    void SetPointTiming(bool on);
    // The word answered to "TP?" and sent after each sweep (default 1023).
    void SetTotalPressureWord(int32_t word);
    // The word answered to "IB?" (default 1000).
    void SetIonCurrentWord(int32_t word);
    // The point a noise-free scan sends at mass (amu): the signal of the simulated spectrum's row
    // nearest to mass, truncated; below 1.0 amu the first row's, above 100.0 amu the last row's.
    static int32_t SpectrumPoint(double mass);

    // ---- Faults ----
    // Silent head: commands are taken (and logged, and settings stored) but nothing is answered.
    void SetSilent(bool silent);
    // Swallows the replies to command, given whole ("ID?") or as its two letters ("MI" silences
    // every MI command), for the next `times` commands (-1: until ClearSilences).
    void Silence(const std::string& command, int times = -1);
    void ClearSilences();
    // The reply to command (matched as Silence matches) is replaced by bytes, sent as they are,
    // for the next `times` such commands.
    void Garble(const std::string& command, const std::string& bytes, int times = 1);
    // The reply to command (matched as Silence matches), and a scan's points, go out ms late on
    // the layer clock, for the next `times` such commands; everything later waits behind it.
    void Delay(const std::string& command, unsigned ms, int times = 1);
    // The next `times` queries "XX?" answer wrongValue instead of the stored value.
    void SetEchoFault(const std::string& letters, const std::string& wrongValue, int times = 1);
    // Raises or drops the head's DTR, which the port sees as DSR (and carrier). False on a
    // pseudo-terminal, which has no modem lines.
    bool SetDsr(bool on);

    // ---- What the head received ----
    // Every byte received, exactly.
    std::string Received() const;
    // The commands received, without their terminators, in order.
    std::vector<std::string> Commands() const;
    void ClearLog();
    // Waits up to timeoutMs of real time until at least count commands are in the log (commands
    // without a reply leave the caller nothing else to wait on). True when they are.
    bool WaitForCommands(size_t count, unsigned timeoutMs = 2000) const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace kel::testkit
