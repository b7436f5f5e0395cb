// Multithreading classes: synchronisation objects and locks.
#pragma once

#include "mfc/Sync.h"
