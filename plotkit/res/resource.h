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

// Print options dialog ("PRINTERPARAM") and the stop dialog ("PRINTDLGBOX").
#define IDC_PRINT_BORDER 410
#define IDC_PRINT_GRAPHBG 412
#define IDC_PRINT_PLOTBG 413
#define IDC_PRINT_MAXSIZE 414
#define IDC_PRINT_PROPORTIONATE 415
#define IDC_PRINT_EXACT 416
#define IDC_PRINT_LEFT 417
#define IDC_PRINT_TOP 418
#define IDC_PRINT_ASPECT 420
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

// Faces of the graph selector buttons ("CusButton"): released and pressed.
#define IDB_SELECTOR_UP 1
#define IDB_SELECTOR_DOWN 2

// Legend dialog ("LEGEND").
#define IDC_LEGEND_WIDTH 1350
#define IDC_LEGEND_HEIGHT 1351
#define IDC_LEGEND_LEFT 1352
#define IDC_LEGEND_TOP 1353
#define IDC_LEGEND_TEXTS 1354
#define IDC_LEGEND_BORDER 1355
#define IDC_BORDER_ATTRIBUTES 500
#define IDC_AREA_COLOR 1050
#define IDC_TEXT_PARAMETERS 1103

// Pie chart dialog ("PIECHART") and slice dialog ("PIESLICE").
#define IDC_PIE_CENTRE_X 1380
#define IDC_PIE_CENTRE_Y 1381
#define IDC_PIE_DIAMETER 1382
#define IDC_PIE_SLICES 1383
#define IDC_PIE_DETAILS 1384
#define IDC_SLICE_VALUE 1385
#define IDC_SLICE_LABEL 1386
#define IDC_SLICE_EXPLOSION 1387
#define IDC_SLICE_HATCH 1260
#define IDC_SLICE_BORDER 1301
#define IDC_SLICE_RED 1250
#define IDC_SLICE_GREEN 1251
#define IDC_SLICE_BLUE 1252
#define IDC_SLICE_RED_VALUE 1253
#define IDC_SLICE_GREEN_VALUE 1254
#define IDC_SLICE_BLUE_VALUE 1255
#define IDC_SLICE_SAMPLE 1256
