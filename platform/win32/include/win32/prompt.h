// Every prompt (message box, modal dialog, common dialog) goes through one prompt service. The window
// system installs a service that shows real dialogs; tests install a scripted one; without any, a
// headless default writes the prompt to stderr and answers with the default button.
#pragma once

#include "win32/types.h"
#include "win32/styles.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kel
{

enum class PromptKind
{
    MessageBox,
    Dialog,
    FileOpen,
    FileSave,
    Folder,
    Color,
    Font,
    Print,
    PrintSetup
};

// Name of a kind for messages ("MessageBox", "Dialog", ...).
const char* PromptKindName(PromptKind kind);

// Bits of PromptRequest::flags for file dialogs (the OFN_ values).
constexpr UINT kPromptOverwritePrompt = 0x00000002;
constexpr UINT kPromptAllowMultiSelect = 0x00000200;
constexpr UINT kPromptPathMustExist = 0x00000800;
constexpr UINT kPromptFileMustExist = 0x00001000;

// A font as the font dialog reads and returns it (the LOGFONT fields the code uses). height < 0 is
// the character height in pixels (-pointSize * dpi / 72), as LOGFONT has it.
struct PromptFont
{
    std::string face;
    LONG height = 0;
    LONG weight = 400; // FW_NORMAL
    bool italic = false;
    bool underline = false;
    int pointSize10 = 0; // the chosen size in tenths of a point (reply only)
};

// The print and print set-up dialogs' settings (the PRINTDLG/DEVMODE fields they show).
struct PromptPrint
{
    std::string printer; // device name
    UINT flags = 0;      // PD_* bits (PD_PAGENUMS, PD_SELECTION, PD_PRINTTOFILE, PD_NO... ...)
    int fromPage = 0;    // page range (with PD_PAGENUMS) within minPage..maxPage
    int toPage = 0;
    int minPage = 0;
    int maxPage = 0;
    int copies = 1;
    int orientation = 1;    // DMORIENT_PORTRAIT or DMORIENT_LANDSCAPE
    int paperSize = 0;      // DMPAPER_*, 0: the printer's default
    std::string outputFile; // where the output goes (a PDF file); empty: asked when the job starts
};

struct PromptRequest
{
    PromptKind kind = PromptKind::MessageBox;
    HWND owner = nullptr;
    std::string text;    // message text; for file and folder dialogs the title
    std::string caption; // message box caption or dialog title
    UINT flags = 0;      // MB_* for message boxes; OFN_*-style flags for common dialogs
    UINT helpId = 0;

    // Dialogs: the template, by id (templateName empty) or by name, in module `instance`.
    HINSTANCE instance = nullptr;
    UINT templateId = 0;
    std::string templateName;

    // File and folder dialogs.
    std::string fileName;   // initial file name or folder
    std::string filter;     // "Text (*.txt)|*.txt||" or the NUL-separated form converted to '|'
    std::string defaultExt; // without the dot
    std::string initialDir;

    COLORREF color = 0; // colour dialog: initial colour
    PromptFont font;    // font dialog: initial font
    PromptPrint print;  // print dialogs: the settings shown
};

struct PromptReply
{
    int result = 0;                 // IDOK, IDCANCEL, IDYES, ... or EndDialog's value
    std::vector<std::string> paths; // chosen file(s) or folder
    COLORREF color = 0;
    PromptFont font;
    // Print dialogs: the settings chosen; nothing: those of the request.
    std::optional<PromptPrint> print;

    // Dialogs: run the dialog for real and return EndDialog's value (result is then unused).
    bool run = false;
    // With run: called with the live dialog right after WM_INITDIALOG, on the thread that runs the
    // dialog, before the modal loop starts (tests drive the dialog's controls from here). A dialog
    // still open once the script returned and the queue is idle is ended with IDCANCEL.
    std::function<void(HWND)> drive;
};

class IPromptService
{
public:
    virtual ~IPromptService() = default;
    // Shows (or answers) one prompt; may be called from any thread.
    virtual PromptReply Prompt(const PromptRequest& request) = 0;
};

// Installs `service` (nullptr: the headless default) and returns the previous one (nullptr when the
// default was installed). The caller keeps the service alive while prompts may still arrive.
IPromptService* SetPromptService(IPromptService* service);

// Routes every prompt before it reaches the service: the window system uses it to show the prompts
// of worker threads on the user-interface thread. `show` asks the installed service. An empty
// router (the default) shows directly. Returns the router it replaced.
using PromptRouter = std::function<PromptReply(const PromptRequest& request,
                                               const std::function<PromptReply(const PromptRequest&)>& show)>;
PromptRouter SetPromptRouter(PromptRouter router);

// Plays MessageBeep's sound: the window system installs one; without it beeps are silent. The
// handler gets MessageBeep's type (MB_OK, MB_ICONHAND, ..., 0xFFFFFFFF for the simple beep) and
// may be called from any thread. Returns the handler it replaced (empty when none).
using BeepHandler = std::function<void(UINT type)>;
BeepHandler SetBeepHandler(BeepHandler handler);

// Sends a request to the installed service.
PromptReply Prompt(const PromptRequest& request);

// Result codes of the buttons of a MB_ button set, in order (MB_OK -> {IDOK}, MB_YESNO -> {IDYES, IDNO}...).
std::vector<int> MessageBoxButtons(UINT flags);
// The result of the default button (MB_DEFBUTTONn; the first when n is past the set).
int DefaultMessageBoxResult(UINT flags);

} // namespace kel

// Shows a message box through the prompt service; returns the chosen button's IDxxx.
int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
// Hands the beep to the installed beep handler (silent without one); always TRUE.
BOOL MessageBeep(UINT uType);
