// The print and print set-up dialog class over PrintDlg.
#pragma once

#include "mfc/Dialog.h"
#include "mfc/String.h"
#include "win32/print.h"

class CPrintDialog : public CDialog
{
    DECLARE_DYNAMIC(CPrintDialog)
public:
    // bPrintSetupOnly: the set-up dialog (PD_PRINTSETUP); otherwise the print dialog, which returns
    // a printer DC (PD_RETURNDC).
    explicit CPrintDialog(BOOL bPrintSetupOnly,
                          DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                          PD_HIDEPRINTTOFILE | PD_NOSELECTION,
                          CWnd* pParentWnd = nullptr);

    // Shows the dialog; IDOK with m_pd updated, IDCANCEL when cancelled or no printer is available.
    INT_PTR DoModal() override;
    // Fills m_pd with the default printer's DEVMODE and DEVNAMES without a dialog (both must be
    // NULL); with PD_RETURNDC also its DC. FALSE when there is no printer.
    BOOL GetDefaults();

    // The DC PrintDlg returned (PD_RETURNDC) or CreatePrinterDC made; NULL when none. The caller
    // deletes it (DeleteDC).
    HDC GetPrinterDC() const { return m_pd.hDC; }
    // Makes a DC for the printer in m_pd's DEVNAMES/DEVMODE, keeps it in m_pd.hDC and returns it;
    // NULL without DEVNAMES or for an unknown printer.
    HDC CreatePrinterDC();

    CString GetDeviceName() const;
    CString GetDriverName() const;
    CString GetPortName() const;
    // The DEVMODE, locked (it stays locked, as callers expect); NULL when there is none.
    LPDEVMODE GetDevMode() const;

    // The page range chosen (PD_PAGENUMS), -1 for both when all pages or the selection are printed.
    int GetFromPage() const { return PrintRange() ? m_pd.nFromPage : -1; }
    int GetToPage() const { return PrintRange() ? m_pd.nToPage : -1; }
    BOOL PrintAll() const { return !PrintRange() && !PrintSelection(); }
    BOOL PrintRange() const { return (m_pd.Flags & PD_PAGENUMS) != 0; }
    BOOL PrintSelection() const { return (m_pd.Flags & PD_SELECTION) != 0; }
    BOOL PrintCollate() const { return (m_pd.Flags & PD_COLLATE) != 0; }
    // Copies from the DEVMODE with PD_USEDEVMODECOPIES, else from m_pd.nCopies.
    int GetCopies() const;

    // The record PrintDlg works on. Its DEVMODE and DEVNAMES blocks belong to the caller (they
    // outlive the dialog object, as with a printer choice the application keeps).
    PRINTDLG m_pd;

private:
    CString DevName(WORD DEVNAMES::*field) const;
};
