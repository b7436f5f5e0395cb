#include "dialogs/PeakTuningDlg.h"

#include "dialogs/HeadPortLock.h"
#include "head/Head.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace
{
constexpr int kMaxTextChars = 20;

// Scroll bar and edit of each adjustment.
constexpr int kScrollBarId[CPeakTuningDlg::kAdjustments] = {IDC_TUNE_LOW_SHIFT_BAR, IDC_TUNE_HIGH_SHIFT_BAR,
                                                            IDC_TUNE_LOW_WIDTH_BAR, IDC_TUNE_HIGH_WIDTH_BAR};
constexpr int kEditId[CPeakTuningDlg::kAdjustments] = {IDC_TUNE_LOW_SHIFT, IDC_TUNE_HIGH_SHIFT,
                                                       IDC_TUNE_LOW_WIDTH, IDC_TUNE_HIGH_WIDTH};

// The standard values written when even the factory values are out of range.
constexpr float kStandardRS = 8.24f;
constexpr float kStandardRI = -9.0f;
constexpr int kStandardDI = 115;
constexpr float kStandardDS = 0.0f;

int ScrollUnits(float value)
{
    return static_cast<int>(value * 20.0f);
}
} // namespace

IMPLEMENT_DYNAMIC(CPeakTuningDlg, CControlHelpDlg)

BEGIN_MESSAGE_MAP(CPeakTuningDlg, CControlHelpDlg)
ON_WM_HSCROLL()
ON_BN_CLICKED(IDC_TUNE_SCAN, OnScan)
ON_BN_CLICKED(IDC_TUNE_UNDO_ALL, OnUndoAll)
ON_BN_CLICKED(IDC_TUNE_DEFAULTS, OnDefaults)
END_MESSAGE_MAP()

CPeakTuningDlg::CPeakTuningDlg(IPeakTuningSite* site, CHead* head) : m_pSite(site), m_pHead(head)
{
    m_dwHelpContext = 0x10000 + ID_HEAD_TUNE;
}

CPeakTuningDlg* CPeakTuningDlg::Open(IPeakTuningSite* site, CHead* head, CWnd* pParent)
{
    if (!site || !head)
        return nullptr;
    auto* dlg = new (std::nothrow) CPeakTuningDlg(site, head);
    if (!dlg)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return nullptr;
    }
    BOOL read = FALSE;
    {
        CHeadPortLock lock(head);
        head->StopScan();
        read = head->QueryRS(dlg->m_fRS0) && head->QueryRI(dlg->m_fRI0) && head->QueryDS(dlg->m_fDS0) &&
               head->QueryDI(dlg->m_nDI0);
    }
    if (!read || !dlg->Create(IDD, pParent))
    {
        if (dlg->GetSafeHwnd())
            dlg->DestroyWindow();
        delete dlg;
        return nullptr;
    }
    dlg->m_bAutoDelete = TRUE; // from now on the window's end deletes the object
    return dlg;
}

BOOL CPeakTuningDlg::IsInRange(float rs, float ri, int di, float ds)
{
    return rs >= 7.031f && rs <= 9.375f && std::fabs(ri) <= 50.0f && std::fabs(ds) <= 0.5f && di >= 50 &&
           di <= 160;
}

void CPeakTuningDlg::ComputeRanges()
{
    const double rs = m_fRS, ri = m_fRI, ds = m_fDS, di = m_nDI;
    const double hm = m_nHighMass;
    const double m = m_pHead ? m_pHead->GetMassRange() : 0;
    double range[kAdjustments][2] = {};
    // An adjustment whose formula would divide by zero keeps the range 0..0: it cannot be moved.
    if (rs != 0)
    {
        range[kLowShift][0] = (ri - 86.0) / rs;
        range[kLowShift][1] = (ri + 86.0) / rs;
        range[kHighShift][0] = (1.0 - 12.5 / rs) * hm;
        range[kHighShift][1] = (1.0 - 4.75 / rs) * hm;
    }
    range[kLowWidth][0] = (m * ds + di - 255.0) / 25.5;
    range[kLowWidth][1] = std::max((m * ds + di) / 25.5, di / 25.5);
    if (m != 0)
    {
        range[kHighWidth][0] = hm / 25.5 * (ds - (di + 255.0) / m);
        range[kHighWidth][1] = (di / m + ds) * hm / 25.5;
    }
    for (int i = 0; i < kAdjustments; ++i)
    {
        m_valueRange[i][0] = static_cast<float>(std::max(range[i][0], double(-kAdjustLimit)));
        m_valueRange[i][1] = static_cast<float>(std::min(range[i][1], double(kAdjustLimit)));
        m_scrollRange[i][0] = ScrollUnits(m_valueRange[i][0]);
        m_scrollRange[i][1] = ScrollUnits(m_valueRange[i][1]);
    }
}

void CPeakTuningDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kAdjustments; ++i)
    {
        DDX_Text(pDX, kEditId[i], m_fAdjust[i]);
        DDV_MinMaxFloat(pDX, m_fAdjust[i], m_valueRange[i][0], m_valueRange[i][1]);
    }
    DDX_Text(pDX, IDC_TUNE_HIGH_NAME, m_strHighName);
    DDV_MaxChars(pDX, m_strHighName, kMaxTextChars);
    DDX_Text(pDX, IDC_TUNE_HIGH_MASS, m_strHighMass);
    DDV_MaxChars(pDX, m_strHighMass, kMaxTextChars);
    DDX_Text(pDX, IDC_TUNE_LOW_NAME, m_strLowName);
    DDV_MaxChars(pDX, m_strLowName, kMaxTextChars);
    DDX_Text(pDX, IDC_TUNE_LOW_MASS, m_strLowMass);
    DDV_MaxChars(pDX, m_strLowMass, kMaxTextChars);
}

BOOL CPeakTuningDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_pHead && m_pHead->GetHeadFamily() != HEAD_FAMILY_JOV && !IsInRange(m_fRS0, m_fRI0, m_nDI0, m_fDS0))
    {
        CString text;
        text.Format("Head parameters are out of allowable range\n      RI = %1.2f, RS = %1.2f, DI = %d, DS = "
                    "%1.2f,\n      Recalling factory defaults",
                    double(m_fRI0), double(m_fRS0), m_nDI0, double(m_fDS0));
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        if (!FactoryDefaults())
            return TRUE;
        // The head now holds the recalled values: they are what Undo All goes back to.
        m_fRS0 = m_fRS;
        m_fRI0 = m_fRI;
        m_nDI0 = m_nDI;
        m_fDS0 = m_fDS;
    }

    int lowMass = 0, highMass = 0;
    if (m_pSite)
    {
        m_pSite->GetPeak(0, m_strLowName, lowMass);
        m_pSite->GetPeak(1, m_strHighName, highMass);
    }
    m_strLowName = m_strLowName.Left(kMaxTextChars);
    m_strHighName = m_strHighName.Left(kMaxTextChars);
    m_strLowMass.Format("%d", lowMass);
    m_strHighMass.Format("%d", highMass);
    m_nHighMass = highMass;
    m_fRI = m_fRI0;
    m_fRS = m_fRS0;
    m_nDI = m_nDI0;
    m_fDS = m_fDS0;
    if (m_pSite)
    {
        m_pSite->SavePeakDisplays();
        m_bPeaksSaved = TRUE;
    }
    ResetAdjustments();

    CWnd* view = m_pSite ? m_pSite->GetViewWindow() : nullptr;
    if (view && view->GetSafeHwnd())
    {
        CRect viewRect, rect;
        view->GetWindowRect(&viewRect);
        GetWindowRect(&rect);
        SetWindowPos(nullptr, viewRect.right - rect.Width(), viewRect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    }
    return TRUE;
}

void CPeakTuningDlg::ResetAdjustments()
{
    ComputeRanges();
    for (int i = 0; i < kAdjustments; ++i)
    {
        m_fAdjust[i] = 0.0f;
        HWND bar = ::GetDlgItem(m_hWnd, kScrollBarId[i]);
        ::SetScrollRange(bar, SB_CTL, m_scrollRange[i][0], m_scrollRange[i][1], TRUE);
        ::SetScrollPos(bar, SB_CTL, 0, TRUE);
    }
    UpdateData(FALSE);
}

BOOL CPeakTuningDlg::RefuseWhileScanning()
{
    if (!m_pSite || !m_pSite->IsScanRunning())
        return FALSE;
    AfxMessageBox(IDS_SCAN_IN_PROGRESS, MB_ICONEXCLAMATION);
    return TRUE;
}

BOOL CPeakTuningDlg::ReadValues()
{
    return m_pHead->QueryRS(m_fRS) && m_pHead->QueryRI(m_fRI) && m_pHead->QueryDI(m_nDI) &&
           m_pHead->QueryDS(m_fDS);
}

BOOL CPeakTuningDlg::SendValues(float rs, float ri, float ds, int di)
{
    return m_pHead->SetRS(rs) && m_pHead->SetRI(ri) && m_pHead->SetDS(ds) && m_pHead->SetDI(di);
}

BOOL CPeakTuningDlg::FactoryDefaults()
{
    if (!m_pHead)
        return FALSE;
    CHeadPortLock lock(m_pHead);
    const float factory = float(kHeadDefaultValue);
    if (!m_pHead->SetRS(factory) || !m_pHead->SetRI(factory) || !m_pHead->SetDS(factory) ||
        !m_pHead->SetDI(kHeadDefaultValue) || !ReadValues())
        return FALSE;
    if (IsInRange(m_fRS, m_fRI, m_nDI, m_fDS))
        return TRUE;

    CString text;
    text.Format(
        "Factory default parameters are out of allowable range!\nRI = %1.2f, RS = %1.2f, DI = %d, DS = "
        "%1.2f,\nResetting factory values to defaults.\nYou need to retune the KEL Head",
        double(m_fRI), double(m_fRS), m_nDI, double(m_fDS));
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    // Each value is written again and stored in the head's memory ("FW1") one by one.
    const BOOL ok = m_pHead->SetRS(kStandardRS) && m_pHead->SetRI(kStandardRI) &&
                    m_pHead->SetDI(kStandardDI) && m_pHead->SetDS(kStandardDS) && m_pHead->SendRaw("FW1") &&
                    m_pHead->SetRS(kStandardRS) && m_pHead->SendRaw("FW1") && m_pHead->SetRI(kStandardRI) &&
                    m_pHead->SendRaw("FW1") && m_pHead->SetDI(kStandardDI) && m_pHead->SendRaw("FW1") &&
                    m_pHead->SetDS(kStandardDS);
    return ok && ReadValues();
}

void CPeakTuningDlg::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    if (!pScrollBar || !UpdateData(TRUE))
        return;
    const int id = pScrollBar->GetDlgCtrlID();
    const int* found = std::find(std::begin(kScrollBarId), std::end(kScrollBarId), id);
    if (found == std::end(kScrollBarId))
        return;
    const int i = static_cast<int>(found - std::begin(kScrollBarId));
    float& v = m_fAdjust[i];
    const float lo = m_valueRange[i][0], hi = m_valueRange[i][1];
    bool changed = true;
    bool thumb = false;
    switch (nSBCode)
    {
    // Line steps stop at the range ends: a value past them would fail every later validation,
    // and this handler validates first, so the bar could never bring it back.
    case SB_LINELEFT:
        v = std::max(v - kLineStep, lo);
        break;
    case SB_LINERIGHT:
        v = std::min(v + kLineStep, hi);
        break;
    case SB_PAGELEFT:
        if (lo + kPageStep < v)
            v -= kPageStep;
        break;
    case SB_PAGERIGHT:
        if (v < hi - kPageStep)
            v += kPageStep;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
    {
        const int pos = static_cast<short>(nPos);
        pScrollBar->SetScrollPos(pos);
        v = static_cast<float>(pos) * kLineStep;
        thumb = true;
        break;
    }
    case SB_LEFT:
        v = lo;
        break;
    case SB_RIGHT:
        v = hi;
        break;
    default:
        changed = false;
        break;
    }
    if (changed)
    {
        if (!thumb)
            pScrollBar->SetScrollPos(ScrollUnits(v));
        UpdateData(FALSE);
    }
    CDialog::OnHScroll(nSBCode, nPos, pScrollBar);
}

void CPeakTuningDlg::OnScan()
{
    if (RefuseWhileScanning() || !UpdateData(TRUE) || !m_pHead)
        return;
    const float rs = m_fRS;
    const float ri = m_fRI - m_fAdjust[kLowShift] * rs;
    // Without a high mass the high peak's adjustments have nothing to scale by: they leave RS and
    // DS as they are.
    const float newRS = m_nHighMass != 0 ? (m_nHighMass - m_fAdjust[kHighShift]) / m_nHighMass * rs : rs;
    const int di = m_nDI - static_cast<int>(m_fAdjust[kLowWidth] * 25.5f);
    const float ds = m_nHighMass != 0 ? m_fDS - m_fAdjust[kHighWidth] * 25.5f / m_nHighMass : m_fDS;
    {
        CHeadPortLock lock(m_pHead);
        if (!SendValues(newRS, ri, ds, di))
            return;
    }
    m_fRS = newRS;
    m_fRI = ri;
    m_nDI = di;
    m_fDS = ds;
    ResetAdjustments();
    if (m_pSite)
        m_pSite->StartScan();
}

void CPeakTuningDlg::OnUndoAll()
{
    if (RefuseWhileScanning() || !m_pHead)
        return;
    {
        CHeadPortLock lock(m_pHead);
        if (!SendValues(m_fRS0, m_fRI0, m_fDS0, m_nDI0))
            return;
    }
    m_fRS = m_fRS0;
    m_fRI = m_fRI0;
    m_nDI = m_nDI0;
    m_fDS = m_fDS0;
    ResetAdjustments();
}

void CPeakTuningDlg::OnDefaults()
{
    if (RefuseWhileScanning() || !UpdateData(TRUE))
        return;
    FactoryDefaults();
    ResetAdjustments();
}

void CPeakTuningDlg::OnOK()
{
    if (RefuseWhileScanning() || !UpdateData(TRUE))
        return;
    Close();
}

void CPeakTuningDlg::OnCancel()
{
    if (RefuseWhileScanning())
        return;
    Close();
}

void CPeakTuningDlg::Close()
{
    if (m_pSite)
    {
        if (m_bPeaksSaved)
            m_pSite->RestorePeakDisplays();
        m_pSite->RebuildDisplay();
    }
    DestroyWindow();
}

void CPeakTuningDlg::PostNcDestroy()
{
    if (m_pSite)
        m_pSite->TuningDialogClosed(this);
    if (m_bAutoDelete)
        delete this;
}
