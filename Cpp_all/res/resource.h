// String ids of the head layer's messages; the programs' string tables carry the same ids.
#pragma once

#define IDS_COMM_NOT_OPEN 57
#define IDS_COMM_TIMER_FAILURE 58

// The head dialogs' messages
#define IDS_PLEASE_WAIT 201
#define IDS_GAIN_FARADAY_MASS_LOW 218
#define IDS_GAIN_FARADAY_TOTAL_LOW 219
#define IDS_GAIN_TOO_HIGH 220
#define IDS_GAIN_INVALID 221
#define IDS_GAIN_VOLTAGE_MAX 222
#define IDS_GAIN_FILAMENT_OFF 228
#define IDS_GAIN_TEN_TIMES 234
#define IDS_CEM_FILAMENT_OFF 250
#define IDS_GAIN_CALIBRATE_FIRST 312
