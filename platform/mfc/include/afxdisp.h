// Automation support is not used here; the header only brings in the window classes.
#pragma once

#include "afxwin.h"
