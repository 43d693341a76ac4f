// Extraction speed and memory of the archiver against the peers, on archives made by
// Info-ZIP zip -6 from this machine's own text (/usr/share, /usr/include) and programs, with a
// fixed seed, and on their AES-256 versions made by 7z a -tzip -mem=AES256:
//   a) about 1 GB of text as 20,000 files in 1,000 folders;
//   b) three 200 MiB files: text, program binaries, random data (stored);
//   c) 100,000 files of 1 KiB in 100 folders, for what is held per item (no AES version).
// For each archive, warm cache, every tool in turn within each round (so a change in the
// machine's load falls on all of them), and before every run of every tool its output folder on
// tmpfs (/dev/shm by default) is wiped and made again, so each starts from the same state:
//   test      TestFiles: every item decoded and checked, output discarded (vs unzip -p and
//             libzip's ziptool cat, to /dev/null)
//   extract   the five steps the programs run (file name, open, base folder, ExtractFiles "*.*",
//             close): path guard, temporary file beside the target, rename on success, time and
//             mode (vs unzip -o, bsdtar, 7z x)
// Figures are the median, minimum and maximum of the rounds; the ratio is of medians. Each run
// is its own process, so its peak resident memory is its own. The load average is printed
// before and after. On set c, the time per item and the peaks are what counts.
//   bench_extract [--scale F] [--runs N] [--dir D] [--out T] [--sets plain|aes|items|all]
//       (F < 1 shrinks both corpora, for a quick look; T is where the output goes, a tmpfs)
//   bench_extract test|extract ARCHIVE [OUTDIR [PASSWORD]]   (what the timed child processes run)
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
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

namespace fs = std::filesystem;

namespace {

constexpr double kTargetRatio = 0.6;     // plain sets: of the fastest peer
constexpr double kAesTargetRatio = 0.5;  // AES sets: of 7-Zip
const char* const kPassword = "bench secret";
constexpr double kMemoryLimitMiB = 64;
constexpr double kItemsMemoryLimitMiB = 40;    // set c, 100,000 items
constexpr double kMicrosecondsPerItem = 41;    // set c, extraction

// ---- What the timed children run: the archiver's own steps.

int RunChild(const std::string& mode, const std::string& archive, const std::string& outDir,
             const std::string& password) {
    ziplib::TZipArchiver zip;
    zip.SetPassword(password);
    zip.FileName = ziplib::NativeToWidePath(fs::absolute(archive).string());
    zip.OpenArchive();
    if (mode == "test") {
        zip.TestFiles(u"*.*", ziplib::kSearchEveryItem, u"");
    } else {
        zip.BaseDir = ziplib::NativeToWidePath(fs::absolute(outDir).string());
        zip.ExtractFiles(u"*.*", ziplib::kSearchEveryItem, u"");
    }
    zip.CloseArchive();
    if (!zip.BatchSucceeded()) std::fprintf(stderr, "%d items failed: %s\n", zip.FailedCount, zip.LastError.c_str());
    return zip.BatchSucceeded() ? 0 : 2;
}

// ---- Corpora.

int Shell(const std::string& cmd) { return std::system(cmd.c_str()); }

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

// a) the text set, zipped by Info-ZIP.
fs::path MakeCorpusA(const fs::path& work, double scale, const std::string& text) {
    const fs::path zip = work / "a.zip";
    if (fs::exists(zip)) return zip;
    const fs::path root = work / "a-src";
    benchsupport::MakeTreeA(root, scale, text);
    if (Shell("cd " + Quote(root) + " && zip -q -r -6 -X " + Quote(zip) + " tree") != 0)
        throw std::runtime_error("zip failed");
    fs::remove_all(root);
    return zip;
}

// b) the three large files, zipped by Info-ZIP; the random file stored.
fs::path MakeCorpusB(const fs::path& work, double scale, const std::string& text, const std::string& programs) {
    const fs::path zip = work / "b.zip";
    if (fs::exists(zip)) return zip;
    const fs::path root = work / "b-src";
    benchsupport::MakeTreeB(root, scale, text, programs);
    if (Shell("cd " + Quote(root) + " && zip -q -6 -X " + Quote(zip) + " text.txt programs.bin && zip -q -0 -X " +
              Quote(zip) + " random.bin") != 0)
        throw std::runtime_error("zip failed");
    fs::remove_all(root);
    return zip;
}

// c) the many small files, zipped by Info-ZIP.
fs::path MakeCorpusC(const fs::path& work, double scale, const std::string& text) {
    const fs::path zip = work / "c.zip";
    if (fs::exists(zip)) return zip;
    const fs::path root = work / "c-src";
    fs::remove_all(root);
    const int files = std::max(1000, static_cast<int>(100000 * scale));
    constexpr std::size_t kSize = 1024;
    for (int i = 0; i < files; ++i) {
        char rel[64];
        std::snprintf(rel, sizeof rel, "items/f%02d/item%06d.txt", i % 100, i);
        const std::size_t at = static_cast<std::size_t>(i) * 7919 % (text.size() - kSize);
        benchsupport::WriteBytes(root / rel, std::string_view(text).substr(at, kSize));
    }
    if (Shell("cd " + Quote(root) + " && zip -q -r -6 -X " + Quote(zip) + " items") != 0)
        throw std::runtime_error("zip failed");
    fs::remove_all(root);
    return zip;
}

// The AES-256 versions of a and b, made by 7-Zip from their extracted trees.
fs::path MakeAesVersion(const fs::path& work, const fs::path& plain) {
    const fs::path zip = work / ("aes-" + plain.filename().string());
    if (fs::exists(zip)) return zip;
    const fs::path root = work / "aes-src";
    fs::remove_all(root);
    fs::create_directories(root);
    if (Shell("cd " + Quote(root) + " && unzip -q " + Quote(plain) + " && 7z a -tzip -mem=AES256 -p" + Quote(kPassword) +
              " " + Quote(zip) + " . >/dev/null") != 0)
        throw std::runtime_error("7z failed");
    fs::remove_all(root);
    return zip;
}

// ---- Timing.

using benchsupport::Figure;
using benchsupport::Have;
using benchsupport::Time;

enum class Kind { Engine, Extract };

struct Tool {
    std::string name;
    std::vector<std::string> args;  // {OUT}, {ZIP}, {PW} and {CATS} are replaced
    Kind kind;
    bool ours;
    bool readsAes;
    bool stdoutToNull;
};

struct Result {
    const Tool* tool;
    std::vector<double> seconds;
    double peakMiB = 0;
    bool ok = true;
};

// The arguments "cat 0 cat 1 ..." that make ziptool write every item to its output.
std::vector<std::string> CatEveryItem(const fs::path& zip) {
    ziplib::TZipArchiver a;
    a.FileName = ziplib::NativeToWidePath(zip.string());
    a.OpenArchive();
    int n = 0;
    ziplib::TZAArchiveItem item;
    for (bool more = a.FindFirst(u"*.*", item, u"", ziplib::kSearchEveryItem); more; more = a.FindNext(item)) ++n;
    a.CloseArchive();
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) {
        v.push_back("cat");
        v.push_back(std::to_string(i));
    }
    return v;
}

std::vector<std::string> ArgsFor(const Tool& t, const fs::path& zip, const fs::path& out, bool aes,
                                 const std::vector<std::string>& cats) {
    std::vector<std::string> args;
    for (auto a : t.args) {
        if (a == "{CATS}") {
            args.insert(args.end(), cats.begin(), cats.end());
            continue;
        }
        if (a == "{PW}" || a == "-p{PW}" || a == "--passphrase") {
            if (!aes) continue;
            if (a == "{PW}") a = kPassword;
            if (a == "-p{PW}") a = std::string("-p") + kPassword;
        }
        if (a == "set_password" && !aes) continue;
        if (a == "{ZIP}") a = zip.string();
        if (a == "{OUT}") a = out.string();
        if (a.rfind("-o{OUT}", 0) == 0) a = "-o" + out.string();
        args.push_back(a);
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && (std::string(argv[1]) == "test" || std::string(argv[1]) == "extract"))
        return benchsupport::ChildMain(
            [&] { return RunChild(argv[1], argv[2], argc > 3 ? argv[3] : ".", argc > 4 ? argv[4] : ""); });
    const benchsupport::SetOptions options = benchsupport::StartRun(argc, argv, "vb-bench-extract");
    const double scale = options.scale;
    const int runs = options.runs;
    const fs::path& work = options.work;
    const fs::path& outRoot = options.out;
    const auto chosen = options.other.find("--sets");
    const std::string sets = chosen == options.other.end() ? "all" : chosen->second;
    fs::create_directories(work);
    const std::string self = fs::canonical("/proc/self/exe").string();

    std::printf("corpora in %s (made once, then reused); output in %s\n", work.c_str(), outRoot.c_str());
    const fs::path a = work / "a.zip", b = work / "b.zip", c = work / "c.zip";
    const bool large = sets != "items", small = sets == "all" || sets == "items";
    benchsupport::MakeSetsOnce(argv, scale, (!large || (fs::exists(a) && fs::exists(b))) && (!small || fs::exists(c)),
                               [&](const std::string& text, const std::string& programs) {
                                   if (large) MakeCorpusA(work, scale, text), MakeCorpusB(work, scale, text, programs);
                                   if (small) MakeCorpusC(work, scale, text);
                               });
    std::vector<std::pair<fs::path, bool>> archives;  // path, AES
    if (sets == "all" || sets == "plain") archives.push_back({a, false}), archives.push_back({b, false});
    if (sets == "all" || sets == "items") archives.push_back({c, false});
    if (sets == "all" || sets == "aes") {
        if (!Have("7z") || !Have("unzip")) throw std::runtime_error("7z and unzip make the AES sets");
        archives.push_back({MakeAesVersion(work, a), true});
        archives.push_back({MakeAesVersion(work, b), true});
    }

    const std::vector<Tool> tools = {
        {"test (ours, output discarded)", {self, "test", "{ZIP}", ".", "{PW}"}, Kind::Engine, true, true, false},
        {"unzip -p > /dev/null", {"unzip", "-p", "{ZIP}"}, Kind::Engine, false, false, true},
        {"ziptool cat > /dev/null", {"ziptool", "{ZIP}", "{CATS}"}, Kind::Engine, false, false, true},
        {"extract (ours, to files)", {self, "extract", "{ZIP}", "{OUT}", "{PW}"}, Kind::Extract, true, true, false},
        {"unzip -o", {"unzip", "-q", "-o", "{ZIP}", "-d", "{OUT}"}, Kind::Extract, false, false, true},
        {"bsdtar -xf", {"bsdtar", "-xf", "{ZIP}", "--passphrase", "{PW}"}, Kind::Extract, false, true, true},
        {"7z x", {"7z", "x", "-y", "-p{PW}", "-o{OUT}", "{ZIP}"}, Kind::Extract, false, true, true},
    };
    const fs::path out = outRoot / "vb-bench-extract-out";
    int missed = 0;
    benchsupport::PrintLoadAverage("before");
    for (const auto& [zip, aes] : archives) {
        std::printf("\n%s (%.1f MiB archive%s), %d rounds\n", zip.filename().c_str(),
                    static_cast<double>(fs::file_size(zip)) / (1 << 20), aes ? ", AES-256" : "", runs);
        const bool perItem = zip == c;
        std::vector<Result> results;
        for (const auto& t : tools) {
            if (!t.ours && !Have(t.args[0].c_str())) continue;
            // ziptool names each item on its command line, too long for a system call at 100,000.
            if (perItem && t.args[0] == "ziptool") continue;
            // unzip has no AES; libzip's ziptool takes 7-Zip's AES items (vendor version 2,
            // CRC 0) for damaged.
            if (aes && !t.readsAes) continue;
            results.push_back({&t, {}, 0, true});
        }
        const std::vector<std::string> cats = CatEveryItem(zip);
        for (int r = 0; r < runs; ++r) {
            for (auto& res : results) {
                fs::remove_all(out);
                fs::create_directories(out);
                const Figure f = Time(ArgsFor(*res.tool, zip, out, aes, cats), out, res.tool->stdoutToNull);
                res.seconds.push_back(f.seconds);
                res.peakMiB = std::max(res.peakMiB, f.peakMiB);
                res.ok = res.ok && f.ok;
            }
        }
        fs::remove_all(out);
        const auto median = [](const Result& r) { return benchsupport::SpreadOf(r.seconds).median; };
        double fastestEngine = 1e30, fastestExtract = 1e30, sevenZip = 1e30;
        for (const auto& r : results) {
            if (r.tool->ours || !r.ok) continue;
            double& slot = r.tool->kind == Kind::Engine ? fastestEngine : fastestExtract;
            slot = std::min(slot, median(r));
            if (r.tool->args[0] == "7z") sevenZip = median(r);
        }
        std::printf("  %-32s %8s %8s %8s %9s %7s\n", "", "median s", "min s", "max s", "peak MiB", "ratio");
        for (const auto& r : results) {
            const auto sp = benchsupport::SpreadOf(r.seconds);
            const double against = aes && r.tool->kind == Kind::Extract ? sevenZip
                                   : r.tool->kind == Kind::Engine   ? fastestEngine
                                                                    : fastestExtract;
            char ratio[16] = "      -";  // no peer of that kind reads this archive
            if (against < 1e30) std::snprintf(ratio, sizeof ratio, "%7.2f", sp.median / against);
            std::printf("  %-32s %8.3f %8.3f %8.3f %9.1f %s%s\n", r.tool->name.c_str(), sp.median, sp.min, sp.max,
                        r.peakMiB, ratio, r.ok ? "" : "  (FAILED)");
        }
        for (const auto& r : results) {
            if (!r.tool->ours || r.tool->kind != Kind::Extract) continue;
            if (perItem) {
                const double us = median(r) * 1e6 / static_cast<double>(cats.size() / 2);
                const bool fast = r.ok && us <= kMicrosecondsPerItem;
                const bool small = r.peakMiB <= kItemsMemoryLimitMiB;
                std::printf("  target: at most %.0f us per item (%.1f): %s; peak at most %.0f MiB (%.1f): %s\n",
                            kMicrosecondsPerItem, us, fast ? "met" : "MISSED", kItemsMemoryLimitMiB, r.peakMiB,
                            small ? "met" : "MISSED");
                missed += !fast + !small;
                continue;
            }
            const double limit = aes ? kAesTargetRatio * sevenZip : kTargetRatio * fastestExtract;
            const bool fast = r.ok && median(r) <= limit;
            const bool small = r.peakMiB < kMemoryLimitMiB;
            if (aes)
                std::printf("  target: extraction at most %.1f x 7-Zip's time (%.3f s): %s; peak below %.0f MiB: %s\n",
                            kAesTargetRatio, sevenZip, fast ? "met" : "MISSED", kMemoryLimitMiB, small ? "met" : "MISSED");
            else
                std::printf("  target: extraction at most %.1f x the fastest peer (%.3f s): %s; peak below %.0f MiB: %s\n",
                            kTargetRatio, fastestExtract, fast ? "met" : "MISSED", kMemoryLimitMiB, small ? "met" : "MISSED");
            missed += !fast + !small;
        }
    }
    benchsupport::PrintLoadAverage("after");
    return missed ? 1 : 0;
}
