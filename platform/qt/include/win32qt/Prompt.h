// The prompt service of the Qt backend: message boxes and the common dialogs shown with Qt's
// dialogs. Qt-free, so the program's start can install it.
#pragma once

namespace kel::qt
{

// Installs the Qt prompt service (message boxes, file, folder, colour and font dialogs; modal
// dialogs from templates are run by the dialog manager) and the dialog font measure that gives
// dialogs their base units from Qt's font metrics. The Qt application must exist. Installing
// again does nothing.
void InstallPromptService();
// Puts back the service that was there before InstallPromptService.
void RemovePromptService();

} // namespace kel::qt
