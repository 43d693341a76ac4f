// Extraction speed and memory of the archiver against the peers, on archives made by
// Info-ZIP zip -6 from this machine's own text (/usr/share, /usr/include) and programs, with a
// fixed seed, and on their AES-256 versions made by 7z a -tzip -mem=AES256:
//   a) about 1 GB of text as 20,000 files in 1,000 folders;
//   b) three 200 MiB files: text, program binaries, random data (stored).
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
// before and after.
//   bench_extract [--scale F] [--runs N] [--dir D] [--out T] [--sets plain|aes|all]
//       (F < 1 shrinks both corpora, for a quick look; T is where the output goes, a tmpfs)
//   bench_extract test|extract ARCHIVE [OUTDIR [PASSWORD]]   (what the timed child processes run)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Spread.h"
#include "ziplib/TZipArchiver.h"
#include "ziplib/WideFiles.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr double kTargetRatio = 0.6;     // plain sets: of the fastest peer
constexpr double kAesTargetRatio = 0.5;  // AES sets: of 7-Zip
const char* const kPassword = "bench secret";
constexpr double kMemoryLimitMiB = 64;

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

std::vector<fs::path> FilesUnder(const std::vector<std::string>& roots, bool (*take)(const fs::path&)) {
    std::vector<fs::path> v;
    for (const auto& r : roots) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(r, fs::directory_options::skip_permission_denied, ec), end; it != end;
             it.increment(ec)) {
            if (ec) break;
            if (it->is_symlink(ec) || !it->is_regular_file(ec)) continue;
            if (take(it->path())) v.push_back(it->path());
        }
    }
    std::sort(v.begin(), v.end());
    return v;
}

bool IsText(const fs::path& p) {
    static const char* ext[] = {".txt", ".html", ".xml", ".py", ".pl", ".pm", ".c", ".h", ".hpp", ".md", ".css",
                                ".js", ".json", ".sh", ".conf", ".rst", ".tex", ".el", ".po", ".svg", ".inc", ".tcl"};
    const std::string e = p.extension().string();
    return std::any_of(std::begin(ext), std::end(ext), [&](const char* x) { return e == x; });
}

bool IsProgram(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    char m[4] = {};
    f.read(m, 4);
    return f && m[0] == 0x7F && m[1] == 'E' && m[2] == 'L' && m[3] == 'F';
}

// The files' contents joined, up to `limit` bytes, then repeated to `want` when short.
std::string Pool(const std::vector<fs::path>& files, std::size_t want) {
    std::string s;
    s.reserve(want);
    for (const auto& p : files) {
        if (s.size() >= want) break;
        std::ifstream f(p, std::ios::binary);
        s.append(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    if (s.empty()) throw std::runtime_error("no source files");
    while (s.size() < want) s.append(s, 0, std::min(s.size(), want - s.size()));
    s.resize(want);
    return s;
}

void Write(const fs::path& p, std::string_view bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

int Shell(const std::string& cmd) { return std::system(cmd.c_str()); }

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

// a) 20,000 files of log-uniform sizes scaled to ~1 GB in 1,000 folders (10 x 100).
fs::path MakeCorpusA(const fs::path& work, double scale, const std::string& text) {
    const fs::path zip = work / "a.zip";
    if (fs::exists(zip)) return zip;
    const int files = std::max(100, static_cast<int>(20000 * scale));
    const std::size_t total = static_cast<std::size_t>(1e9 * scale);
    std::mt19937_64 gen(20240601);
    std::vector<double> raw(static_cast<std::size_t>(files));
    std::uniform_real_distribution<double> u(std::log(512.0), std::log(300000.0));
    double sum = 0;
    for (auto& r : raw) sum += (r = std::exp(u(gen)));
    const fs::path root = work / "a-src";
    fs::remove_all(root);
    for (int i = 0; i < files; ++i) {
        const std::size_t n = static_cast<std::size_t>(raw[static_cast<std::size_t>(i)] / sum * static_cast<double>(total));
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, text.size() - n - 1)(gen);
        const int folder = i % 1000;
        char rel[64];
        std::snprintf(rel, sizeof rel, "t%d/s%02d/file%05d.txt", folder / 100, folder % 100, i);
        Write(root / "tree" / rel, std::string_view(text).substr(at, n));
    }
    if (Shell("cd " + Quote(root) + " && zip -q -r -6 -X " + Quote(zip) + " tree") != 0)
        throw std::runtime_error("zip failed");
    fs::remove_all(root);
    return zip;
}

// b) text, programs and random data of 200 MiB each; the random file stored.
fs::path MakeCorpusB(const fs::path& work, double scale, const std::string& text, const std::string& programs) {
    const fs::path zip = work / "b.zip";
    if (fs::exists(zip)) return zip;
    const std::size_t n = static_cast<std::size_t>((200u << 20) * scale);
    const fs::path root = work / "b-src";
    fs::remove_all(root);
    Write(root / "text.txt", std::string_view(text).substr(0, n));
    Write(root / "programs.bin", std::string_view(programs).substr(0, n));
    std::string random(n, '\0');
    std::mt19937_64 gen(7);
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        const std::uint64_t v = gen();
        std::memcpy(&random[i], &v, 8);
    }
    Write(root / "random.bin", random);
    if (Shell("cd " + Quote(root) + " && zip -q -6 -X " + Quote(zip) + " text.txt programs.bin && zip -q -0 -X " +
              Quote(zip) + " random.bin") != 0)
        throw std::runtime_error("zip failed");
    fs::remove_all(root);
    return zip;
}

// c, d) The AES-256 versions of a and b, made by 7-Zip from their extracted trees.
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

struct Figure {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = true;
};

Figure Time(const std::vector<std::string>& args, const fs::path& cwd, bool stdoutToNull) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
    if (stdoutToNull) posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid;
    Figure f;
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
        f.ok = false;
        return f;
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.peakMiB = static_cast<double>(ru.ru_maxrss) / 1024.0;
    f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    posix_spawn_file_actions_destroy(&fa);
    return f;
}

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

bool Have(const char* tool) {
    for (const char* dir : {"/usr/bin/", "/bin/", "/usr/local/bin/"})
        if (::access((std::string(dir) + tool).c_str(), X_OK) == 0) return true;
    return false;
}

// The arguments "cat 0 cat 1 ..." that make ziptool write every item to its output.
std::vector<std::string> CatEveryItem(const fs::path& zip) {
    ziplib::TZipArchiver a;
    a.FileName = ziplib::NativeToWidePath(zip.string());
    a.OpenArchive();
    int n = 0;
    ziplib::TZAArchiveItem item;
    for (bool more = a.FindFirst(u"*.*", item, u"", 10431); more; more = a.FindNext(item)) ++n;
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
    if (argc >= 3 && (std::string(argv[1]) == "test" || std::string(argv[1]) == "extract")) {
        try {
            return RunChild(argv[1], argv[2], argc > 3 ? argv[3] : ".", argc > 4 ? argv[4] : "");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    double scale = 1.0;
    int runs = 5;
    fs::path work = fs::temp_directory_path() / "vb-bench-extract";
    fs::path outRoot = "/dev/shm";
    std::string sets = "all";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--scale") scale = std::atof(argv[i + 1]);
        else if (a == "--runs") runs = std::atoi(argv[i + 1]);
        else if (a == "--dir") work = argv[i + 1];
        else if (a == "--out") outRoot = argv[i + 1];
        else if (a == "--sets") sets = argv[i + 1];
    }
    char scaleText[32];
    std::snprintf(scaleText, sizeof scaleText, "scale-%g", scale);
    work /= scaleText;
    fs::create_directories(work);
    const std::string self = fs::canonical("/proc/self/exe").string();

    std::printf("corpora in %s (made once, then reused); output in %s\n", work.c_str(), outRoot.c_str());
    const fs::path a = work / "a.zip", b = work / "b.zip";
    if (!fs::exists(a) || !fs::exists(b)) {
        // The pools go before anything is timed: a child's peak memory counts what it shared
        // with this process before it started its program.
        const std::size_t textNeed = static_cast<std::size_t>((200u << 20) * scale) + (64u << 20);
        const std::string text = Pool(FilesUnder({"/usr/share", "/usr/include"}, IsText), std::max<std::size_t>(textNeed, 256u << 20));
        MakeCorpusA(work, scale, text);
        const std::string programs = Pool(FilesUnder({"/usr/bin", "/usr/lib/x86_64-linux-gnu", "/usr/lib"}, IsProgram),
                                          static_cast<std::size_t>((200u << 20) * scale));
        MakeCorpusB(work, scale, text, programs);
        // Start afresh: a child's peak memory includes the peak of the process it was started
        // from, and this one held the pools.
        std::fflush(stdout);
        ::execv(self.c_str(), argv);
        return 1;
    }
    std::vector<std::pair<fs::path, bool>> archives;  // path, AES
    if (sets != "aes") archives.push_back({a, false}), archives.push_back({b, false});
    if (sets != "plain") {
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
        std::vector<Result> results;
        for (const auto& t : tools) {
            if (!t.ours && !Have(t.args[0].c_str())) continue;
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
