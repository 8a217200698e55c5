#include "DialogTemplate.h"

namespace dialog {

void ApplyInitialStates(const DialogTemplate& dialog, platform::CDialogControls& controls)
{
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == kNoId || control.kind == Kind::ListView)
            continue;
        if (!control.text.empty())
            controls.SetWindowText(control.id, control.text);
        controls.EnableWindow(control.id, (control.style & kDisabled) == 0);
    }
}

} // namespace dialog
