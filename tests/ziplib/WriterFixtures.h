// Test support for the writing side: source files in a scratch folder, archives written from them
// through the library's entry for changes, read back through the library's own reader, and
// checked by other tools (unzip -t, 7z t, Python's zipfile).
#pragma once

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ArchiveFixtures.h"
#include "TempDir.h"
#include "Tools.h"
#include "archive/ArchiveChanges.h"
#include "platform/Unicode.h"
#include "ziplib/TMemoryStream.h"
#include "ziplib/TZipArchiver.h"

namespace writertest {

namespace fs = std::filesystem;
using ziptest::WinName;

using ziplib::kSearchEveryItem;

// Files (and folders, named with a trailing '/') below one base folder.
using Files = std::vector<std::pair<std::string, std::string>>;

inline void MakeFiles(const fs::path& base, const Files& files) {
    for (const auto& [rel, data] : files) {
        if (!rel.empty() && rel.back() == '/') fs::create_directories(base / rel);
        else testsupport::WriteFile(base / rel, data);
    }
}

// For the scope, a write that would take any file past `bytes` fails as on a full disk (EFBIG,
// without the signal that would end the process).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*handler_)(int) = nullptr;
};

// The files right in a folder, each with its size and a hash of its bytes: short to print.
inline std::map<std::string, std::string> FolderFiles(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        const std::string bytes = testsupport::ReadFile(e.path());
        out[e.path().filename().string()] =
            std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(bytes));
    }
    return out;
}

using Configure = std::function<void(ziplib::TZipArchiver&)>;

// A new archive of the given files below base, written through a commit that must succeed.
inline void WriteNew(const fs::path& zip, const fs::path& base, const Files& files, const Configure& configure = {}) {
    MakeFiles(base, files);
    ziplib::TZipArchiver a;
    a.FileName = WinName(zip);
    a.BaseDir = WinName(base);
    if (configure) configure(a);
    a.OpenArchive();
    ziplib::ArchiveChanges::Begin(a);
    for (const auto& [rel, data] : files) {
        std::string name = rel;
        if (!name.empty() && name.back() == '/') name.pop_back();
        EXPECT_GE(ziplib::ArchiveChanges::Add(a, WinName(base / name)), 0) << rel;
    }
    ziplib::ArchiveChanges::Commit(a);
    EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
    a.CloseArchive();
    EXPECT_EQ(a.LastError, "");
}

// Every item as our reader decodes it (folders as ""), after a test of the whole archive.
inline std::map<std::string, std::string> ReadBack(const fs::path& zip, const std::string& password = {}) {
    std::map<std::string, std::string> out;
    ziplib::TZipArchiver a;
    a.FileName = WinName(zip);
    a.SetPassword(password);
    a.OpenArchive();
    EXPECT_FALSE(a.DirectoryRecovered());
    a.TestFiles(u"*.*", kSearchEveryItem, u"");
    EXPECT_TRUE(a.BatchSucceeded()) << a.LastError;
    ziplib::TZAArchiveItem f;
    int index = 0;
    for (bool more = a.FindFirst(u"*.*", f, u"", kSearchEveryItem); more; more = a.FindNext(f), ++index) {
        std::u16string name = f.StoredPath + f.FileName;
        for (auto& c : name)
            if (c == u'\\') c = u'/';
        ziplib::TMemoryStream data;
        if (!(f.ExternalFileAttributes & 0x10)) a.ExtractItemToStream(f.InternalSearchRec.Index, data);
        else name += u'/';
        out[platform::Utf16ToUtf8(name)] = std::string(data.Bytes().begin(), data.Bytes().end());
    }
    a.CloseArchive();
    return out;
}

inline std::map<std::string, std::string> Expected(const Files& files) {
    std::map<std::string, std::string> m;
    for (const auto& [rel, data] : files) m[rel] = rel.back() == '/' ? std::string() : data;
    return m;
}

// The other tools' checks of a whole archive. unzip and Python's zipfile have no AES.
inline void ExpectToolsAccept(const fs::path& zip, const std::string& password = {}, bool aes = false) {
    const fs::path dir = zip.parent_path();
    if (!aes && testsupport::HaveTool("unzip")) {
        std::vector<std::string> args = {"unzip", "-tqq"};
        if (!password.empty()) args.insert(args.end(), {"-P", password});
        args.push_back(zip.string());
        EXPECT_EQ(testsupport::RunTool(args, dir), 0) << "unzip -t " << zip;
    }
    if (testsupport::HaveTool("7z")) {
        EXPECT_EQ(testsupport::RunTool({"7z", "t", "-p" + password, zip.string()}, dir), 0) << "7z t " << zip;
    }
    if (!aes && testsupport::HaveTool("python3")) {
        const std::string script =
            "import sys, zipfile\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "if sys.argv[2]: z.setpassword(sys.argv[2].encode())\n"
            "sys.exit(0 if z.testzip() is None else 1)\n";
        EXPECT_EQ(testsupport::RunTool({"python3", "-c", script, zip.string(), password}, dir), 0) << "zipfile " << zip;
    }
}

}  // namespace writertest
