// The common dialog classes.
#pragma once

#include "afxwin.h"
#include "mfc/CommonDialogs.h"
#include "mfc/PrintDialog.h"
