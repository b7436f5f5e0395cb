// The document's digital I/O card: which card the program uses (name and number, kept in the
// profile), whether its use is enabled and locked, and the outputs that signal table and total
// pressure alarms. The program carries no card driver: every operation that would touch the card
// accepts its arguments and reports success.
#pragma once

#include <afx.h>

#include <atomic>
#include <cstdint>

class CTable;

class CCbBoard : public CObject
{
    DECLARE_SERIAL(CCbBoard)
public:
    static constexpr int kStates = 15;
    static constexpr int kOutputPorts = 11; // ten channel outputs and the total-pressure output
    static constexpr int kLines = 10;       // manual lines 0..9
    static constexpr const char* kNotInstalled = "Not Installed";

    // For creation by class: name "Not Installed", board 0, not configured, not enabled.
    CCbBoard() = default;
    // The document's board for its table (not owned): every word at its initial value.
    explicit CCbBoard(CTable* table);

    // Stores and loads nothing.
    void Serialize(CArchive& ar) override;

    // 1 when use is enabled and locked and the board is configured. The scans and the document
    // drive outputs only then.
    BOOL IsEnabled() const { return m_enableAndLock && m_configured ? 1 : 0; }

    // ---- Card operations: no driver, so each returns 1 and changes nothing ----
    BOOL ListBoards();
    BOOL IsBoardPresent();
    BOOL OutputChannelValue(int channel, float value);
    BOOL OutputTotalPressure(float value);
    BOOL SetChannelLevel(int channel, int level);
    BOOL SetLineLevel(int line, int level);
    BOOL ConfigureBoard();
    BOOL IsDriverInstalled();
    BOOL ResetOutputs(int level);

    // Writes the profile section "CB I/O Setup": "Board #" = number, "Board Name" = name.
    void WriteProfile(LPCTSTR name, int number);

    // ---- Accessors; an index out of range reads 0 ----
    int GetChannelState(int index) const;
    int GetLineState(int index) const;
    int GetBoardNumber() const { return m_boardNumber; }
    int GetConfigured() const { return m_configured; }
    CString GetBoardName() const { return m_boardName; }
    int GetEnableAndLock() const { return m_enableAndLock; }
    void SetEnableAndLock(int on) { m_enableAndLock = on; }
    CTable* GetTable() const { return m_pTable; }

    // Some document of this program has enabled and locked its board.
    static BOOL IsBoardLocked() { return s_boardLocked.load(); }
    static void SetBoardLocked(BOOL locked) { s_boardLocked = locked ? 1 : 0; }

    // ---- Fields, in order ----
    int32_t m_channelStates[kStates] = {};
    int32_t m_lineStates[kStates] = {}; // the first ten: manual lines 0..9 (1 high, 0 low)
    CTable* m_pTable = nullptr;
    int32_t m_boardNumber = 0;
    int32_t m_configured = 0; // no operation sets it
    CString m_boardName = kNotInstalled;
    int32_t m_enableAndLock = 0;
    int32_t m_spare = 0;
    int32_t m_outputPorts[kOutputPorts] = {};
    int32_t m_spareWords[8] = {};
    int32_t m_linePorts[kLines] = {};
    int32_t m_moreSpareWords[10] = {};
    int32_t m_lastWord = 0;

private:
    static inline std::atomic<int> s_boardLocked{0};
};
