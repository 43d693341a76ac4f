#include "UpdatePanel.h"

#include <algorithm>

#include "UpdateServer.h"

namespace viewer {

Box UpdatePanelPlace(Size window) {
    return {window.width / 2 - kUpdatePanelSize.width / 2, window.height / 2 - kUpdatePanelSize.height / 2,
            kUpdatePanelSize.width, kUpdatePanelSize.height};
}

UpdatePanelControls PlaceUpdatePanelControls(Size panel, int lineHeight) {
    UpdatePanelControls c;
    c.listBox10 = {20, 90, panel.width - 40, std::max(200 - lineHeight, 0)};
    c.label15 = {20, c.listBox10.bottom() + 10, panel.width - 40, 2 * lineHeight};
    c.gauge2 = {20, c.label15.bottom() + 10, panel.width - 40, 15};
    return c;
}

const char* WhatsNewFile(WhatsNew text) {
    return text == WhatsNew::Data ? kDataWhatsNewName : kProgramWhatsNewName;
}

std::optional<WhatsNew> WhatsNewOf(std::string_view selector) {
    if (selector == kDataWhatsNewName) return WhatsNew::Data;
    if (selector == kProgramWhatsNewName) return WhatsNew::Program;
    return std::nullopt;
}

WhatsNewTexts WhatsNewFailed(WhatsNew text, std::string_view reason, std::string_view cause) {
    const std::string what = std::string(WhatsNewFile(text)) + " could not be downloaded";
    return {"Status: What is new could not be downloaded" + (cause.empty() ? "" : ": " + std::string(cause)),
            " - What is new: " + what + (reason.empty() ? "" : ". " + std::string(reason))};
}

// The status line names no file: it has room for a short sentence only; the log says which.
WhatsNewTexts WhatsNewNotStarted(WhatsNew text) {
    const std::string busy = " was not fetched: another download is still running";
    return {"Status: What is new" + busy, " - " + std::string(WhatsNewFile(text)) + busy};
}

WhatsNewTexts AcceptRefused() {
    const std::string what = "Update not started: another download is still running";
    return {"Status: " + what, " - " + what};
}

Hit HitRect(Point at, Size size, int x, int y) {
    const int right = at.x + size.width, bottom = at.y + size.height;
    if (at.x < x && x < right && at.y < y && y < bottom) return Hit::Inside;
    if (x < at.x || x > right || y < at.y || y > bottom) return Hit::Outside;
    return Hit::Border;
}

void UpdatePanel::Requested(WhatsNew text, bool fetching) {
    offer_ = text;
    loaded_ = false;
    fetching_ = fetching;
}

bool UpdatePanel::Arrived(WhatsNew text) {
    if (!Awaits(text)) return false;
    fetching_ = false;
    loaded_ = true;
    return true;
}

bool UpdatePanel::Failed(WhatsNew text) {
    if (!Awaits(text)) return false;
    fetching_ = false;
    return true;
}

void UpdatePanel::Withdraw() {
    offer_.reset();
    loaded_ = false;
    fetching_ = false;
}

Point UpdatePanel::AcceptAt(Size panel, const UpdateButtonSizes& s) const {
    const Size shown = AcceptLive() ? s.update : s.updateNotLive;
    return {25, panel.height - 25 - shown.height};
}

Point UpdatePanel::CancelAt(Size panel, const UpdateButtonSizes& s) const {
    return {panel.width - 25 - s.cancel.width, panel.height - 25 - s.cancel.height};
}

std::vector<ButtonImage> UpdatePanel::AtRest(Size panel, const UpdateButtonSizes& s) const {
    return {{AcceptLive() ? "b_update" : "b_update_f", AcceptAt(panel, s)}, {"b_cansel", CancelAt(panel, s)}};
}

std::vector<ButtonImage> UpdatePanel::Moved(Size panel, const UpdateButtonSizes& s, int x, int y) const {
    std::vector<ButtonImage> out;
    const Point cancel = CancelAt(panel, s);
    switch (HitRect(cancel, s.cancel, x, y)) {
        case Hit::Inside: out.push_back({"b_cansel_a", cancel}); break;
        case Hit::Outside: out.push_back({"b_cansel", cancel}); break;
        case Hit::Border: break;
    }
    const Point accept = AcceptAt(panel, s);
    const bool live = AcceptLive();
    switch (HitRect(accept, live ? s.update : s.updateNotLive, x, y)) {
        case Hit::Inside: out.push_back({live ? "b_update_a" : "b_update_f_a", accept}); break;
        case Hit::Outside: out.push_back({live ? "b_update" : "b_update_f", accept}); break;
        case Hit::Border: break;
    }
    return out;
}

std::vector<ButtonImage> UpdatePanel::Pressed(Size panel, const UpdateButtonSizes& s, int x, int y) const {
    std::vector<ButtonImage> out;
    const Point cancel = CancelAt(panel, s);
    if (HitRect(cancel, s.cancel, x, y) == Hit::Inside) out.push_back({"b_cansel_p", cancel});
    const Point accept = AcceptAt(panel, s);
    const bool live = AcceptLive();
    if (HitRect(accept, live ? s.update : s.updateNotLive, x, y) == Hit::Inside)
        out.push_back({live ? "b_update_p" : "b_update_f", accept});
    return out;
}

UpdatePanel::Release UpdatePanel::Released(Size panel, const UpdateButtonSizes& s, int x, int y, bool busy,
                                           bool working) {
    Release r;
    const Point accept = AcceptAt(panel, s);
    if (AcceptLive() && HitRect(accept, s.update, x, y) == Hit::Inside) {
        if (working) {
            r.images.push_back({"b_update", accept});
            r.action = Action::Refused;
        } else {
            r.action = *offer_ == WhatsNew::Data ? Action::AcceptData : Action::AcceptProgram;
            Withdraw();  // taken: the button is no longer live
            r.images.push_back({"b_update_f", AcceptAt(panel, s)});
        }
    }
    const Point cancel = CancelAt(panel, s);
    if (HitRect(cancel, s.cancel, x, y) == Hit::Inside) {
        r.images.push_back({"b_cansel", cancel});
        if (!busy) {
            r.action = Action::Close;
            Withdraw();
        }
    }
    return r;
}

}  // namespace viewer
