// Printing: the print and print set-up dialogs (PrintDlg), printer device contexts and print jobs.
//
// Printers are the desktop's (CUPS) printers plus one that writes PDF files, named by
// KEL_PDF_PRINTER_NAME. A printer is chosen by name in DEVNAMES; its port is where output goes:
// "FILE:" asks for a file name when the job starts, a path writes the PDF there, anything else is the
// printer's own queue. A printer DC draws in device pixels of the printable area at the printer's
// resolution (GetDeviceCaps HORZRES, LOGPIXELSX, PHYSICALOFFSETX ...), with vector output.
#pragma once

#include "win32/types.h"

#include <string>
#include <vector>

// ---- PrintDlg -------------------------------------------------------------------------------------

#define PD_ALLPAGES 0x00000000
#define PD_SELECTION 0x00000001
#define PD_PAGENUMS 0x00000002
#define PD_NOSELECTION 0x00000004
#define PD_NOPAGENUMS 0x00000008
#define PD_COLLATE 0x00000010
#define PD_PRINTTOFILE 0x00000020
#define PD_PRINTSETUP 0x00000040
#define PD_NOWARNING 0x00000080
#define PD_RETURNDC 0x00000100
#define PD_RETURNIC 0x00000200
#define PD_RETURNDEFAULT 0x00000400
#define PD_SHOWHELP 0x00000800
#define PD_ENABLEPRINTHOOK 0x00001000
#define PD_ENABLESETUPHOOK 0x00002000
#define PD_ENABLEPRINTTEMPLATE 0x00004000
#define PD_ENABLESETUPTEMPLATE 0x00008000
#define PD_USEDEVMODECOPIES 0x00040000
#define PD_USEDEVMODECOPIESANDCOLLATE 0x00040000
#define PD_DISABLEPRINTTOFILE 0x00080000
#define PD_HIDEPRINTTOFILE 0x00100000
#define PD_NONETWORKBUTTON 0x00200000

typedef UINT_PTR(CALLBACK* LPPRINTHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPSETUPHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagPDA
{
    DWORD lStructSize;
    HWND hwndOwner;
    HGLOBAL hDevMode;  // DEVMODE; NULL on entry: filled in with the chosen printer's
    HGLOBAL hDevNames; // DEVNAMES; likewise
    HDC hDC;           // PD_RETURNDC / PD_RETURNIC: the DC made for the chosen printer
    DWORD Flags;
    WORD nFromPage;
    WORD nToPage;
    WORD nMinPage;
    WORD nMaxPage;
    WORD nCopies;
    HINSTANCE hInstance;
    LPARAM lCustData;
    LPPRINTHOOKPROC lpfnPrintHook; // hooks and templates are not supported (ignored)
    LPSETUPHOOKPROC lpfnSetupHook;
    LPCSTR lpPrintTemplateName;
    LPCSTR lpSetupTemplateName;
    HGLOBAL hPrintTemplate;
    HGLOBAL hSetupTemplate;
} PRINTDLG, PRINTDLGA, *LPPRINTDLG, *LPPRINTDLGA;

// Names in one global block; each offset counts characters from the block's start.
typedef struct tagDEVNAMES
{
    WORD wDriverOffset;
    WORD wDeviceOffset;
    WORD wOutputOffset;
    WORD wDefault; // DN_DEFAULTPRN: the names are the default printer's
} DEVNAMES, *LPDEVNAMES;
#define DN_DEFAULTPRN 0x0001

#define CCHDEVICENAME 32
#define CCHFORMNAME 32

typedef struct tagDEVMODEA
{
    BYTE dmDeviceName[CCHDEVICENAME]; // cut to 31 characters; DEVNAMES has the full name
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields; // DM_* bits of the fields that are set
    SHORT dmOrientation;
    SHORT dmPaperSize;
    SHORT dmPaperLength; // tenths of a millimetre
    SHORT dmPaperWidth;
    SHORT dmScale;
    SHORT dmCopies;
    SHORT dmDefaultSource;
    SHORT dmPrintQuality; // dpi when positive
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    BYTE dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmDisplayFlags;
    DWORD dmDisplayFrequency;
} DEVMODE, DEVMODEA, *PDEVMODE, *LPDEVMODE, *LPDEVMODEA;

#define DM_SPECVERSION 0x0401
#define DM_ORIENTATION 0x00000001
#define DM_PAPERSIZE 0x00000002
#define DM_PAPERLENGTH 0x00000004
#define DM_PAPERWIDTH 0x00000008
#define DM_SCALE 0x00000010
#define DM_COPIES 0x00000100
#define DM_DEFAULTSOURCE 0x00000200
#define DM_PRINTQUALITY 0x00000400
#define DM_COLOR 0x00000800
#define DM_DUPLEX 0x00001000
#define DM_YRESOLUTION 0x00002000
#define DM_COLLATE 0x00008000

#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2

#define DMPAPER_LETTER 1
#define DMPAPER_TABLOID 3
#define DMPAPER_LEGAL 5
#define DMPAPER_EXECUTIVE 7
#define DMPAPER_A3 8
#define DMPAPER_A4 9
#define DMPAPER_A5 11
#define DMPAPER_B5 13

#define DMCOLOR_MONOCHROME 1
#define DMCOLOR_COLOR 2

// Shows the print dialog (or with PD_PRINTSETUP the print set-up dialog) through the prompt service,
// starting from the printer in hDevNames/hDevMode (NULL: the default printer). With PD_RETURNDEFAULT
// no dialog is shown: the default printer's DEVMODE and DEVNAMES are returned (hDevMode and hDevNames
// must be NULL on entry). On OK the handles are replaced by new blocks (the old ones are freed), the
// page range, copies and PD_PAGENUMS/PD_SELECTION/PD_PRINTTOFILE are set, and with PD_RETURNDC or
// PD_RETURNIC hDC gets a DC for the printer. FALSE on cancel or failure (then nothing changes).
BOOL PrintDlg(LPPRINTDLG lppd);
#define PrintDlgA PrintDlg

// ---- Printer DCs and jobs -------------------------------------------------------------------------

// Printer DCs come from CreateDC/CreateIC (gdi.h) with the device name of DEVNAMES and a DEVMODE
// (orientation, paper and copies are taken from it), or from PrintDlg with PD_RETURNDC/PD_RETURNIC.
// An unknown printer gives NULL.

typedef struct tagDOCINFOA
{
    int cbSize;
    LPCSTR lpszDocName;
    LPCSTR lpszOutput; // a file path: the job is written there as PDF, whatever the printer
    LPCSTR lpszDatatype;
    DWORD fwType;
} DOCINFO, DOCINFOA, *LPDOCINFO, *LPDOCINFOA;

#define SP_ERROR (-1)
#define SP_APPABORT (-2)
#define SP_USERABORT (-3)
#define SP_OUTOFDISK (-4)
#define SP_OUTOFMEMORY (-5)

typedef BOOL(CALLBACK* ABORTPROC)(HDC, int);

// Starts a job on a printer DC; returns a job id > 0, or SP_ERROR (no printer DC, a job already
// running, the output cannot be opened), SP_USERABORT (the output file prompt was cancelled).
int StartDoc(HDC hdc, const DOCINFO* lpdi);
// Starts a page; > 0 on success, SP_ERROR outside a job. Drawing goes to the page until EndPage.
int StartPage(HDC hdc);
// Ends a page and calls the abort procedure (which may end the job: then SP_APPABORT).
int EndPage(HDC hdc);
// Finishes the job (the file or queue gets it); SP_ERROR outside a job.
int EndDoc(HDC hdc);
// Drops the job: nothing is printed and a PDF file being written is removed. SP_ERROR outside a job.
int AbortDoc(HDC hdc);
// Installs the procedure called between pages (with 0) while the job runs; returning FALSE aborts the
// job. SP_ERROR for a DC that is not a printer DC.
int SetAbortProc(HDC hdc, ABORTPROC proc);
#define StartDocA StartDoc

#define NEWFRAME 1
#define ABORTDOC 2
#define SETABORTPROC 9
#define STARTDOC 10
#define ENDDOC 11
#define GETPHYSPAGESIZE 12
#define GETPRINTINGOFFSET 13
#define GETSCALINGFACTOR 14
#define QUERYESCSUPPORT 8

// The old escape calls: QUERYESCSUPPORT (input: an int escape; returns 1 when supported),
// GETPHYSPAGESIZE and GETPRINTINGOFFSET (POINT out, device pixels), GETSCALINGFACTOR (POINT out:
// 0, 0: no scaling), NEWFRAME and ABORTDOC. 0 for an unsupported escape, a negative value on failure.
int Escape(HDC hdc, int iEscape, int cjIn, LPCSTR pvIn, LPVOID pvOut);

#define KEL_PDF_PRINTER_NAME "PDF File"

namespace kel
{

// Names of the printers PrintDlg offers: the desktop's printers, then the PDF printer.
std::vector<std::string> PrinterNames();
// The default printer's name (the desktop's default, else the PDF printer).
std::string DefaultPrinterName();
// Tests: offer the PDF printer only, so nothing depends on the machine's printers. Returns the
// previous setting.
bool SetPdfPrinterOnly(bool only);

} // namespace kel
