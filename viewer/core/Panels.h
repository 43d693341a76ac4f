// The floating panels of the main window (the options and page panel, the update panel) and
// what each change of them shows, hides and empties, with the page texts the handlers test.
#pragma once

#include <optional>
#include <string>
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
    OpenOptions,      // the options panel on its update page, over the book's description and cover
    CloseOptions,     // back to the book
    OpenBookPage,     // the list-of-books page over the details grid and the description
    CloseBookPage,
    LeaveForUpdate,   // "Download stories for reading": the options panel gives way to the book
    OpenUpdatePanel,
    CloseUpdatePanel, // cancelled, or the data update ended
    ClosePageByButton,  // the close button under the options or help page: back to the book
};

// The controls a change touches, by their design names.
enum class PanelControl { Panel1, UpdatePage, StringGrid1, Memo2, ListBox1, ScrollBox1, Panel3, ListBox10, Gauge2, ListBox11 };

struct PanelView {
    std::vector<std::pair<PanelControl, bool>> visible;  // shown (and raised, for a panel) or hidden, in order
    std::vector<PanelControl> emptied;                   // lists whose items go
    // New page texts; nullopt leaves one as it is.
    std::optional<std::string> panelPage;        // PanelPage of Panel1
    std::optional<std::string> optionsPage;      // OptionsPage
    std::optional<std::string> updatePanelPage;  // UpdatePanelPage of Panel3
};

PanelView PanelChangeView(PanelChange change);

}  // namespace viewer
