// The unpack step on many small files: an archive of N files of 1 KiB in one folder (10,000 by
// default, made by Info-ZIP zip -6) is unpacked into a fresh installation and over one that
// already holds every file. Our unpack is timed whole and by phase (extraction into the
// scratch folder; the plan, checks and moves into place; the removal of the scratch folder
// with the replaced files it kept), beside unzip, bsdtar and 7z
// extracting the same archive straight into a folder. Then the window unpacks it through the
// install chain while a 5 ms timer measures how late the window's event loop answers.
// Each figure: median, minimum and maximum over the rounds, with the load average beside.
//   bench_unpack [files] [rounds]
#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "EventLoopProbe.h"
#include "Installation.h"
#include "TForm1.h"
#include "ZipTool.h"
#include "unpack/UnpackArchive.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string LoadAverage() {
    std::ifstream f("/proc/loadavg");
    double a = 0, b = 0, c = 0;
    f >> a >> b >> c;
    char text[64];
    std::snprintf(text, sizeof text, "load %.2f %.2f %.2f", a, b, c);
    return text;
}

struct Figures {
    std::vector<double> v;
    void Print(const char* what, const char* target = "") const {
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        std::printf("  %-34s median %8.1f ms  min %8.1f  max %8.1f   %s %s\n", what, s[s.size() / 2], s.front(),
                    s.back(), LoadAverage().c_str(), target);
    }
};

void MakeTree(const fs::path& root, size_t files, char fill) {
    std::string body(1024, fill);
    for (size_t i = 0; i < files; ++i) {
        std::ofstream f(root / "docs" / ("story " + std::to_string(i) + ".rtf"), std::ios::binary);
        body[0] = static_cast<char>('a' + i % 26);
        f << body;
    }
}

double TimeTool(const std::vector<std::string>& args, const fs::path& dir) {
    const auto start = Clock::now();
    if (testsupport::RunTool(args, dir) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    return Ms(Clock::now() - start);
}

// A fresh installation, empty or holding an older copy of every file of the archive.
fs::path FreshInstallation(const fs::path& where, const std::string& name, size_t files, bool withOldFiles) {
    const fs::path dir = where / name;
    fs::remove_all(dir);
    fs::create_directories(dir / "docs");
    if (withOldFiles) MakeTree(dir, files, 'o');
    return dir;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const size_t files = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    testsupport::TempDir work;
    fs::create_directories(work / "src/docs");
    MakeTree(work / "src", files, 'n');
    const fs::path archive = work / "docs.zip";
    if (testsupport::RunTool({"zip", "-q", "-r", "-6", archive.string(), "docs"}, work / "src") != 0) {
        std::fprintf(stderr, "zip failed\n");
        return 1;
    }
    std::printf("%zu files of 1 KiB in one folder, %d rounds, %s\n", files, rounds, LoadAverage().c_str());

    for (const bool replace : {false, true}) {
        std::printf("%s\n", replace ? "over an installation that has every file:" : "into an installation without them:");
        Figures whole, extraction, placing, cleanup, unzip, bsdtar, sevenzip;
        for (int r = 0; r < rounds; ++r) {
            const fs::path dir = FreshInstallation(work.path(), "ours", files, replace);
            fs::copy_file(archive, dir / "docs.zip");
            Clock::time_point extracted{}, placed{};
            const auto start = Clock::now();
            unpack::UnpackArchive((dir / "docs.zip").string(), dir.string(), [&](int permille) {
                if (permille >= 900 && extracted == Clock::time_point{}) extracted = Clock::now();
                if (permille == 1000) placed = Clock::now();
            });
            const auto end = Clock::now();
            whole.v.push_back(Ms(end - start));
            extraction.v.push_back(Ms(extracted - start));
            placing.v.push_back(Ms(placed - extracted));
            cleanup.v.push_back(Ms(end - placed));

            const fs::path u = FreshInstallation(work.path(), "unzip", files, replace);
            unzip.v.push_back(TimeTool({"unzip", "-o", "-qq", archive.string(), "-d", u.string()}, u));
            const fs::path b = FreshInstallation(work.path(), "bsdtar", files, replace);
            bsdtar.v.push_back(TimeTool({"bsdtar", "-xf", archive.string(), "-C", b.string()}, b));
            const fs::path z = FreshInstallation(work.path(), "7z", files, replace);
            sevenzip.v.push_back(TimeTool({"7z", "x", "-y", "-bd", "-o" + z.string(), archive.string()}, z));
        }
        whole.Print("unpack step, whole");
        extraction.Print("  extraction into the scratch folder");
        placing.Print("  plan, checks, moves into place", "(target < 1000 ms)");
        cleanup.Print("  removal of the scratch folder");
        unzip.Print("unzip -o");
        bsdtar.Print("bsdtar -x");
        sevenzip.Print("7z x");
    }

    // The window unpacks the archive through the install chain while a 5 ms timer ticks.
    testsupport::Installation inst;
    inst.WriteMinimal();
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
    fs::copy_file(archive, inst.dir() / "docs.zip");
    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    viewerbench::EventLoopProbe probe;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.Working()) app.quit();
    });
    form.Chain.DocsUpdateFound();
    (void)form.Chain.AcceptDataUpdate();  // the archive written above stands for its download
    viewer::DownloadResult done;
    done.name = "docs.zip";
    done.destFile = inst.dir() / "docs.zip";
    done.ok = true;
    const auto start = Clock::now();
    probe.Start();
    watch.start();
    form.DownLoaderTerminate(done);
    QApplication::exec();
    const double took = Ms(Clock::now() - start);
    const bool installed = fs::exists(inst.dir() / "docs" / ("story " + std::to_string(files - 1) + ".rtf"));
    std::printf("window: unpacked in %.1f ms (%s), gauge at %d of %d, %s\n", took, installed ? "installed" : "NOT installed",
                form.Gauge2->value(), form.Gauge2->maximum(), LoadAverage().c_str());
    probe.Print();
    return installed ? 0 : 1;
}
