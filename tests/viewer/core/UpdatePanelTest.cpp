// Guards the update panel's own rules: its place and its controls' places, the strict hit test
// of its buttons (a border point is neither in nor out), the accept button live only for the
// what's-new text it waits for and taken by one accept, a text that answers a replaced or
// withdrawn request making nothing live, cancel inert while an installation runs, and an
// accept refused while another download runs keeping its offer.
#include <gtest/gtest.h>

#include "UpdatePanel.h"

using namespace viewer;
using Action = UpdatePanel::Action;

namespace {

constexpr Size kPanel{500, 400};
// b_update and b_update_f of one size, b_cansel of another, as the skins hold them.
constexpr UpdateButtonSizes kSizes{{60, 20}, {60, 20}, {20, 22}};
constexpr Point kAccept{25, 400 - 25 - 20};
constexpr Point kCancel{500 - 25 - 20, 400 - 25 - 22};
constexpr Point kInAccept{kAccept.x + 30, kAccept.y + 10};
constexpr Point kInCancel{kCancel.x + 10, kCancel.y + 10};

using Names_ = std::vector<std::string>;

Names_ Names(const std::vector<ButtonImage>& images) {
    std::vector<std::string> out;
    for (const auto& i : images) out.push_back(i.name);
    return out;
}

}  // namespace

TEST(UpdatePanel, PlaceAndControls) {
    EXPECT_EQ(UpdatePanelPlace({1000, 760}), (Box{250, 180, 500, 400}));
    EXPECT_EQ(UpdatePanelPlace({961, 641}), (Box{230, 120, 500, 400}));  // halves truncated
    // Two lines of status, the list a line shorter, the gauge where one line would put it.
    const UpdatePanelControls c = PlaceUpdatePanelControls(kPanel, 13);
    EXPECT_EQ(c.listBox10, (Box{20, 90, 460, 187}));
    EXPECT_EQ(c.label15, (Box{20, 287, 460, 26}));
    EXPECT_EQ(c.gauge2, (Box{20, 323, 460, 15}));
    EXPECT_EQ(WhatsNewOf("update_whatnew.txt"), std::optional<WhatsNew>(WhatsNew::Data));
    EXPECT_EQ(WhatsNewOf("updatevantorbooks_whatnew.txt"), std::optional<WhatsNew>(WhatsNew::Program));
    EXPECT_EQ(WhatsNewOf("update.lasx"), std::nullopt);
}

TEST(UpdatePanel, HitTestIsStrictInsideAndOutsideTheClosedRectangle) {
    const Point at{10, 20};
    const Size size{30, 10};
    struct Case {
        int x, y;
        Hit want;
    };
    const Case cases[] = {
        {11, 21, Hit::Inside},  {39, 29, Hit::Inside},   {10, 25, Hit::Border},  {40, 25, Hit::Border},
        {20, 20, Hit::Border},  {20, 30, Hit::Border},   {10, 20, Hit::Border},  {40, 30, Hit::Border},
        {9, 25, Hit::Outside},  {41, 25, Hit::Outside},  {20, 19, Hit::Outside}, {20, 31, Hit::Outside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(HitRect(at, size, c.x, c.y), c.want);
    }
}

TEST(UpdatePanel, AcceptIsLiveOnlyOnceItsTextArrived) {
    UpdatePanel panel;
    panel.Requested(WhatsNew::Data, true);
    EXPECT_EQ(panel.AtRest(kPanel, kSizes),
              (std::vector<ButtonImage>{{"b_update_f", kAccept}, {"b_cansel", kCancel}}));
    EXPECT_EQ(Names(panel.Moved(kPanel, kSizes, kInAccept.x, kInAccept.y)), (Names_{"b_cansel", "b_update_f_a"}));
    EXPECT_EQ(Names(panel.Pressed(kPanel, kSizes, kInAccept.x, kInAccept.y)), (Names_{"b_update_f"}));
    EXPECT_EQ(panel.Released(kPanel, kSizes, kInAccept.x, kInAccept.y, false, false).action, Action::None);

    EXPECT_FALSE(panel.Arrived(WhatsNew::Program)) << "the other text makes nothing live";
    EXPECT_FALSE(panel.AcceptLive());
    EXPECT_TRUE(panel.Arrived(WhatsNew::Data));
    EXPECT_EQ(Names(panel.AtRest(kPanel, kSizes)), (Names_{"b_update", "b_cansel"}));
    EXPECT_EQ(Names(panel.Moved(kPanel, kSizes, kInAccept.x, kInAccept.y)), (Names_{"b_cansel", "b_update_a"}));
    EXPECT_EQ(Names(panel.Pressed(kPanel, kSizes, kInAccept.x, kInAccept.y)), (Names_{"b_update_p"}));

    // A new request waits for its own text, whatever arrived before.
    panel.Requested(WhatsNew::Program, true);
    EXPECT_FALSE(panel.AcceptLive());
    EXPECT_TRUE(panel.Arrived(WhatsNew::Program));
    const UpdatePanel::Release r = panel.Released(kPanel, kSizes, kInAccept.x, kInAccept.y, false, false);
    EXPECT_EQ(r.action, Action::AcceptProgram);
    EXPECT_EQ(Names(r.images), (Names_{"b_update_f"}));
    // Taken: a second accept starts nothing.
    EXPECT_EQ(panel.Released(kPanel, kSizes, kInAccept.x, kInAccept.y, true, true).action, Action::None);
    EXPECT_FALSE(panel.Offer().has_value());
}

TEST(UpdatePanel, OnlyTheRequestThePanelWaitsForIsAnswered) {
    struct Case {
        const char* name;
        void (*after)(UpdatePanel&);  // what happened while the data text was on its way
        WhatsNew offer;               // what the panel offers then
    };
    const Case cases[] = {
        {"cancelled", [](UpdatePanel& p) { p.Withdraw(); }, WhatsNew::Data},
        {"replaced by a request that could not start",
         [](UpdatePanel& p) { p.Requested(WhatsNew::Program, false); }, WhatsNew::Program},
        {"asked again while it ran", [](UpdatePanel& p) { p.Requested(WhatsNew::Data, false); }, WhatsNew::Data},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdatePanel panel;
        panel.Requested(WhatsNew::Data, true);
        c.after(panel);
        EXPECT_FALSE(panel.Arrived(WhatsNew::Data));
        EXPECT_FALSE(panel.Arrived(WhatsNew::Program));
        EXPECT_FALSE(panel.AcceptLive());
        EXPECT_EQ(Names(panel.AtRest(kPanel, kSizes)), (Names_{"b_update_f", "b_cansel"}));
        panel.Requested(c.offer, true);  // asked once more, when nothing else runs
        EXPECT_TRUE(panel.Arrived(c.offer));
        EXPECT_TRUE(panel.AcceptLive());
    }
    // A failed text answers its request once; a second answer is no one's.
    UpdatePanel panel;
    panel.Requested(WhatsNew::Program, true);
    EXPECT_FALSE(panel.Failed(WhatsNew::Data));
    EXPECT_TRUE(panel.Failed(WhatsNew::Program));
    EXPECT_FALSE(panel.Arrived(WhatsNew::Program));
    EXPECT_FALSE(panel.AcceptLive());
}

TEST(UpdatePanel, AcceptWhileAnotherDownloadRunsIsRefusedAndKeepsTheOffer) {
    UpdatePanel panel;
    panel.Requested(WhatsNew::Data, true);
    ASSERT_TRUE(panel.Arrived(WhatsNew::Data));
    const UpdatePanel::Release refused = panel.Released(kPanel, kSizes, kInAccept.x, kInAccept.y, false, true);
    EXPECT_EQ(refused.action, Action::Refused);
    EXPECT_TRUE(panel.AcceptLive());
    EXPECT_EQ(panel.Released(kPanel, kSizes, kInAccept.x, kInAccept.y, false, false).action, Action::AcceptData);
}

TEST(UpdatePanel, CancelClosesOnlyWhileNoInstallationRuns) {
    struct Case {
        const char* name;
        Point at;
        bool busy;
        Action want;
        Names_ images;
    };
    const Case cases[] = {
        {"idle", kInCancel, false, Action::Close, {"b_cansel"}},
        {"installing: only the image", kInCancel, true, Action::None, {"b_cansel"}},
        {"on its border", {kCancel.x, kCancel.y + 5}, false, Action::None, {}},
        {"beside it", {kCancel.x - 1, kCancel.y + 5}, false, Action::None, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdatePanel panel;
        panel.Requested(WhatsNew::Data, true);
        const UpdatePanel::Release r = panel.Released(kPanel, kSizes, c.at.x, c.at.y, c.busy, c.busy);
        EXPECT_EQ(r.action, c.want);
        EXPECT_EQ(Names(r.images), c.images);
    }
    // On a border the hover changes no image.
    UpdatePanel panel;
    EXPECT_EQ(Names(panel.Moved(kPanel, kSizes, kCancel.x + 5, kCancel.y)), (Names_{"b_update_f"}));
    EXPECT_EQ(Names(panel.Moved(kPanel, kSizes, kInCancel.x, kInCancel.y)), (Names_{"b_cansel_a", "b_update_f"}));
}

TEST(UpdatePanel, TextsSayWhichFileAndWhy) {
    const WhatsNewTexts failed = WhatsNewFailed(WhatsNew::Program, "HTTP status 404", "the server answered 404");
    EXPECT_EQ(failed.status, "Status: What is new could not be downloaded: the server answered 404");
    EXPECT_EQ(failed.log, " - What is new: updatevantorbooks_whatnew.txt could not be downloaded. HTTP status 404");
    const WhatsNewTexts busy = WhatsNewNotStarted(WhatsNew::Data);
    EXPECT_EQ(busy.status, "Status: What is new was not fetched: another download is still running");
    EXPECT_EQ(busy.log, " - update_whatnew.txt was not fetched: another download is still running");
}
