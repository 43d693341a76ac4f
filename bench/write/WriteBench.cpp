// Writing speed and memory of the archiver against Info-ZIP zip -6 and 7z a -tzip -mmt=1, on the
// extraction benchmark's two sets as files on disk:
//   a) about 1 GB of text as 20,000 files in 1,000 folders;
//   b) three 200 MiB files: text, program binaries, random data.
// For each set, warm cache, every tool in turn within each round, each writing a new archive of
// the whole set to tmpfs (/dev/shm by default), removed before every run. Ours is the archiver's
// commit of a new archive with every file and folder added, deflated at mode 6 (what zip -6
// does) and at mode 1 (the archiver's own default). Each run is its own process, so its peak
// resident memory is its own. After the first round unzip -t and 7z t check our archives.
// Figures are the median, minimum and maximum of the rounds; the ratio is of medians against
// zip -6; the load average is printed before and after.
//   bench_write [--scale F] [--runs N] [--dir D] [--out T]
//       (F < 1 shrinks both sets, for a quick look; T is where the archives go, a tmpfs)
//   bench_write write SOURCE ARCHIVE MODE   (what the timed child processes run)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildTime.h"
#include "Corpora.h"
#include "SetOptions.h"
#include "Spread.h"
#include "archive/ArchiveChanges.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

namespace fs = std::filesystem;

namespace {

constexpr double kMemoryLimitMiB = 64;

// ---- What the timed children run: a new archive of every file and folder below source.

int RunChild(const fs::path& source, const fs::path& archive, int mode) {
    std::vector<fs::path> entries;
    for (const auto& e : fs::recursive_directory_iterator(source)) entries.push_back(e.path());
    std::sort(entries.begin(), entries.end());
    ziplib::TZipArchiver zip;
    zip.FileName = ziplib::NativeToWidePath(fs::absolute(archive).string());
    zip.BaseDir = ziplib::NativeToWidePath(fs::absolute(source).string());
    zip.SetCompressionMode(mode);
    zip.OpenArchive();
    ziplib::ArchiveChanges::Begin(zip);
    for (const auto& p : entries) ziplib::ArchiveChanges::Add(zip, ziplib::NativeToWidePath(fs::absolute(p).string()));
    ziplib::ArchiveChanges::Commit(zip);
    const bool ok = zip.FailedCount == 0 && !zip.Cancelled && !zip.Aborted;
    zip.CloseArchive();
    if (!ok || !zip.LastError.empty()) std::fprintf(stderr, "%d items failed: %s\n", zip.FailedCount, zip.LastError.c_str());
    return ok && zip.LastError.empty() ? 0 : 2;
}

struct Tool {
    std::string name;
    std::vector<std::string> args;  // {OUT} and {SRC} are replaced
    bool ours;
};

struct Result {
    const Tool* tool;
    std::vector<double> seconds;
    double peakMiB = 0;
    std::uintmax_t bytes = 0;
    bool ok = true;
    std::string checked = "-";
};

std::vector<std::string> ArgsFor(const Tool& t, const fs::path& src, const fs::path& out) {
    std::vector<std::string> v;
    for (const auto& a : t.args) v.push_back(a == "{OUT}" ? out.string() : a == "{SRC}" ? src.string() : a);
    return v;
}

bool Accepted(const fs::path& zip) {
    const std::string q = "'" + zip.string() + "'";
    return std::system(("unzip -tqq " + q + " >/dev/null 2>&1").c_str()) == 0 &&
           std::system(("7z t " + q + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "write")
        return benchsupport::ChildMain([&] { return RunChild(argv[2], argv[3], std::atoi(argv[4])); });
    const benchsupport::SetOptions o = benchsupport::StartRun(argc, argv, "vb-bench-write");
    const fs::path a = o.work / "a", b = o.work / "b";
    benchsupport::MakeSetsOnce(argv, o.scale, fs::exists(o.work / "ready"),
                               [&](const std::string& text, const std::string& programs) {
                                   benchsupport::MakeTreeA(a, o.scale, text);
                                   benchsupport::MakeTreeB(b, o.scale, text, programs);
                                   benchsupport::WriteBytes(o.work / "ready", "");
                               });
    const std::string self = fs::canonical("/proc/self/exe").string();

    std::printf("sets in %s (made once, then reused); archives in %s\n", o.work.c_str(), o.out.c_str());
    const std::vector<Tool> tools = {
        {"ours, mode 6", {self, "write", "{SRC}", "{OUT}", "6"}, true},
        {"ours, mode 1", {self, "write", "{SRC}", "{OUT}", "1"}, true},
        {"zip -6", {"zip", "-q", "-r", "-6", "-X", "{OUT}", "."}, false},
        {"7z a -tzip -mmt=1", {"7z", "a", "-tzip", "-mmt=1", "-bd", "{OUT}", "."}, false},
    };
    const fs::path out = o.out / "vb-bench-write-out.zip";
    int missed = 0;
    benchsupport::PrintLoadAverage("before");
    for (const fs::path& set : {a, b}) {
        std::printf("\nset %s, %d rounds\n", set.filename().c_str(), o.runs);
        std::vector<Result> results;
        for (const auto& t : tools)
            if (t.ours || benchsupport::Have(t.args[0].c_str())) results.push_back({&t, {}, 0, 0, true});
        for (int r = 0; r < o.runs; ++r) {
            for (auto& res : results) {
                fs::remove(out);
                const benchsupport::Figure f = benchsupport::Time(ArgsFor(*res.tool, set, out), set, true);
                res.seconds.push_back(f.seconds);
                res.peakMiB = std::max(res.peakMiB, f.peakMiB);
                res.ok = res.ok && f.ok;
                std::error_code ec;
                res.bytes = fs::file_size(out, ec);
                if (r == 0 && res.tool->ours) res.checked = Accepted(out) ? "accepted" : "REFUSED";
            }
        }
        fs::remove(out);
        double zip6 = 0;
        for (const auto& r : results)
            if (r.tool->name == "zip -6") zip6 = benchsupport::SpreadOf(r.seconds).median;
        std::printf("  %-20s %8s %8s %8s %9s %10s %7s  %s\n", "", "median s", "min s", "max s", "peak MiB", "MiB out",
                    "ratio", "unzip -t, 7z t");
        for (const auto& r : results) {
            const auto sp = benchsupport::SpreadOf(r.seconds);
            char ratio[16] = "      -";
            if (zip6 > 0) std::snprintf(ratio, sizeof ratio, "%7.2f", sp.median / zip6);
            std::printf("  %-20s %8.3f %8.3f %8.3f %9.1f %10.1f %s  %s%s\n", r.tool->name.c_str(), sp.median, sp.min,
                        sp.max, r.peakMiB, static_cast<double>(r.bytes) / (1 << 20), ratio, r.checked.c_str(),
                        r.ok ? "" : "  (FAILED)");
        }
        for (const auto& r : results) {
            if (r.tool->name != "ours, mode 6") continue;
            const bool fast = r.ok && zip6 > 0 && benchsupport::SpreadOf(r.seconds).median <= zip6;
            const bool small = r.peakMiB < kMemoryLimitMiB;
            const bool accepted = r.checked == "accepted";
            std::printf("  target: at most zip -6's time (%.3f s): %s; peak below %.0f MiB: %s; unzip -t and 7z t: %s\n",
                        zip6, fast ? "met" : "MISSED", kMemoryLimitMiB, small ? "met" : "MISSED",
                        accepted ? "met" : "MISSED");
            missed += !fast + !small + !accepted;
        }
    }
    benchsupport::PrintLoadAverage("after");
    return missed ? 1 : 0;
}
