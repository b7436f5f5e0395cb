// Library attach and detach, the binding to the host's top control block (InitRTDll, InitRTTop),
// the clean-up at exit, and the whole-degree sine and cosine tables of the meters.
#include "Bargraphs.h"
#include "Meters.h"
#include "ScrollGraph.h"
#include "TrendkitInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trendkit
{

Library& Lib()
{
    static Library library;
    return library;
}

HINSTANCE Module()
{
    Library& lib = Lib();
    if (lib.module == nullptr)
        lib.module = GetModuleHandle(TRENDKIT_MODULE_NAME);
    return lib.module;
}

std::string LoadText(UINT id)
{
    std::string_view text;
    if (!kel::rc::FindString(Module(), id, &text))
        return {};
    return std::string(text);
}

RTTopBlock* TopBlock()
{
    TopDesc* top = Lib().top;
    return top ? static_cast<RTTopBlock*>(top->realTimeBlock) : nullptr;
}

void CopyText(char* field, const char* text, size_t max)
{
    if (text == nullptr)
        return;
    size_t n = 0;
    while (n < max && text[n] != '\0')
        ++n;
    std::memcpy(field, text, n);
    field[n] = '\0';
}

namespace
{

void InitSinCosTables()
{
    Library& lib = Lib();
    lib.sine = static_cast<float*>(std::calloc(91, sizeof(float)));
    lib.cosine = static_cast<float*>(std::calloc(91, sizeof(float)));
    if (lib.sine == nullptr || lib.cosine == nullptr)
    {
        std::free(lib.sine);
        std::free(lib.cosine);
        lib.sine = lib.cosine = nullptr;
        return;
    }
    lib.sine[0] = 0.0f;
    lib.cosine[0] = 1.0f;
    for (int i = 1; i < 90; ++i)
    {
        const float radians = static_cast<float>(i * 3.141592653589793 / 180.0);
        lib.sine[i] = static_cast<float>(std::sin(static_cast<double>(radians)));
        lib.cosine[i] = static_cast<float>(std::cos(static_cast<double>(radians)));
    }
    lib.sine[90] = 1.0f;
    lib.cosine[90] = 0.0f;
}

void RemoteRecalcThunk(GrDesc* graph, HDC dc, ObjDesc* object, float scale)
{
    RTRemoteRecalc(graph, dc, object, scale);
}

void AxisChangeThunk(GrDesc* graph, ObjDesc* object, int axisIndex)
{
    RescaleDynObj(graph, reinterpret_cast<RtObjDesc*>(object), axisIndex);
}

} // namespace

void AttachLibrary()
{
    Library& lib = Lib();
    Module();
    for (UpdateEntry& e : lib.updates)
        e = UpdateEntry{};
    RegisterOwnTypes();
    RegisterControlType();
    RegisterAnnunciatorType();
    RegisterScrollTypes();
    RegisterBarTypes();
    RegisterTextTypes();
    RegisterTimeAxisTypes();
    RegisterDynGridType();
    RegisterMeterType();
    SetRemoteRecalc(RemoteRecalcThunk);
    InitSinCosTables();
}

void DetachLibrary()
{
    Library& lib = Lib();
    std::free(lib.sine);
    std::free(lib.cosine);
    lib.sine = lib.cosine = nullptr;
}

double SinDeg(int a)
{
    const Library& lib = Lib();
    if (lib.sine == nullptr)
        return std::sin(a * 3.141592653589793 / 180.0);
    if (a >= 361)
        a %= 360;
    else if (a < 0)
        a = a % 360 + 360;
    if (a <= 90)
        return lib.sine[a];
    if (a <= 180)
        return lib.cosine[a - 90];
    if (a <= 270)
        return -lib.sine[a - 180];
    return -lib.cosine[a - 270];
}

double CosDeg(int a)
{
    const Library& lib = Lib();
    if (lib.cosine == nullptr)
        return std::cos(a * 3.141592653589793 / 180.0);
    if (a >= 361)
        a %= 360;
    else if (a < 0)
        a = a % 360 + 360;
    if (a <= 90)
        return lib.cosine[a];
    if (a <= 180)
        return -lib.sine[a - 90];
    if (a <= 270)
        return -lib.cosine[a - 180];
    return lib.sine[a - 270];
}

} // namespace trendkit

using namespace trendkit;

int WINAPI InitRTDll(TopDesc* top)
{
    Lib().top = top;
    InitDll(top);
    if (top == nullptr)
        return 0;
    if (top->realTimeBlock != nullptr)
        return 1;
    const int made = InitRTTop(top);
    if (made == 0)
        ExitApplication();
    return made;
}

int WINAPI InitRTTop(TopDesc* top)
{
    if (top == nullptr)
        return 0;
    // trendkit needs plotkit 2.5 or later; the minor version is a character code ('5' = 53).
    const BYTE requiredMajor = 2, requiredMinor = 53;
    int minor = 0;
    const int major = WGGetVersion(&minor);
    if (major < requiredMajor || (major == requiredMajor && minor / 10 < requiredMinor / 10))
    {
        RTErrHdlr(149, 0, nullptr);
        return 0;
    }
    auto* block = static_cast<RTTopBlock*>(std::calloc(1, sizeof(RTTopBlock)));
    if (block == nullptr)
    {
        ErrHdlr(53, 0, nullptr);
        return 0;
    }
    top->realTimeBlock = block;
    Lib().blocks.push_back(block);
    block->alarmProc = DefAlarmProc;
    block->ddeProc = DefDdeProc;
    top->axisChangeHook = AxisChangeThunk;
    return 1;
}

void WINAPI RTCleanup(TopDesc* top)
{
    auto known = [](const void* block)
    {
        const auto& blocks = Lib().blocks;
        return block == nullptr || std::find(blocks.begin(), blocks.end(), block) != blocks.end();
    };
    if (top == nullptr || !WGIsDescValid(top) || !known(top->realTimeBlock))
    {
        ErrHdlr(30, 2, "WRCleanup");
        return;
    }
    Library& lib = Lib();
    lib.top = top;
    auto* block = static_cast<RTTopBlock*>(top->realTimeBlock);
    if (block == nullptr)
        return;
    // The periodic updates of this host end with its block: their objects go with it.
    int kept = 0;
    for (UpdateEntry& e : lib.updates)
        if (e.used && e.host != top->hostInstance)
            lib.updates[kept++] = e;
    for (int i = kept; i < RT_UPDATE_ENTRIES; ++i)
        lib.updates[i] = UpdateEntry{};
    if (kept == 0)
        StopUpdateTimer();
    EndDde();
    FreeAllPIDs();
    FreeAllDynDataSets();
    lib.blocks.erase(std::find(lib.blocks.begin(), lib.blocks.end(), block));
    std::free(block);
    top->realTimeBlock = nullptr;
}
