// Guards the download thread against a real nginx and, for cut, stalled and trickling
// transfers, a small scripted server: the body lands in the target (through redirects, into
// new folders), any failure keeps the old target byte for byte and says why, a dead, silent
// or trickling server, a body too large (announced or sent) and one compressed unasked fail
// within their limits and say why, a stop request ends the worker, progress arrives as a
// begin and coalesced counts, and a killed run's partial files go.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <future>
#include <thread>
#include <mutex>

#include "NginxServer.h"
#include "RawHttpServer.h"
#include "DownloadCause.h"
#include "TDownLoader.h"
#include "TempDir.h"

using testsupport::NginxServer;
using testsupport::RawHttpServer;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using viewer::DownloadResult;
using viewer::DownloadSettings;
using viewer::TDownLoader;

namespace {

bool ContainsNoCase(const std::string& text, const std::string& part) {
    const auto same = [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

struct Progress {
    std::mutex lock;
    std::vector<std::pair<int, int64_t>> events;
};

DownloadSettings Quick() {
    DownloadSettings s;
    s.connectTimeout = std::chrono::milliseconds(300);
    s.stallTimeout = std::chrono::milliseconds(500);
    return s;
}

DownloadResult Fetch(const std::string& url, const std::filesystem::path& dest, DownloadSettings settings = Quick(),
                     Progress* progress = nullptr) {
    std::promise<DownloadResult> done;
    TDownLoader loader(url, dest, "docs.zip", settings);
    loader.Start(
        [progress](int kind, int64_t value) {
            if (!progress) return;
            std::lock_guard<std::mutex> hold(progress->lock);
            progress->events.emplace_back(kind, value);
        },
        [&done](const DownloadResult& r) { done.set_value(r); });
    return done.get_future().get();
}

std::string Pattern(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return s;
}

// Nothing but the target is left in its folder: no temporary file stays behind.
std::vector<std::string> FolderEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::string kOld = "old content\r\nkept byte for byte\r\n";

}  // namespace

TEST(TDownLoader, BodyLandsInTheTargetThroughRedirectsAndNewFolders) {
    NginxServer nginx;
    const std::string body = Pattern(300 * 1024 + 17);
    nginx.Put("docs.zip", body);
    struct Case { const char* name; std::string url; const char* target; };
    const Case cases[] = {
        {"plain", nginx.url("docs.zip"), "docs.zip"},
        {"one redirect", nginx.base() + "/old/vncsoft/vantorbooks/update/docs.zip", "docs.zip"},
        {"two redirects", nginx.base() + "/older/vncsoft/vantorbooks/update/docs.zip", "docs.zip"},
        {"missing folders", nginx.url("docs.zip"), "new/deeper/docs.zip"},
        {"over an old file", nginx.url("docs.zip"), "old.zip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "old.zip", kOld);
        const auto r = Fetch(c.url, dir / c.target);
        EXPECT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.httpStatus, 200);
        EXPECT_EQ(r.bytes, static_cast<int64_t>(body.size()));
        EXPECT_EQ(r.announced, static_cast<int64_t>(body.size()));
        EXPECT_EQ(r.name, "docs.zip");
        EXPECT_EQ(ReadFile(dir / c.target), body);
    }
    // Each request asked for the update folder's path; the redirects were answered and followed.
    const auto requests = nginx.Requests(8);
    ASSERT_EQ(requests.size(), 8u);
    EXPECT_EQ(requests[0], "GET /vncsoft/vantorbooks/update/docs.zip HTTP/1.1 200");
    EXPECT_EQ(requests[1], "GET /old/vncsoft/vantorbooks/update/docs.zip HTTP/1.1 302");
    EXPECT_EQ(requests[2], "GET /vncsoft/vantorbooks/update/docs.zip HTTP/1.1 200");
    EXPECT_EQ(requests[3], "GET /older/vncsoft/vantorbooks/update/docs.zip HTTP/1.1 301");
}

TEST(TDownLoader, FailedTransferKeepsTheOldFile) {
    NginxServer nginx;
    const std::string tail = Pattern(4000);
    RawHttpServer cut([&](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        c.Send(tail);  // then the connection closes
    });
    RawHttpServer stall([&](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        c.Send(tail);
        c.Stall();
    });
    RawHttpServer silent([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Stall();
    });
    RawHttpServer noAnswer([](RawHttpServer::Connection&) {}, false);

    // The error in full, and the cause in the words of the update panel's status line.
    struct Case { const char* name; std::string url; const char* error; const char* cause; };
    const Case cases[] = {
        {"404", nginx.url("missing.zip"), "HTTP status 404", "the server answered 404"},
        {"redirect to a missing file", nginx.base() + "/old/vncsoft/vantorbooks/update/missing.zip", "404",
         "the server answered 404"},
        {"connection cut in the body", cut.url("/docs.zip"), "", "the transfer broke off at 4%"},
        {"body stalls", stall.url("/docs.zip"), "sent nothing for 500 ms", "the server stopped sending"},
        {"server silent after the request", silent.url("/docs.zip"), "sent nothing for 500 ms",
         "the server stopped sending"},
        {"server never accepts", noAnswer.url("/docs.zip"), "timeout", "no connection to the update server"},  // any case
        // A port below 1024 no test binds.
        {"nobody listens", "http://127.0.0.1:1/docs.zip", "", "no connection to the update server"},
        {"not a web address", "file:///etc/hostname", "", "file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "docs.zip", kOld);
        const auto r = Fetch(c.url, dir / "docs.zip");
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.aborted);
        EXPECT_FALSE(r.error.empty());
        EXPECT_TRUE(ContainsNoCase(r.error, c.error)) << r.error;
        EXPECT_NE(DownloadCause(r).find(c.cause), std::string::npos) << DownloadCause(r);
        EXPECT_EQ(ReadFile(dir / "docs.zip"), kOld);
        EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"docs.zip"});
    }
    // A target that was not there before is not made by a failed transfer either.
    TempDir dir;
    EXPECT_FALSE(Fetch(cut.url("/docs.zip"), dir / "docs.zip").ok);
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST(TDownLoader, LimitsOfSizeSpeedAndContentKeepTheOldFile) {
    NginxServer nginx;
    nginx.Put("update.lasx", Pattern(2 * 1024 * 1024));
    nginx.Put("small.txt", "fits\r\n");
    RawHttpServer unannounced([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        for (int i = 0; i < 64 && c.Send(std::string(16 * 1024, 'u')); ++i) {
        }
    });
    // A limit of 1000 bytes: a body without a length that passes it only in its last chunk, and
    // a length above it with a short body.
    RawHttpServer overInItsLastChunk([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(1001, 'l'));
    });
    RawHttpServer announcedOverButShort([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 2000\r\nConnection: close\r\n\r\nshort");
    });
    RawHttpServer exactlyTheLimit([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + std::string(1000, 'e'));
    });
    // A compressed body nobody asked for is not the file.
    RawHttpServer gzipped([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 20\r\n\r\n" +
               std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00", 20));
    });
    // One byte every 100 ms: never silent long enough to stall, but far too slow.
    RawHttpServer trickle([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        for (int i = 0; i < 200 && c.Send("t"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    DownloadSettings limited = Quick();
    limited.maxBytes = 512 * 1024;
    limited.lowSpeedBytes = 100;
    limited.lowSpeedWindow = std::chrono::seconds(1);
    DownloadSettings tight = Quick();
    tight.maxBytes = 1000;
    DownloadSettings checked = limited;
    checked.check = [](const std::filesystem::path& body) {
        return ReadFile(body) == "fits\r\n" ? std::string("not what was asked for") : std::string();
    };
    struct Case {
        const char* name;
        std::string url;
        DownloadSettings settings;
        const char* error;
    };
    const Case cases[] = {
        {"announced larger than allowed", nginx.url("update.lasx"), limited, "larger than the 524288 bytes allowed"},
        {"larger than allowed without a length", unannounced.url("/update.lasx"), limited, "larger than the 524288"},
        {"over the limit in the last chunk, without a length", overInItsLastChunk.url("/update.lasx"), tight,
         "The file is larger than the 1000 bytes allowed for it"},
        {"announced over the limit, with a short body", announcedOverButShort.url("/update.lasx"), tight,
         "The file is larger than the 1000 bytes allowed for it"},
        {"compressed without being asked", gzipped.url("/update.lasx"), limited,
         "The server sent the file encoded as \"gzip\", which was not asked for"},
        {"trickling", trickle.url("/update.lasx"), limited, "too slow"},
        {"refused by its check", nginx.url("small.txt"), checked, "not what was asked for"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteFile(dir / "update.lasx", kOld);
        const auto start = std::chrono::steady_clock::now();
        const auto r = Fetch(c.url, dir / "update.lasx", c.settings);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_EQ(ReadFile(dir / "update.lasx"), kOld);
        EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"update.lasx"});
    }
    // Within the limits the file arrives, also one of exactly the limit.
    TempDir dir;
    EXPECT_TRUE(Fetch(nginx.url("small.txt"), dir / "small.txt", limited).ok);
    const auto exact = Fetch(exactlyTheLimit.url("/exact.txt"), dir / "exact.txt", tight);
    EXPECT_TRUE(exact.ok) << exact.error;
    EXPECT_EQ(ReadFile(dir / "exact.txt"), std::string(1000, 'e'));
    // The viewer's own limits hold a trickle for half a minute at most.
    EXPECT_GT(DownloadSettings{}.lowSpeedBytes, 0);
    EXPECT_LE(DownloadSettings{}.lowSpeedWindow, std::chrono::seconds(60));
}

TEST(TDownLoader, PartialFilesOfAKilledRunGoThoseOfARunningOneStay) {
    RawHttpServer stall([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nabc");
        c.Stall();
    });
    TempDir dir;
    WriteFile(dir / ".docs.zip.part-left0by0kill", "x");
    DownloadSettings patient;
    patient.stallTimeout = std::chrono::minutes(10);
    std::promise<void> begun;
    TDownLoader loader(stall.url("/docs.zip"), dir / "docs.zip", "docs.zip", patient);
    loader.Start([&](int kind, int64_t) { if (kind == viewer::kProgressBegin) begun.set_value(); }, nullptr);
    begun.get_future().wait();
    ASSERT_EQ(FolderEntries(dir.path()).size(), 2u);
    EXPECT_EQ(viewer::RemoveStalePartials(dir.path()), 1u);
    const auto left = FolderEntries(dir.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(left[0].starts_with(".docs.zip.part-")) << left[0];
    EXPECT_NE(left[0], ".docs.zip.part-left0by0kill");
}

TEST(TDownLoader, StopRequestEndsAStalledTransfer) {
    RawHttpServer stall([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nabc");
        c.Stall();
    });
    TempDir dir;
    WriteFile(dir / "docs.zip", kOld);
    DownloadSettings patient;
    patient.stallTimeout = std::chrono::minutes(10);
    std::promise<DownloadResult> done;
    std::promise<void> begun;
    {
        TDownLoader loader(stall.url("/docs.zip"), dir / "docs.zip", "docs.zip", patient);
        loader.Start([&](int kind, int64_t) { if (kind == viewer::kProgressBegin) begun.set_value(); },
                     [&](const DownloadResult& r) { done.set_value(r); });
        begun.get_future().wait();
        loader.Abort();
        const auto r = done.get_future().get();
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.aborted);
    }
    EXPECT_EQ(ReadFile(dir / "docs.zip"), kOld);

    // Destroying a running download stops it too, and its completion still runs.
    std::promise<DownloadResult> ended;
    {
        TDownLoader loader(stall.url("/docs.zip"), dir / "docs.zip", "docs.zip", patient);
        loader.Start(nullptr, [&](const DownloadResult& r) { ended.set_value(r); });
    }
    EXPECT_TRUE(ended.get_future().get().aborted);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"docs.zip"});
}

TEST(TDownLoader, ProgressBeginsWithTheSizeAndCountsAreCoalesced) {
    NginxServer nginx;
    const std::string body = Pattern(3 * 1024 * 1024 + 5);
    const auto size = static_cast<int64_t>(body.size());
    nginx.Put("docs.zip", body);
    TempDir dir;

    // Reports no more often than the interval: with a long one only the begin and the final
    // count arrive, however many chunks the body came in.
    DownloadSettings slow = Quick();
    slow.progressInterval = std::chrono::hours(1);
    Progress coalesced;
    ASSERT_TRUE(Fetch(nginx.base() + "/old/vncsoft/vantorbooks/update/docs.zip", dir / "a.zip", slow, &coalesced).ok);
    const std::vector<std::pair<int, int64_t>> expected = {{viewer::kProgressBegin, size},
                                                           {viewer::kProgressBytes, size}};
    EXPECT_EQ(coalesced.events, expected);

    // With no interval every chunk is reported, rising to the size.
    DownloadSettings eager = Quick();
    eager.progressInterval = std::chrono::milliseconds(0);
    Progress all;
    ASSERT_TRUE(Fetch(nginx.url("docs.zip"), dir / "b.zip", eager, &all).ok);
    ASSERT_GT(all.events.size(), 3u);
    EXPECT_EQ(all.events.front(), std::make_pair(viewer::kProgressBegin, size));
    EXPECT_EQ(all.events.back(), std::make_pair(viewer::kProgressBytes, size));
    for (size_t i = 2; i < all.events.size(); ++i) EXPECT_GT(all.events[i].second, all.events[i - 1].second);

    // A failed request begins no transfer.
    Progress none;
    EXPECT_FALSE(Fetch(nginx.url("missing.zip"), dir / "c.zip", eager, &none).ok);
    EXPECT_TRUE(none.events.empty());
}

TEST(TDownLoader, BodyOfUnannouncedLength) {
    RawHttpServer chunked([](RawHttpServer::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n");
        c.Stall();
    });
    TempDir dir;
    Progress progress;
    const auto r = Fetch(chunked.url("/x"), dir / "x.txt", Quick(), &progress);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.announced, -1);
    EXPECT_EQ(ReadFile(dir / "x.txt"), "hello world");
    ASSERT_FALSE(progress.events.empty());
    EXPECT_EQ(progress.events.front(), std::make_pair(viewer::kProgressBegin, int64_t{-1}));
}

TEST(TDownLoader, HttpsVerifiesTheServerCertificate) {
    NginxServer nginx(true);
    nginx.Put("update.lasx", "over tls\r\n");
    const std::string url = nginx.tlsBase() + "/vncsoft/vantorbooks/update/update.lasx";
    TempDir dir;
    WriteFile(dir / "update.lasx", kOld);

    // Not trusted by the system: refused, old file kept.
    auto r = Fetch(url, dir / "update.lasx");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ReadFile(dir / "update.lasx"), kOld);

    DownloadSettings trusting = Quick();
    trusting.caFile = nginx.caFile().string();
    r = Fetch(url, dir / "update.lasx", trusting);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadFile(dir / "update.lasx"), "over tls\r\n");
}

TEST(TDownLoader, ReplacedFileKeepsItsMode) {
    NginxServer nginx;
    nginx.Put("update.lasx", "new\r\n");
    TempDir dir;
    WriteFile(dir / "update.lasx", kOld);
    std::filesystem::permissions(dir / "update.lasx", std::filesystem::perms(0640));
    ASSERT_TRUE(Fetch(nginx.url("update.lasx"), dir / "update.lasx").ok);
    EXPECT_EQ(std::filesystem::status(dir / "update.lasx").permissions(), std::filesystem::perms(0640));
}
