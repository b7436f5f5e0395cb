#include "Controls.h"

#include "Control.h"

namespace kel::qt::controls
{

bool RegisterClasses()
{
    bool ok = RegisterButtonClass();
    ok = RegisterStaticClass() && ok;
    ok = RegisterEditClass() && ok;
    ok = RegisterListBoxClass() && ok;
    ok = RegisterComboBoxClass() && ok;
    ok = RegisterScrollBarClass() && ok;
    ok = RegisterRangeClasses() && ok;
    ok = RegisterListViewClasses() && ok;
    ok = RegisterToolTipClass() && ok;
    return ok;
}

QWidget* WidgetOf(HWND hwnd)
{
    Control* c = FindControl(hwnd);
    return c ? c->Widget() : nullptr;
}

} // namespace kel::qt::controls
