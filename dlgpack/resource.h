// Ids of dlgpack, the resource module of the head dialogs: templates, icons, wait-box texts and
// control ids.
#pragma once

// Templates
#define IDD_FILAMENT_WARNING 135
#define IDD_CEM 214
#define IDD_IONIZER 215
#define IDD_HEAD_INFO 228
#define IDD_CEM_GAIN_ADJUST 250
#define IDD_RF_CHECK 287
#define IDD_HEAD_WAIT 1537
#define IDD_DUX_IONIZER 1545

// Icons: the wait box's own picture and its two warning pictures
#define IDI_HEAD_WAIT 165
#define IDI_HEAD_WARNING1 167
#define IDI_HEAD_WARNING2 168

// First lines of the wait boxes
#define IDS_WAIT_CALIBRATE 99
#define IDS_WAIT_CEM_ON 100
#define IDS_WAIT_INITIALIZE 109
#define IDS_WAIT_CEM_OFF 203

// Wait box
#define IDC_WAIT_BUTTON 1090
#define IDC_WAIT_ICON 1091
#define IDC_WAIT_LINE1 1099
#define IDC_WAIT_LINE2 1100

// Filament warning
#define IDC_FILWARN_CONTINUE 1001
#define IDC_FILWARN_NOMORE 1002

// Ionizer settings (both templates)
#define IDC_ION_WARNINGS 1003
#define IDC_ION_FOCUS 1032
#define IDC_ION_EMISSION 1033
#define IDC_ION_ELECTRON 1098
#define IDC_ION_ENERGY_LOW 1182
#define IDC_ION_ENERGY_HIGH 1183
#define IDC_ION_FILAMENT_ON 1184
#define IDC_ION_FILAMENT_OFF 1185
#define IDC_ION_DEFAULT 1193
#define IDC_DUX_PRESET0 1408
#define IDC_DUX_PRESET1 1409
#define IDC_DUX_PRESET2 1410
#define IDC_DUX_CUSTOM 1411
#define IDC_DUX_TEXT1 1412
#define IDC_DUX_TEXT2 1413
#define IDC_DUX_TEXT0 1414

// RF check
#define IDC_RF_MASS 1397
#define IDC_RF_NOMORE 1398

// Electron multiplier
#define IDC_CEM_OFF 1004
#define IDC_CEM_ON 1005
#define IDC_CEM_GAIN 1031
#define IDC_CEM_VOLTAGE 1093
#define IDC_CEM_AUTO 1194
#define IDC_CEM_MASS 1258
#define IDC_CEM_MODEL 1300
#define IDC_CEM_SERIAL 1301
#define IDC_CEM_MAXMASS 1302

// Gain adjustment
#define IDC_GAIN_BAR 1259
