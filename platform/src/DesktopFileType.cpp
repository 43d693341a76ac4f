#include "platform/DesktopFileType.h"

#include <system_error>

#include "platform/FileError.h"
#include "platform/Process.h"
#include "platform/TextFile.h"
#include "platform/XdgDirs.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

std::string XmlText(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Bare(const std::string& extension) { return extension.starts_with(".") ? extension.substr(1) : extension; }

}  // namespace

std::string DesktopMimeType(const DesktopFileType& type) { return "application/x-" + Bare(type.extension); }

fs::path DesktopMimePackage(const DesktopFileType& type) {
    return XdgDataHome() / "mime" / "packages" / (type.className + ".xml");
}

std::string RegisterDesktopFileType(const DesktopFileType& type) {
    std::string problems;
    const fs::path package = DesktopMimePackage(type);
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
        XmlText(DesktopMimeType(type)) +
        "\">\n"
        "    <comment>" +
        XmlText(type.description) +
        "</comment>\n"
        "    <glob pattern=\"*." +
        XmlText(Bare(type.extension)) +
        "\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    try {
        std::error_code ec;
        fs::create_directories(package.parent_path(), ec);
        WriteFileAtomically(package, xml);
        RunTool("update-mime-database", {(XdgDataHome() / "mime").string()});
    } catch (const FileError& e) {
        problems = e.what();
    }

    if (type.newEmptyFile) {
        const auto templates = UserTemplatesDir();
        std::error_code ec;
        if (templates && fs::is_directory(*templates, ec)) {
            const fs::path file = *templates / (type.description + type.extension);
            if (!fs::exists(file, ec)) {
                try {
                    WriteFileAtomically(file, "");
                } catch (const FileError& e) {
                    if (!problems.empty()) problems += " ";
                    problems += e.what();
                }
            }
        }
    }
    return problems;
}

}  // namespace platform
