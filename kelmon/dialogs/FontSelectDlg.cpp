#include "dialogs/FontSelectDlg.h"

IMPLEMENT_DYNAMIC(CFontSelectDlg, CDialog)

CFontSelectDlg::CFontSelectDlg(CWnd* pParent) : CDialog(IDD, pParent) {}
