// The standard controls of the Qt backend. The driver registers them as system classes when it
// starts; tests reach a control's widget to drive it like a user.
#pragma once

#include "win32/types.h"

class QWidget;

namespace kel::qt::controls
{

// Registers "BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX", "SCROLLBAR", "SysListView32",
// "SysHeader32", "msctls_trackbar32", "msctls_updown32", "msctls_progress32" and
// "tooltips_class32" as system classes. False when one of them cannot be registered.
bool RegisterClasses();

// The Qt widget showing a control window; nullptr when the window is not one of these controls.
QWidget* WidgetOf(HWND hwnd);

bool RegisterButtonClass();
bool RegisterStaticClass();
bool RegisterEditClass();
bool RegisterListBoxClass();
bool RegisterComboBoxClass();
bool RegisterScrollBarClass();
bool RegisterRangeClasses();    // trackbar, up-down, progress
bool RegisterListViewClasses(); // list view and header
bool RegisterToolTipClass();

} // namespace kel::qt::controls
