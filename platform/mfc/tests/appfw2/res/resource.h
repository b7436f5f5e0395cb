// Ids of the control bar tests' resources.
#define IDR_MAINFRAME 128
#define IDD_BAR 200
#define IDC_BAR_APPLY 201
#define IDC_BAR_LABEL 202
#define ID_TOOL_RED 32771
#define ID_TOOL_GREEN 32772
#define ID_TOOL_BLUE 32773
#define ID_INDICATOR_HEAD 32780
