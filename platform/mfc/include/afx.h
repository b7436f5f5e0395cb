// The core of the MFC-shaped class library: Win32 types and calls, CString, geometry, CTime,
// run-time classes, exceptions, files and archives.
#pragma once

#include <windows.h>

#include "mfc/String.h"
#include "mfc/Geometry.h"
#include "mfc/Time.h"
#include "mfc/Object.h"
#include "mfc/Exception.h"
#include "mfc/File.h"
#include "mfc/Archive.h"
