// Collection templates.
#pragma once

#include "mfc/Templates.h"
