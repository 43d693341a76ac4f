// Guards the changes of the floating panels: each panel's page text agrees with whether the
// change shows it, and a list that is emptied is hidden with it.
#include <gtest/gtest.h>

#include <algorithm>

#include "Panels.h"

using namespace viewer;

TEST(Panels, PageTextsFollowThePanelsShown) {
    const PanelChange changes[] = {PanelChange::OpenOptions,    PanelChange::CloseOptions,
                                   PanelChange::OpenBookPage,   PanelChange::CloseBookPage,
                                   PanelChange::LeaveForUpdate, PanelChange::OpenUpdatePanel,
                                   PanelChange::CloseUpdatePanel, PanelChange::ClosePageByButton};
    for (const PanelChange change : changes) {
        SCOPED_TRACE(static_cast<int>(change));
        const PanelView v = PanelChangeView(change);
        const auto shown = [&](PanelControl c) -> std::optional<bool> {
            for (const auto& [control, visible] : v.visible)
                if (control == c) return visible;
            return std::nullopt;
        };
        if (const auto panel1 = shown(PanelControl::Panel1)) {
            ASSERT_TRUE(v.panelPage.has_value());
            EXPECT_EQ(*panel1, !v.panelPage->empty());
        }
        if (const auto panel3 = shown(PanelControl::Panel3)) {
            ASSERT_TRUE(v.updatePanelPage.has_value());
            EXPECT_EQ(*panel3, *v.updatePanelPage == kUpdatePanelOpen);
        }
        for (const PanelControl emptied : v.emptied) EXPECT_EQ(shown(emptied), std::optional<bool>(false));
        // The options page and the page grid share Panel1: never both shown by one change.
        EXPECT_FALSE(shown(PanelControl::UpdatePage).value_or(false) && shown(PanelControl::StringGrid1).value_or(false));
    }
    EXPECT_EQ(PanelChangeView(PanelChange::OpenOptions).optionsPage, std::optional<std::string>("updateopt"));
}
