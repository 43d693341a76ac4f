// The program folder's help folder, where the pages' links and pictures live.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace viewer {

// The file a page's "openfile" or "drawimg" argument names: ProgramDir + "\help\" + the
// argument, in the program's path form. An argument that could lead outside the folder
// (absolute, a drive or server name, a ".." part) names nothing, nor does an empty one.
std::optional<std::string> HelpFile(const std::string& programDir, std::string_view argument);

// The help start page.
std::string HelpIndexPage(const std::string& programDir);

}  // namespace viewer
