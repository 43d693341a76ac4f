#include "AboutBox.h"

#include <string_view>

#include "Identity.h"

namespace viewer {

Point AboutBoxPlace(Size window) {
    return {window.width / 2 - kAboutPanel.width / 2, window.height / 2 - kAboutPanel.height / 2};
}

std::vector<AboutLine> AboutLines(const AboutIdentity& id, bool altCredit) {
    constexpr Rgb kRed{255, 0, 0}, kLime{0, 255, 0};
    return {
        {{207, 15}, kRed, id.name},
        {{271, 87}, kLime, "Ver.: " + id.version},
        {{271, 111}, kLime, id.date},
        {{271, 135}, kLime, "Company Vantor"},
        {{271, 159}, kLime, altCredit ? kAuthorCreditAlt : kAuthorCredit},
        {{271, 183}, kLime, kContactMail},
    };
}

std::string AboutLinkCaption() {
    std::string_view address = kWebsite;
    if (const auto scheme = address.find("://"); scheme != std::string_view::npos) address.remove_prefix(scheme + 3);
    return std::string(address);
}

std::string AboutLinkAddress(const std::string& caption) { return "http://" + caption; }

AboutClick AboutGesture::Click(int x, int y, int panelHeight) {
    if (x < 10 && y > panelHeight - 10) {
        armed_ = true;
        return AboutClick::ArmCorner;
    }
    if (270 < x && x < 330 && 160 < y && y < 170 && armed_) {
        armed_ = false;
        return AboutClick::ShowAltCredit;
    }
    return AboutClick::Close;
}

}  // namespace viewer
