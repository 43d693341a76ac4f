#include "UpdateCheck.h"

#include <ctime>
#include <optional>

#include "platform/IniFile.h"
#include "platform/TextFile.h"

namespace viewer {

std::string LogTime(int hour, int minute, int second) {
    return std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second);
}

std::string LogTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return LogTime(local.tm_hour, local.tm_min, local.tm_sec);
}

std::string LineAt(const std::vector<std::string>& lines, size_t index) {
    return index < lines.size() ? lines[index] : std::string();
}

namespace {

// A counter of update.lasx as the platform's integer conversion reads it; the description
// names the copy and the counter for the log when it is not a number.
std::optional<int32_t> Counter(const std::vector<std::string>& lines, size_t index, std::string_view description,
                               std::string& failure) {
    const std::string text = LineAt(lines, index);
    const auto value = platform::ParseInt32(text);
    if (!value) failure = std::string(description) + " is not a number: \"" + ShownText(text) + "\"";
    return value;
}

}  // namespace

std::string ShownText(std::string_view text, size_t max) {
    size_t chars = 0, at = 0;
    for (; at < text.size(); ++at) {
        // Count characters at their first byte, so a cut never splits one.
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && chars++ == max) break;
    }
    if (at >= text.size()) return std::string(text);
    return std::string(text.substr(0, at)) + "...";
}

std::string UpdateInfoProblem(std::string_view bytes) {
    const std::string prefix = "The server's update.lasx is not an update information file: ";
    if (bytes.find('\0') != std::string_view::npos) return prefix + "it is not text.";
    const std::vector<std::string> lines = platform::SplitLines(bytes);
    if (lines.size() <= kLineProgramVersion)
        return prefix + "it ends after " + std::to_string(lines.size()) + " lines.";
    const std::string date = lines[kLineBaseDate];
    if (date.size() != 8 || date.find_first_not_of("0123456789") != std::string::npos)
        return prefix + "its base date \"" + ShownText(date) + "\" is not eight digits.";
    for (const auto& [line, what] : {std::pair{kLineDocsCounter, "document counter"}, {kLineBaseCounter, "database counter"}})
        if (!platform::ParseInt32(lines[line]))
            return prefix + "its " + what + " \"" + ShownText(lines[line]) + "\" is not a number.";
    if (lines[kLineProgramVersion].empty()) return prefix + "its version line is empty.";
    return {};
}

UpdateCheckOutcome RunUpdateCheck(const UpdateCheckInput& in) {
    UpdateCheckOutcome out;
    out.docsUpdateAvailable = in.docsUpdateAvailable;
    out.baseUpdateAvailable = in.baseUpdateAvailable;
    bool programNotice = in.programNoticeShown;

    if (in.serverLines.size() >= 2) {
        if (in.checkBase) {
            const auto serverDocs =
                Counter(in.serverLines, kLineDocsCounter, "the server's document counter", out.failure);
            if (!serverDocs) return out;
            const auto localDocs = Counter(in.localLines, kLineDocsCounter, "the local document counter", out.failure);
            if (!localDocs) return out;
            if (*serverDocs > *localDocs && in.docsFolderExists) {
                out.docsUpdateAvailable = true;
                out.showBaseNotice = true;
                out.logTexts.emplace_back(kLogAvailable);
            }
            const auto serverBase =
                Counter(in.serverLines, kLineBaseCounter, "the server's database counter", out.failure);
            if (!serverBase) return out;
            const auto localBase = Counter(in.localLines, kLineBaseCounter, "the local database counter", out.failure);
            if (!localBase) return out;
            if (*serverBase > *localBase) {
                out.baseUpdateAvailable = true;
                out.showBaseNotice = true;
                out.logTexts.emplace_back(kLogAvailable);
            }
        }
        // A copy cut short before its version line names no version: that is no new program.
        const std::string version = LineAt(in.serverLines, kLineProgramVersion);
        if (in.checkProgram && !version.empty() && version != in.programVersion && !out.docsUpdateAvailable) {
            out.showProgramNotice = true;
            programNotice = true;
            out.logTexts.emplace_back(kLogAvailable);
        }
    }
    if (!out.docsUpdateAvailable && !out.baseUpdateAvailable && !programNotice) out.logTexts.emplace_back(kLogNothing);
    return out;
}

}  // namespace viewer
