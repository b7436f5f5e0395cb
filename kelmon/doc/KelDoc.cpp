#include "doc/KelDoc.h"

#include "analysis/Library.h"
#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "doc/LeakData.h"
#include "foundation/AppUiState.h"
#include "head/Head.h"
#include "io/CbBoard.h"
#include "ports/InstrumentDesc.h"
#include "scans/ChannelScan.h"
#include "scans/Scan.h"
#include "scans/SplitScan.h"
#include "scans/SpectrumScan.h"
#include "scans/Table.h"
#include "settings/AppSettings.h"
#include "units/Units.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

IMPLEMENT_SERIAL(CKelDoc, CDocument, VERSIONABLE_SCHEMA | 2)

namespace
{

int g_openDocuments = 0;
int g_documentSequence = 0;

const char kPressureSection[] = "Pressure Reduction";
const char kPressureEntry[] = "PR Factor";

// The modes of the display kinds 1..8 (the split display keeps the mode in force).
constexpr int kModeOfKind[CKelDoc::kDisplayKinds] = {0, 4, 2, 3, 1, 5, -1, 7};

[[noreturn]] void ThrowBadFile(CArchive& ar, int cause)
{
    AfxThrowArchiveException(cause, ar.GetFileName());
}

// Everything a document file holds, read aside; the document takes it over only when all of it
// was read and checked, so a damaged file changes nothing.
struct StagedDocument
{
    ~StagedDocument()
    {
        // What refers to other parts goes first (a split display's panes show the copies).
        scan.reset();
        display.reset();
        for (CObject* object : paneSettings)
            if (strays.count(object) == 0 &&
                std::find(splitCopies.begin(), splitCopies.end(), object) == splitCopies.end())
                delete object;
        for (CObject* object : strays)
            delete object;
        for (CObject* object : splitCopies)
            delete object;
    }

    std::unique_ptr<CHead> head;
    std::unique_ptr<CUnits> units;
    std::unique_ptr<CAnalogData> analog[CKelDoc::kAnalogSettings];
    std::unique_ptr<CTable> table;
    std::unique_ptr<CLeakData> leak;
    std::unique_ptr<CLibrary> library;
    std::unique_ptr<CDisplay> display;
    std::unique_ptr<CScan> scan;
    // Settings copies the panes of a split scan refer to (stored with the scan).
    std::vector<CObject*> splitCopies;
    // Settings the file made for the panes of the split display it made: freed with a refused load
    // unless they became split copies or strays (which are freed as such).
    std::vector<CObject*> paneSettings;
    // Objects a damaged file put where a reference to one of the document's own belongs.
    std::set<CObject*> strays;
    int32_t words[3 + CKelDoc::kAnalysisGases] = {};
    float printTop = 0.0f;
    float printLeft = 0.0f;
    int32_t tail[4 + CKelDoc::kOptionWords] = {};
    CString strings[CKelDoc::kStrings];

    bool OwnsAnalog(const CAnalogData* data) const
    {
        for (const auto& a : analog)
            if (a.get() == data)
                return true;
        return false;
    }
};

template <class T> T* ReadOwned(CArchive& ar, const CRuntimeClass* pClass)
{
    return static_cast<T*>(ar.ReadOwnedObject(pClass));
}

// A reference read into a part must be one of the document's own objects (or nothing); anything
// else was made by the damaged file: it is kept aside to be freed and the load refused.
template <class T> void CheckReference(StagedDocument& s, T*& ref, T* own)
{
    if (ref != nullptr && ref != own)
        s.strays.insert(ref);
    ref = own;
}

// Units the file made in place of the document's may hold a head it made too.
void CheckReference(StagedDocument& s, CUnits*& ref, CUnits* own)
{
    if (ref != nullptr && ref != own && s.strays.insert(ref).second && ref->m_pHead != s.head.get() &&
        ref->m_pHead != nullptr)
        s.strays.insert(ref->m_pHead);
    ref = own;
}

void RefuseStrays(CArchive& ar, const StagedDocument& s)
{
    if (!s.strays.empty())
        AfxThrowArchiveException(CArchiveException::badIndex, ar.GetFileName());
}

// The references of a scan and of the panes of a split scan. A pane's settings may be a copy of the
// document's (a split layout's); the document takes such copies over.
void CheckScanReferences(StagedDocument& s, CScan* scan, bool pane, CDisplay* display)
{
    CheckReference(s, scan->m_pHead, s.head.get());
    CheckReference(s, scan->m_pDisplay, display);
    auto adopt = [&](auto*& ref, auto* own, bool isOwn)
    {
        if (ref == nullptr || isOwn)
            return;
        if (pane && s.strays.count(ref) == 0 &&
            (std::find(s.splitCopies.begin(), s.splitCopies.end(), ref) != s.splitCopies.end() ||
             s.splitCopies.size() < 2))
        {
            if (std::find(s.splitCopies.begin(), s.splitCopies.end(), ref) == s.splitCopies.end())
                s.splitCopies.push_back(ref);
            return;
        }
        CheckReference(s, ref, own);
    };
    if (auto* spectrum = dynamic_cast<CSpectrumScan*>(scan))
    {
        adopt(spectrum->m_pSettings, s.analog[0].get(), s.OwnsAnalog(spectrum->m_pSettings));
    }
    if (auto* channel = dynamic_cast<CChannelScan*>(scan))
        adopt(channel->m_pTable, s.table.get(), channel->m_pTable == s.table.get());
    if (auto* split = dynamic_cast<CSplitScan*>(scan))
    {
        // Child i shows on pane i of the split display (none without one).
        const bool splitShown = s.display && s.display->GetKind() == 7;
        for (int i = 0; i < 2; ++i)
            if (CScan* child = split->GetChild(i))
                CheckScanReferences(s, child, true,
                                    !splitShown ? nullptr
                                    : i == 0    ? s.display->m_pTopDisplay
                                                : s.display->m_pBottomDisplay);
    }
}

// A split layout's settings copy, read where a pane or a pane's scan refers to it: the document
// takes it over (two at most); its units and head must be the document's.
template <class T> void AdoptSplitCopy(StagedDocument& s, T* copy)
{
    if (std::find(s.splitCopies.begin(), s.splitCopies.end(), copy) != s.splitCopies.end())
        return;
    if (s.strays.count(copy) != 0 || s.splitCopies.size() >= 2)
    {
        s.strays.insert(copy);
        return;
    }
    s.splitCopies.push_back(copy);
    CheckReference(s, copy->m_pUnits, s.units.get());
    CheckReference(s, copy->m_pHead, s.head.get());
}

// The panes of a split display show the document's records or the layout's copies of them: a
// spectrum pane a CAnalogData, a table or P-vs-T pane a CTable. A pane of another kind, or any
// other settings, refuse the file.
void CheckPaneSettings(CArchive& ar, StagedDocument& s, CDisplay* pane)
{
    CObject* settings = pane->m_pSettings;
    switch (pane->GetKind())
    {
    case 1:
    case 5:
    case 8:
        if (auto* record = dynamic_cast<CAnalogData*>(settings))
        {
            if (!s.OwnsAnalog(record))
                AdoptSplitCopy(s, record);
            return;
        }
        break;
    case 3:
    case 4:
        if (auto* table = dynamic_cast<CTable*>(settings))
        {
            if (table != s.table.get())
                AdoptSplitCopy(s, table);
            return;
        }
        break;
    default:
        ThrowBadFile(ar, CArchiveException::badClass);
    }
    if (settings != nullptr)
        s.strays.insert(settings);
    pane->m_pSettings = nullptr;
    ThrowBadFile(ar, CArchiveException::badIndex);
}

int32_t ReadInt(CArchive& ar)
{
    LONG v = 0;
    ar >> v;
    return v;
}

} // namespace

CKelDoc::CKelDoc()
{
    m_hScanEvent = ::CreateEvent(NULL, FALSE, TRUE, NULL);
    if (!m_pLibrary && CreateGasLibrary())
    {
        InitLogSettings();
        m_nHeadSetting = CAppUiState::GetInstance()->m_nNewObjectOption;
    }
}

CKelDoc::~CKelDoc()
{
    if (!m_bOwnsDesc && m_pBoundDesc)
        m_pBoundDesc.reset();
    DeleteDisplays();
    // The library's dialog may hang below the scan's (a split layout with the library below);
    // the scan refers to the displays, settings and head: both go first.
    if (m_pLibrary)
        m_pLibrary->DestroyParameterDlg();
    m_pScan.reset();
    DeleteModels();
    m_pLibrary.reset();
    // The descriptors may still hold the head a file brought: they go before it.
    m_pDesc.reset();
    m_pBoundDesc.reset();
    m_pHead = nullptr;
    m_pLoadedHead.reset();
    if (m_hScanEvent != NULL)
        ::CloseHandle(m_hScanEvent);
    if (m_bCounted)
        --g_openDocuments;
}

void CKelDoc::DeleteModels()
{
    // The library-search window reads the gas library: it closes before the library goes.
    m_pLibrarySearchDlg.reset();
    FreeSplitSettings(nullptr);
    m_pUnits.reset();
    for (auto& analog : m_pAnalog)
        analog.reset();
    m_pLeakData.reset();
    m_pTable.reset();
    m_pIoBoard.reset();
}

CKelDoc* GetActiveKelDoc()
{
    CWnd* main = AfxGetMainWnd();
    if (main == nullptr || !main->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
        return nullptr;
    CFrameWnd* child = static_cast<CFrameWnd*>(main)->GetActiveFrame();
    if (child == nullptr)
        return nullptr;
    CDocument* doc = child->GetActiveDocument();
    return doc != nullptr && doc->IsKindOf(RUNTIME_CLASS(CKelDoc)) ? static_cast<CKelDoc*>(doc) : nullptr;
}

int CKelDoc::GetOpenDocumentCount()
{
    return g_openDocuments;
}

int CKelDoc::CreateGasLibrary()
{
    auto library = std::make_unique<CLibrary>(m_pAnalog[4].get());
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileName(NULL, path, sizeof path - 1);
    path[n < sizeof path ? n : sizeof path - 1] = '\0';
    char* slash = std::strrchr(path, '/');
    char* backslash = std::strrchr(path, '\\');
    char* cut = slash > backslash ? slash : backslash;
    if (cut == nullptr)
        return 0;
    cut[1] = '\0';
    if (!library->ReadLibraryFile(path))
        return 0;
    m_pLibrary = std::move(library);
    return 1;
}

void CKelDoc::InitLogSettings()
{
    static const int kSlots[kLogSettings] = {CAppSettings::LOGDIR_ANALOG, CAppSettings::LOGDIR_LEAK,
                                             CAppSettings::LOGDIR_PVST,   CAppSettings::LOGDIR_TABLE,
                                             CAppSettings::LOGDIR_PANEL,  CAppSettings::LOGDIR_HISTOGRAM,
                                             CAppSettings::LOGDIR_SPLIT};
    CAppSettings* settings = CAppSettings::GetInstance();
    for (int i = 0; i < kLogSettings; ++i)
    {
        m_logSettings[i].m_folder = settings->m_logDir[kSlots[i]].c_str();
        m_logSettings[i].m_fileName = "User";
    }
}

BOOL CKelDoc::OnNewDocument()
{
    ++g_openDocuments;
    m_bCounted = true;
    if (g_openDocuments > kMaxDocuments)
    {
        AfxMessageBox("Maximum number of KEL windows reached", MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_bOpenedFromFile = 0;
    m_nDocumentNumber = ++g_documentSequence;

    m_pDesc = CreateInstrumentDesc(1);
    if (m_pDesc)
    {
        m_pDesc->CreateHead();
        m_pHead = m_pDesc->GetHead();
    }
    m_pBoundDesc = m_pDesc;
    m_bOwnsDesc = 1;

    static const int32_t kKinds[kAnalogSettings] = {CAnalogData::kModeAnalog, CAnalogData::kModeAnalog,
                                                    CAnalogData::kModeHistogram, CAnalogData::kModeHistogram,
                                                    CAnalogData::kModeLibrary};
    m_pUnits = std::make_unique<CUnits>(m_pHead);
    for (int i = 0; i < kAnalogSettings; ++i)
        m_pAnalog[i] = std::make_unique<CAnalogData>(kKinds[i], m_pUnits.get(), m_pHead);
    m_pLeakData = std::make_unique<CLeakData>(m_pUnits.get(), m_pHead);
    m_pTable = std::make_unique<CTable>(m_pUnits.get(), m_pHead);
    m_pUnits->SetDefaults();
    m_pTable->SetDefaults();
    m_pLeakData->SetDefaults();
    for (auto& analog : m_pAnalog)
        analog->UpdateDerived();
    // The library was built before the settings it shows its range with.
    if (m_pLibrary)
        m_pLibrary->SetRangeSettings(m_pAnalog[4].get());

    CAppSettings* settings = CAppSettings::GetInstance();
    TakeDefaultColours(*settings);
    m_nCursorColor =
        settings->m_cursorColor >= -2 && settings->m_cursorColor <= 19 ? settings->m_cursorColor : 1;
    m_nCursorWidth =
        settings->m_cursorWidth >= 0 && settings->m_cursorWidth <= 8 ? settings->m_cursorWidth : 2;
    m_nCursorType = settings->m_cursorType >= 0 && settings->m_cursorType <= 8 ? settings->m_cursorType : 0;

    m_bRepeatTimer = 0;
    for (int32_t& flag : m_analysisGas)
        flag = 1;
    m_nPrintingStyle = 1;
    m_fPrintTop = m_fPrintLeft = 0.0f;
    for (int32_t& flag : m_printFlags)
        flag = 0;

    const CString factor =
        AfxGetApp() ? AfxGetApp()->GetProfileString(kPressureSection, kPressureEntry, "1.0") : CString("1.0");
    m_pUnits->m_fReductionFactor = static_cast<float>(std::atof(factor));
    return CDocument::OnNewDocument();
}

BOOL CKelDoc::OnOpenDocument(LPCTSTR lpszPathName)
{
    ++g_openDocuments;
    m_bCounted = true;
    if (g_openDocuments > kMaxDocuments)
    {
        AfxMessageBox("Maximum number of KEL windows reached", MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_nDocumentNumber = ++g_documentSequence;
    m_bRepeatTimer = 0;
    const BOOL ok = CDocument::OnOpenDocument(lpszPathName);
    m_bOpenedFromFile = ok ? 1 : 0;
    return ok;
}

void CKelDoc::OnCloseDocument()
{
    // Queued tasks refer to the document: they end first.
    WaitForTasks();
    if (m_pUnits && AfxGetApp())
    {
        char text[64];
        std::snprintf(text, sizeof text, "%1.4e", static_cast<double>(m_pUnits->m_fReductionFactor));
        AfxGetApp()->WriteProfileString(kPressureSection, kPressureEntry, text);
    }
    ReleaseInstrument();
    DeleteDisplays();
    // The library's dialog may hang below the scan's (a split layout with the library below).
    if (m_pLibrary)
        m_pLibrary->DestroyParameterDlg();
    m_pScan.reset();
    DeleteModels();
    m_pLibrary.reset();
    if (m_bOwnsDesc || m_pLoadedHead)
    {
        m_pDesc.reset();
        m_pBoundDesc.reset();
        m_pHead = nullptr;
    }
    m_pLoadedHead.reset();
    if (m_bCounted)
    {
        --g_openDocuments;
        m_bCounted = false;
    }
    m_bOpenedFromFile = 0;
    CDocument::OnCloseDocument();
}

BOOL CKelDoc::SaveModified()
{
    if (WarnIfScanRunning())
        return FALSE;
    return CDocument::SaveModified();
}

int CKelDoc::WarnIfScanRunning()
{
    if ((m_pScan && m_pScan->IsRunning()) || m_bRepeatTimer)
    {
        ::MessageBox(NULL, "Stop the running scan first!", "Info", MB_OK);
        m_bReleaseLock = 0;
        return 1;
    }
    return 0;
}

// ---- Displays

CDisplay* CKelDoc::GetDisplayOfKind(int kind) const
{
    return kind >= 1 && kind <= kDisplayKinds ? m_displays[kind - 1].get() : nullptr;
}

void CKelDoc::SetDisplayOfKind(CDisplay* display)
{
    if (display == nullptr)
        return;
    const int kind = display->GetKind();
    if (kind < 1 || kind > kDisplayKinds)
    {
        delete display;
        return;
    }
    if (m_displays[kind - 1].get() == display)
        return;
    if (m_pCurrentDisplay == m_displays[kind - 1].get())
        m_pCurrentDisplay = nullptr;
    m_displays[kind - 1].reset(display);
}

void CKelDoc::BindLoadedDisplay(CDisplay* display)
{
    if (display == nullptr)
        return;
    const int kind = display->GetKind();
    if (kind < 1 || kind > kDisplayKinds)
        return;
    // The display builds its page in this document's view when it is shown.
    display->m_pDocument = this;
    if (kModeOfKind[kind - 1] >= 0)
        m_nMode = kModeOfKind[kind - 1];
}

void CKelDoc::FreeSplitSettings(const int modes[2])
{
    for (int i = 0; i < 2; ++i)
    {
        const bool owned = modes == nullptr || modes[i] == 0 || modes[i] == 1 || modes[i] == 2 ||
                           modes[i] == 3 || modes[i] == 7;
        if (!owned || m_pSplitSettings[i] == nullptr)
            continue;
        if (i == 1 && m_pSplitSettings[1] == m_pSplitSettings[0])
        {
            m_pSplitSettings[1] = nullptr;
            continue;
        }
        if (i == 0 && m_pSplitSettings[1] == m_pSplitSettings[0])
            m_pSplitSettings[1] = nullptr;
        delete m_pSplitSettings[i];
        m_pSplitSettings[i] = nullptr;
    }
}

void CKelDoc::DeleteDisplays()
{
    // Analog, leak, P-vs-T, table, annunciator, library, histogram, then the split display.
    static const int kOrder[] = {1, 2, 4, 3, 6, 8, 5};
    for (int kind : kOrder)
        m_displays[kind - 1].reset();
    if (CDisplay* split = m_displays[6].get())
    {
        // The panes go before the settings copies they show.
        const int modes[2] = {split->GetPaneCode(0), split->GetPaneCode(1)};
        m_displays[6].reset();
        FreeSplitSettings(modes);
    }
    m_pCurrentDisplay = nullptr;
    if (m_pScan)
        m_pScan->SetDisplay(nullptr);
    if (m_pLibrary)
        m_pLibrary->SetDisplay(nullptr);
}

CAnalogData* CKelDoc::GetAnalogSettings(int index) const
{
    return index >= 0 && index < kAnalogSettings ? m_pAnalog[index].get() : nullptr;
}

void CKelDoc::SetCurrentScan(CScan* scan)
{
    if (m_pScan.get() != scan)
        m_pScan.reset(scan);
}

// ---- Head binding

int CKelDoc::DistributeHead()
{
    if (m_pUnits)
        m_pUnits->m_pHead = m_pHead;
    for (auto& analog : m_pAnalog)
        if (analog)
            analog->m_pHead = m_pHead;
    if (m_pLeakData)
        m_pLeakData->m_pHead = m_pHead;
    if (m_pTable)
        m_pTable->m_pHead = m_pHead;
    if (m_pScan)
        m_pScan->SetHead(m_pHead);
    return 1;
}

int CKelDoc::SetHeadFromDesc(CInstrumentDesc* desc)
{
    if (desc != nullptr && desc == m_pDesc.get())
        return 0;
    if (desc != nullptr)
    {
        m_bOwnsDesc = 0;
        m_pHead = desc->GetHead();
    }
    return DistributeHead();
}

int CKelDoc::AttachInstrument(CInstrumentDesc* desc)
{
    m_pHead = desc ? desc->GetHead() : nullptr;
    return DistributeHead();
}

int CKelDoc::RefreshHead()
{
    m_pDesc = m_pBoundDesc;
    m_pHead = m_pDesc ? m_pDesc->GetHead() : nullptr;
    return DistributeHead();
}

int CKelDoc::ReleaseInstrument()
{
    if (m_bReleaseLock)
        return 0;
    if (!m_pDesc)
        return 1;
    return RebindInstrument();
}

BOOL CKelDoc::RebindInstrument()
{
    if (!m_pDesc)
        return 0;
    // The port list and the logging jobs come with the program; until then the descriptor's own
    // link is let go.
    m_pDesc->Disconnect();
    return 1;
}

// ---- CScanSite

void CKelDoc::PostPaint()
{
    if (m_hViewWnd != NULL)
        ::PostMessage(m_hViewWnd, WM_PAINT, 0, 0);
}

CScanLogSettings& CKelDoc::GetLogSettings(int kind)
{
    // The records run analog, leak, P-vs-T, table, annunciator, histogram, split.
    static const int kRecordOfKind[] = {0, 0, 1, 3, 2, 5, 4, 6}; // by scan kind code 1..7
    return m_logSettings[kind >= 1 && kind <= 7 ? kRecordOfKind[kind] : 0];
}

int CKelDoc::GetCurrentScanMode()
{
    return m_pScan ? m_pScan->GetScanMode() : -1;
}

// ---- The document file

void CKelDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        ar.WriteObject(m_pHead);
        ar.WriteObject(m_pUnits.get());
        for (const auto& analog : m_pAnalog)
            ar.WriteObject(analog.get());
        ar.WriteObject(m_pTable.get());
        ar.WriteObject(m_pLeakData.get());
        ar << static_cast<LONG>(m_bItemNavigation) << static_cast<LONG>(m_nMode)
           << static_cast<LONG>(m_nSecondMode);
        for (int32_t flag : m_analysisGas)
            ar << static_cast<LONG>(flag);
        ar << static_cast<LONG>(m_nOption44) << static_cast<LONG>(m_nOption45)
           << static_cast<LONG>(m_nOption46) << static_cast<LONG>(m_nPrintingStyle) << m_fPrintTop
           << m_fPrintLeft;
        for (int32_t flag : m_printFlags)
            ar << static_cast<LONG>(flag);
        ar.WriteObject(m_pLibrary.get());
        ar.WriteObject(m_pCurrentDisplay);
        ar.WriteObject(m_pScan.get());
        ar << static_cast<LONG>(m_nTuningWord) << static_cast<LONG>(m_nCursorColor)
           << static_cast<LONG>(m_nCursorWidth) << static_cast<LONG>(m_nCursorType);
        for (int32_t word : m_optionWords)
            ar << static_cast<LONG>(word);
        for (const CString& s : m_strings)
            ar << s;
        return;
    }

    StagedDocument s;
    s.head.reset(ReadOwned<CHead>(ar, RUNTIME_CLASS(CHead)));
    if (!s.head)
        ThrowBadFile(ar, CArchiveException::badClass);
    s.units.reset(ReadOwned<CUnits>(ar, RUNTIME_CLASS(CUnits)));
    if (!s.units)
        ThrowBadFile(ar, CArchiveException::badClass);
    CheckReference(s, s.units->m_pHead, s.head.get());
    RefuseStrays(ar, s);
    for (auto& analog : s.analog)
    {
        analog.reset(ReadOwned<CAnalogData>(ar, RUNTIME_CLASS(CAnalogData)));
        if (!analog)
            ThrowBadFile(ar, CArchiveException::badClass);
        CheckReference(s, analog->m_pUnits, s.units.get());
        CheckReference(s, analog->m_pHead, s.head.get());
        RefuseStrays(ar, s);
    }
    s.table.reset(ReadOwned<CTable>(ar, RUNTIME_CLASS(CTable)));
    if (!s.table)
        ThrowBadFile(ar, CArchiveException::badClass);
    CheckReference(s, s.table->m_pUnits, s.units.get());
    CheckReference(s, s.table->m_pHead, s.head.get());
    RefuseStrays(ar, s);
    s.leak.reset(ReadOwned<CLeakData>(ar, RUNTIME_CLASS(CLeakData)));
    if (!s.leak)
        ThrowBadFile(ar, CArchiveException::badClass);
    CheckReference(s, s.leak->m_pUnits, s.units.get());
    CheckReference(s, s.leak->m_pHead, s.head.get());
    RefuseStrays(ar, s);

    for (int32_t& word : s.words)
        word = ReadInt(ar);
    // The printing words: four ints, then two floats; the flags follow them.
    int32_t printWords[4];
    for (int i = 0; i < 4; ++i)
        printWords[i] = ReadInt(ar);
    ar >> s.printTop >> s.printLeft;
    int32_t printFlags[3];
    for (int32_t& flag : printFlags)
        flag = ReadInt(ar);

    s.library.reset(ReadOwned<CLibrary>(ar, RUNTIME_CLASS(CLibrary)));
    if (s.library)
    {
        // The library shows its bars over the library settings (a new document's library may have
        // been stored before it had them).
        // In a split layout with the library below, the range is the layout's copy of them.
        CAnalogData* range = s.library->GetRangeSettings();
        const bool splitLibrary = s.words[2] == kModeLibrary;
        if (range != nullptr && !s.OwnsAnalog(range))
        {
            if (splitLibrary)
                AdoptSplitCopy(s, range);
            else
                s.strays.insert(range);
        }
        if (range == nullptr || (!s.OwnsAnalog(range) && !splitLibrary))
            s.library->SetRangeSettings(s.analog[4].get());
        // A display the library kept is the document's current display, stored in full here.
        if (CDisplay* shown = s.library->GetDisplay())
            s.display.reset(shown);
        RefuseStrays(ar, s);
    }

    BOOL created = FALSE;
    const DWORD beforeDisplay = ar.GetLoadMark();
    CObject* display = ar.ReadObject(RUNTIME_CLASS(CDisplay), &created);
    if (created && static_cast<CDisplay*>(display)->GetKind() == 7)
    {
        auto* split = static_cast<CDisplay*>(display);
        for (CDisplay* pane : {split->m_pTopDisplay, split->m_pBottomDisplay})
        {
            CObject* settings = pane != nullptr ? pane->m_pSettings : nullptr;
            if (settings != nullptr && settings != split && settings != split->m_pTopDisplay &&
                settings != split->m_pBottomDisplay && ar.IsLoadedSince(settings, beforeDisplay) &&
                std::find(s.paneSettings.begin(), s.paneSettings.end(), settings) == s.paneSettings.end())
                s.paneSettings.push_back(settings);
        }
    }
    if (display != nullptr && !created && display != s.display.get())
        ThrowBadFile(ar, CArchiveException::badIndex);
    if (display == nullptr && s.display)
        ThrowBadFile(ar, CArchiveException::badIndex); // the library's display is no display of the document
    if (created)
    {
        // A display the library kept and the file stored before the current display can only be
        // a pane of that display (the library half of a split layout), which owns it from now on.
        CDisplay* libraryShown = s.display.release();
        s.display.reset(static_cast<CDisplay*>(display));
        if (libraryShown != nullptr)
        {
            const bool pane = s.display->GetKind() == 7 && (libraryShown == s.display->m_pTopDisplay ||
                                                            libraryShown == s.display->m_pBottomDisplay);
            if (!pane || libraryShown->GetKind() != 8)
            {
                s.library->SetDisplay(nullptr);
                if (pane)
                    ThrowBadFile(ar, CArchiveException::badClass);
                s.strays.insert(libraryShown);
                RefuseStrays(ar, s);
            }
        }
    }
    if (s.display && (s.display->GetKind() < 1 || s.display->GetKind() > kDisplayKinds))
        ThrowBadFile(ar, CArchiveException::badClass);
    // A spectrum display shows one of the document's spectrum records; anything else the file made
    // in its place is refused.
    const bool spectrumKind =
        s.display && (s.display->GetKind() == 1 || s.display->GetKind() == 5 || s.display->GetKind() == 8);
    if (spectrumKind && s.display->m_pSettings != nullptr)
    {
        CObject* settings = s.display->m_pSettings;
        if (!settings->IsKindOf(RUNTIME_CLASS(CAnalogData)) ||
            !s.OwnsAnalog(static_cast<CAnalogData*>(settings)))
        {
            s.strays.insert(settings);
            s.display->m_pSettings = nullptr;
        }
        RefuseStrays(ar, s);
    }
    // The P-vs-T, table and panel displays show the document's table; a table the file made in its place
    // is refused.
    if (s.display && (s.display->GetKind() == 3 || s.display->GetKind() == 4 || s.display->GetKind() == 6))
    {
        CObject* table = s.display->m_pSettings;
        if (table != s.table.get())
        {
            if (table != nullptr)
                s.strays.insert(table);
            s.display->m_pSettings = s.table.get();
        }
        RefuseStrays(ar, s);
    }

    // The leak display shows the document's leak settings; a record the file made in its place is
    // refused.
    if (s.display && s.display->GetKind() == 2)
    {
        CObject* leak = s.display->m_pSettings;
        if (leak != s.leak.get())
        {
            if (leak != nullptr)
                s.strays.insert(leak);
            s.display->m_pSettings = s.leak.get();
        }
        RefuseStrays(ar, s);
    }

    if (s.display && s.display->GetKind() == 7)
    {
        for (CDisplay* pane : {s.display->m_pTopDisplay, s.display->m_pBottomDisplay})
            if (pane != nullptr)
                CheckPaneSettings(ar, s, pane);
        RefuseStrays(ar, s);
    }

    s.scan.reset(ReadOwned<CScan>(ar, RUNTIME_CLASS(CScan)));
    if (s.scan)
    {
        // The scan of a library layout keeps the upper pane; a split scan has the split display.
        const bool onPane =
            s.display && s.display->GetKind() == 7 && !dynamic_cast<CSplitScan*>(s.scan.get());
        CheckScanReferences(s, s.scan.get(), onPane, onPane ? s.display->m_pTopDisplay : s.display.get());
        RefuseStrays(ar, s);
    }

    for (int32_t& word : s.tail)
        word = ReadInt(ar);
    for (CString& text : s.strings)
        ar >> text;

    // ---- All read: the document takes it over.
    DeleteDisplays();
    // The library's dialog may hang below the scan's (a split layout with the library below).
    if (m_pLibrary)
        m_pLibrary->DestroyParameterDlg();
    m_pScan.reset();
    DeleteModels();
    m_pLibrary.reset();

    const int family = s.head->GetHeadFamily();
    m_nHeadSetting = family >= 1 && family <= 100 ? family : 0;
    // The old descriptors go before the head they may hold.
    m_pDesc.reset();
    m_pBoundDesc.reset();
    m_pLoadedHead = std::move(s.head);
    m_pHead = m_pLoadedHead.get();
    m_pDesc = CreateInstrumentDesc(1);
    if (m_pDesc)
        m_pDesc->AttachHead(m_pHead);
    m_pBoundDesc = m_pDesc;
    m_bOwnsDesc = 1;

    m_pUnits = std::move(s.units);
    for (int i = 0; i < kAnalogSettings; ++i)
        m_pAnalog[i] = std::move(s.analog[i]);
    m_pTable = std::move(s.table);
    m_pLeakData = std::move(s.leak);

    const int32_t* w = s.words;
    m_bItemNavigation = *w++;
    m_nMode = *w++;
    m_nSecondMode = *w++;
    for (int32_t& flag : m_analysisGas)
        flag = *w++;
    m_nOption44 = printWords[0];
    m_nOption45 = printWords[1];
    m_nOption46 = printWords[2];
    m_nPrintingStyle = printWords[3];
    m_fPrintTop = s.printTop;
    m_fPrintLeft = s.printLeft;
    for (int i = 0; i < 3; ++i)
        m_printFlags[i] = printFlags[i];

    m_pLibrary = std::move(s.library);
    if (s.display)
    {
        CDisplay* shown = s.display.release();
        BindLoadedDisplay(shown);
        SetDisplayOfKind(shown);
        m_pCurrentDisplay = GetDisplayOfKind(shown->GetKind());
    }
    m_pScan = std::move(s.scan);
    // Each pane's copy in the slot of its pane (one copy may serve both); a copy only a scan
    // refers to takes a free slot. There are two copies at most, so each one gets a slot.
    CDisplay* split =
        m_pCurrentDisplay != nullptr && m_pCurrentDisplay->GetKind() == 7 ? m_pCurrentDisplay : nullptr;
    for (int i = 0; i < 2; ++i)
    {
        CDisplay* pane = split == nullptr ? nullptr : i == 0 ? split->m_pTopDisplay : split->m_pBottomDisplay;
        const bool copy = pane != nullptr && std::find(s.splitCopies.begin(), s.splitCopies.end(),
                                                       pane->m_pSettings) != s.splitCopies.end();
        m_pSplitSettings[i] = copy ? pane->m_pSettings : nullptr;
    }
    for (CObject* copy : s.splitCopies)
    {
        if (copy == m_pSplitSettings[0] || copy == m_pSplitSettings[1])
            continue;
        if (m_pSplitSettings[0] == nullptr)
            m_pSplitSettings[0] = copy;
        else
            m_pSplitSettings[1] = copy;
    }
    s.splitCopies.clear();
    s.paneSettings.clear();

    const int32_t* t = s.tail;
    m_nTuningWord = *t++;
    m_nCursorColor = *t++;
    m_nCursorWidth = *t++;
    m_nCursorType = *t++;
    for (int32_t& word : m_optionWords)
        word = *t++;
    for (int i = 0; i < kStrings; ++i)
        m_strings[i] = s.strings[i];
    if (m_nCursorColor < 0 || m_nCursorColor > 19)
        m_nCursorColor = 0;
    if (m_nCursorWidth < 0 || m_nCursorWidth > 4)
        m_nCursorWidth = 0;
    if (m_nCursorType < 0 || m_nCursorType > 4)
        m_nCursorType = 0;
}
