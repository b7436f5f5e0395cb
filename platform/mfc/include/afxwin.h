// The framework's window classes: message maps, windows, dialogs, dialog data exchange, the
// standard controls and menus, on top of the core classes.
#pragma once

#include "afx.h"
#include "afxcoll.h"
#include "mfc/ModuleState.h"
#include "mfc/WinThread.h"
#include "mfc/WinApp.h"
#include "mfc/CmdTarget.h"
#include "mfc/Menu.h"
#include "mfc/Wnd.h"
#include "mfc/Gdi.h"
#include "mfc/Dialog.h"
#include "mfc/DataExchange.h"
#include "mfc/Controls.h"
#include "mfc/Document.h"
#include "mfc/DocTemplate.h"
#include "mfc/View.h"
#include "mfc/Frame.h"
