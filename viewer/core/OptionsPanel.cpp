#include "OptionsPanel.h"

#include "Chrome.h"
#include "Panels.h"

namespace viewer {

Toggle TogglePage(bool panelShown, std::string_view shownPage, std::string_view page) {
    const std::string_view other = page == kPanelOptions ? kPanelHelp : kPanelOptions;
    if (!panelShown || shownPage == other) return Toggle::Open;
    if (shownPage == page) return Toggle::Close;
    return Toggle::Nothing;
}

Box OptionsPanelPlace(Point edit3, int windowWidth, int memo2Bottom, int stringGrid3Top) {
    return {edit3.x, edit3.y, windowWidth - 20, memo2Bottom - stringGrid3Top - 50};
}

OptionsPageGeometry LayOutOptionsPage(Size image, int titleLineHeight, Size cancelButton) {
    const int w = image.width, h = image.height;
    OptionsPageGeometry g;
    g.menuFrame = Edges(15, 50, 215, h - 80);
    g.contentFrame = Edges(230, 50, w - 15, h - 80);
    g.skinsEntry = Edges(18, 53, 212, 113);
    g.updateEntry = Edges(18, 115, 212, 175);
    g.menuBelow = Edges(18, 177, 212, 237);
    g.skinsCaption = {38, 83};
    g.updateCaption = {38, 145};
    g.title = {10, titleLineHeight / 2};
    g.cancelButton = {w - 25 - cancelButton.width, h - 25 - cancelButton.height};
    return g;
}

OptionsEntry EntryAt(int x, int y) {
    if (x <= 38 || x >= 238) return OptionsEntry::None;
    if (53 < y && y < 112) return OptionsEntry::Skins;
    if (113 < y && y < 173) return OptionsEntry::Update;
    return OptionsEntry::None;
}

bool InDragCorner(Size image, int x, int y) { return x >= image.width - 30 && y <= 35; }

bool InDragStrip(Size image, int titleLineHeight, int x, int y) {
    return y < titleLineHeight && !InDragCorner(image, x, y);
}

UpdateOptionPlaces PlaceUpdateOptions(int checkBox1Height, int checkBox2Height, int label16Height) {
    constexpr int left = 245;
    UpdateOptionPlaces p;
    p.checkBox1 = {left, 70};
    p.checkBox2 = {left, p.checkBox1.y + checkBox1Height + 10};
    p.label16 = {left, p.checkBox2.y + checkBox2Height + 10};
    p.label17 = {left, p.label16.y + label16Height + 20};
    p.listBox11 = {left, p.label17.y + 25, 300, 200};
    return p;
}

Box PlaceSkinGroup(Size image) { return {245, 70, image.width - 245 - 30, image.height - 70 - 130}; }

OptionsPanelMouse::Outcome OptionsPanelMouse::Press(bool leftButton, int x, int y, const Input& in) {
    Outcome out;
    if (InDragStrip(in.image, in.titleLineHeight, x, y)) {
        dragging_ = leftButton;
        if (leftButton) {
            out.dragBegins = true;
            grab_ = {x, y};
        }
    }
    if (in.pageShown) {
        switch (EntryAt(x, y)) {
            case OptionsEntry::Skins: out.subPage = kOptionsSkinsPage; break;
            case OptionsEntry::Update: out.subPage = kOptionsUpdatePage; break;
            case OptionsEntry::None: break;
        }
    }
    return out;
}

OptionsPanelMouse::Outcome OptionsPanelMouse::Move(int x, int y, const Input& in) const {
    Outcome out;
    if (dragging_ && !InDragCorner(in.image, x, y)) out.moveBy = Point{x - grab_.x, y - grab_.y};
    return out;
}

OptionsPanelMouse::Outcome OptionsPanelMouse::Release(int x, int y, const Input& in) {
    Outcome out;
    out.dragEnded = dragging_;
    dragging_ = false;
    const Point cancel = LayOutOptionsPage(in.image, in.titleLineHeight, in.cancelButton).cancelButton;
    out.close = !out.dragEnded && in.pageShown && in.ownCloseButton && InButton(cancel, in.cancelButton, x, y);
    return out;
}

}  // namespace viewer
