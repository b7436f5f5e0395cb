// The Win32-shaped C API of the platform layer.
#pragma once

#include "win32/types.h"
#include "win32/styles.h"
#include "win32/kernel.h"
#include "win32/files.h"
#include "win32/comm.h"
#include "win32/memory.h"
#include "win32/crt.h"
#include "win32/registry.h"
#include "win32/codepage.h"
#include "win32/resources.h"
#include "win32/prompt.h"
#include "win32/user.h"
#include "win32/gdi.h"
#include "win32/print.h"
#include "win32/clipboard.h"
#include "win32/sound.h"
