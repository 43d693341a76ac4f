// A tiny HTTP server on a loopback port for the faults a real server cannot be told to make:
// each connection gets a scripted answer (headers, part of a body, then a cut or a stall).
// A handler that stalls waits until the client goes away or the server is destroyed.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testsupport {

class RawHttpServer {
public:
    class Connection {
    public:
        Connection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}
        // Reads the request head (up to the blank line).
        std::string ReadRequest() {
            std::string head;
            char c;
            while (head.find("\r\n\r\n") == std::string::npos && WaitReadable() && ::recv(fd_, &c, 1, 0) == 1)
                head += c;
            return head;
        }
        // False once the client has gone.
        bool Send(std::string_view bytes) {
            while (!bytes.empty()) {
                const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (n <= 0) return false;
                bytes.remove_prefix(static_cast<size_t>(n));
            }
            return true;
        }
        // Sends nothing more until the client closes the connection or the server stops.
        void Stall() {
            char buf[256];
            while (WaitReadable())
                if (::recv(fd_, buf, sizeof buf, 0) <= 0) return;
        }

    private:
        bool WaitReadable() {
            pollfd p{fd_, POLLIN, 0};
            while (!stopping_.load()) {
                if (::poll(&p, 1, 20) > 0) return true;
            }
            return false;
        }
        int fd_;
        const std::atomic<bool>& stopping_;
    };
    using Handler = std::function<void(Connection&)>;

    // With acceptConnections false the server listens but never accepts, and its queue is
    // filled, so a client's connect hangs until its connect timeout.
    explicit RawHttpServer(Handler handler, bool acceptConnections = true) : handler_(std::move(handler)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listen_, acceptConnections ? 16 : 0) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("raw server cannot listen");
        port_ = ntohs(addr.sin_port);
        if (!acceptConnections) {
            for (int i = 0; i < 4; ++i) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
                (void)::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
                fillers_.push_back(fd);
            }
            // The queue is full only once a filler's connection is made; on a busy machine the
            // handshake can lag behind, and a client coming first would get the place instead.
            std::vector<pollfd> waits;
            for (int fd : fillers_) waits.push_back({fd, POLLOUT, 0});
            (void)::poll(waits.data(), waits.size(), 2000);
            return;
        }
        thread_ = std::thread([this] { Serve(); });
    }
    ~RawHttpServer() {
        stopping_.store(true);
        if (thread_.joinable()) thread_.join();
        for (int fd : fillers_) ::close(fd);
        ::close(listen_);
    }
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string url(std::string_view path) const { return base() + std::string(path); }
    int connections() const { return connections_.load(); }

private:
    void Serve() {
        pollfd p{listen_, POLLIN, 0};
        while (!stopping_.load()) {
            if (::poll(&p, 1, 20) <= 0) continue;
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            connections_.fetch_add(1);
            Connection c(fd, stopping_);
            handler_(c);
            ::close(fd);
        }
    }

    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace testsupport
