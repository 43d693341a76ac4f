// Guards the changes of the floating panels: each panel's page text agrees with whether the
// change shows it, a list that is emptied is hidden with it, the options page's two sub-pages
// never show each other's controls, and nothing but the book's own controls come back when a
// page closes.
#include <gtest/gtest.h>

#include <algorithm>

#include "Panels.h"

using namespace viewer;

namespace {

constexpr PanelChange kChanges[] = {
    PanelChange::OpenOptions,     PanelChange::OpenHelp,       PanelChange::ClosePage,
    PanelChange::ShowSkinsPage,   PanelChange::ShowUpdateOptions, PanelChange::OpenBookPage,
    PanelChange::CloseBookPage,   PanelChange::LeaveForUpdate, PanelChange::OpenUpdatePanel,
    PanelChange::CloseUpdatePanel};

std::optional<bool> Shown(const PanelView& v, PanelControl c) {
    std::optional<bool> out;
    for (const auto& [control, visible] : v.visible)
        if (control == c) out = visible;
    return out;
}

}  // namespace

TEST(Panels, PageTextsFollowThePanelsShown) {
    for (const PanelChange change : kChanges) {
        SCOPED_TRACE(static_cast<int>(change));
        const PanelView v = PanelChangeView(change);
        if (const auto panel1 = Shown(v, PanelControl::Panel1)) {
            ASSERT_TRUE(v.panelPage.has_value());
            EXPECT_EQ(*panel1, !v.panelPage->empty());
        }
        if (const auto panel3 = Shown(v, PanelControl::Panel3)) {
            ASSERT_TRUE(v.updatePanelPage.has_value());
            EXPECT_EQ(*panel3, *v.updatePanelPage == kUpdatePanelOpen);
        }
        for (const PanelControl emptied : v.emptied) EXPECT_EQ(Shown(v, emptied), std::optional<bool>(false));
        // The options page's picture and the page grid share Panel1: never both shown.
        EXPECT_FALSE(Shown(v, PanelControl::ImagePlus5).value_or(false) &&
                     Shown(v, PanelControl::StringGrid1).value_or(false));
    }
}

TEST(Panels, EachSubPageShowsOnlyItsOwnControls) {
    const PanelControl updateControls[] = {PanelControl::CheckBox1, PanelControl::CheckBox2, PanelControl::Label16,
                                           PanelControl::Label17, PanelControl::ListBox11};
    struct Case {
        PanelChange change;
        const char* subPage;
        bool skins;
    };
    for (const Case c : {Case{PanelChange::OpenOptions, "skins", true}, Case{PanelChange::ShowSkinsPage, "skins", true},
                         Case{PanelChange::ShowUpdateOptions, "updateopt", false}}) {
        SCOPED_TRACE(c.subPage);
        const PanelView v = PanelChangeView(c.change);
        EXPECT_EQ(v.optionsPage, std::optional<std::string>(c.subPage));
        EXPECT_EQ(Shown(v, PanelControl::GroupBox1), std::optional<bool>(c.skins));
        for (const PanelControl u : updateControls) EXPECT_EQ(Shown(v, u), std::optional<bool>(!c.skins));
    }
}

TEST(Panels, ClosingAPageGivesTheBookItsControlsBack) {
    for (const PanelChange change : {PanelChange::ClosePage, PanelChange::LeaveForUpdate}) {
        SCOPED_TRACE(static_cast<int>(change));
        const PanelView v = PanelChangeView(change);
        for (const PanelControl book : {PanelControl::Memo2, PanelControl::ListBox1, PanelControl::ScrollBox1})
            EXPECT_EQ(Shown(v, book), std::optional<bool>(true));
        EXPECT_EQ(v.panelPage, std::optional<std::string>(""));
    }
    // Closing the help page leaves the update panel's gauge alone: an installation may be showing on it.
    EXPECT_FALSE(Shown(PanelChangeView(PanelChange::ClosePage), PanelControl::Gauge2).has_value());
    // The update panel always opens with its list, status line and gauge.
    const PanelView open = PanelChangeView(PanelChange::OpenUpdatePanel);
    for (const PanelControl c : {PanelControl::ListBox10, PanelControl::Label15, PanelControl::Gauge2})
        EXPECT_EQ(Shown(open, c), std::optional<bool>(true));
}

TEST(Panels, OnlyTheOptionsAndTheHelpPageLieOverTheBookArea) {
    EXPECT_TRUE(PageOverBookArea(kPanelOptions));
    EXPECT_TRUE(PageOverBookArea(kPanelHelp));
    for (const char* page : {kPanelBookPage, "", kOptionsUpdatePage, kUpdatePanelOpen, "Options"})
        EXPECT_FALSE(PageOverBookArea(page)) << page;
    // Each page a change opens is judged by the text the change sets.
    EXPECT_TRUE(PageOverBookArea(*PanelChangeView(PanelChange::OpenOptions).panelPage));
    EXPECT_TRUE(PageOverBookArea(*PanelChangeView(PanelChange::OpenHelp).panelPage));
    EXPECT_FALSE(PageOverBookArea(*PanelChangeView(PanelChange::OpenBookPage).panelPage));
    EXPECT_FALSE(PageOverBookArea(*PanelChangeView(PanelChange::ClosePage).panelPage));
}
