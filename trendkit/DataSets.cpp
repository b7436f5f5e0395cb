// Dynamic data sets: the slot table, definition and freeing, sample updates with their history ring
// and the fan-out to the bound objects of every page, the bit word of logic graphs and messages, and
// the history readers.
#include "TrendkitInternal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace trendkit
{
namespace
{

// Largest history ring accepted (bytes); a larger request is refused as out of memory.
constexpr uint64_t kMaxRingBytes = 0x7FFFFFFFu;

bool IsFanOutType(int type)
{
    return type == RT_TYPE_SCROLL || type == RT_TYPE_XY || type == RT_TYPE_DYN_BARS ||
           type == RT_TYPE_DYN_TEXT || type == RT_TYPE_ANNUNCIATOR || type == RT_TYPE_METER;
}

// Floats moved per sample by block copies: pairs (x, y) of each value for XY-pair sets.
int SampleFloats(const DynDataSetDesc* set)
{
    return set->valueCount << (set->xyPairs ? 1 : 0);
}

// The floats of one sample that fit the set's current or previous values.
int ValueFloats(const DynDataSetDesc* set)
{
    return std::min(SampleFloats(set), static_cast<int>(RT_MAX_VALUES));
}

void AppendToRing(DynDataSetDesc* set, const float* sample, int floats)
{
    if (set->ring == nullptr)
        return;
    std::memcpy(set->ring + static_cast<size_t>(set->writeIndex) * set->valueCount, sample,
                static_cast<size_t>(floats) * sizeof(float));
    if (++set->writeIndex >= set->capacity)
    {
        set->writeIndex = 0;
        set->wrapped = 1;
    }
}

UINT ValidSamples(const DynDataSetDesc* set)
{
    return set->wrapped ? set->capacity : set->writeIndex;
}

// Ring position of the valid sample `i` (0 = the oldest).
size_t RingPosition(const DynDataSetDesc* set, UINT i)
{
    const UINT oldest = set->wrapped ? set->writeIndex : 0;
    return (static_cast<size_t>(oldest) + i) % set->capacity;
}

// Runs `visit` on every graph of the pages that hold real-time objects, page by page while pages
// are left to find. `stopAfterEveryPage`: the page count ends the walk also after a page without
// real-time objects (the bit-word fan-out).
template <typename Visit> void ForEachRtGraph(bool stopAfterEveryPage, Visit visit)
{
    TopDesc* top = Lib().top;
    if (top == nullptr || top->pageCount <= 0)
        return;
    int found = 0;
    for (int number = 1; number < PK_MAX_PAGES; ++number)
    {
        PgDesc* page = GetPgDescPtr(number);
        if (page == nullptr)
            continue;
        ++found;
        if (page->hasRealTimeObjects)
        {
            for (int slot = 0; slot < PK_GRAPHS_PER_PAGE; ++slot)
                if (GrDesc* graph = GetGrDescNum(page, slot))
                    visit(graph);
            if (found >= top->pageCount)
                return;
        }
        else if (stopAfterEveryPage && found >= top->pageCount)
            return;
    }
}

void UpdateDynObjectsBlock(GrDesc* graph, DynDataSetDesc* set, const float* samples, int n)
{
    const int floats = ValueFloats(set);
    const int stride = set->valueCount;
    int met = 0;
    for (int number = 1; number <= graph->capacity && met < graph->realTimeCount; ++number)
    {
        RtObjDesc* object = RtObjectAt(graph, number);
        if (object == nullptr || !IsFanOutType(object->head.type))
            continue;
        ++met;
        if (object->dataSet != set)
            continue;
        if (object->head.type == RT_TYPE_SCROLL || object->head.type == RT_TYPE_XY)
        {
            for (int i = 0; i < n; ++i)
            {
                std::memcpy(set->current, samples + static_cast<size_t>(i) * stride, floats * sizeof(float));
                UpdateRTObj(graph, static_cast<WORD>(number));
            }
        }
        else
        {
            std::memcpy(set->previous, samples + static_cast<size_t>(n - 2) * stride, floats * sizeof(float));
            std::memcpy(set->current, samples + static_cast<size_t>(n - 1) * stride, floats * sizeof(float));
            UpdateRTObj(graph, static_cast<WORD>(number));
        }
    }
}

// The bit word's fan-out with the full 32-bit word.
void UpdateBits(int slot, UINT bits, GrDesc* graph)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return;
    set->previousBits = set->bits;
    set->bits = bits;
    if (graph)
    {
        UpdateBinaryObjects(graph, set);
        return;
    }
    ForEachRtGraph(true, [set](GrDesc* g) { UpdateBinaryObjects(g, set); });
}

} // namespace

DynDataSetDesc* GetDynDataSet(int slot)
{
    RTTopBlock* block = TopBlock();
    if (block == nullptr || slot < 1 || slot > RT_MAX_DATASETS)
        return nullptr;
    return block->dataSets[slot];
}

bool IsDynDataSetValid(const DynDataSetDesc* set)
{
    RTTopBlock* block = TopBlock();
    if (block == nullptr || set == nullptr)
        return false;
    for (int slot = 1; slot <= RT_MAX_DATASETS; ++slot)
        if (block->dataSets[slot] == set)
            return set->valueCount >= 1 && set->valueCount <= RT_MAX_VALUES;
    return false;
}

void FreeAllDynDataSets()
{
    for (int slot = 1; slot <= RT_MAX_DATASETS; ++slot)
        if (DynDataSetDesc* set = GetDynDataSet(slot))
        {
            set->useCount = 0;
            WRFreeDynDataSet(slot);
        }
}

void UpdateDynObjects(GrDesc* graph, DynDataSetDesc* set)
{
    int met = 0;
    for (int number = 1; number <= graph->capacity && met < graph->realTimeCount; ++number)
    {
        RtObjDesc* object = RtObjectAt(graph, number);
        if (object == nullptr || !IsFanOutType(object->head.type))
            continue;
        ++met;
        if (object->dataSet == set)
            UpdateRTObj(graph, static_cast<WORD>(number));
    }
}

void UpdateBinaryObjects(GrDesc* graph, DynDataSetDesc* set)
{
    int met = 0;
    for (int number = 1; number <= graph->capacity && met < graph->realTimeCount; ++number)
    {
        RtObjDesc* object = RtObjectAt(graph, number);
        if (object == nullptr ||
            (object->head.type != RT_TYPE_SCROLL && object->head.type != RT_TYPE_MESSAGE))
            continue;
        ++met;
        // Only the logic graphs and messages of this set take the new word.
        const bool logic = object->head.type == RT_TYPE_SCROLL && object->head.subKind == 4;
        if ((logic || object->head.type == RT_TYPE_MESSAGE) && object->dataSet == set)
            UpdateRTObj(graph, static_cast<WORD>(number));
    }
}

} // namespace trendkit

using namespace trendkit;

int WINAPI WRDefineDynDataSet(const char* name, int count, const char* units, const char* labels,
                              UINT capacity)
{
    RTTopBlock* block = TopBlock();
    if (block == nullptr)
        return 0;
    if (count < 1 || count > RT_MAX_VALUES)
    {
        ErrHdlr(30, 2, " - WRDefineDynDataSet");
        return 0;
    }
    int slot = 1;
    while (slot <= RT_MAX_DATASETS && block->dataSets[slot] != nullptr)
        ++slot;
    if (slot > RT_MAX_DATASETS)
        return 0;
    auto* set = static_cast<DynDataSetDesc*>(std::calloc(1, sizeof(DynDataSetDesc)));
    if (set == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    set->valueCount = static_cast<signed char>(count);
    if (name && name[0])
        CopyText(set->name, name, RT_NAME_MAX);
    else
        std::snprintf(set->name, sizeof set->name, "Dynamic Data Set # %d", slot);
    CopyText(set->units, units, RT_UNITS_MAX);
    if (labels && labels[0])
    {
        // One 16-character field per value, blank-padded: its first 15 characters without trailing
        // blanks. A shorter text ends the fields early; the caller's text is only read.
        const size_t length = strnlen(labels, static_cast<size_t>(count) * 16);
        for (int i = 0; i < count; ++i)
        {
            const size_t start = static_cast<size_t>(i) * 16;
            if (start >= length)
                break;
            size_t n = std::min<size_t>(RT_LABEL_MAX, length - start);
            while (n > 0 && labels[start + n - 1] == ' ')
                --n;
            std::memcpy(set->labels[i], labels + start, n);
            set->labels[i][n] = '\0';
        }
    }
    if (capacity > 0)
    {
        const uint64_t bytes =
            (static_cast<uint64_t>(capacity) + 1) * static_cast<uint64_t>(count) * sizeof(float);
        HGLOBAL ring =
            bytes <= kMaxRingBytes ? GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(bytes)) : nullptr;
        float* locked = ring ? static_cast<float*>(GlobalLock(ring)) : nullptr;
        if (locked == nullptr)
        {
            if (ring)
                GlobalFree(ring);
            std::free(set);
            RTErrHdlr(53, 0, nullptr);
            return 0;
        }
        set->ringHandle = ring;
        set->ring = locked;
        set->capacity = capacity;
    }
    block->dataSets[slot] = set;
    return slot;
}

int WINAPI WRFreeDynDataSet(int slot)
{
    RTTopBlock* block = TopBlock();
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (block == nullptr || !IsDynDataSetValid(set) || set->useCount > 0)
        return 0;
    DropDdeLink(set);
    if (set->ringHandle)
    {
        GlobalUnlock(set->ringHandle);
        GlobalFree(set->ringHandle);
    }
    std::free(set);
    block->dataSets[slot] = nullptr;
    return 1;
}

void WINAPI WRUpdateData(int slot, const float* values, GrDesc* graph)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return;
    if (set->ddeLink == nullptr)
    {
        if (values == nullptr)
            return;
        const size_t bytes = static_cast<size_t>(set->valueCount) * sizeof(float);
        std::memcpy(set->previous, set->current, bytes);
        std::memcpy(set->current, values, bytes);
        AppendToRing(set, set->current, set->valueCount);
    }
    if (set->alarmCheckOn)
        CheckAlarms(set, slot);
    if (graph)
    {
        UpdateDynObjects(graph, set);
        return;
    }
    ForEachRtGraph(false, [set](GrDesc* g) { UpdateDynObjects(g, set); });
}

void WINAPI WRUpdateBlockData(int slot, const float* samples, int n, GrDesc* graph)
{
    if (n <= 0 || samples == nullptr)
        return;
    if (n == 1)
    {
        WRUpdateData(slot, samples, graph);
        return;
    }
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return;
    const int floats = SampleFloats(set);
    for (int i = 0; i < n; ++i)
        AppendToRing(set, samples + static_cast<size_t>(i) * set->valueCount, floats);
    if (graph)
        UpdateDynObjectsBlock(graph, set, samples, n);
    else
        ForEachRtGraph(false, [&](GrDesc* g) { UpdateDynObjectsBlock(g, set, samples, n); });
    // The set ends on the block's last two samples, whichever objects were shown them, and the alarm
    // check judges those (a DDE link keeps the values it wrote).
    if (set->ddeLink == nullptr)
    {
        const size_t bytes = static_cast<size_t>(ValueFloats(set)) * sizeof(float);
        std::memcpy(set->previous, samples + static_cast<size_t>(n - 2) * set->valueCount, bytes);
        std::memcpy(set->current, samples + static_cast<size_t>(n - 1) * set->valueCount, bytes);
    }
    if (set->alarmCheckOn)
        CheckAlarms(set, slot);
}

void WINAPI WRGetLastData(int slot, float* current, float* previous)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
        return;
    const size_t bytes = static_cast<size_t>(set->valueCount) * sizeof(float);
    if (current)
        std::memcpy(current, set->current, bytes);
    if (previous)
        std::memcpy(previous, set->previous, bytes);
}

int WINAPI WRGetHistData(int slot, int index, float* out, UINT back, int count)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 0, nullptr);
        return 0;
    }
    if (set->ring == nullptr)
    {
        RTErrHdlr(134, 0, nullptr);
        return 0;
    }
    if (index < 0 || index >= set->valueCount)
    {
        ErrHdlr(30, 2, " - WRGetHistData");
        return 0;
    }
    if (out == nullptr || count <= 0)
        return 0;
    const UINT valid = ValidSamples(set);
    back = std::min(back, valid);
    const UINT n = std::min(static_cast<UINT>(count), back);
    size_t at = 0;
    if (set->wrapped && static_cast<UINT>(count) > set->capacity)
        at = static_cast<size_t>(count) - set->capacity;
    const UINT first = valid - back; // valid-sample number of the first copied sample
    for (UINT i = 0; i < n; ++i)
        out[at + i] = set->ring[RingPosition(set, first + i) * set->valueCount + index];
    return static_cast<int>(n);
}

UINT WINAPI WRGetBinData(int slot)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    return set ? set->bits : 0;
}

void WINAPI WRUpdateBinaryData(int slot, WORD bits, GrDesc* graph)
{
    UpdateBits(slot, bits, graph);
}

void WINAPI WRSetBit(int slot, int bit, int on, GrDesc* graph)
{
    if (bit < 0 || bit >= 32 || GetDynDataSet(slot) == nullptr)
        return;
    UINT word = WRGetBinData(slot);
    if (on)
        word |= 1u << bit;
    else
        word &= ~(1u << bit);
    UpdateBits(slot, word, graph);
}

void WINAPI WRSetBitExclusive(int slot, int bit, GrDesc* graph)
{
    if (bit < 0 || bit >= 32)
        return;
    UpdateBits(slot, 1u << bit, graph);
}

int WINAPI WRGetMinMaxValues(int slot, int index, float* min, float* max)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 0, nullptr);
        return 0;
    }
    if (set->ring == nullptr || ValidSamples(set) == 0)
    {
        RTErrHdlr(134, 0, nullptr);
        return 0;
    }
    if (index >= set->valueCount)
    {
        ErrHdlr(30, 2, " - WRGetMinMaxValues");
        return 0;
    }
    float lo = 1e31f, hi = -1e31f;
    const UINT valid = ValidSamples(set);
    for (UINT i = 0; i < valid; ++i)
    {
        const float* sample = set->ring + RingPosition(set, i) * set->valueCount;
        for (int v = index < 0 ? 0 : index; v < (index < 0 ? set->valueCount : index + 1); ++v)
        {
            lo = std::min(lo, sample[v]);
            hi = std::max(hi, sample[v]);
        }
    }
    if (min)
        *min = lo;
    if (max)
        *max = hi;
    return 1;
}

int WINAPI WRResetHistBuffer(int slot)
{
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (!IsDynDataSetValid(set))
        return 0;
    set->wrapped = 0;
    set->writeIndex = 0;
    if (set->ring)
        std::memset(set->ring, 0, static_cast<size_t>(set->capacity) * set->valueCount * sizeof(float));
    return 1;
}

void WINAPI WRReconnectDynDataSet(GrDesc* graph, WORD number, int slot)
{
    static const char kName[] = " - WRReconnectDynDataSet";
    DynDataSetDesc* set = GetDynDataSet(slot);
    if (set == nullptr)
    {
        ErrHdlr(55, 2, kName);
        return;
    }
    ObjDesc* head = graph ? GetObjDesc(graph, number, nullptr) : nullptr;
    if (head == nullptr)
    {
        ErrHdlr(56, 2, kName);
        return;
    }
    const int type = head->type;
    if (type != RT_TYPE_ALARM_LINES && type != RT_TYPE_ALARM_MARKS && type != RT_TYPE_SCROLL &&
        type != RT_TYPE_XY && type != RT_TYPE_DYN_BARS && type != RT_TYPE_DYN_TEXT && type != RT_TYPE_METER)
    {
        ErrHdlr(29, 2, kName);
        return;
    }
    auto* object = reinterpret_cast<RtObjDesc*>(head);
    if (object->dataSet == set)
        return;
    // The object's hold moves from the set it holds (a frozen graph's live set) to the new one.
    const RtObjectType* kind = FindRtType(type);
    DynDataSetDesc* held = kind && kind->boundSet ? kind->boundSet(object) : object->dataSet;
    if (IsDynDataSetValid(held) && held->useCount > 0)
        --held->useCount;
    object->dataSet = set;
    ++set->useCount;
    if (type == RT_TYPE_ALARM_LINES || type == RT_TYPE_ALARM_MARKS)
        CalcAlarmLines(graph, object);
    else if (kind && kind->reconnect)
        kind->reconnect(graph, object);
}
