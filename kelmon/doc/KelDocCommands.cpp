// The document's command map: each menu command the document takes with its update handler.
#include "doc/KelDoc.h"
#include "doc/KelDocCommands.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CKelDoc, CDocument)
ON_COMMAND(ID_SCAN_START, OnScanStart)
ON_UPDATE_COMMAND_UI(ID_SCAN_START, OnUpdateScanStart)
ON_COMMAND(ID_SCAN_STOPNOW, OnScanStopNow)
ON_UPDATE_COMMAND_UI(ID_SCAN_STOPNOW, OnUpdateScanStopNow)
ON_COMMAND(ID_SCAN_STOPATEND, OnScanStopAtEnd)
ON_UPDATE_COMMAND_UI(ID_SCAN_STOPATEND, OnUpdateScanStopAtEnd)
ON_COMMAND(ID_SCAN_FREQUENCY, OnAcquisitionFrequency)
ON_UPDATE_COMMAND_UI(ID_SCAN_FREQUENCY, OnUpdateAcquisitionFrequency)
ON_COMMAND(ID_HEAD_CONNECTOR_LIST, OnConnectorListSetup)
ON_UPDATE_COMMAND_UI(ID_HEAD_CONNECTOR_LIST, OnUpdateConnectorListSetup)
ON_COMMAND(ID_HEAD_FILAMENT, OnFilamentOn)
ON_UPDATE_COMMAND_UI(ID_HEAD_FILAMENT, OnUpdateFilamentOn)
ON_COMMAND(ID_MODE_ANALOG, OnModeAnalog)
ON_UPDATE_COMMAND_UI(ID_MODE_ANALOG, OnUpdateModeAnalog)
END_MESSAGE_MAP()
