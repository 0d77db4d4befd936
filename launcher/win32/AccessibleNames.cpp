#include "AccessibleNames.h"

#include "DialogControls.h"
#include "ParseDlgModel.h"
#include "platform.h"

// The GUIDs of the annotation service are defined here, once.
#include <initguid.h>

#include <oleacc.h>

void NameDialogControls(HWND dialog) {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
        return;
    }
    for (const ControlTemplate& control : kParseDlgControls) {
        const std::string name = runkorvix::ParseDlgModel::AccessibleName(control.id);
        const HWND item = control.id == IDC_STATIC ? nullptr : GetDlgItem(dialog, control.id);
        if (item != nullptr && !name.empty()) {
            services->SetHwndPropStr(item, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                     PROPID_ACC_NAME, korvix::wide_from_utf8(name).c_str());
        }
    }
    services->Release();
}
