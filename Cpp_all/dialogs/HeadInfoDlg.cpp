#include "dialogs/HeadInfoDlg.h"

IMPLEMENT_DYNAMIC(CHeadInfoDlg, CControlHelpDlg)

CHeadInfoDlg::CHeadInfoDlg(CWnd* pParent) : CControlHelpDlg(IDD, pParent) {}

void CHeadInfoDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    struct Field
    {
        int id;
        CString HeadInfoTexts::*text;
        int maxChars; // 0: no limit
    };
    static const Field kFields[] = {
        {1165, &HeadInfoTexts::model, 40},
        {1167, &HeadInfoTexts::firmware, 8},
        {1166, &HeadInfoTexts::serialNumber, 9},
        {1164, &HeadInfoTexts::partialSensitivity, 40},
        {1279, &HeadInfoTexts::totalSensitivity, 0},
        {1168, &HeadInfoTexts::cemOption, 5},
        {1275, &HeadInfoTexts::cemState, 0},
        {1287, &HeadInfoTexts::cemVoltage, 0},
        {1273, &HeadInfoTexts::cemGain, 0},
        {1280, &HeadInfoTexts::highVoltage, 0},
        {1281, &HeadInfoTexts::statusByte, 0},
        {1282, &HeadInfoTexts::errorEP, 0},
        {1283, &HeadInfoTexts::errorED, 0},
        {1284, &HeadInfoTexts::errorEQ, 0},
        {1285, &HeadInfoTexts::errorEM, 0},
        {1278, &HeadInfoTexts::errorEF, 0},
        {1290, &HeadInfoTexts::errorEC, 0},
        {1098, &HeadInfoTexts::electronEnergy, 0},
        {1277, &HeadInfoTexts::emission, 0},
        {1274, &HeadInfoTexts::focusVoltage, 0},
        {1286, &HeadInfoTexts::ionEnergy, 0},
        {1276, &HeadInfoTexts::rs, 0},
        {1288, &HeadInfoTexts::ri, 0},
        {1289, &HeadInfoTexts::ds, 0},
        {1031, &HeadInfoTexts::di, 0},
    };
    for (const Field& f : kFields)
    {
        // A text longer than its field is cut when shown, so OK cannot be refused for it.
        if (f.maxChars && !pDX->m_bSaveAndValidate)
            m_texts.*f.text = (m_texts.*f.text).Left(f.maxChars);
        DDX_Text(pDX, f.id, m_texts.*f.text);
        if (f.maxChars)
            DDV_MaxChars(pDX, m_texts.*f.text, f.maxChars);
    }
}
