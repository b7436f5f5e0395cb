// The Split commands: two panes of different kinds in one split display, run by one split scan
// (or, for the library layouts, by the scan in force with the gas library in the lower pane). The
// panes work on copies of the document's settings that live as long as the split layout.
#include "analysis/Library.h"
#include "dialogs/BaseParameterDlg.h"
#include "displays/PvsTDisplay.h"
#include "displays/SplitDisplay.h"
#include "doc/AnalogData.h"
#include "doc/KelDoc.h"
#include "doc/SplitLayouts.h"
#include "head/Head.h"
#include "res/resource.h"
#include "scans/SplitScan.h"
#include "scans/Table.h"

#include <afxwin.h>

#include <initializer_list>
#include <new>

namespace
{

using L = SplitLayout;

// The rows of the split layouts: command, the mode in force, then the layout.
struct LayoutRow
{
    unsigned command;
    int fromMode;
    SplitLayout layout;
};

// clang-format off
const LayoutRow kLayouts[] = {
    {ID_SPLIT_ANALOG,    0, {0, 0, {L::kFirstAnalog, L::kSecondAnalog},       0, L::kNoCoupling}},
    {ID_SPLIT_ANALOG,    2, {0, 2, {L::kFirstAnalog, L::kTableSettings},      1, L::kFlagCoupling}},
    {ID_SPLIT_ANALOG,    3, {0, 3, {L::kFirstAnalog, L::kTableSettings},      1, L::kFullCoupling}},
    {ID_SPLIT_HISTOGRAM, 1, {1, 1, {L::kHistogram, L::kSecondHistogram},      0, L::kNoCoupling}},
    {ID_SPLIT_HISTOGRAM, 2, {1, 2, {L::kHistogram, L::kTableSettings},        2, L::kFlagCoupling}},
    {ID_SPLIT_HISTOGRAM, 3, {1, 3, {L::kHistogram, L::kTableSettings},        2, L::kFullCoupling}},
    {ID_SPLIT_TABLE,     0, {0, 2, {L::kFirstAnalog, L::kTableSettings},      1, L::kFlagCoupling}},
    {ID_SPLIT_TABLE,     1, {1, 2, {L::kHistogram, L::kTableSettings},        2, L::kFlagCoupling}},
    {ID_SPLIT_TABLE,     3, {3, 2, {L::kTableSettings, L::kTableSettings},    3, L::kNoCoupling}},
    {ID_SPLIT_PVST,      0, {0, 3, {L::kFirstAnalog, L::kTableSettings},      1, L::kFullCoupling}},
    {ID_SPLIT_PVST,      1, {1, 3, {L::kHistogram, L::kTableSettings},        2, L::kFullCoupling}},
    {ID_SPLIT_PVST,      2, {3, 2, {L::kTableSettings, L::kTableSettings},    3, L::kNoCoupling}},
    {ID_SPLIT_LIBRARY,   0, {0, 7, {L::kFirstAnalog, L::kLibrarySettings},   -1, L::kNoCoupling}},
    {ID_SPLIT_LIBRARY,   1, {1, 7, {L::kHistogram, L::kLibrarySettings},     -1, L::kNoCoupling}},
    {ID_SPLIT_LIBRARY,   3, {3, 7, {L::kTableSettings, L::kLibrarySettings}, -1, L::kNoCoupling}},
    {ID_SPLIT_LIBRARY,   2, {2, 7, {L::kTableSettings, L::kLibrarySettings}, -1, L::kNoCoupling}},
};
// clang-format on

// Display kind codes.
constexpr int kAnalogKind = 1;
constexpr int kTableKind = 3;
constexpr int kPvsTKind = 4;
constexpr int kBarKind = 5;
constexpr int kSplitKind = 7;

// The table's coupling words, as the table scan reads them: the flag, the spectrum pane's scan
// speed index and the CEM state.
constexpr int kWordCoupled = 5;
constexpr int kWordCoupledSpeed = 6;
constexpr int kWordCoupledCem = 7;
// The triggered scan mode the fully coupled spectrum settings take.
constexpr int32_t kTriggeredScan = 2;

// The mode whose display is shown (-1 for a display the Split commands do not start from).
int ModeOfDisplay(const CDisplay* display)
{
    switch (display != nullptr ? display->GetKind() : 0)
    {
    case kAnalogKind:
        return CKelDoc::kModeAnalog;
    case kBarKind:
        return CKelDoc::kModeHistogram;
    case kTableKind:
        return CKelDoc::kModeTable;
    case kPvsTKind:
        return CKelDoc::kModePvsT;
    default:
        return -1;
    }
}

void EnableFor(CCmdUI* pCmdUI, const CDisplay* display, std::initializer_list<int> kinds)
{
    BOOL enable = FALSE;
    if (display != nullptr)
        for (int kind : kinds)
            enable = enable || display->GetKind() == kind;
    pCmdUI->Enable(enable);
}

} // namespace

bool FindSplitLayout(unsigned command, int fromMode, SplitLayout& layout)
{
    for (const LayoutRow& row : kLayouts)
        if (row.command == command && row.fromMode == fromMode)
        {
            layout = row.layout;
            return true;
        }
    return false;
}

// ---- The split display and its settings copies

CObject* CKelDoc::SplitSourceSettings(int source)
{
    if (source == SplitLayout::kTableSettings)
        return m_pTable.get();
    return GetAnalogSettings(source);
}

void CKelDoc::MakeSplitSettings(const SplitLayout& layout)
{
    CObject* sources[2] = {SplitSourceSettings(layout.settings[0]), SplitSourceSettings(layout.settings[1])};
    for (int i = 0; i < 2; ++i)
    {
        if (i == 1 && sources[1] == sources[0])
        {
            m_pSplitSettings[1] = m_pSplitSettings[0];
            break;
        }
        if (auto* record = dynamic_cast<CAnalogData*>(sources[i]))
            m_pSplitSettings[i] = record->Clone();
        else if (auto* table = dynamic_cast<CTable*>(sources[i]))
            m_pSplitSettings[i] = table->Clone();
    }
}

void CKelDoc::DropSplitDisplay()
{
    CDisplay* split = GetDisplayOfKind(kSplitKind);
    if (split == nullptr)
        return;
    const int modes[2] = {split->GetPaneCode(0), split->GetPaneCode(1)};
    // Nothing may keep pointing at the panes or at the copies they show.
    if (m_pLibrary)
    {
        if (m_pLibrary->GetDisplay() == split->m_pTopDisplay ||
            m_pLibrary->GetDisplay() == split->m_pBottomDisplay)
            m_pLibrary->SetDisplay(nullptr);
        const CAnalogData* range = m_pLibrary->GetRangeSettings();
        if (range != nullptr && (range == m_pSplitSettings[0] || range == m_pSplitSettings[1]))
            m_pLibrary->SetRangeSettings(GetAnalogSettings(4));
    }
    if (m_pCurrentDisplay == split)
        m_pCurrentDisplay = nullptr;
    // The panes go before the settings copies they show.
    m_displays[kSplitKind - 1].reset();
    FreeSplitSettings(modes);
}

void CKelDoc::LeaveSplitLayout()
{
    if (m_pCurrentDisplay != nullptr && m_pCurrentDisplay->GetKind() == kSplitKind)
        DropSplitDisplay();
}

void CKelDoc::ApplyTableCoupling(const SplitLayout& layout)
{
    if (layout.coupling == SplitLayout::kNoCoupling || !m_pTable)
        return;
    CAnalogData* spectrum = GetAnalogSettings(layout.settings[0]);
    if (spectrum == nullptr)
        return;
    if (layout.coupling == SplitLayout::kFullCoupling)
    {
        spectrum->UpdateScanTime();
        spectrum->m_scanMode = kTriggeredScan;
        // A sweep never timed (no head to ask) leaves the table's period as it is: a period of 0
        // would stall the pressure-versus-time scan.
        if (spectrum->m_sweepTime > 0.0f)
        {
            m_pTable->m_currentPeriod = spectrum->m_sweepTime;
            m_pTable->SetDisplayFloat(PvsTWords::kPointTime, spectrum->m_sweepTime);
        }
    }
    m_pTable->m_displayWords[kWordCoupled] = 1;
    m_pTable->m_displayWords[kWordCoupledSpeed] = static_cast<uint32_t>(spectrum->m_noiseFloor);
    m_pTable->m_displayWords[kWordCoupledCem] =
        m_pHead != nullptr ? static_cast<uint32_t>(m_pHead->GetHighVoltageState() ? 1 : 0) : 0;
}

// ---- The commands

BOOL CKelDoc::CanStartSplit()
{
    if (m_bModeSwitchLock)
        return FALSE;
    if (m_bPeakTuning)
    {
        AfxMessageBox("You must exit the Peak Tuning \nprocedure before proceeding", MB_ICONINFORMATION);
        return FALSE;
    }
    if (IsScanBusy())
    {
        // The stop is only asked for: the user gives the command again once the scan stopped.
        if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
            OnScanStopNow();
        return FALSE;
    }
    return TRUE;
}

CSplitDisplay* CKelDoc::ShowSplitDisplay(const SplitLayout& layout, CObject* settings[2])
{
    const int32_t codes[2] = {layout.mode, layout.secondMode};
    auto* split = new (std::nothrow) CSplitDisplay(settings, codes, this);
    if (split == nullptr)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return nullptr;
    }
    SetDisplayOfKind(split);
    m_pCurrentDisplay = split;
    split->RestorePlacement();
    split->Show(1);
    split->Redraw();
    // A pane of a kind that made none, or one that could not be made, leaves the layout without a
    // scan: the split shows what it has and the user chooses another layout.
    if (split->GetPane(0) == nullptr || split->GetPane(1) == nullptr)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return nullptr;
    }
    return split;
}

void CKelDoc::SplitLayoutCommand(unsigned command)
{
    if (!CanStartSplit())
        return;
    SplitLayout layout;
    if (!FindSplitLayout(command, ModeOfDisplay(m_pCurrentDisplay), layout))
        return;
    m_nMode = layout.mode;
    m_nSecondMode = layout.secondMode;
    ApplyTableCoupling(layout);

    SetCurrentScan(nullptr);
    if (m_pCurrentDisplay != nullptr)
    {
        m_pCurrentDisplay->SavePlacement();
        m_pCurrentDisplay->Show(0);
    }
    DropSplitDisplay();
    if (m_pSplitSettings[0] == nullptr && m_pSplitSettings[1] == nullptr)
        MakeSplitSettings(layout);
    // Split P vs T works on the document's own records (the copies are made all the same).
    CObject* settings[2] = {m_pSplitSettings[0], m_pSplitSettings[1]};
    if (command == ID_SPLIT_PVST)
        for (int i = 0; i < 2; ++i)
            settings[i] = SplitSourceSettings(layout.settings[i]);

    CSplitDisplay* split = ShowSplitDisplay(layout, settings);
    if (split == nullptr)
        return;
    CDisplay* panes[2] = {split->GetPane(0), split->GetPane(1)};
    const int32_t kinds[2] = {layout.mode, layout.secondMode};
    auto* scan = new (std::nothrow) CSplitScan(m_pHead, panes, settings, kinds, layout.pairing);
    if (scan == nullptr)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return;
    }
    scan->SetDisplay(split);
    SetCurrentScan(scan);
    scan->AttachDocument(this);
    scan->SetIoBoardSignal(GetIoBoard());
    scan->ShowParameterDialog();
    scan->ShowScheduleDialog(nullptr);
    m_bLibraryDlgOpen = 0;
    SetModifiedFlag(TRUE);
    if (HWND view = GetActiveViewWindow())
        ::SetFocus(view);
}

void CKelDoc::OnSplitAnalog()
{
    SplitLayoutCommand(ID_SPLIT_ANALOG);
}

void CKelDoc::OnSplitHistogram()
{
    SplitLayoutCommand(ID_SPLIT_HISTOGRAM);
}

void CKelDoc::OnSplitTable()
{
    SplitLayoutCommand(ID_SPLIT_TABLE);
}

void CKelDoc::OnSplitPvsT()
{
    SplitLayoutCommand(ID_SPLIT_PVST);
}

void CKelDoc::OnSplitLibrary()
{
    if (!CanStartSplit())
        return;
    SplitLayout layout;
    if (!FindSplitLayout(ID_SPLIT_LIBRARY, ModeOfDisplay(m_pCurrentDisplay), layout) || !m_pScan ||
        EnsureGasLibrary() == nullptr)
        return;
    m_nMode = layout.mode;
    m_nSecondMode = layout.secondMode;
    // The library's bars cover the mass range of the spectrum shown above them.
    CAnalogData* library = GetAnalogSettings(SplitLayout::kLibrarySettings);
    if (layout.mode == kModeAnalog)
    {
        const CAnalogData* analog = GetAnalogSettings(SplitLayout::kFirstAnalog);
        library->m_startMass = analog->m_startMass;
        library->m_stopMass = analog->m_stopMass;
        library->m_pointCount = analog->m_stopMass - analog->m_startMass + 1;
    }
    else if (layout.mode == kModeHistogram)
    {
        const CAnalogData* histogram = GetAnalogSettings(SplitLayout::kHistogram);
        library->m_startMass = histogram->m_startMass;
        library->m_stopMass = histogram->m_stopMass;
        library->m_pointCount = histogram->m_pointCount;
    }

    // The scan in force stays and moves to the upper pane.
    if (m_pCurrentDisplay != nullptr)
    {
        m_pCurrentDisplay->SavePlacement();
        m_pCurrentDisplay->Show(0);
    }
    DropSplitDisplay();
    if (m_pSplitSettings[0] == nullptr && m_pSplitSettings[1] == nullptr)
        MakeSplitSettings(layout);
    CObject* settings[2] = {m_pSplitSettings[0], m_pSplitSettings[1]};
    CSplitDisplay* split = ShowSplitDisplay(layout, settings);
    if (split == nullptr)
        return;
    m_pScan->SetDisplay(split->GetPane(0));
    m_pScan->SetSettings(settings[0]);
    m_pLibrary->SetDisplay(split->GetPane(1));
    m_pLibrary->SetRangeSettings(static_cast<CAnalogData*>(settings[1]));
    m_pScan->AttachDocument(this);
    m_pScan->SetIoBoardSignal(GetIoBoard());
    m_bLibraryDlgOpen = 1;
    PlaceLibraryDialog();
    m_pScan->ShowScheduleDialog(nullptr);
    SetModifiedFlag(TRUE);
    if (HWND view = GetActiveViewWindow())
        ::SetFocus(view);
}

int CKelDoc::PlaceLibraryDialog()
{
    if (m_pScan)
        m_pScan->EditParameters();
    if (m_pLibrary)
        m_pLibrary->CreateParameterDlg();
    CBaseParameterDlg* scanDlg = m_pScan ? m_pScan->m_pParameterDlg : nullptr;
    auto* libraryDlg = m_pLibrary ? dynamic_cast<CBaseParameterDlg*>(m_pLibrary->GetParameterDlg()) : nullptr;
    // The library dialog hangs below the scan's, without a caption of its own, and both show as
    // the parameter dialogs are shown in the program.
    CBaseParameterDlg::DockSubDialog(scanDlg, libraryDlg);
    return 1;
}

// ---- Update handlers

void CKelDoc::OnUpdateSplitAnalog(CCmdUI* pCmdUI)
{
    EnableFor(pCmdUI, m_pCurrentDisplay, {kAnalogKind, kTableKind, kPvsTKind});
}

void CKelDoc::OnUpdateSplitHistogram(CCmdUI* pCmdUI)
{
    EnableFor(pCmdUI, m_pCurrentDisplay, {kBarKind, kTableKind, kPvsTKind});
}

void CKelDoc::OnUpdateSplitTable(CCmdUI* pCmdUI)
{
    EnableFor(pCmdUI, m_pCurrentDisplay, {kAnalogKind, kBarKind, kPvsTKind});
}

void CKelDoc::OnUpdateSplitPvsT(CCmdUI* pCmdUI)
{
    EnableFor(pCmdUI, m_pCurrentDisplay, {kAnalogKind, kBarKind, kTableKind});
}

void CKelDoc::OnUpdateSplitLibrary(CCmdUI* pCmdUI)
{
    EnableFor(pCmdUI, m_pCurrentDisplay, {kAnalogKind, kBarKind, kPvsTKind, kTableKind});
}
