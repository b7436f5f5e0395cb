// Framework extensions: the control bars, and the window classes they build on.
#pragma once

#include "afxwin.h"
#include "mfc/ControlBar.h"
