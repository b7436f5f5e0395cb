// Resource ids of kelmon.
#pragma once

// Icons
#define IDI_DLG_COLLAPSED 130
#define IDI_DLG_EXPANDED 131

// Dialogs
#define IDD_BROWSE_FOLDER 136

// Controls of the save-as-files folder dialog
#define IDC_BROWSE_FOLDER 1001
#define IDC_BROWSE_PATH 1005
#define IDC_BROWSE_NAME 1006
#define IDC_BROWSE_TYPE_KEL 1007
#define IDC_BROWSE_TYPE_ASCII 1409
