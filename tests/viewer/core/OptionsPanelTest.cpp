// Guards the options and help panel's own rules: which toggle opens, switches or closes which
// page, the panel's place and the options page's geometry, the menu zones at their edges, and
// the drag by the title line: started only by a left press outside the top-right corner,
// followed outside that corner, ended by any release (also one outside the title line), and
// the painted cancel button that closes the panel.
#include <gtest/gtest.h>

#include "OptionsPanel.h"
#include "Panels.h"

using namespace viewer;

TEST(OptionsPanel, TogglesOpenSwitchAndCloseTheirPages) {
    struct Case {
        bool shown;
        const char* page;
        Toggle options, help;
    };
    const Case cases[] = {
        {false, "", Toggle::Open, Toggle::Open},
        {false, "options", Toggle::Open, Toggle::Open},  // hidden by another way: opens again
        {true, "options", Toggle::Close, Toggle::Open},
        {true, "help", Toggle::Open, Toggle::Close},
        {true, "listbooks", Toggle::Nothing, Toggle::Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shown ? "shown " : "hidden ") + c.page);
        EXPECT_EQ(TogglePage(c.shown, c.page, kPanelOptions), c.options);
        EXPECT_EQ(TogglePage(c.shown, c.page, kPanelHelp), c.help);
    }
}

TEST(OptionsPanel, PlaceAndGeometry) {
    // The quick-search box at (10, 50), a 1000 px window, the text box ending at 730.
    EXPECT_EQ(OptionsPanelPlace({10, 50}, 1000, 730, 50), (Box{10, 50, 980, 630}));
    const OptionsPageGeometry g = LayOutOptionsPage({980, 630}, 26, {20, 22});
    EXPECT_EQ(g.menuFrame, Edges(15, 50, 215, 550));
    EXPECT_EQ(g.contentFrame, Edges(230, 50, 965, 550));
    EXPECT_EQ(g.skinsEntry, Edges(18, 53, 212, 113));
    EXPECT_EQ(g.updateEntry, Edges(18, 115, 212, 175));
    EXPECT_EQ(g.title, (Point{10, 13}));
    EXPECT_EQ(g.cancelButton, (Point{980 - 25 - 20, 630 - 25 - 22}));
    EXPECT_EQ(PlaceSkinGroup({980, 630}), (Box{245, 70, 705, 430}));
    const UpdateOptionPlaces u = PlaceUpdateOptions(17, 17, 13);
    EXPECT_EQ(u.checkBox2, (Point{245, 97}));
    EXPECT_EQ(u.label16, (Point{245, 124}));
    EXPECT_EQ(u.label17, (Point{245, 157}));
    EXPECT_EQ(u.listBox11, (Box{245, 182, 300, 200}));
}

TEST(OptionsPanel, MenuZonesAreStrict) {
    struct Case {
        int x, y;
        OptionsEntry want;
    };
    const Case cases[] = {
        {39, 54, OptionsEntry::Skins},  {237, 111, OptionsEntry::Skins}, {38, 80, OptionsEntry::None},
        {238, 80, OptionsEntry::None},  {100, 53, OptionsEntry::None},   {100, 112, OptionsEntry::None},
        {100, 113, OptionsEntry::None}, {100, 114, OptionsEntry::Update}, {100, 172, OptionsEntry::Update},
        {100, 173, OptionsEntry::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(EntryAt(c.x, c.y), c.want);
    }
}

TEST(OptionsPanel, DragByTheTitleLine) {
    const OptionsPanelMouse::Input in{{980, 630}, 26, {20, 22}, true, true};
    OptionsPanelMouse mouse;

    // A press in the top-right corner neither starts a drag nor picks an entry.
    EXPECT_FALSE(mouse.Press(true, 960, 10, in).dragBegins);
    EXPECT_FALSE(mouse.Dragging());
    // A right press in the title line starts nothing and ends a drag under way.
    EXPECT_FALSE(mouse.Press(false, 100, 10, in).dragBegins);
    EXPECT_FALSE(mouse.Dragging());

    OptionsPanelMouse::Outcome out = mouse.Press(true, 100, 10, in);
    EXPECT_TRUE(out.dragBegins);
    EXPECT_TRUE(mouse.Dragging());
    EXPECT_EQ(mouse.Move(130, 5, in).moveBy, std::optional<Point>(Point{30, -5}));
    EXPECT_EQ(mouse.Move(960, 20, in).moveBy, std::nullopt) << "the corner pauses the drag";
    // Released below the title line: the drag ends all the same, and the panel is shown anew.
    out = mouse.Release(100, 300, in);
    EXPECT_TRUE(out.dragEnded);
    EXPECT_FALSE(out.close);
    EXPECT_FALSE(mouse.Dragging());
    EXPECT_EQ(mouse.Move(200, 10, in).moveBy, std::nullopt);
    // A release without a drag shows nothing anew.
    EXPECT_FALSE(mouse.Release(100, 10, in).dragEnded);
}

TEST(OptionsPanel, MenuEntriesAndTheCancelButton) {
    const OptionsPanelMouse::Input in{{980, 630}, 26, {20, 22}, true, true};
    OptionsPanelMouse mouse;
    EXPECT_EQ(mouse.Press(true, 100, 145, in).subPage, std::optional<std::string>("updateopt"));
    EXPECT_EQ(mouse.Press(true, 100, 83, in).subPage, std::optional<std::string>("skins"));
    EXPECT_FALSE(mouse.Press(true, 100, 300, in).subPage.has_value());
    OptionsPanelMouse::Input closed = in;
    closed.pageShown = false;
    EXPECT_FALSE(mouse.Press(true, 100, 145, closed).subPage.has_value());

    const Point cancel = LayOutOptionsPage(in.image, in.titleLineHeight, in.cancelButton).cancelButton;
    EXPECT_TRUE(mouse.Release(cancel.x + 10, cancel.y + 10, in).close);
    EXPECT_FALSE(mouse.Release(cancel.x, cancel.y + 10, in).close) << "on its border";
    // Where the chrome carries the page's close button, the page has none of its own.
    OptionsPanelMouse::Input chrome = in;
    chrome.ownCloseButton = false;
    EXPECT_FALSE(mouse.Release(cancel.x + 10, cancel.y + 10, chrome).close);
}
