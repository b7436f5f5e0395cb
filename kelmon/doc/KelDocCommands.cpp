// The document's command map: each menu command the document takes with its update handler.
#include "doc/KelDoc.h"

#include "doc/KelDocCommands.h"

BEGIN_MESSAGE_MAP(CKelDoc, CDocument)
ON_COMMAND(kelcmd::kScanStart, OnScanStart)
ON_UPDATE_COMMAND_UI(kelcmd::kScanStart, OnUpdateScanStart)
ON_COMMAND(kelcmd::kScanStopNow, OnScanStopNow)
ON_UPDATE_COMMAND_UI(kelcmd::kScanStopNow, OnUpdateScanStopNow)
ON_COMMAND(kelcmd::kScanStopAtEnd, OnScanStopAtEnd)
ON_UPDATE_COMMAND_UI(kelcmd::kScanStopAtEnd, OnUpdateScanStopAtEnd)
ON_COMMAND(kelcmd::kAcquisitionFrequency, OnAcquisitionFrequency)
ON_UPDATE_COMMAND_UI(kelcmd::kAcquisitionFrequency, OnUpdateAcquisitionFrequency)
ON_COMMAND(kelcmd::kConnectorListSetup, OnConnectorListSetup)
ON_UPDATE_COMMAND_UI(kelcmd::kConnectorListSetup, OnUpdateConnectorListSetup)
ON_COMMAND(kelcmd::kFilamentOn, OnFilamentOn)
ON_UPDATE_COMMAND_UI(kelcmd::kFilamentOn, OnUpdateFilamentOn)
END_MESSAGE_MAP()
