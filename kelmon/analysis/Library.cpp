#include "analysis/Library.h"

#include "displays/Display.h"
#include "doc/AnalogData.h"
#include "foundation/Paths.h"
#include "res/resource.h"

#include <afx.h>
#include <mfc/ModuleState.h>
#include <win32/prompt.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

IMPLEMENT_SERIAL(CLibrary, CObject, 1)

namespace
{

CLibraryHost* g_host = nullptr;

// Longest line contents accepted (without the line end) per kind of line.
constexpr int kCountLineMax = 18;
constexpr int kHeaderLineMax = 98;
constexpr int kDataLineMax = 198;

// String nID with "%1" and "%2" put in, in one pass (a path may itself hold "%2").
CString LoadMessage(UINT nID, const char* arg1, const char* arg2 = "")
{
    CString format;
    format.LoadString(nID);
    CString text;
    for (int i = 0; i < format.GetLength(); ++i)
    {
        const char c = format[i];
        if (c == '%' && i + 1 < format.GetLength() && (format[i + 1] == '1' || format[i + 1] == '2'))
        {
            text += format[i + 1] == '1' ? arg1 : arg2;
            ++i;
        }
        else
            text += c;
    }
    return text;
}

std::vector<std::string> SplitFields(const CString& text)
{
    std::vector<std::string> fields;
    std::string field;
    for (int i = 0; i < text.GetLength(); ++i)
    {
        const char c = text[i];
        if (c == ' ' || c == '\t')
        {
            if (!field.empty())
                fields.push_back(field);
            field.clear();
        }
        else
            field += c;
    }
    if (!field.empty())
        fields.push_back(field);
    return fields;
}

bool ParseDouble(const std::string& field, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(field.c_str(), &end);
    return end != field.c_str() && *end == '\0' && errno == 0 && std::isfinite(value);
}

bool ParseInt(const std::string& field, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(field.c_str(), &end, 10);
    return end != field.c_str() && *end == '\0' && errno == 0;
}

// One gas block as read from the file, before it becomes a CGas.
struct GasFields
{
    CString name;
    double value1 = 0.0;
    double value2 = 0.0;
    int32_t masses[CGas::kSlots] = {};
    float intensities[CGas::kSlots] = {};
};

// Each parser returns "" when the line is valid, else why not.
std::string ParseHeader(const CString& line, GasFields& gas)
{
    if (line.IsEmpty() || line[0] != '"')
        return "the gas header does not begin with a double quote";
    const int close = line.Find('"', 1);
    if (close < 0)
        return "the gas name has no closing double quote";
    if (close == 1)
        return "the gas name is empty";
    if (line.Left(close).Find('\0') >= 0)
        return "the gas name holds a NUL character";
    if (close - 1 > CGas::kMaxName)
        return "the gas name is longer than 19 characters";
    gas.name = line.Mid(1, close - 1);
    const std::vector<std::string> fields = SplitFields(line.Mid(close + 1));
    if (fields.empty())
        return "no value follows the gas name";
    double* values[2] = {&gas.value1, &gas.value2};
    for (size_t i = 0; i < 2 && i < fields.size(); ++i)
    {
        if (!ParseDouble(fields[i], *values[i]))
            return "header value \"" + fields[i] + "\" is not a number";
        if (!(*values[i] >= 0.1 && *values[i] <= 100.0))
            return "header value " + fields[i] + " is outside 0.1..100";
    }
    if (fields.size() < 2)
        gas.value2 = 0.0;
    return "";
}

std::string ParseMasses(const CString& line, GasFields& gas)
{
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() < CGas::kSlots)
        return "the mass line holds " + std::to_string(fields.size()) + " values, not 10";
    for (int i = 0; i < CGas::kSlots; ++i)
    {
        long mass = 0;
        if (!ParseInt(fields[i], mass))
            return "mass \"" + fields[i] + "\" is not a whole number";
        if (mass < 0 || mass > CGas::kMaxMass)
            return "mass " + fields[i] + " is outside 0..300";
        gas.masses[i] = static_cast<int32_t>(mass);
    }
    return "";
}

std::string ParseIntensities(const CString& line, GasFields& gas)
{
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() < CGas::kSlots)
        return "the intensity line holds " + std::to_string(fields.size()) + " values, not 10";
    double values[CGas::kSlots];
    double sum = 0.0;
    for (int i = 0; i < CGas::kSlots; ++i)
    {
        if (!ParseDouble(fields[i], values[i]))
            return "intensity \"" + fields[i] + "\" is not a number";
        if (!(values[i] >= 0.0 && values[i] <= 100.0))
            return "intensity " + fields[i] + " is outside 0..100";
        sum += values[i];
    }
    if (!(sum > 0.0))
        return "the intensities are all 0";
    for (int i = 0; i < CGas::kSlots; ++i)
        gas.intensities[i] = static_cast<float>(values[i] * (100.0 / sum));
    return "";
}

// Reads one whole line without its line end; FALSE at the end of the file.
BOOL ReadLine(CStdioFile& file, CString& line, int& lineNo)
{
    if (!file.ReadString(line))
        return FALSE;
    ++lineNo;
    line.TrimRight("\r");
    return TRUE;
}

// Asks for another library file; empty when cancelled.
CString PickLibraryFile()
{
    kel::PromptRequest request;
    request.kind = kel::PromptKind::FileOpen;
    request.flags = kel::kPromptFileMustExist | kel::kPromptPathMustExist;
    request.filter = "Library Files (*.dat) | *.dat||";
    request.defaultExt = "dat";
    const kel::PromptReply reply = kel::Prompt(request);
    if (reply.result != IDOK || reply.paths.empty())
        return CString();
    return CString(reply.paths.front().c_str());
}

BOOL OpenForReading(CStdioFile& file, const CString& path, UINT icon)
{
    CFileException error;
    if (file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText, &error))
        return TRUE;
    char cause[16];
    std::snprintf(cause, sizeof cause, "%d", error.m_cause);
    AfxMessageBox(LoadMessage(IDS_FILE_OPEN_FAILED, path, cause), icon);
    return FALSE;
}

} // namespace

CLibraryHost* CLibrary::SetHost(CLibraryHost* host)
{
    CLibraryHost* previous = g_host;
    g_host = host;
    return previous;
}

CLibrary::CLibrary(CAnalogData* rangeSettings) : m_pRange(rangeSettings) {}

CLibrary::~CLibrary()
{
    RemoveAll();
}

void CLibrary::RemoveAll()
{
    for (INT_PTR i = 0; i < m_gases.GetSize(); ++i)
        delete m_gases[i];
    m_gases.RemoveAll();
}

BOOL CLibrary::ReadLibraryFile(LPCTSTR directory)
{
    m_loaded = 0;
    CString path = JoinPath(directory ? directory : "", kFileName).c_str();
    {
        CStdioFile probe;
        if (!OpenForReading(probe, path, MB_ICONSTOP))
        {
            path = PickLibraryFile();
            if (path.IsEmpty())
                return FALSE;
            if (!OpenForReading(probe, path, MB_ICONSTOP))
                return FALSE;
        }
    }
    return ReadLibraryPath(path);
}

BOOL CLibrary::ReadLibraryPath(LPCTSTR path)
{
    m_loaded = 0;
    RemoveAll();
    CStdioFile file;
    if (!OpenForReading(file, path, MB_ICONSTOP))
        return FALSE;

    int lineNo = 0;
    const auto formatError = [&](const std::string& why)
    {
        CString text = LoadMessage(IDS_FILE_FORMAT_ERROR, path);
        text.AppendFormat("\nLine %d: %s.", lineNo, why.c_str());
        RemoveAll();
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        return FALSE;
    };
    const auto endOfFile = [&](const std::string& why)
    {
        CString text = LoadMessage(IDS_UNEXPECTED_EOF, path);
        text.AppendFormat("\n%s", why.c_str());
        RemoveAll();
        AfxMessageBox(text, MB_ICONEXCLAMATION);
        return FALSE;
    };

    try
    {
        CString line;
        if (!ReadLine(file, line, lineNo))
            return endOfFile("The file is empty.");
        if (line.GetLength() > kCountLineMax)
            return formatError("the line is longer than " + std::to_string(kCountLineMax) + " characters");
        // The count may be followed by any text.
        const char* p = line.GetString();
        char* end = nullptr;
        errno = 0;
        const long count = std::strtol(p, &end, 10);
        if (end == p || errno != 0)
            return formatError("the gas count is not a number");
        if (count < 1 || count > kMaxGases)
            return formatError("the gas count " + std::to_string(count) + " is outside 1..1000");

        static const char* const kLineNames[3] = {"header", "mass", "intensity"};
        static const int kLineMax[3] = {kHeaderLineMax, kDataLineMax, kDataLineMax};
        for (int i = 0; i < count; ++i)
        {
            CString lines[3];
            for (int k = 0; k < 3; ++k)
            {
                if (!ReadLine(file, lines[k], lineNo))
                {
                    return endOfFile("The " + std::string(kLineNames[k]) + " line of gas " +
                                     std::to_string(i + 1) + " of " + std::to_string(count) + " is missing.");
                }
            }
            lineNo -= 2;
            GasFields fields;
            for (int k = 0; k < 3; ++k, ++lineNo)
            {
                if (lines[k].GetLength() > kLineMax[k])
                    return formatError("the line is longer than " + std::to_string(kLineMax[k]) +
                                       " characters");
                const std::string why = k == 0   ? ParseHeader(lines[k], fields)
                                        : k == 1 ? ParseMasses(lines[k], fields)
                                                 : ParseIntensities(lines[k], fields);
                if (!why.empty())
                    return formatError(why);
            }
            --lineNo;
            m_gases.Add(new CGas(fields.name, CountPeaks(fields.masses), static_cast<float>(fields.value1),
                                 static_cast<float>(fields.value2), fields.masses, fields.intensities, i));
        }
        m_gasCount = static_cast<int32_t>(count);
    }
    catch (CFileException* e)
    {
        char cause[16];
        std::snprintf(cause, sizeof cause, "%d", e->m_cause);
        e->Delete();
        RemoveAll();
        AfxMessageBox(LoadMessage(IDS_FILE_OPEN_FAILED, path, cause), MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_currentGas = 0;
    m_loaded = 1;
    return TRUE;
}

BOOL CLibrary::GetGasAt(int index, CGas*& gas) const
{
    if (index < 0 || index >= GetSize())
        return FALSE;
    gas = static_cast<CGas*>(m_gases[index]);
    return TRUE;
}

void CLibrary::GetGasNames(CStringArray& names) const
{
    names.RemoveAll();
    for (INT_PTR i = 0; i < m_gases.GetSize(); ++i)
        names.Add(static_cast<const CGas*>(m_gases[i])->GetName());
}

int CLibrary::SearchMasses(const int32_t masses[10], std::vector<int>& found) const
{
    found.clear();
    if (std::all_of(masses, masses + 10, [](int32_t m) { return m == 0; }))
        return 0;
    for (int g = 0; g < GetSize(); ++g)
    {
        const CGas* gas = static_cast<const CGas*>(m_gases[g]);
        if (std::all_of(masses, masses + 10, [&](int32_t m) { return m == 0 || gas->HasMass(m); }))
            found.push_back(g);
    }
    return static_cast<int>(found.size());
}

BOOL CLibrary::GetPatterns(const CStringArray& names, CObArray& patterns) const
{
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
    {
        CObject* found = nullptr;
        for (INT_PTR g = 0; g < m_gases.GetSize() && !found; ++g)
            if (static_cast<const CGas*>(m_gases[g])->GetName().Compare(names[i]) == 0)
                found = m_gases[g];
        if (!found)
            return FALSE;
        patterns.SetAtGrow(i, found);
    }
    return TRUE;
}

void CLibrary::BuildSpectrum(const CGas& gas)
{
    if (!m_pRange)
        return;
    // Keep the bars inside their 300 slots whatever the settings say.
    const int start = m_pRange->m_startMass < 1 ? 1 : m_pRange->m_startMass;
    int stop = m_pRange->m_stopMass;
    if (stop - start + 1 > kMaxBars)
        stop = start + kMaxBars - 1;
    if (stop < start)
        return;
    std::fill(m_bars, m_bars + (stop - start + 1), 0.0f);
    for (int i = 0; i < CGas::kSlots; ++i)
    {
        const int mass = gas.GetMass(i);
        if (mass >= start && mass <= stop)
            m_bars[mass - start] = gas.GetIntensity(i) * m_pRange->m_barScale * 0.01f;
    }
}

void CLibrary::ShowCurrent()
{
    CGas* gas = nullptr;
    if (!m_pDisplay || !GetGasAt(m_currentGas, gas))
        return;
    BuildSpectrum(*gas);
    LibraryBarRecord record{};
    gas->GetName(record.name);
    record.bars = m_bars;
    m_pDisplay->UpdateData(&record, 0);
}

void CLibrary::SetDisplay(CDisplay* display)
{
    m_pDisplay = display;
    if (display)
        ShowCurrent();
}

BOOL CLibrary::ApplyScanParameters(int startMass, int stopMass)
{
    if (!m_pRange || startMass < 1 || stopMass > kMaxBars || startMass > stopMass)
        return FALSE;
    m_pRange->m_startMass = startMass;
    m_pRange->m_stopMass = stopMass;
    m_pRange->m_pointCount = stopMass - startMass + 1;
    if (m_pDisplay && m_pDisplay->Rebuild())
        ShowCurrent();
    return TRUE;
}

void CLibrary::ShowGas(CGas* gas)
{
    if (m_pDisplay && g_host && g_host->IsLibraryMode())
    {
        if (gas)
            m_currentGas = gas->GetIndex();
        ShowCurrent();
    }
    else if (g_host)
        g_host->EnterLibraryMode();
}

void CLibrary::NextGas()
{
    if (!m_pDisplay || !g_host || !g_host->IsLibraryMode() || GetSize() < 1)
        return;
    m_currentGas = (m_currentGas + 1 >= GetSize()) ? 0 : m_currentGas + 1;
    ShowGas(nullptr);
}

void CLibrary::PreviousGas()
{
    if (!m_pDisplay || !g_host || !g_host->IsLibraryMode() || GetSize() < 1)
        return;
    m_currentGas = (m_currentGas < 1 || m_currentGas >= GetSize()) ? GetSize() - 1 : m_currentGas - 1;
    ShowGas(nullptr);
}

void CLibrary::Serialize(CArchive& ar)
{
    // The gas array in the collections' own form: a count (WORD, or 0xFFFF and a DWORD), then
    // each gas as an object.
    if (ar.IsStoring())
    {
        const DWORD n = static_cast<DWORD>(m_gases.GetSize());
        if (n < 0xFFFF)
            ar << static_cast<WORD>(n);
        else
            ar << static_cast<WORD>(0xFFFF) << n;
        for (INT_PTR i = 0; i < m_gases.GetSize(); ++i)
            ar << m_gases[i];

        if (m_pDisplay && !(g_host && g_host->IsLibraryDisplayCurrent()))
            m_pDisplay = nullptr;
        ar << static_cast<const CObject*>(m_pRange) << static_cast<const CObject*>(m_pDisplay);
        ar << static_cast<LONG>(m_gasCount) << static_cast<LONG>(m_reserved[0])
           << static_cast<LONG>(m_reserved[1]) << static_cast<LONG>(m_currentGas)
           << static_cast<LONG>(m_loaded);
        for (int32_t w : m_reservedBlock1)
            ar << static_cast<LONG>(w);
        for (float f : m_bars)
            ar << f;
        for (int32_t w : m_reservedBlock2)
            ar << static_cast<LONG>(w);
        for (const CString& s : m_strings)
            ar << s;
        return;
    }

    RemoveAll();
    WORD w = 0;
    ar >> w;
    DWORD n = w;
    if (w == 0xFFFF)
        ar >> n;
    for (DWORD i = 0; i < n; ++i)
    {
        // The library owns its gases: a reference to a gas read before (listed twice, or owned
        // elsewhere) is refused instead of being owned twice.
        CGas* gas = static_cast<CGas*>(ar.ReadOwnedObject(RUNTIME_CLASS(CGas)));
        if (gas) // a damaged file's empty entry is dropped, not kept to be used
            m_gases.Add(gas);
    }
    // The range settings and the display belong to the document.
    CArchiveFieldReads fields(ar);
    fields.Read(m_pRange, RUNTIME_CLASS(CAnalogData));
    fields.Read(m_pDisplay, RUNTIME_CLASS(CDisplay));
    LONG v[5] = {};
    for (LONG& x : v)
        ar >> x;
    for (int32_t& x : m_reservedBlock1)
    {
        LONG word = 0;
        ar >> word;
        x = word;
    }
    for (float& f : m_bars)
        ar >> f;
    for (int32_t& x : m_reservedBlock2)
    {
        LONG word = 0;
        ar >> word;
        x = word;
    }
    for (CString& s : m_strings)
        ar >> s;
    m_reserved[0] = v[1];
    m_reserved[1] = v[2];
    // Keep the invariants even for a damaged file: the count is the array's, the current gas in it.
    m_gasCount = static_cast<int32_t>(m_gases.GetSize());
    m_currentGas = (v[3] >= 0 && v[3] < m_gasCount) ? v[3] : 0;
    m_loaded = v[4] != 0 ? 1 : 0;
    fields.Commit();
}
