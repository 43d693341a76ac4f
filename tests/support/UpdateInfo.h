// A server's update.lasx made from an installation's: the document and database counters
// raised and the version line replaced, every other line kept.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

inline std::string RaisedUpdateInfo(const std::string& local, int docsBy, int baseBy, const std::string& version) {
    std::vector<std::string> lines;
    for (size_t start = 0, nl; (nl = local.find("\r\n", start)) != std::string::npos; start = nl + 2)
        lines.push_back(local.substr(start, nl - start));
    lines.resize(std::max<size_t>(lines.size(), 16));
    lines[8] = std::to_string(std::stoi(lines[8]) + docsBy);
    lines[12] = std::to_string(std::stoi(lines[12]) + baseBy);
    lines[15] = version;
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace testsupport
