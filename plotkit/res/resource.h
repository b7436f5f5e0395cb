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

// Month and weekday names of axis labels.
#define IDS_WEEKDAY_FIRST 80
#define IDS_MONTH_FIRST 96

// Text parameter dialog ("TEXTPAR").
#define IDC_TEXT_COLOR 1050
#define IDC_TEXT_COLOR_LABEL 1052
#define IDC_TEXT_FACE 1100
#define IDC_TEXT_SIZE 1101
#define IDC_TEXT_TEXT 1102
#define IDC_TEXT_BOLD 1104
#define IDC_TEXT_ITALIC 1105
#define IDC_TEXT_TEXT_LABEL 1106
#define IDC_TEXT_UNDERLINE 1107
