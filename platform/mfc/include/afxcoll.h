// Collection classes.
#pragma once

#include "mfc/Collections.h"
