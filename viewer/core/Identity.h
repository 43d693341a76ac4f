// The viewer's identity and the fixed names it shares with the updater.
#pragma once

namespace viewer {

inline constexpr const char* kProgramName = "VantorBooks";
inline constexpr const char* kProgramVersion = "1.42";
inline constexpr const char* kProgramBuild = "x5";
inline constexpr const char* kProgramDate = "August 19, 2018";
inline constexpr const char* kWebsite = "http://vantorbooks.example.org/";
// The author credit and the contact address that the program's own pages show.
inline constexpr const char* kAuthorCredit = "Программа: Vantor Company, 2018";
inline constexpr const char* kContactMail = "support@vantorbooks.example.org";
// The About box's other credit line, shown by its hidden corner gesture.
inline constexpr const char* kAuthorCreditAlt = "Спасибо всем читателям серии!";

// The company key below the user's "software" key, and the program's executable names.
inline constexpr const char* kCompanyKey = "Vantor Company";
inline constexpr const char* kViewerExecutable = "VantorBooks";
inline constexpr const char* kUpdaterFolder = "autoupdatevnbooks";
inline constexpr const char* kUpdaterExecutable = "VantorBooksUpdate";

}  // namespace viewer
