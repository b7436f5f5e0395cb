// CString::LoadString: the current resource module first, then the program's own, whole texts.
#include "mfc/ModuleState.h"
#include "mfc/String.h"

#include "win32/resources.h"

#include <string_view>

BOOL CString::LoadString(UINT nID)
{
    std::string_view text;
    if (!kel::rc::FindString(AfxGetResourceHandle(), nID, &text) &&
        !kel::rc::FindString(AfxGetInstanceHandle(), nID, &text))
        return FALSE;
    *this = CString(text.data(), static_cast<int>(text.size()));
    return TRUE;
}
