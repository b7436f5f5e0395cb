// String ids of the head layer's messages; the programs' string tables carry the same ids.
#pragma once

#define IDS_COMM_NOT_OPEN 57
#define IDS_COMM_TIMER_FAILURE 58
