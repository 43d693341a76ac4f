// Shared by the benchmarks that drive the viewer's window: times and their summary, and the
// window opened offscreen on an installation made by vb_make_installation.
#pragma once

#include <QApplication>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "TForm1.h"

namespace viewerbench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
    double median = 0, p90 = 0, max = 0;
};

inline Stats Summarise(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.p90 = v[std::min(v.size() - 1, v.size() * 9 / 10)];
    s.max = v.back();
    return s;
}

inline void Settle() { QCoreApplication::processEvents(); }

// Before the QApplication: the run's registry stays inside the installation, the start-up
// update check asks a port on this machine where nobody listens, windows go offscreen.
inline void PrepareRun(const std::filesystem::path& install) {
    ::setenv("XDG_CONFIG_HOME", (install / ".bench-config").c_str(), 1);
    ::setenv("VANTORBOOKS_UPDATE_SERVER", "http://127.0.0.1:1", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::filesystem::current_path(install);
}

// The window, shown and settled; error boxes are counted in `errors` and printed instead
// (the first five). Null, with a message, when the folder holds no catalog.
inline std::unique_ptr<TForm1> OpenViewer(const std::filesystem::path& install, int& errors) {
    viewerui::SetDialogSinkForTesting([&errors](const QString&, const QString& text) {
        if (errors++ < 5) std::fprintf(stderr, "error box: %s\n", qPrintable(text));
    });
    auto form = std::make_unique<TForm1>();
    form->show();
    Settle();
    if (form->ListBox8->count() == 0) {
        std::fprintf(stderr, "no categories: is %s an installation?\n", install.c_str());
        return nullptr;
    }
    return form;
}

// A benchmark of the window on an installation made by vb_make_installation, as its command
// line names it: "PROGRAM INSTALL_DIR [--OPTION N]". The run is prepared and the window
// opened; `form` is null (and the reason printed) when that failed.
class InstallationRun {
public:
    InstallationRun(int& argc, char** argv, const char* option, int count)
        : install_(Parse(argc, argv, option, count)), app_(argc, argv) {
        if (!install_.empty()) form = OpenViewer(install_, errors_);
    }
    // The option's value, at least 1, or the default given.
    int count() const { return count_; }
    int errors() const { return errors_; }
    // What the run ends with: the error boxes counted, and the exit status.
    int Finish() const {
        if (errors_) std::printf("%d error boxes were raised\n", errors_);
        return errors_ ? 1 : 0;
    }

private:
    std::filesystem::path Parse(int argc, char** argv, const char* option, int count) {
        count_ = count;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);  // the application is made in any case
        if (argc < 2) {
            std::fprintf(stderr, "usage: %s INSTALL_DIR [%s N]\n", argv[0], option);
            return {};
        }
        const std::filesystem::path install = std::filesystem::absolute(argv[1]);
        if (argc >= 4 && std::string(argv[2]) == option) count_ = std::max(1, std::atoi(argv[3]));
        PrepareRun(install);
        return install;
    }
    int count_ = 0;
    int errors_ = 0;
    std::filesystem::path install_;
    QApplication app_;

public:
    std::unique_ptr<TForm1> form;  // goes before the application does
};

}  // namespace viewerbench
