// Downloads one large file from nginx on loopback with the viewer's download thread and with
// the curl tool, in alternating rounds, and prints both throughputs and their ratio. Then it
// downloads the file through the window while a 5 ms timer measures how late the window's
// event loop answers. Usage: bench_download [megabytes] [rounds]
#include <QApplication>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "EventLoopProbe.h"
#include "Installation.h"
#include "NginxServer.h"
#include "TDownLoader.h"
#include "TForm1.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void WriteLargeFile(const std::filesystem::path& path, size_t megabytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<uint64_t> block(1 << 17);  // 1 MiB
    uint64_t x = 0x9E3779B97F4A7C15ull;
    for (size_t m = 0; m < megabytes; ++m) {
        for (auto& w : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            w = x;
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
    }
}

double TimeOurs(const std::string& url, const std::filesystem::path& dest, int64_t size) {
    std::filesystem::remove(dest);
    std::promise<viewer::DownloadResult> done;
    const auto start = Clock::now();
    viewer::TDownLoader loader(url, dest, "docs.zip");
    loader.Start([](int, int64_t) {}, [&](const viewer::DownloadResult& r) { done.set_value(r); });
    const auto r = done.get_future().get();
    const double s = Seconds(Clock::now() - start);
    if (!r.ok || r.bytes != size) {
        std::fprintf(stderr, "download failed: %s\n", r.error.c_str());
        std::exit(1);
    }
    return s;
}

double TimeCurlTool(const std::string& url, const std::filesystem::path& dest) {
    std::filesystem::remove(dest);
    const std::string cmd = "curl -sS --fail -o '" + dest.string() + "' '" + url + "'";
    const auto start = Clock::now();
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return Seconds(Clock::now() - start);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int64_t size = static_cast<int64_t>(megabytes) << 20;

    testsupport::NginxServer nginx;
    WriteLargeFile(nginx.updateDir() / "docs.zip", megabytes);
    const std::string url = nginx.url("docs.zip");
    testsupport::TempDir out;

    std::vector<double> ours, tool;
    TimeOurs(url, out / "warm.bin", size);  // brings the served file into the page cache
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            ours.push_back(TimeOurs(url, out / "ours.bin", size));
            tool.push_back(TimeCurlTool(url, out / "tool.bin"));
        } else {
            tool.push_back(TimeCurlTool(url, out / "tool.bin"));
            ours.push_back(TimeOurs(url, out / "ours.bin", size));
        }
    }
    const double mb = static_cast<double>(megabytes);
    const double oursRate = mb / Median(ours), toolRate = mb / Median(tool);
    std::printf("file: %zu MiB, %d rounds (median)\n", megabytes, rounds);
    std::printf("download thread: %8.1f MiB/s (best %.1f)\n", oursRate, mb / *std::min_element(ours.begin(), ours.end()));
    std::printf("curl tool:       %8.1f MiB/s (best %.1f)\n", toolRate, mb / *std::min_element(tool.begin(), tool.end()));
    std::printf("ratio:           %8.1f %% of the curl tool (target >= 90 %%)\n", 100.0 * oursRate / toolRate);

    // The window downloads an archive (the gauge follows it) while a 5 ms timer ticks.
    testsupport::Installation inst;
    inst.WriteMinimal();
    inst.Write("options.ini",
               "[Update]\r\nAutomatically check for updates of the database=0\r\n"
               "Automatically check for program updates=0\r\n");
    inst.UseUpdateServer(nginx.base());
    TForm1 form;
    form.show();
    viewerbench::EventLoopProbe probe;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.DownloadRunning()) app.quit();
    });
    const double windowStart = Seconds(Clock::now().time_since_epoch());
    probe.Start();
    watch.start();
    form.StartDownload("docs.zip", "docs.zip", "bench.zip");
    QApplication::exec();
    const double took = Seconds(Clock::now().time_since_epoch()) - windowStart;
    std::printf("window download: %8.1f MiB/s, gauge at %d of %d\n", mb / took, form.Gauge2->value(),
                form.Gauge2->maximum());
    probe.Print();
    return 0;
}
