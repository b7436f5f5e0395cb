#include "displays/DisplayKinds.h"

#include "displays/AnalogDisplay.h"
#include "displays/BarDisplay.h"
#include "displays/LeakDisplay.h"
#include "displays/LibDisplay.h"
#include "displays/PanelDisplay.h"
#include "displays/PvsTDisplay.h"
#include "displays/SplitDisplay.h"
#include "displays/TableDisplay.h"

const CRuntimeClass* const* DisplayKinds(int* count)
{
    static const CRuntimeClass* const kinds[] = {RUNTIME_CLASS(CAnalogDisplay), RUNTIME_CLASS(CBarDisplay),
                                                 RUNTIME_CLASS(CLibDisplay),    RUNTIME_CLASS(CPvsTDisplay),
                                                 RUNTIME_CLASS(CLeakDisplay),   RUNTIME_CLASS(CPanelDisplay),
                                                 RUNTIME_CLASS(CSplitDisplay),  RUNTIME_CLASS(CTableDisplay)};
    if (count != nullptr)
        *count = static_cast<int>(sizeof kinds / sizeof kinds[0]);
    return kinds;
}
