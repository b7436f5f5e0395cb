// Ids of the compiler's test script.
#define IDD_ABOUT 100
#define IDD_SETUP 101
#define IDR_MAINFRAME 128
#define IDR_CONTEXT 129
#define IDI_SMALL 130
#define IDC_NAME 1000
#define IDC_LIST 1001
#define IDC_COMBO 1002
#define IDC_CHECK 1003
#define IDC_RADIO1 1004
#define IDC_SLIDER 1005
#define IDC_SCROLL 1006
#define IDC_PICTURE 1007
#define IDS_HELLO 200
#define IDS_ESCAPES 201
#define IDS_LATIN 202
#define IDS_LONG 203
#define IDS_JOINED 204
#define ID_TOOLS_RUN 32771
#define ID_TOOLS_STOP (ID_TOOLS_RUN + 1)
#define SCALE(x) ((x) * 2)
