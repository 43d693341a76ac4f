// Guards the About box's arithmetic and its clicks: its place in the window, the texts and
// where they stand, the product page link, and the hidden corner gesture.
#include <gtest/gtest.h>

#include "AboutBox.h"
#include "Identity.h"

using namespace viewer;

TEST(AboutBox, PlaceTextsAndLink) {
    EXPECT_EQ(AboutBoxPlace({600, 500}), (Point{64, 102}));
    EXPECT_EQ(AboutBoxPlace({1000, 760}), (Point{264, 232}));
    EXPECT_EQ(AboutBoxPlace({100, 100}), (Point{-186, -98}));  // halves truncated towards zero

    const AboutIdentity id{kProgramName, kProgramVersion, kProgramDate};
    const Rgb red{255, 0, 0}, lime{0, 255, 0};
    const std::vector<AboutLine> want = {
        {{207, 15}, red, "VantorBooks"},
        {{271, 87}, lime, "Ver.: 1.42"},
        {{271, 111}, lime, "August 19, 2018"},
        {{271, 135}, lime, "Company Vantor"},
        {{271, 159}, lime, kAuthorCredit},
        {{271, 183}, lime, kContactMail},
    };
    EXPECT_EQ(AboutLines(id, false), want);
    const auto alt = AboutLines(id, true);
    ASSERT_EQ(alt.size(), want.size());
    EXPECT_EQ(alt[4].text, kAuthorCreditAlt);
    EXPECT_NE(alt[4].text, want[4].text);

    EXPECT_EQ(AboutLinkCaption(), "vantorbooks.example.org/");
    EXPECT_EQ(AboutLinkAddress(AboutLinkCaption()), kWebsite);
}

TEST(AboutBox, CornerThenCreditZoneShowsTheOtherCredit) {
    constexpr int h = 297;
    AboutGesture g;
    // The credit zone without the corner first closes the box.
    EXPECT_EQ(g.Click(300, 165, h), AboutClick::Close);
    EXPECT_EQ(g.Click(5, 290, h), AboutClick::ArmCorner);
    EXPECT_TRUE(g.Armed());
    EXPECT_EQ(g.Click(300, 165, h), AboutClick::ShowAltCredit);
    EXPECT_FALSE(g.Armed());
    EXPECT_EQ(g.Click(300, 165, h), AboutClick::Close);  // once per arming
    // The zones' bounds are strict.
    for (const auto& [x, y] : {std::pair{270, 165}, {330, 165}, {300, 160}, {300, 170}}) {
        g.Click(5, 290, h);
        EXPECT_EQ(g.Click(x, y, h), AboutClick::Close) << x << "," << y;
    }
    AboutGesture edge;
    EXPECT_EQ(edge.Click(10, 290, h), AboutClick::Close);
    EXPECT_EQ(edge.Click(5, 287, h), AboutClick::Close);
}
