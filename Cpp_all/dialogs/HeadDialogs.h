// The head's dialogs as the head layer asks for them. Each one runs with dlgpack as the resource
// module (when it is loaded) and puts the previous module back afterwards.
#pragma once

#include "dialogs/DlgPackScope.h"
#include "head/Head.h"

class CDialog;

class CHeadDialogs : public IHeadDialogs
{
public:
    // The process-wide instance; Install hands it to CHead with the box-showing ask policy (the
    // programs call it at start).
    static CHeadDialogs& Instance();
    static void Install();

    int RunWaitBox(CHead& head, int limit, int mode, UINT textId, const CString& text) override;
    int RunFilamentWarning(int& checkBox) override;
    int RunIonizerDialog(CHead& head, HeadIonizerSettings& settings) override;
    int RunDuxIonizerDialog(CHead& head, HeadDuxIonizerSettings& settings) override;
    int RunRfCheckBox(const CString& massText, int& noticeFlag) override;
    int RunInfoDialog(const HeadInfoTexts& texts) override;
    int RunCemDialog(CHead& head) override;
    void ShowRfProgress(const CString& massText) override;
    void CloseRfProgress() override;

private:
    CDialog* m_pRfProgress = nullptr; // the modeless RF-check box while a search runs
};
