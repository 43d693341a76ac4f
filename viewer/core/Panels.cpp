#include "Panels.h"

#include "OptionsPanel.h"

namespace viewer {

PanelView PanelChangeView(PanelChange change) {
    using C = PanelControl;
    PanelView v;
    // Each sub-page shows its own controls and hides the other's, so the two never lie over
    // each other, however the page was left.
    const auto skinsPage = [&] {
        v.optionsPage = kOptionsSkinsPage;
        for (const C c : {C::CheckBox1, C::CheckBox2, C::Label16, C::Label17, C::ListBox11}) v.visible.push_back({c, false});
        v.visible.push_back({C::GroupBox1, true});
    };
    switch (change) {
        case PanelChange::OpenOptions:
            v.panelPage = kPanelOptions;
            skinsPage();
            // The panel itself is shown once it is painted.
            v.visible.insert(v.visible.end(), {{C::StringGrid1, false}, {C::ImagePlus5, true}, {C::Memo2, false},
                                               {C::ListBox1, false}, {C::ScrollBox1, false}});
            break;
        case PanelChange::OpenHelp:
            v.panelPage = kPanelHelp;
            v.visible = {{C::ImagePlus5, false}, {C::StringGrid1, true}, {C::Panel1, true},
                         {C::Memo2, false},      {C::ListBox1, false},   {C::ScrollBox1, false}};
            break;
        case PanelChange::ClosePage:
            v.panelPage = "";
            v.visible = {{C::Panel1, false},   {C::StringGrid1, false}, {C::Memo2, true},
                         {C::ListBox1, true},  {C::ScrollBox1, true}};
            break;
        case PanelChange::ShowSkinsPage:
            skinsPage();
            break;
        case PanelChange::ShowUpdateOptions:
            v.optionsPage = kOptionsUpdatePage;
            v.visible = {{C::GroupBox1, false}, {C::CheckBox1, true}, {C::CheckBox2, true},
                         {C::Label16, true},    {C::Label17, true},   {C::ListBox11, true}};
            break;
        case PanelChange::OpenBookPage:
            // The panel is shared with the options page, whose picture and controls would
            // otherwise lie over the page grid.
            v.panelPage = kPanelBookPage;
            v.visible = {{C::ImagePlus5, false}, {C::StringGrid1, true}, {C::Panel1, true}};
            break;
        case PanelChange::CloseBookPage:
            v.panelPage = "";
            v.visible = {{C::Panel1, false}, {C::StringGrid1, false}};
            break;
        case PanelChange::LeaveForUpdate:
            v.panelPage = "";
            v.visible = {{C::Panel1, false}, {C::ListBox11, false}, {C::Gauge2, false}, {C::Memo2, true},
                         {C::ListBox1, true}, {C::ScrollBox1, true}};
            v.emptied = {C::ListBox11};
            break;
        case PanelChange::OpenUpdatePanel:
            v.updatePanelPage = kUpdatePanelOpen;
            v.visible = {{C::ListBox10, true}, {C::Label15, true}, {C::Gauge2, true}, {C::Panel3, true}};
            break;
        case PanelChange::CloseUpdatePanel:
            v.updatePanelPage = "";
            v.visible = {{C::Panel3, false}, {C::ListBox10, false}, {C::Gauge2, false}};
            v.emptied = {C::ListBox10};
            break;
    }
    return v;
}

bool PageOverBookArea(std::string_view panelPage) { return panelPage == kPanelOptions || panelPage == kPanelHelp; }

}  // namespace viewer
