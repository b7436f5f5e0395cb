// Resource ids of trendkit. Message texts of trendkit's error codes use the code minus 90 as id.
#pragma once

#define IDS_RT_CONTINUE 0
#define IDS_RT_TERMINATE 1
#define IDS_RT_SERIOUS 2
#define IDS_RT_CRITICAL 3
#define IDS_RT_INFORMATION 4
#define IDS_RT_DDE_ERROR 5

// PID parameter dialog "PIDDLG".
#define IDC_PID_RANGE_HIGH 1701
#define IDC_PID_RANGE_LOW 1702
#define IDC_PID_GAIN 1704
#define IDC_PID_INTEGRAL 1705
#define IDC_PID_DERIVATIVE 1706
#define IDC_PID_BIAS 1707
#define IDC_PID_SETPOINT 1708
#define IDC_PID_LIMIT_HIGH 1709
#define IDC_PID_LIMIT_LOW 1710
#define IDC_PID_RATE 1712
#define IDC_PID_OUTPUT 1713
#define IDC_PID_OUTPUT_LABEL 1714
#define IDC_PID_AUTO 1715
#define IDC_PID_FILTER 1716
#define IDC_PID_ENTER 42
#define IDC_PID_FIRST 1701
#define IDC_PID_LAST 1716

// Object edit dialogs: alarm attributes, alarm lines and alarm marks.
#define IDC_RT_ALARM_ATTRIBUTES 1760
#define IDC_RT_LINES_SHOWN 1750   // + line 0..4
#define IDC_RT_LINES_ATTRIB 1755  // + line 0..4
#define IDC_RT_LINES_PERIOD 1761
#define IDC_RT_SETPOINT 1762
#define IDC_RT_LIMIT 1763         // + kind 0..6
#define IDC_RT_HYSTERESIS 1770
#define IDC_RT_DEV_HYSTERESIS 1771
#define IDC_RT_NORMAL 1772
#define IDC_RT_MESSAGE 1773       // + kind 0..6
#define IDC_RT_KIND_ENABLE 1780   // + kind 0..6
#define IDC_RT_GLOBAL_ENABLE 1787
#define IDC_RT_SET_NAME 1788
#define IDC_RT_MARKS_BELOW 1790
#define IDC_RT_MARKS_ABOVE 1791
#define IDC_RT_MARKS_SIZE 1792
#define IDC_RT_MARKS_SHOWN 1793   // + mark 0..4
#define IDC_RT_MARKS_LABEL 1798   // + mark 0..4
#define IDC_RT_MARKS_ATTRIB 1803  // + mark 0..4

// Object edit dialogs: dynamic text, alarm text and message.
#define IDC_RT_BOX_BORDER_ATTRIB 500
#define IDC_RT_BOX_BACKGROUND 1050
#define IDC_RT_BOX_TEXT 1103
#define IDC_RT_BOX_HEIGHT 1811
#define IDC_RT_BOX_WIDTH 1812
#define IDC_RT_BOX_TOP 1813
#define IDC_RT_BOX_LEFT 1814
#define IDC_RT_BOX_BORDER 1810
#define IDC_RT_ALARMTEXT_COLOR 1817 // + state 0..7
#define IDC_RT_DYNTEXT_PRECISION 1850
#define IDC_RT_MESSAGE_COLOR 1860   // + message 0..7
#define IDC_RT_MESSAGE_TEXT 1868    // + message 0..7
// Time axis and time labels dialogs.
#define IDC_TA_RANGE 1953
#define IDC_TA_UNIT 1954
#define IDC_TA_STEP 1060
#define IDC_TA_MINOR 1059
#define IDC_TA_BELOW 1040
#define IDC_TA_ABOVE 1041
#define IDC_TA_MIDDLE 1042
#define IDC_TA_INTERCEPT 1069
#define IDC_TA_LINE 500
#define IDC_TA_GRID_MAJOR 1061
#define IDC_TA_MAJOR_STYLE 1065
#define IDC_TA_GRID_MINOR 1062
#define IDC_TA_MINOR_STYLE 1066
#define IDC_TA_START 1067
#define IDC_TA_START_LABEL 1955
#define IDC_TA_HOURS 1950
#define IDC_TA_MINUTES 1951
#define IDC_TA_SECONDS 1952
#define IDC_TL_BELOW_AXIS 1040
#define IDC_TL_ABOVE_AXIS 1041
#define IDC_TL_ABOVE_PLOT 1043
#define IDC_TL_BELOW_PLOT 1044
#define IDC_TL_PRECISION_SET 1206
#define IDC_TL_PLACES 1205
#define IDC_TL_PLACES_LABEL 1219
#define IDC_TL_LAST_ON 1210
#define IDC_TL_LAST_OFF 1211
#define IDC_TL_LAST_TEXT 1212
#define IDC_TL_TEXT 1213
#define IDC_TL_FONT 1103

// Scroll graph, scroll bargraph and dynamic bars dialogs.
#define IDC_SG_ATTRIBUTES 500
#define IDC_SG_STYLE_GROUP 501
#define IDC_SG_TRACES 1831
#define IDC_SG_NO_STEP 1832
#define IDC_SG_STEP_START 1833
#define IDC_SG_STEP_END 1834
#define IDC_SG_RESET 1836
#define IDC_SG_INTERVAL 1837
#define IDC_SG_RESET_LABEL 1838
#define IDC_SG_INTERVAL_LABEL 1839
#define IDC_SG_BAR_WIDTH 1300
#define IDC_SG_BAR_BORDER 1301
#define IDC_SG_BARS_WIDTH 1846
#define IDC_SG_HATCH 1260
#define IDC_SG_RED 1250
#define IDC_SG_GREEN 1251
#define IDC_SG_BLUE 1252
#define IDC_SG_RED_VALUE 1253
#define IDC_SG_GREEN_VALUE 1254
#define IDC_SG_BLUE_VALUE 1255
#define IDC_SG_SAMPLE 1090
