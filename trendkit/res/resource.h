// Resource ids of trendkit. Message texts of trendkit's error codes use the code minus 90 as id.
#pragma once

#define IDS_RT_CONTINUE 0
#define IDS_RT_TERMINATE 1
#define IDS_RT_SERIOUS 2
#define IDS_RT_CRITICAL 3
#define IDS_RT_INFORMATION 4
#define IDS_RT_DDE_ERROR 5

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
