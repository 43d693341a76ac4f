// The unpack step on many small files: an archive of N files of 1 KiB in one folder (10,000 by
// default, made by Info-ZIP zip -6) is unpacked into a fresh installation and over one that
// already holds every file. Our unpack is timed whole and by phase (extraction into the
// scratch folder; the plan, checks and moves into place; the removal of the scratch folder
// with the replaced files it kept), beside unzip, bsdtar and 7z
// extracting the same archive straight into a folder. Then the window unpacks it through the
// install chain while a 5 ms timer measures how late the window's event loop answers. Last,
// an update killed before its last move (7,655 moves by default) is undone at the next start:
// by the roll-back alone, and by the window, which starts while it runs, with the same timer
// measuring how late the window answers meanwhile.
// Each figure: median, minimum and maximum over the rounds, with the load average beside.
//   bench_unpack [files] [rounds] [moves]
#include <QApplication>
#include <QLabel>
#include <QListWidget>
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
#include "KilledUnpack.h"
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

// An archive of `files` new files of 1 KiB in docs/, made by zip -6.
fs::path MakeArchive(const fs::path& work, const std::string& name, size_t files) {
    const fs::path src = work / (name + ".src");
    fs::create_directories(src / "docs");
    MakeTree(src, files, 'n');
    const fs::path archive = work / name;
    if (testsupport::RunTool({"zip", "-q", "-r", "-6", archive.string(), "docs"}, src) != 0) {
        std::fprintf(stderr, "zip failed\n");
        std::exit(1);
    }
    return archive;
}

// An installation the window starts in (no automatic check), holding an older copy of every
// file of `archive`, whose update a kill cut off before its last move: every move but that one
// is to be put back.
void KilledUpdate(const testsupport::Installation& inst, const fs::path& archive, size_t files) {
    inst.WriteMinimal();
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
    fs::create_directories(inst.dir() / "docs");
    MakeTree(inst.dir(), files, 'o');
    fs::copy_file(archive, inst.dir() / "docs.zip");
    // The docs folder's own move comes first, then one a file.
    if (!testsupport::UnpackKilledAt((inst.dir() / "docs.zip").string(), inst.dir(), files)) {
        std::fprintf(stderr, "the update was not killed before its last move\n");
        std::exit(1);
    }
}

// Every file of the installation is its older copy again.
bool UndoneWhole(const testsupport::Installation& inst, size_t files) {
    for (size_t i = 0; i < files; ++i) {
        std::ifstream f(inst.dir() / "docs" / ("story " + std::to_string(i) + ".rtf"), std::ios::binary);
        std::string body;
        std::getline(f, body);
        if (body.size() != 1024 || body[1] != 'o') return false;
    }
    return true;
}

// The window unpacks the archive through the install chain while a 5 ms timer ticks.
bool WindowUnpacks(QApplication& app, const fs::path& archive, size_t files) {
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
    form.DocsUpdateFound();
    viewer::DownloadResult done;  // the archive copied above stands for its download
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
    return installed;
}

// Start-up after the killed update: the roll-back alone, then the window starting on it.
bool StartupRollBack(QApplication& app, const fs::path& work, size_t files, int rounds) {
    const fs::path archive = MakeArchive(work, "rollback.zip", files);
    std::printf("start-up after an update of %zu files killed before its last move (%zu moves to put back), %s:\n",
                files, files, LoadAverage().c_str());
    Figures alone, window, answer;
    bool whole = true;
    for (int r = 0; r < rounds; ++r) {
        {
            testsupport::Installation inst;
            KilledUpdate(inst, archive, files);
            const auto start = Clock::now();
            const unpack::Recovery recovery = unpack::RecoverInterrupted(inst.dir().string());
            alone.v.push_back(Ms(Clock::now() - start));
            whole = whole && recovery.Notice() == unpack::kUndoneNotice && UndoneWhole(inst, files);
        }
        testsupport::Installation inst;
        KilledUpdate(inst, archive, files);
        viewerbench::EventLoopProbe probe;
        QTimer watch;
        watch.setInterval(1);
        const auto start = Clock::now();
        TForm1 form;
        form.show();
        QCoreApplication::processEvents();  // its first paint, as in any start
        // Only while the roll-back runs: the rest of start-up follows on the window's thread.
        probe.Start([&] { return form.Working(); });
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!form.Working()) app.quit();
        });
        watch.start();
        QApplication::exec();
        window.v.push_back(Ms(Clock::now() - start));
        answer.v.push_back(probe.AnsweredWithinMs());
        whole = whole && UndoneWhole(inst, files) && form.ListBox8->count() == 2 &&
                form.Label15->text() == QStringLiteral("Status: ") + QString::fromUtf8(unpack::kUndoneNotice);
    }
    alone.Print("roll-back alone");
    window.Print("window: start-up to its end");
    answer.Print("window: answered within, meanwhile", "(target <= 100 ms)");
    if (!whole) std::printf("the update was NOT undone whole\n");
    return whole;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const size_t files = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const size_t rollBackFiles = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 7655;

    testsupport::TempDir work;
    const fs::path archive = MakeArchive(work.path(), "docs.zip", files);
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

    const bool installed = WindowUnpacks(app, archive, files);
    const bool undone = StartupRollBack(app, work.path(), rollBackFiles, rounds);
    return installed && undone ? 0 : 1;
}
