#include "analysis/Analyse.h"

#include "analysis/Gas.h"
#include "analysis/Library.h"
#include "res/resource.h"
#include "settings/AppSettings.h"

#include <afx.h>
#include <mfc/ModuleState.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

IMPLEMENT_SERIAL(CAnalyse, CObject, 1)

namespace
{
AnalysisViewFactory g_viewFactory = nullptr;
}

AnalysisViewFactory SetAnalysisViewFactory(AnalysisViewFactory factory)
{
    AnalysisViewFactory previous = g_viewFactory;
    g_viewFactory = factory;
    return previous;
}

BOOL FormatAnalysisResults(const float* values, int count, int32_t unitsMode, CString* texts)
{
    if (unitsMode == 1)
    {
        for (int k = 0; k < count; ++k)
        {
            char text[32];
            std::snprintf(text, sizeof text, "%1.1e", std::max(0.0, static_cast<double>(values[k])));
            // Split at the "e": mantissa and a plain integer exponent.
            char* e = std::strchr(text, 'e');
            if (e)
                *e = '\0';
            char* end = nullptr;
            const double mantissa = std::strtod(text, &end);
            if (!e || *end != '\0' || end == text)
            {
                if (e)
                    *e = 'e';
                texts[k] = text;
                continue;
            }
            const int exponent = std::atoi(e + 1);
            if (exponent != 0)
                texts[k].Format("%3.1fe%i", mantissa, exponent);
            else
                texts[k].Format("%3.1f", mantissa);
        }
        return TRUE;
    }
    double total = 0.0;
    for (int k = 0; k < count; ++k)
        if (values[k] > 0.0f)
            total += values[k];
    if (!(total > 0.0))
        return FALSE;
    for (int k = 0; k < count; ++k)
        texts[k].Format("%1.1f%%", values[k] > 0.0f ? values[k] / total * 100.0 : 0.0);
    return TRUE;
}

CAnalyse::CAnalyse() = default;

CAnalyse::CAnalyse(CLibrary* library) : m_pLibrary(library)
{
    const CAppSettings* settings = CAppSettings::GetInstance();
    for (int i = 0; i < kListSize; ++i)
        m_gasNames.Add(settings->m_analyzeGas[i].c_str());
    BuildGasTables();
    m_y = AllocMatrix(m_massCount, 1);
    m_x = AllocMatrix(m_massCount, 1);
    if (!m_y || !m_x)
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
}

CAnalyse::~CAnalyse() = default;

void CAnalyse::BuildGasTables()
{
    CObArray patterns;
    patterns.SetSize(kListSize);
    if (!m_pLibrary || !m_pLibrary->GetPatterns(m_gasNames, patterns))
        return;
    int highest = 0;
    std::vector<int> counts(CGas::kMaxMass + 1, 0);
    for (int g = 0; g < kListSize; ++g)
    {
        const CGas* gas = static_cast<const CGas*>(patterns[g]);
        for (int slot = 0; slot < 3; ++slot)
        {
            const int mass = gas->GetMass(slot);
            highest = std::max(highest, mass);
            ++counts[mass];
        }
    }
    m_massToRow.assign(highest + 1, -1);
    m_rowToMass.assign(m_rowCapacity, 0);
    int rows = 0;
    for (int mass = 2; mass <= highest; ++mass)
    {
        if (counts[mass] == 0)
            continue;
        m_massToRow[mass] = rows;
        m_rowToMass[rows] = mass;
        ++rows;
    }
    m_massCount = rows;
    m_lowestMassBound = 1;
    m_massTableSize = highest + 1;
}

int CAnalyse::GetMassRow(int mass) const
{
    return (mass >= 0 && mass < static_cast<int>(m_massToRow.size())) ? m_massToRow[mass] : -1;
}

BOOL CAnalyse::IsMassRangeUsable(int startMass, int stopMass) const
{
    if (m_massTableSize <= 0 || m_massCount < 1)
        return FALSE;
    return startMass >= 1 && startMass <= m_rowToMass[0] && stopMass >= GetHighestMass();
}

BOOL CAnalyse::PickValues(const float* sweep, int pointCount, int startMass, int pointsPerAmu,
                          float* values) const
{
    if (pointsPerAmu < 1 || pointCount < 1)
        return FALSE;
    const int lastMass = startMass + (pointCount - 1) / pointsPerAmu;
    if (!IsMassRangeUsable(startMass, lastMass))
        return FALSE;
    const int width = std::max(1, static_cast<int>(pointsPerAmu * 0.5 + 0.5));
    const int before = static_cast<int>((width + 1) * 0.5);
    for (int row = 0; row < m_massCount; ++row)
    {
        const int centre = (m_rowToMass[row] - startMass) * pointsPerAmu;
        // Cut the window to the sweep (the top mass may sit on the sweep's last point) and to the
        // points of the row's own mass: with one point per mass the window before the centre
        // would be the mass below.
        const int reach = pointsPerAmu / 2;
        const int first = std::max({0, centre - before, centre - reach});
        const int end = std::min({pointCount, centre - before + width, centre + reach + 1});
        float peak = sweep[std::min(centre, pointCount - 1)];
        for (int i = first; i < end; ++i)
            peak = std::max(peak, sweep[i]);
        values[row] = peak;
    }
    return TRUE;
}

BOOL CAnalyse::PrepareMatrix()
{
    m_prepared = false;
    m_p.reset();
    const int m = m_massCount;
    int n = 0;
    CStringArray names;
    for (int i = 0; i < kListSize; ++i)
        if (m_pSelection && m_pSelection[i] != 0)
        {
            names.Add(m_gasNames[i]);
            ++n;
        }
    m_selectedCount = n;
    m_selectedMask = SelectionMask(m_pSelection, kListSize);
    if (n < 1 || m_massTableSize <= 0 || !m_pLibrary)
        return FALSE;
    CObArray patterns;
    patterns.SetSize(n);
    if (!m_pLibrary->GetPatterns(names, patterns))
        return FALSE;
    // More gases than masses can never be told apart.
    if (n > m)
    {
        AfxMessageBox(IDS_ANALYSIS_MATH_ERROR, MB_ICONSTOP);
        return FALSE;
    }

    std::unique_ptr<CFloatMatrix> p = AllocMatrix(n, m), a = AllocMatrix(m, n), at = AllocMatrix(n, m),
                                  w = AllocMatrix(n, n);
    if (!p || !a || !at || !w || !m_y || !m_x)
    {
        AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
        return FALSE;
    }
    for (int j = 0; j < n; ++j)
    {
        const CGas* gas = static_cast<const CGas*>(patterns[j]);
        for (int slot = 0; slot < CGas::kSlots; ++slot)
        {
            const int mass = gas->GetMass(slot);
            if (mass > m_lowestMassBound && mass < m_massTableSize && m_massToRow[mass] >= 0)
                a->Rows()[m_massToRow[mass]][j] = gas->GetIntensity(slot) * 0.01f;
        }
    }
    MatrixTranspose(a->Rows(), at->Rows(), m, n);
    MatrixMultiply(at->Rows(), a->Rows(), w->Rows(), n, n, m);
    if (!MatrixInvert(w->Rows(), n))
    {
        AfxMessageBox(IDS_ANALYSIS_MATH_ERROR, MB_ICONSTOP);
        return FALSE;
    }
    MatrixMultiply(w->Rows(), at->Rows(), p->Rows(), n, m, n);
    m_p = std::move(p);
    m_prepared = true;
    return TRUE;
}

uint32_t SelectionMask(const int32_t* flags, int count)
{
    uint32_t mask = 0;
    for (int i = 0; flags && i < count && i < 32; ++i)
        if (flags[i] != 0)
            mask |= 1u << i;
    return mask;
}

BOOL CAnalyse::Start(int32_t* selectionFlags, int32_t* changedFlag)
{
    m_pSelection = selectionFlags;
    m_pChanged = changedFlag;
    if (!PrepareMatrix())
        return FALSE;
    if (m_pChanged)
        *m_pChanged = 0;
    if (!m_pDialog)
    {
        m_pDialog.reset(g_viewFactory ? g_viewFactory() : nullptr);
        if (!m_pDialog)
        {
            AfxMessageBox(IDS_NOT_ENOUGH_MEMORY, MB_ICONSTOP);
            return FALSE;
        }
    }
    return m_pDialog->CreateView(m_pSelection, m_pChanged, &m_gasNames, &m_unitsMode);
}

BOOL CAnalyse::Analyse(const float* values)
{
    // The set-up dialog sets the flag on the user-interface thread after writing the selection;
    // taking it here with acquire order makes that selection visible to this thread. It is
    // cleared even on failure: a bad choice is reported once, not at every sweep.
    if (m_pChanged && std::atomic_ref<int32_t>(*m_pChanged).exchange(0, std::memory_order_acq_rel))
    {
        if (!PrepareMatrix())
            return FALSE;
    }
    if (!m_prepared)
        return FALSE;
    std::copy(values, values + m_massCount, m_y->Rows()[0]);
    MatrixMultiply(m_p->Rows(), m_y->Rows(), m_x->Rows(), m_selectedCount, 1, m_massCount);
    ResendResults();
    return TRUE;
}

void CAnalyse::ResendResults()
{
    if (m_pDialog && m_pDialog->HasWindow() && m_x)
        m_pDialog->ShowResult(m_x->Rows(), m_selectedMask);
}

BOOL CAnalyse::IsDialogVisible() const
{
    return m_pDialog && m_pDialog->IsVisible();
}

CString CAnalyse::FormatLogHeader(const CTime& time, const LogSetup& setup) const
{
    CString text = time.Format("%I:%M:%S %p  %A, %B %d, %Y");
    text.AppendFormat("\n%s \nSoftware Version, %1.2f\n\n", setup.banner.GetString(), setup.version);
    text += "Analog Scan Analysis\n\n";
    text.AppendFormat("Data Points in Scan, %d \nUnits, %s \nNoise Floor, %d \n%s \nPoints Per AMU, %d",
                      setup.pointCount, setup.units.GetString(), setup.noiseFloor, setup.detector.GetString(),
                      setup.pointsPerAmu);
    text.AppendFormat("\nScan Start Mass, %d, amu \nScan Stop Mass, %d, amu\n", setup.startMass,
                      setup.stopMass);
    text += "\n\n";
    return text + FormatLogColumns();
}

CString CAnalyse::FormatLogColumns() const
{
    CString line("#     ");
    for (int i = 0; i < m_gasNames.GetSize(); ++i)
    {
        CString name = m_gasNames[i];
        if (name.GetLength() > 12)
            name = name.Left(9) + "...";
        line.AppendFormat("%-12s ", name.GetString());
    }
    line += "\n";
    return line;
}

CString CAnalyse::FormatLogLine(int lineNumber) const
{
    CString line;
    line.Format("%-6d", lineNumber);
    double total = 0.0;
    for (int k = 0; k < m_selectedCount; ++k)
        total += std::max(0.0f, GetResult(k));
    if (total > 0.0 && m_pSelection)
    {
        int k = 0;
        for (int i = 0; i < kListSize; ++i)
        {
            if (!m_pSelection[i])
            {
                line += "--           ";
                continue;
            }
            line.AppendFormat("%-12.1f ", std::max(0.0f, GetResult(k++)) / total * 100.0);
        }
    }
    line += "\n";
    return line;
}
