// The clipboard: formats, opening and ownership as on Windows. Data handed to SetClipboardData
// (an HGLOBAL, or an HBITMAP for CF_BITMAP) belongs to the clipboard from then on and is freed by
// the next EmptyClipboard; handles returned by GetClipboardData belong to the clipboard too and stay
// valid until the clipboard is closed (or, for the owner's own data, emptied).
//
// Behind it a backend holds the shared contents: the desktop's clipboard in the program, an
// in-process one in tests (testkit/Clipboard.h).
#pragma once

#include "win32/types.h"

#include <cstdint>
#include <string>
#include <vector>

#define CF_TEXT 1
#define CF_BITMAP 2
#define CF_METAFILEPICT 3
#define CF_SYLK 4
#define CF_DIF 5
#define CF_TIFF 6
#define CF_OEMTEXT 7
#define CF_DIB 8
#define CF_PALETTE 9
#define CF_UNICODETEXT 13
#define CF_ENHMETAFILE 14

#define ERROR_CLIPBOARD_NOT_OPEN 1418L

// A Windows metafile picture (CF_METAFILEPICT, in a global block of at least this size): the mapping
// mode to play it in, its extents (MM_ISOTROPIC/MM_ANISOTROPIC: a suggested size in 0.01 mm, or
// what the program put there; other modes: the size in the mode's units) and the metafile. The
// clipboard deletes the metafile when it frees the block.
typedef struct tagMETAFILEPICT
{
    LONG mm;
    LONG xExt;
    LONG yExt;
    HMETAFILE hMF;
} METAFILEPICT, *LPMETAFILEPICT;

// Opens the clipboard for the calling thread; hWndNewOwner becomes the owner at EmptyClipboard.
// FALSE while another thread has it open.
BOOL OpenClipboard(HWND hWndNewOwner);
// Closes it; data set since OpenClipboard is handed to the shared clipboard now. FALSE when the
// calling thread has not opened it.
BOOL CloseClipboard();
// Frees the data on the clipboard and makes the opening window the owner. FALSE when not open.
BOOL EmptyClipboard();
// Puts hMem on the clipboard under uFormat (replacing and freeing data of the same format) and hands
// it over. Returns hMem, NULL when the clipboard is not open or hMem is NULL (delayed rendering is
// not supported) or not a valid handle of the format.
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// The clipboard's data in uFormat (CF_BITMAP: an HBITMAP; others: an HGLOBAL), owned by the
// clipboard. NULL when the clipboard is not open or holds no such data. CF_TEXT is NUL-terminated
// cp1252; CF_BITMAP and CF_DIB are made from each other.
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);
// The format after `format` (0: the first); 0 at the end or when the clipboard is not open.
UINT EnumClipboardFormats(UINT format);
int CountClipboardFormats();
// A format id (0xC000..0xFFFF) for a name; the same name (case-insensitive) gives the same id. 0 for
// an empty name.
UINT RegisterClipboardFormat(LPCSTR lpszFormat);
// The name of a registered format; its length, 0 for a standard or unknown format.
int GetClipboardFormatName(UINT format, LPSTR lpszFormatName, int cchMaxCount);
// The window that last emptied the clipboard while it had it open (NULL: none, or another program).
HWND GetClipboardOwner();
// The window that has the clipboard open, NULL when it is closed.
HWND GetOpenClipboardWindow();
#define RegisterClipboardFormatA RegisterClipboardFormat
#define GetClipboardFormatNameA GetClipboardFormatName

namespace kel
{

// One format's data as the shared clipboard keeps it: CF_TEXT as cp1252 bytes without the NUL, CF_DIB
// as a packed DIB (header, colours, rows), CF_ENHMETAFILE as the metafile's bytes, CF_METAFILEPICT
// as mm, xExt and yExt (32 bits each, little-endian) followed by the Windows metafile's bytes, other
// formats as the bytes of their global block.
struct ClipboardItem
{
    UINT format = 0;
    std::vector<uint8_t> bytes;
};

// The shared contents behind the clipboard. Called with the clipboard's lock held, on the thread
// that calls the clipboard functions.
class IClipboardBackend
{
public:
    virtual ~IClipboardBackend() = default;
    // Replaces the contents with `items` (empty: clears them).
    virtual void Publish(const std::vector<ClipboardItem>& items) = 0;
    // The formats held now, in the order they were put there.
    virtual std::vector<UINT> Formats() = 0;
    // The data of one format; false when it is not there.
    virtual bool Read(UINT format, std::vector<uint8_t>& bytes) = 0;
    // True while the contents are still the ones this process published last.
    virtual bool HoldsOurs() = 0;
};

// Installs a backend (nullptr: the default one: the desktop's clipboard when the window system runs,
// else a process-wide store) and returns the previous one (nullptr for the default). Data this
// process had on the clipboard is freed. The caller keeps the backend alive while it is installed.
IClipboardBackend* SetClipboardBackend(IClipboardBackend* backend);

} // namespace kel
