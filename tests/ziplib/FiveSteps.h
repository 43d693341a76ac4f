// The five steps the programs run over an archive (file name, open, base folder, extract "*.*",
// close) with an archiver set as theirs, whose failure event records each failure and answers
// it; and the tree an extraction leaves, for comparing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "platform/Unicode.h"
#include "ziplib/TZipArchiver.h"

namespace ziptest {

// Every file and folder under root, by relative path: the file's bytes, or "<dir>"; nothing
// when root does not exist.
inline std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
    std::map<std::string, std::string> t;
    if (!std::filesystem::exists(root)) return t;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::string rel = std::filesystem::relative(e.path(), root).string();
        t[rel] = e.is_directory() ? "<dir>" : testsupport::ReadFile(e.path());
    }
    return t;
}

struct Failure {
    std::string name;  // as the event has it, '\' separators
    int32_t code;
    std::string message;
};

struct Extractor {
    ziplib::TZipArchiver zip;
    std::vector<Failure> failures;
    ziplib::TZAAction answer = ziplib::TZAAction::fxaIgnore;

    Extractor() {
        zip.Name = "ZipArchiver1";
        zip.OnProcessFileFailure = [this](ziplib::TZABaseArchiver&, const std::u16string& name,
                                          ziplib::TZAProcessOperation, int32_t code, int32_t,
                                          const std::u16string& message, ziplib::TZAAction& action) {
            failures.push_back({platform::Utf16ToUtf8(name), code, platform::Utf16ToUtf8(message)});
            action = answer;
        };
    }

    // The five steps; with `test` the items are tested instead of written.
    void Run(const std::filesystem::path& archive, const std::filesystem::path& base, bool test = false) {
        zip.FileName = WinName(archive);
        zip.OpenArchive();
        zip.BaseDir = WinName(base);
        if (test) zip.TestFiles(u"*.*", ziplib::kSearchEveryItem, u"");
        else zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
        zip.CloseArchive();
    }

    std::vector<std::string> FailedNames() const {
        std::vector<std::string> names;
        for (const Failure& f : failures) names.push_back(f.name);
        return names;
    }
};

}  // namespace ziptest
