// A real nginx for transfer tests and benchmarks: started on a free loopback port with a
// configuration, logs and temporary folders inside its own scratch folder, serving a scratch
// copy of the update server's folder. Requests below "/old/" are redirected to the same path
// without it, and "/older/" to "/old/", so a client can be made to follow one or two redirects.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "TempDir.h"

namespace testsupport {

// A loopback port nobody listens on at the moment of asking.
inline int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("no free loopback port");
    ::close(fd);
    return ntohs(addr.sin_port);
}

inline bool AcceptsConnections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (fd >= 0) ::close(fd);
    return ok;
}

class NginxServer {
public:
    static constexpr const char* kBinary = "/usr/sbin/nginx";
    static constexpr const char* kUpdatePath = "vncsoft/vantorbooks/update";

    // With tls, a second port serves the same folder over https with a certificate for
    // 127.0.0.1 made for this server; caFile() is the certificate to trust.
    explicit NginxServer(bool tls = false) : tls_(tls) {
        std::filesystem::create_directories(updateDir());
        std::filesystem::create_directories(dir_ / "tmp");
        if (tls_) MakeCertificate();
        std::string lastError;
        for (int attempt = 0; attempt < 5; ++attempt) {
            port_ = FreeLoopbackPort();
            tlsPort_ = tls_ ? FreeLoopbackPort() : 0;
            WriteConfig();
            if (Launch(lastError)) return;
        }
        throw std::runtime_error("nginx did not start: " + lastError);
    }
    ~NginxServer() { Stop(); }
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // "http://127.0.0.1:port", the form the update server's address takes.
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string tlsBase() const { return "https://127.0.0.1:" + std::to_string(tlsPort_); }
    std::string url(std::string_view serverFile) const {
        return base() + "/" + kUpdatePath + "/" + std::string(serverFile);
    }
    int port() const { return port_; }
    std::filesystem::path updateDir() const { return dir_ / "www" / kUpdatePath; }
    std::filesystem::path caFile() const { return dir_ / "cert.pem"; }

    // Ends the server: its port then refuses connections, as a server that is down does.
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    // Puts a file into the served update folder.
    void Put(const std::string& name, std::string_view bytes) const { WriteFile(updateDir() / name, bytes); }
    void Remove(const std::string& name) const { std::filesystem::remove(updateDir() / name); }

    // The request lines ("GET /path status") logged so far. nginx logs a request after it
    // answered, so this waits briefly for at least `atLeast` of them.
    std::vector<std::string> Requests(size_t atLeast = 0) const {
        std::vector<std::string> lines;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            lines.clear();
            const std::string log = ReadFile(dir_ / "access.log");
            size_t start = 0;
            for (size_t nl; (nl = log.find('\n', start)) != std::string::npos; start = nl + 1)
                lines.push_back(log.substr(start, nl - start));
            if (lines.size() >= atLeast || std::chrono::steady_clock::now() > until) return lines;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

private:
    void MakeCertificate() const {
        const std::string cmd = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
                                (dir_ / "key.pem").string() + "' -out '" + caFile().string() + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) throw std::runtime_error("openssl could not make a test certificate");
    }

    void WriteConfig() const {
        const std::string d = dir_.path().string();
        std::string conf;
        conf += "daemon off;\nmaster_process off;\nworker_processes 1;\n";
        if (::geteuid() == 0) conf += "user root;\n";
        conf += "pid " + d + "/nginx.pid;\nerror_log " + d + "/error.log;\n";
        conf += "events { worker_connections 256; }\nhttp {\n";
        conf += "  log_format requests '$request $status';\n";
        conf += "  access_log " + d + "/access.log requests;\n";
        for (const char* t : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            conf += std::string("  ") + t + "_temp_path " + d + "/tmp/" + t + ";\n";
        conf += "  default_type application/octet-stream;\n  sendfile on;\n";
        conf += "  server {\n    listen 127.0.0.1:" + std::to_string(port_) + ";\n";
        if (tls_) {
            conf += "    listen 127.0.0.1:" + std::to_string(tlsPort_) + " ssl;\n";
            conf += "    ssl_certificate " + caFile().string() + ";\n";
            conf += "    ssl_certificate_key " + d + "/key.pem;\n";
        }
        conf += "    root " + d + "/www;\n";
        conf += "    location /old/ { rewrite ^/old/(.*)$ /$1 redirect; }\n";
        conf += "    location /older/ { rewrite ^/older/(.*)$ /old/$1 permanent; }\n";
        conf += "  }\n}\n";
        WriteFile(dir_ / "nginx.conf", conf);
    }

    bool Launch(std::string& error) {
        const std::string prefix = dir_.path().string() + "/";
        const std::string conf = (dir_ / "nginx.conf").string();
        const std::string log = (dir_ / "error.log").string();
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ < 0) {
            error = "fork failed";
            return false;
        }
        if (pid_ == 0) {
            // Goes with the test process, even when that one is killed.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
            ::execl(kBinary, kBinary, "-p", prefix.c_str(), "-c", conf.c_str(), "-e", log.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < until) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                error = ReadFile(dir_ / "error.log");
                return false;
            }
            if (AcceptsConnections(port_) && (!tls_ || AcceptsConnections(tlsPort_))) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        Stop();
        error = "no answer on port " + std::to_string(port_);
        return false;
    }

    TempDir dir_;
    bool tls_ = false;
    int port_ = 0;
    int tlsPort_ = 0;
    pid_t pid_ = -1;
};

}  // namespace testsupport
