// CException::ReportError: kept apart from the exception classes because it needs the prompt
// service and the framework's message box.
#include "mfc/Exception.h"
#include "mfc/ModuleState.h"

int CException::ReportError(UINT nType, UINT nMessageID)
{
    char szMessage[512];
    CString text;
    if (GetErrorMessage(szMessage, sizeof szMessage))
        text = szMessage;
    else if (nMessageID == 0 || !text.LoadString(nMessageID))
        text = "No error message is available.";
    return AfxMessageBox(text, nType);
}
