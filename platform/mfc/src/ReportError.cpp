// CException::ReportError: kept apart from the exception classes because it needs the prompt
// service, which pulls in the user-interface side of the layer.
#include "mfc/Exception.h"

#include <cstdio>

int CException::ReportError(UINT nType, UINT nMessageID)
{
    (void)nType;
    char szMessage[512];
    CString text;
    if (GetErrorMessage(szMessage, sizeof szMessage))
        text = szMessage;
    else if (nMessageID == 0 || !text.LoadString(nMessageID))
        text = "No error message is available.";
    std::fprintf(stderr, "%s\n", text.GetString());
    return 1; // IDOK
}
