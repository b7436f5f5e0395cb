// The Qt prompt service's parts that tests reach directly.
#pragma once

#include "win32/prompt.h"

#include <string>
#include <vector>

namespace kel::qt
{

// A Windows filter ("Text files (*.txt)|*.txt|All files (*.*)|*.*||", or the same with NULs for
// '|') as Qt name filters, UTF-8: "Text files (*.txt)", "All files (*)". Patterns separated by ';'
// become space-separated; "*.*" matches every file, as it does on Windows. A description without
// its pattern list gets one appended. A trailing description without patterns is dropped.
std::vector<std::string> NameFiltersFromWindows(const std::string& filter);

// The path with "." + ext appended when its file name has no extension; otherwise unchanged.
std::string WithDefaultExtension(const std::string& path, const std::string& ext);

// Shows one prompt with Qt's dialogs on the calling (user-interface) thread.
PromptReply ShowPrompt(const PromptRequest& request);

} // namespace kel::qt
