// Resource ids of plotkit. Message texts use the error code as their id; colour names are
// 112 + palette index; object type names are type + 192 (below 100) and type + 124 (from 100).
#pragma once

#define IDS_MSG_CONTINUE 11
#define IDS_MSG_TERMINATE 12
#define IDS_CAPTION_SERIOUS 13
#define IDS_CAPTION_CRITICAL 14
#define IDS_CAPTION_INFORMATION 15
#define IDS_COLOR_FIRST 112
#define IDS_COLOR_TRANSPARENT 132
#define IDS_TYPE_BASE 192
#define IDS_RT_TYPE_BASE 124
