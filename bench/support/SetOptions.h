// The options both archive benchmarks take: --scale F (below 1 shrinks the sets, for a quick
// look), --runs N, --dir D (where the sets are kept, a folder per scale) and --out T (where the
// output goes, a tmpfs); any other "--name value" pair is kept for the benchmark itself. And the
// start of their timed children.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace benchsupport {

struct SetOptions {
    double scale = 1.0;
    int runs = 5;
    std::filesystem::path work;  // with the scale's own folder appended
    std::filesystem::path out = "/dev/shm";
    std::map<std::string, std::string> other;
};

inline SetOptions ParseSetOptions(int argc, char** argv, const char* workName) {
    SetOptions o;
    o.work = std::filesystem::temp_directory_path() / workName;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--scale") o.scale = std::atof(argv[i + 1]);
        else if (a == "--runs") o.runs = std::atoi(argv[i + 1]);
        else if (a == "--dir") o.work = argv[i + 1];
        else if (a == "--out") o.out = argv[i + 1];
        else o.other[a] = argv[i + 1];
    }
    char scaleText[32];
    std::snprintf(scaleText, sizeof scaleText, "scale-%g", o.scale);
    o.work /= scaleText;
    return o;
}

// The options of a run, with standard output flushed line by line so that figures show as they
// come.
inline SetOptions StartRun(int argc, char** argv, const char* workName) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return ParseSetOptions(argc, argv, workName);
}

// What a timed child process runs; an exception is told on the standard error, status 1.
inline int ChildMain(const std::function<int()>& run) {
    try {
        return run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

}  // namespace benchsupport
