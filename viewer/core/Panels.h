// The floating panels of the main window (the options and page panel, the update panel) and
// what each change of them shows, hides and empties, with the page texts the handlers test.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace viewer {

// Page texts of the panels.
inline constexpr const char* kPanelOptions = "options";
inline constexpr const char* kPanelHelp = "help";
inline constexpr const char* kPanelBookPage = "listbooks";
inline constexpr const char* kOptionsUpdatePage = "updateopt";
inline constexpr const char* kUpdatePanelOpen = "update";

enum class PanelChange {
    OpenOptions,      // the options page on its "Skins" sub-page, over the book
    OpenHelp,         // the help page over the book
    ClosePage,        // the options or the help page closes: back to the book
    ShowSkinsPage,    // the options page's sub-pages
    ShowUpdateOptions,
    OpenBookPage,     // the list-of-books page over the details grid and the description
    CloseBookPage,
    LeaveForUpdate,   // "Download stories for reading": the options panel gives way to the book
    OpenUpdatePanel,  // with its what's-new list, status line and gauge
    CloseUpdatePanel, // cancelled, or the data update ended
};

// The controls a change touches, by their design names.
enum class PanelControl {
    Panel1, ImagePlus5, StringGrid1, Memo2, ListBox1, ScrollBox1,
    GroupBox1, CheckBox1, CheckBox2, Label16, Label17, ListBox11,
    Panel3, ListBox10, Label15, Gauge2,
};

struct PanelView {
    std::vector<std::pair<PanelControl, bool>> visible;  // shown (and raised, for a panel) or hidden, in order
    std::vector<PanelControl> emptied;                   // lists whose items go
    // New page texts; nullopt leaves one as it is.
    std::optional<std::string> panelPage;        // PanelPage of Panel1
    std::optional<std::string> optionsPage;      // OptionsPage
    std::optional<std::string> updatePanelPage;  // UpdatePanelPage of Panel3
};

PanelView PanelChangeView(PanelChange change);

// The options or the help page is shown on Panel1 (its PanelPage): the page with its close
// button on the chrome, over the whole book area. The list-of-books page is neither.
bool PageOverBookArea(std::string_view panelPage);

}  // namespace viewer
