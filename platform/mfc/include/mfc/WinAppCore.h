// CWinApp's profile part is declared with the whole class; kept for the code that includes it.
#pragma once

#include "mfc/WinApp.h"
