// A scripted user for end-to-end runs of a whole program: with KEL_UI_SCRIPT naming a script file,
// the program's user-interface thread plays it step by step, so a test can start the real
// executable headless and use it as a person would. One step per line; '#' starts a comment; ids
// are control ids looked up in every top-level window of the thread; texts may use \r, \n, \t, \\.
//
//   wait <ms>                  pause
//   click <id>                 a click on a button (BN_CLICKED to its parent)
//   select <id> <row>          selects a row of a list view (the owner hears LVN_ITEMCHANGED)
//   type <id> <text>           focus to the control, then one WM_CHAR per character
//   command <id>               WM_COMMAND <id> to the first visible top-level window
//   expect <id> <text>         waits up to 10 s until the control's text contains <text>
//   answer <result> <text>     answers prompts whose text or caption contains <text> with
//                              <result> (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7); from then on
//   close                      WM_CLOSE to the first visible top-level window
//
// A step that fails ("expect" timing out, a missing control) is printed to stderr as
// "ui script: line <n>: ..." and ends the program with exit code 3; a prompt that no "answer"
// matches is printed and gets its default answer. Every step is echoed to stderr.
#pragma once

namespace kel::ui
{
// Starts the script named by KEL_UI_SCRIPT on the calling (user-interface) thread, once its message
// loop runs. Nothing happens without the variable. False when the file cannot be read.
bool StartScriptFromEnvironment();
} // namespace kel::ui
