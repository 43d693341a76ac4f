#include "Panels.h"

namespace viewer {

PanelView PanelChangeView(PanelChange change) {
    using C = PanelControl;
    PanelView v;
    switch (change) {
        case PanelChange::OpenOptions:
            v.panelPage = kPanelOptions;
            v.optionsPage = kOptionsUpdatePage;
            v.visible = {{C::StringGrid1, false}, {C::UpdatePage, true}, {C::ListBox11, true},
                         {C::Panel1, true},       {C::Memo2, false},     {C::ListBox1, false},
                         {C::ScrollBox1, false}};
            break;
        case PanelChange::CloseOptions:
            v.panelPage = "";
            v.visible = {{C::Panel1, false}, {C::Memo2, true}, {C::ListBox1, true}, {C::ScrollBox1, true}};
            break;
        case PanelChange::OpenBookPage:
            // The panel is shared with the options page, whose controls would otherwise lie over
            // the page grid.
            v.panelPage = kPanelBookPage;
            v.visible = {{C::UpdatePage, false}, {C::StringGrid1, true}, {C::Panel1, true}};
            break;
        case PanelChange::CloseBookPage:
            v.panelPage = "";
            v.visible = {{C::Panel1, false}, {C::StringGrid1, false}};
            break;
        case PanelChange::LeaveForUpdate:
            v.panelPage = "";
            v.visible = {{C::Panel1, false}, {C::ListBox11, false}, {C::Gauge2, false}, {C::Memo2, true},
                         {C::ListBox1, true}};
            v.emptied = {C::ListBox11};
            break;
        case PanelChange::OpenUpdatePanel:
            v.updatePanelPage = kUpdatePanelOpen;
            v.visible = {{C::Panel3, true}};
            break;
        case PanelChange::CloseUpdatePanel:
            v.updatePanelPage = "";
            v.visible = {{C::Panel3, false}, {C::ListBox10, false}, {C::Gauge2, false}};
            v.emptied = {C::ListBox10};
            break;
        case PanelChange::ClosePageByButton:
            v.panelPage = "";
            v.visible = {{C::ListBox11, false}, {C::StringGrid1, false}, {C::Panel1, false},
                         {C::Memo2, true},      {C::ListBox1, true},     {C::ScrollBox1, true}};
            v.emptied = {C::ListBox11};
            break;
    }
    return v;
}

}  // namespace viewer
