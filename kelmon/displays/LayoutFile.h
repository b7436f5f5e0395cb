// The graph-layout file: the appearance of a display's adjustable chart objects (its texts and, in
// the P-vs-T display, its legend) as a small text file that begins "#VarloLayout_File". Each
// display keeps one CLayoutFile, registers its objects while it builds its page, and can write the
// objects' visibility, position, font and colours to a file and read such a file back.
#pragma once

#include <afx.h>

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class CDisplay;
class CLayoutFile;
struct GrDesc;

// A text font as the chart reports and takes it.
struct LayoutFont
{
    std::string face;
    int32_t orientation = 0;
    int32_t size = 0;
    int32_t weight = 0;
    int32_t color = 0;
    int32_t underlined = 0;
    int32_t italic = 0;
};

// What the layout items ask of the graph their objects are on (the display's graph, through
// plotkit, in the program; a recording stand-in in the tests).
class CLayoutChart
{
public:
    virtual ~CLayoutChart() = default;
    virtual BOOL IsObjectVisible(int object) = 0;
    virtual void ShowObject(int object, BOOL visible) = 0;
    // Normalised coordinates 0..1 of the object (a text object reports only its anchor x1, y1).
    virtual void GetObjectCoordNorm(int object, float& x1, float& y1, float& x2, float& y2) = 0;
    virtual void SetObjectCoordNorm(int object, float x1, float y1, float x2, float y2) = 0;
    virtual void GetFont(int object, LayoutFont& font) = 0;
    // Face, size, orientation, weight, italic and underline; then the text colour.
    virtual void SetFont(int object, const LayoutFont& font) = 0;
};

// The P-vs-T display's record of its legend: what the legend item reads and writes.
class CLegendSettings
{
public:
    CLegendSettings(int graph, uint16_t object) : m_nObject(object), m_nGraph(graph) {}

    void SetOrientation(int16_t v) { m_nOrientation = v, m_bPending = 1; }
    void SetFaceName(const std::string& v) { m_strFace = v, m_bPending = 1; }
    void SetFontSize(int16_t v) { m_nFontSize = v, m_bPending = 1; }
    void SetWeight(int32_t v) { m_nWeight = v, m_bPending = 1; }
    void SetUnderlined(int32_t v) { m_bUnderlined = v, m_bPending = 1; }
    void SetItalic(int32_t v) { m_bItalic = v; } // alone of the setters, leaves pending alone
    void SetAreaColor(int16_t v) { m_nAreaColor = v, m_bPending = 1; }
    void SetBorder(int32_t v) { m_bBorder = v, m_bPending = 1; }
    void SetBorderColor(int32_t v) { m_nBorderColor = v, m_bPending = 1; }
    void SetBorderStyle(int32_t v) { m_nBorderStyle = v, m_bPending = 1; }
    void SetBorderWidth(int32_t v) { m_nBorderWidth = v, m_bPending = 1; }

    // Takes the legend's visibility, box, orientation, font, area and border from the graph (the
    // border colour stays as it is).
    void Capture(GrDesc* graph);
    // Gives the graph the values it has not had yet (nothing unless pending); the border colour
    // is left to the graph.
    void Apply(GrDesc* graph);
    // Ends the automatic placement once the user has dragged the legend somewhere else.
    void CheckMoved(GrDesc* graph);

    uint16_t m_nObject = 0;
    int m_nGraph = 0;
    float m_x1 = 0.0f, m_y1 = 0.0f, m_x2 = 0.0f, m_y2 = 0.0f;
    int32_t m_bVisible = 0;
    int16_t m_nOrientation = 0;
    std::string m_strFace;
    int16_t m_nFontSize = 0;
    int32_t m_nWeight = 0;
    int32_t m_bUnderlined = 0;
    int32_t m_bItalic = 0;
    int16_t m_nAreaColor = 0;
    int32_t m_bBorder = 0;
    int32_t m_nBorderColor = 0;
    int32_t m_nBorderStyle = 0;
    int32_t m_nBorderWidth = 0;
    int32_t m_bFlag = 1;
    int16_t m_nAutoPlacement = 0; // nonzero while the program places the legend itself
    int32_t m_bPending = 0;       // values Apply has not given to the chart yet
};

class CLayoutItem
{
public:
    CLayoutItem(CLayoutFile* owner, const std::string& name, uint16_t object);
    virtual void SetVisible(BOOL visible);
    virtual ~CLayoutItem() = default;
    // Reads the rest of the item's line; 1 when it was read.
    virtual int Read(std::istream& in);
    // Writes the item's line; 0 (nothing written) when it has no object.
    virtual int Write(std::ostream& out);
    virtual void Apply() {}
    float GetX1() const { return m_x1; }
    float GetX2() const { return m_x2; }

    const std::string& GetName() const { return m_strName; }
    uint16_t GetObject() const { return m_nObject; }
    BOOL IsVisible() const { return m_bVisible; }
    float GetY1() const { return m_y1; }
    float GetY2() const { return m_y2; }

protected:
    // Visibility and the four coordinates; 1 (and stored) only when each lies in 0..1.
    int ReadBox(std::istream& in);
    // The name, visibility and box as the chart reports them.
    void WriteBox(std::ostream& out);
    CLayoutChart* Chart() const;

    float m_x1 = 0.0f, m_x2 = 0.0f, m_y1 = 0.0f, m_y2 = 0.0f;
    std::string m_strName;
    uint16_t m_nObject = 0;
    int32_t m_bVisible = 0;
    CDisplay* m_pDisplay = nullptr;
    CLayoutFile* m_pOwner = nullptr;
};

// A text object: title, axis titles, texts and annotations.
class CTextLayoutItem : public CLayoutItem
{
public:
    using CLayoutItem::CLayoutItem;
    int Read(std::istream& in) override;
    int Write(std::ostream& out) override;
    void Apply() override;
    const LayoutFont& GetFont() const { return m_font; }

private:
    LayoutFont m_font;
};

// The P-vs-T display's legend, through its CLegendSettings.
class CLegendLayout : public CLayoutItem
{
public:
    CLegendLayout(CLayoutFile* owner, const std::string& name, uint16_t object, CLegendSettings* settings);
    void SetVisible(BOOL visible) override;
    int Read(std::istream& in) override;
    int Write(std::ostream& out) override;
    void Apply() override;

private:
    CLegendSettings* m_pSettings; // the display's; not owned
};

// Read and written first; does nothing.
class CEmptyLayoutItem : public CLayoutItem
{
public:
    using CLayoutItem::CLayoutItem;
    int Read(std::istream&) override { return 1; }
    int Write(std::ostream&) override { return 1; }
};

class CLayoutFile
{
public:
    static constexpr const char* kMagic = "#VarloLayout_File";
    // Object types of the entries (plotkit's TEXT and LEGEND).
    static constexpr int32_t kTypeText = 12;
    static constexpr int32_t kTypeLegend = 3;

    // display may be null; chart is the graph the items' objects are on (set later with SetChart).
    explicit CLayoutFile(CDisplay* display, CLayoutChart* chart = nullptr);
    ~CLayoutFile();
    CLayoutFile(const CLayoutFile&) = delete;
    CLayoutFile& operator=(const CLayoutFile&) = delete;

    // The graph the registered objects are on; the layout object does not own it.
    void SetChart(CLayoutChart* chart) { m_pChart = chart; }
    CLayoutChart* GetChart() const { return m_pChart; }
    CDisplay* GetDisplay() const { return m_pDisplay; }

    // Registration. Every item gets a name of its own: a second "Text" is "Text2", and so on, so
    // each line of a file goes back to the object it came from.
    void AddTitle(uint16_t object);
    void AddXTitle(uint16_t object);
    void AddYTitle(uint16_t object);
    void AddText(uint16_t object);
    void AddAnnotation(uint16_t object, int index);
    // settings: the display's legend record (not owned); required.
    void AddLegend(uint16_t object, CLegendSettings* settings);

    // 1 on success; 0 after telling the user why not.
    int Write(LPCTSTR path);
    int Read(LPCTSTR path);
    // The same on streams (no messages; Read: 2 when the format or version is refused).
    int WriteTo(std::ostream& out);
    int ReadFrom(std::istream& in);

    void ApplyAll();
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    int GetItemName(int index, std::string& name) const;
    BOOL IsItemVisible(int index) const;
    void SetItemVisible(int index, BOOL visible);
    int FindItem(uint16_t object, CLayoutItem** item) const;
    CLayoutItem* GetItem(int index) const;
    // Deletes every listed item.
    void Clear();

    float GetVersion() const { return m_fVersion; }

private:
    struct LayoutEntry
    {
        std::string name;
        int32_t type;
        uint16_t object;
        std::unique_ptr<CLayoutItem> item;
    };
    void Add(const std::string& base, int32_t type, uint16_t object, CLegendSettings* settings);
    std::string UniqueName(const std::string& base) const;

    CDisplay* m_pDisplay;
    CLayoutChart* m_pChart;
    std::vector<LayoutEntry> m_entries;
    std::unique_ptr<CEmptyLayoutItem> m_pEmpty;
    float m_fVersion = 1.0f;
    float m_fWriteVersion = 1.0f;
};

// Reads a double-quoted text: quotes are not stored, blanks only after the first quote. 1 when both
// quotes came before maxCount characters were stored.
int ReadQuotedString(std::istream& in, std::string& text, int maxCount);
