// The two sets the archive benchmarks run on, made from this machine's own text (/usr/share,
// /usr/include) and programs with fixed seeds, so every run on one machine sees the same bytes:
//   a) about 1 GB of text as 20,000 files of log-uniform sizes in 1,000 folders (10 x 100);
//   b) three 200 MiB files: text, program binaries, random data.
// A scale below 1 shrinks both, for a quick look.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace benchsupport {

namespace fs = std::filesystem;

inline std::vector<fs::path> FilesUnder(const std::vector<std::string>& roots, bool (*take)(const fs::path&)) {
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

inline bool IsText(const fs::path& p) {
    static const char* ext[] = {".txt", ".html", ".xml", ".py", ".pl", ".pm", ".c", ".h", ".hpp", ".md", ".css",
                                ".js", ".json", ".sh", ".conf", ".rst", ".tex", ".el", ".po", ".svg", ".inc", ".tcl"};
    const std::string e = p.extension().string();
    return std::any_of(std::begin(ext), std::end(ext), [&](const char* x) { return e == x; });
}

inline bool IsProgram(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    char m[4] = {};
    f.read(m, 4);
    return f && m[0] == 0x7F && m[1] == 'E' && m[2] == 'L' && m[3] == 'F';
}

// The files' contents joined up to `want` bytes, repeated when they are fewer.
inline std::string Pool(const std::vector<fs::path>& files, std::size_t want) {
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

inline std::string TextPool(double scale) {
    const std::size_t need = static_cast<std::size_t>((200u << 20) * scale) + (64u << 20);
    return Pool(FilesUnder({"/usr/share", "/usr/include"}, IsText), std::max<std::size_t>(need, 256u << 20));
}

inline std::string ProgramPool(double scale) {
    return Pool(FilesUnder({"/usr/bin", "/usr/lib/x86_64-linux-gnu", "/usr/lib"}, IsProgram),
                static_cast<std::size_t>((200u << 20) * scale));
}

inline void WriteBytes(const fs::path& p, std::string_view bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Set a below root/tree.
inline void MakeTreeA(const fs::path& root, double scale, const std::string& text) {
    const int files = std::max(100, static_cast<int>(20000 * scale));
    const std::size_t total = static_cast<std::size_t>(1e9 * scale);
    std::mt19937_64 gen(20240601);
    std::vector<double> raw(static_cast<std::size_t>(files));
    std::uniform_real_distribution<double> u(std::log(512.0), std::log(300000.0));
    double sum = 0;
    for (auto& r : raw) sum += (r = std::exp(u(gen)));
    fs::remove_all(root);
    for (int i = 0; i < files; ++i) {
        const std::size_t n = static_cast<std::size_t>(raw[static_cast<std::size_t>(i)] / sum * static_cast<double>(total));
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, text.size() - n - 1)(gen);
        const int folder = i % 1000;
        char rel[64];
        std::snprintf(rel, sizeof rel, "t%d/s%02d/file%05d.txt", folder / 100, folder % 100, i);
        WriteBytes(root / "tree" / rel, std::string_view(text).substr(at, n));
    }
}

// Set b in root: text.txt, programs.bin, random.bin.
inline void MakeTreeB(const fs::path& root, double scale, const std::string& text, const std::string& programs) {
    const std::size_t n = static_cast<std::size_t>((200u << 20) * scale);
    fs::remove_all(root);
    WriteBytes(root / "text.txt", std::string_view(text).substr(0, n));
    WriteBytes(root / "programs.bin", std::string_view(programs).substr(0, n));
    std::string random(n, '\0');
    std::mt19937_64 gen(7);
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        const std::uint64_t v = gen();
        std::memcpy(&random[i], &v, 8);
    }
    WriteBytes(root / "random.bin", random);
}

// Makes the sets once: when `ready` is false, `make` gets the text and program pools, and then
// this program starts afresh with the same arguments, since a child's peak memory includes the
// peak of the process it was started from, and this one held the pools. Returns only when the
// sets were there already.
inline void MakeSetsOnce(char** argv, double scale, bool ready,
                         const std::function<void(const std::string& text, const std::string& programs)>& make) {
    if (ready) return;
    make(TextPool(scale), ProgramPool(scale));
    std::fflush(stdout);
    ::execv(fs::canonical("/proc/self/exe").c_str(), argv);
    throw std::runtime_error("cannot start again after making the sets");
}


}  // namespace benchsupport
