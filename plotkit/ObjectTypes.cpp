// The object types known to the library: plotkit's own, registered by their modules, and those of
// the libraries built on it (from 100 on), registered through PlotRegisterObjectType.
#include "PlotkitInternal.h"

#include <map>

namespace plotkit
{
namespace
{

std::map<int, PlotObjectType>& Types()
{
    static std::map<int, PlotObjectType> types;
    return types;
}

} // namespace

const PlotObjectType* FindObjectType(int type)
{
    auto it = Types().find(type);
    return it == Types().end() ? nullptr : &it->second;
}

void RegisterOwnObjectType(const PlotObjectType& type)
{
    Types()[type.type] = type;
}

} // namespace plotkit

using namespace plotkit;

BOOL WINAPI PlotRegisterObjectType(const PlotObjectType* type)
{
    if (type == nullptr || type->type < 100 || type->size < sizeof(ObjDesc))
        return FALSE;
    RegisterOwnObjectType(*type);
    return TRUE;
}

ObjDesc* WINAPI NewObjDesc(GrDesc* graph, int type, int subKind)
{
    if (!CheckGraph(graph))
        return nullptr;
    if (!graph->building)
    {
        ErrHdlr(32, 0, nullptr);
        return nullptr;
    }
    if (graph->page->top && graph->page->top->abortFlag)
        return nullptr;
    if (graph->cursor >= graph->capacity)
    {
        const UINT oldSize = graph->capacity * sizeof(HGLOBAL);
        void* table = nullptr;
        HGLOBAL grown =
            HXRealloc(graph->objectTable, oldSize, oldSize + kTableGrowth * sizeof(HGLOBAL), &table);
        if (grown == nullptr)
        {
            ErrHdlr(53, 0, nullptr);
            return nullptr;
        }
        graph->objectTable = grown;
        graph->objects = static_cast<HGLOBAL*>(table);
        graph->capacity = static_cast<SHORT>(graph->capacity + kTableGrowth);
    }
    const PlotObjectType* kind = FindObjectType(type);
    if (kind == nullptr)
    {
        ErrHdlr(56, 0, nullptr);
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GPTR, kind->size);
    if (block == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return nullptr;
    }
    HGLOBAL& entry = graph->objects[graph->cursor];
    GlobalFree(entry); // a record left by a creator that failed after allocating
    entry = block;
    auto* object = static_cast<ObjDesc*>(GlobalLock(block));
    object->type = static_cast<SHORT>(type);
    object->subKind = static_cast<SHORT>(subKind);
    object->draw = kind->draw;
    object->line = graph->currentLine;
    object->line.window = graph->window;
    object->visible = 1;
    graph->currentObject = object;
    return object;
}

WORD WINAPI CommitObjDesc(GrDesc* graph)
{
    if (!CheckGraph(graph) || !graph->building || graph->cursor >= graph->capacity ||
        graph->objects[graph->cursor] == nullptr)
        return 0;
    return static_cast<WORD>(++graph->cursor);
}

UINT WINAPI WGGetObjTypeSize(int type)
{
    const PlotObjectType* kind = type < 100 ? FindObjectType(type) : nullptr;
    return kind ? kind->size : 0;
}
