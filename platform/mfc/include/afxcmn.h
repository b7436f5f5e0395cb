// The common controls' classes and image lists.
#pragma once

#include "afxwin.h"
#include "mfc/ImageList.h"
#include "mfc/CommonControls.h"
