// Framework extensions; the window classes they build on.
#pragma once

#include "afxwin.h"
