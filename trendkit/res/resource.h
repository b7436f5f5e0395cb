// Resource ids of trendkit. Message texts of trendkit's error codes use the code minus 90 as id.
#pragma once

#define IDS_RT_CONTINUE 0
#define IDS_RT_TERMINATE 1
#define IDS_RT_SERIOUS 2
#define IDS_RT_CRITICAL 3
#define IDS_RT_INFORMATION 4
#define IDS_RT_DDE_ERROR 5
