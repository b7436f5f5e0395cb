#include "displays/LayoutFile.h"

#include "displays/Display.h"

#include <mfc/ModuleState.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace
{

constexpr int kMaxLine = 999;
constexpr int kMaxFace = 300;

bool InUnitRange(float v)
{
    return v >= 0.0f && v <= 1.0f;
}

// A coordinate the chart does not report for the object (a text's far corner) still has to read
// back as one.
float UnitClamp(float v)
{
    return v >= 0.0f && v <= 1.0f ? v : (v > 1.0f ? 1.0f : 0.0f);
}

// Skips a key token and reads the value after it.
template <class T> bool KeyValue(std::istream& in, T& value)
{
    std::string key;
    return static_cast<bool>(in >> key >> value);
}

// The rest of the current line (at most kMaxLine characters) as a stream of its own.
std::istringstream RestOfLine(std::istream& in)
{
    std::string line;
    std::getline(in, line);
    if (line.size() > static_cast<size_t>(kMaxLine))
        line.resize(kMaxLine);
    return std::istringstream(line);
}

void Message(const char* format, LPCTSTR path)
{
    char text[1200];
    std::snprintf(text, sizeof text, format, path);
    AfxMessageBox(text, MB_OK);
}

} // namespace

int ReadQuotedString(std::istream& in, std::string& text, int maxCount)
{
    text.clear();
    int quotes = 0;
    int stored = 0;
    char ch = 0;
    while (quotes < 2 && stored < maxCount && in.get(ch))
    {
        if (ch == '"')
            ++quotes;
        else if (ch == ' ')
        {
            if (quotes > 0)
            {
                text += ch;
                ++stored;
            }
        }
        else
        {
            text += ch;
            ++stored;
        }
    }
    return quotes == 2 && stored < maxCount ? 1 : 0;
}

// ---- Items

CLayoutItem::CLayoutItem(CLayoutFile* owner, const std::string& name, uint16_t object)
    : m_strName(name), m_nObject(object), m_pDisplay(owner ? owner->GetDisplay() : nullptr), m_pOwner(owner)
{
}

CLayoutChart* CLayoutItem::Chart() const
{
    return m_pOwner ? m_pOwner->GetChart() : nullptr;
}

void CLayoutItem::SetVisible(BOOL visible)
{
    m_bVisible = visible ? 1 : 0;
    if (CLayoutChart* chart = Chart())
        chart->ShowObject(m_nObject, m_bVisible);
}

int CLayoutItem::Read(std::istream& in)
{
    return ReadBox(in);
}

int CLayoutItem::Write(std::ostream&)
{
    return m_nObject != 0 ? 1 : 0;
}

int CLayoutItem::ReadBox(std::istream& in)
{
    int32_t visible = 0;
    float v[4] = {};
    if (!KeyValue(in, visible))
        return 0;
    for (float& x : v)
        if (!KeyValue(in, x))
            return 0;
    for (float x : v)
        if (!InUnitRange(x))
            return 0;
    m_bVisible = visible;
    m_x1 = v[0];
    m_y1 = v[1];
    m_x2 = v[2];
    m_y2 = v[3];
    return 1;
}

void CLayoutItem::WriteBox(std::ostream& out)
{
    BOOL visible = m_bVisible;
    float x1 = m_x1, y1 = m_y1, x2 = m_x2, y2 = m_y2;
    if (CLayoutChart* chart = Chart())
    {
        visible = chart->IsObjectVisible(m_nObject);
        chart->GetObjectCoordNorm(m_nObject, x1, y1, x2, y2);
    }
    out << m_strName << " Visible= " << (visible ? 1 : 0) << " x1= " << UnitClamp(x1)
        << " y1= " << UnitClamp(y1) << " x2= " << UnitClamp(x2) << " y2= " << UnitClamp(y2) << ' ';
}

int CTextLayoutItem::Read(std::istream& in)
{
    std::istringstream line = RestOfLine(in);
    ReadBox(line); // a box outside the graph is ignored; the font still counts
    std::string key, face;
    if (!(line >> key) || !ReadQuotedString(line, face, kMaxFace))
        return 0;
    LayoutFont font;
    font.face = face;
    if (!KeyValue(line, font.orientation) || !KeyValue(line, font.size) || !KeyValue(line, font.weight) ||
        !KeyValue(line, font.color) || !KeyValue(line, font.underlined) || !KeyValue(line, font.italic))
        return 0;
    m_font = font;
    return 1;
}

int CTextLayoutItem::Write(std::ostream& out)
{
    if (m_nObject == 0)
        return 0;
    WriteBox(out);
    if (CLayoutChart* chart = Chart())
        chart->GetFont(m_nObject, m_font);
    out << "FontName= \"" << m_font.face << "\" FontOrientation= " << m_font.orientation
        << " FontSize= " << m_font.size << " FontWeight= " << m_font.weight << " TextColor= " << m_font.color
        << " Underlined= " << m_font.underlined << " Italic= " << m_font.italic << " \r\n";
    return 1;
}

void CTextLayoutItem::Apply()
{
    CLayoutChart* chart = Chart();
    if (chart == nullptr || m_nObject == 0)
        return;
    if (!m_font.face.empty())
        chart->SetFont(m_nObject, m_font);
    // A text object takes only its anchor.
    chart->SetObjectCoordNorm(m_nObject, m_x1, m_y1, m_y2, m_x2);
    chart->ShowObject(m_nObject, m_bVisible);
}

CLegendLayout::CLegendLayout(CLayoutFile* owner, const std::string& name, uint16_t object,
                             CLegendSettings* settings)
    : CLayoutItem(owner, name, object), m_pSettings(settings)
{
    if (m_pSettings)
        m_bVisible = m_pSettings->m_bVisible;
}

void CLegendLayout::SetVisible(BOOL visible)
{
    m_bVisible = visible ? 1 : 0;
    if (m_pSettings == nullptr)
        return;
    if (m_bVisible)
    {
        m_pSettings->m_bPending = 1;
        m_pSettings->m_bVisible = 1;
        m_pSettings->m_nAutoPlacement = 1;
        if (m_pDisplay)
            m_pDisplay->ArrangeLegend(0);
    }
    else
    {
        if (CLayoutChart* chart = Chart())
            chart->ShowObject(m_nObject, 0);
        m_pSettings->m_bPending = 1;
        m_pSettings->m_bVisible = 0;
    }
}

int CLegendLayout::Read(std::istream& in)
{
    std::istringstream line = RestOfLine(in);
    if (m_pSettings == nullptr)
        return 0;
    CLegendSettings& s = *m_pSettings;
    if (ReadBox(line))
    {
        s.m_x1 = m_x1;
        s.m_y1 = m_y1;
        s.m_x2 = m_x2;
        s.m_y2 = m_y2;
        s.m_bVisible = m_bVisible;
    }
    else
        s.m_bVisible = 0;
    s.m_bPending = 1;

    const float version = m_pOwner ? m_pOwner->GetVersion() : 1.0f;
    int32_t type = 0;
    if (version <= 2.0f && !KeyValue(line, type))
        return 0;
    int16_t placement = 0, orientation = 0;
    if (!KeyValue(line, placement) || !KeyValue(line, orientation))
        return 0;
    std::string key, face;
    if (!(line >> key) || !ReadQuotedString(line, face, kMaxFace))
        return 0;
    int16_t size = 0, weight = 0, area = 0;
    int32_t underlined = 0, italic = 0, border = 0, borderColor = 0, borderStyle = 0, borderWidth = 0;
    if (!KeyValue(line, size) || !KeyValue(line, weight) || !KeyValue(line, underlined) ||
        !KeyValue(line, italic) || !KeyValue(line, area) || !KeyValue(line, border) ||
        !KeyValue(line, borderColor) || !KeyValue(line, borderStyle) || !KeyValue(line, borderWidth))
        return 0;
    if (face.empty())
        return 0;
    s.m_nAutoPlacement = placement;
    s.m_bPending = 1;
    s.SetOrientation(orientation);
    s.SetFaceName(face);
    s.SetFontSize(size);
    s.SetWeight(weight);
    s.SetUnderlined(underlined);
    s.SetItalic(italic);
    s.SetAreaColor(area);
    s.SetBorder(border);
    s.SetBorderWidth(borderWidth);
    s.SetBorderColor(borderColor);
    s.SetBorderStyle(borderStyle);
    return 1;
}

int CLegendLayout::Write(std::ostream& out)
{
    if (m_nObject == 0 || m_pSettings == nullptr)
        return 0;
    const CLegendSettings& s = *m_pSettings;
    m_x1 = s.m_x1, m_y1 = s.m_y1, m_x2 = s.m_x2, m_y2 = s.m_y2;
    m_bVisible = s.m_bVisible;
    WriteBox(out);
    out << " Type= " << (s.m_nAutoPlacement ? 1 : 0) << " Placement= " << s.m_nAutoPlacement
        << " Orientation= " << s.m_nOrientation << ' ' << "FontName= \"" << s.m_strFace
        << "\" FontSize= " << s.m_nFontSize << " FontWeight= " << s.m_nWeight
        << " Underlined= " << s.m_bUnderlined << " Italic= " << s.m_bItalic
        << " BackgndColor= " << s.m_nAreaColor << " Border= " << s.m_bBorder
        << " BorderColor= " << s.m_nBorderColor << " BorderStyle= " << s.m_nBorderStyle
        << " BorderWidth= " << s.m_nBorderWidth << " \r\n";
    return 1;
}

void CLegendLayout::Apply()
{
    if (m_pDisplay)
        m_pDisplay->ArrangeLegend(0);
}

// ---- The layout object

CLayoutFile::CLayoutFile(CDisplay* display, CLayoutChart* chart)
    : m_pDisplay(display), m_pChart(chart), m_pEmpty(std::make_unique<CEmptyLayoutItem>(this, "", 0))
{
}

CLayoutFile::~CLayoutFile()
{
    Clear();
}

void CLayoutFile::Clear()
{
    m_entries.clear();
}

std::string CLayoutFile::UniqueName(const std::string& base) const
{
    int same = 0;
    for (const LayoutEntry& e : m_entries)
    {
        const std::string& n = e.name;
        if (n == base)
            ++same;
        else if (n.size() > base.size() && n.compare(0, base.size(), base) == 0 &&
                 n.find_first_not_of("0123456789", base.size()) == std::string::npos)
            ++same;
    }
    std::string name = same == 0 ? base : base + std::to_string(same + 1);
    // An annotation index may have taken that name already.
    for (int extra = same + 2;; ++extra)
    {
        bool taken = false;
        for (const LayoutEntry& e : m_entries)
            taken = taken || e.name == name;
        if (!taken)
            return name;
        name = base + std::to_string(extra);
    }
}

void CLayoutFile::Add(const std::string& base, int32_t type, uint16_t object, CLegendSettings* settings)
{
    LayoutEntry entry;
    entry.name = UniqueName(base);
    entry.type = type;
    entry.object = object;
    if (type == kTypeLegend)
        entry.item = std::make_unique<CLegendLayout>(this, entry.name, object, settings);
    else
        entry.item = std::make_unique<CTextLayoutItem>(this, entry.name, object);
    m_entries.push_back(std::move(entry));
}

void CLayoutFile::AddTitle(uint16_t object)
{
    Add("Title", kTypeText, object, nullptr);
}

void CLayoutFile::AddXTitle(uint16_t object)
{
    Add("XTitle", kTypeText, object, nullptr);
}

void CLayoutFile::AddYTitle(uint16_t object)
{
    Add("YTitle", kTypeText, object, nullptr);
}

void CLayoutFile::AddText(uint16_t object)
{
    Add("Text", kTypeText, object, nullptr);
}

void CLayoutFile::AddAnnotation(uint16_t object, int index)
{
    Add("Annotation" + std::to_string(index), kTypeText, object, nullptr);
}

void CLayoutFile::AddLegend(uint16_t object, CLegendSettings* settings)
{
    Add("Legend", kTypeLegend, object, settings);
}

int CLayoutFile::WriteTo(std::ostream& out)
{
    out << kMagic << "\r\n#Version " << m_fWriteVersion << "\r\n";
    m_pEmpty->Write(out);
    for (LayoutEntry& e : m_entries)
        e.item->Write(out);
    return out ? 1 : 0;
}

int CLayoutFile::Write(LPCTSTR path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
    {
        Message("Failed to create file \n %s", path);
        return 0;
    }
    WriteTo(out);
    out.close();
    return 1;
}

int CLayoutFile::ReadFrom(std::istream& in)
{
    std::string token;
    if (!(in >> token) || token != kMagic)
        return 2;
    float version = 0.0f;
    if (!(in >> token >> version) || (version != 1.0f && version != 2.0f))
        return 3;
    m_fVersion = version;
    m_pEmpty->Read(in);
    for (;;)
    {
        if (!(in >> token))
            return in.eof() ? 1 : 0;
        for (LayoutEntry& e : m_entries)
        {
            if (e.name == token)
            {
                e.item->Read(in);
                break;
            }
        }
    }
}

int CLayoutFile::Read(LPCTSTR path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        Message("Failed to open file \n %s", path);
        return 0;
    }
    const int result = ReadFrom(in);
    if (result == 2)
    {
        Message("%s \nis not in Layout format!", path);
        return 0;
    }
    if (result == 3)
    {
        AfxMessageBox("Unknown version of Layout File, check Help", MB_OK);
        return 0;
    }
    return result;
}

void CLayoutFile::ApplyAll()
{
    m_pEmpty->Apply();
    for (LayoutEntry& e : m_entries)
        e.item->Apply();
}

int CLayoutFile::GetItemName(int index, std::string& name) const
{
    if (index < 0 || index >= GetCount())
        return 0;
    name = m_entries[index].name;
    return 1;
}

CLayoutItem* CLayoutFile::GetItem(int index) const
{
    return index >= 0 && index < GetCount() ? m_entries[index].item.get() : nullptr;
}

BOOL CLayoutFile::IsItemVisible(int index) const
{
    const CLayoutItem* item = GetItem(index);
    return item ? item->IsVisible() : FALSE;
}

void CLayoutFile::SetItemVisible(int index, BOOL visible)
{
    if (CLayoutItem* item = GetItem(index))
        item->SetVisible(visible);
}

int CLayoutFile::FindItem(uint16_t object, CLayoutItem** item) const
{
    for (const LayoutEntry& e : m_entries)
    {
        if (e.object == object)
        {
            if (item)
                *item = e.item.get();
            return 1;
        }
    }
    if (item)
        *item = nullptr;
    return 0;
}
