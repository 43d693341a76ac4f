// A temporary viewer installation with its own registry: the current directory,
// $XDG_CONFIG_HOME and $XDG_DATA_HOME point into it for the test's scope, and dialogs are
// recorded, not shown.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "Dialogs.h"
#include "SkinFixture.h"
#include "TempDir.h"
#include "platform/CodePage.h"

namespace testsupport {

class Installation {
public:
    Installation()
        : installDir_(root_ / "install"),
          xdg_("XDG_CONFIG_HOME", (root_ / "config").string()),
          xdgData_("XDG_DATA_HOME", (root_ / "data").string()),
          server_("VANTORBOOKS_UPDATE_SERVER", kNoServer),
          cwd_(MakeDir(installDir_)) {
        viewerui::SetDialogSinkForTesting([this](const QString& kind, const QString& text) {
            dialogs.push_back((kind + QStringLiteral(": ") + text).toStdString());
        });
    }
    ~Installation() { viewerui::SetDialogSinkForTesting(nullptr); }

    const std::filesystem::path& dir() const { return installDir_; }
    std::filesystem::path configDir() const { return root_ / "config"; }
    std::filesystem::path dataDir() const { return root_ / "data"; }
    std::filesystem::path root() const { return root_.path(); }

    // Writes a text file of the installation from UTF-8, in code page 1251.
    void Write(const std::string& rel, const std::string& utf8) const {
        WriteFile(installDir_ / rel, platform::Utf8ToBytes(utf8));
    }
    std::string Read(const std::string& rel) const {
        return platform::BytesToUtf8(ReadFile(installDir_ / rel));
    }
    bool Exists(const std::string& rel) const { return std::filesystem::exists(installDir_ / rel); }

    // Update checks go to this server for the test's scope; by default to a loopback port where
    // nobody listens, so no test ever asks a server outside this machine.
    void UseUpdateServer(const std::string& base) const { ::setenv("VANTORBOOKS_UPDATE_SERVER", base.c_str(), 1); }
    static constexpr const char* kNoServer = "http://127.0.0.1:1";

    // Every bitmap of a skin (but those named in `without`) in skins/<name>/.
    void WriteSkin(const std::string& name, const std::set<std::string>& without = {}) const {
        WriteSkinBitmaps(installDir_ / "skins" / name, without);
    }

    // The smallest tree start-up reads: skin name, the skin's colours and bitmaps, categories,
    // base date, program file.
    void WriteMinimal() const {
        Write("skins/skin_select.txt", "Classic\r\n");
        Write("skins/Classic/color.ini", "[Editor]\r\nColortextRead=255\r\n");
        WriteSkin("Classic");
        Write("lang.txt", "Фантастика\r\nДетективы\r\n");
        Write("update.lasx", "VantorBooks\r\n1\r\n2\r\n20180802\r\n4\r\n5\r\n6\r\n7\r\n10\r\n9\r\n10\r\n11\r\n20\r\n13\r\n14\r\n1.42\r\n");
        Write("VantorBooks", "");
    }

    std::vector<std::string> dialogs;

private:
    static const std::filesystem::path& MakeDir(const std::filesystem::path& p) {
        std::filesystem::create_directories(p);
        return p;
    }
    TempDir root_;
    std::filesystem::path installDir_;
    EnvGuard xdg_;
    EnvGuard xdgData_;
    EnvGuard server_;
    CwdGuard cwd_;
};

}  // namespace testsupport
