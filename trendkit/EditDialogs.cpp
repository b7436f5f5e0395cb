// The frame the object edit dialogs share: running a dialog from trendkit's own templates.
#include "TrendkitInternal.h"

namespace trendkit
{

GrDesc*& EditGraph()
{
    static GrDesc* graph = nullptr;
    return graph;
}

int RunObjectEditDialog(GrDesc* graph, DLGPROC proc, const char* name, HGLOBAL handle)
{
    GrDesc* outer = EditGraph();
    EditGraph() = graph;
    const int result = rtDisplayDialogBoxParam(proc, name, graph->window, reinterpret_cast<LPARAM>(handle));
    EditGraph() = outer;
    return result;
}

} // namespace trendkit

using namespace trendkit;

int WINAPI rtDisplayDialogBoxParam(DLGPROC proc, const char* name, HWND owner, LPARAM param)
{
    // A caller waiting on a sent message is released before the modal loop starts.
    if (InSendMessage())
        ReplyMessage(0);
    if (owner && !IsWindow(owner))
        owner = nullptr;
    return static_cast<int>(DialogBoxParam(Module(), name, owner, proc, param));
}
