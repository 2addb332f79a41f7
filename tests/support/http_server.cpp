#include "support/http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

namespace quelmo::test {
namespace {

std::mutex requests_mutex;

int ListenOnFreePort(int* port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

bool Connects(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

std::string Url(int port) { return "http://127.0.0.1:" + std::to_string(port); }

void SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return;
        data += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace

FolderServer::FolderServer(const std::filesystem::path& root) {
    int port = 0;
    const int probe = ListenOnFreePort(&port);
    if (probe < 0) return;
    ::close(probe);
    pid_ = ::fork();
    if (pid_ == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 1);
        ::dup2(null, 2);
        const std::string p = std::to_string(port);
        ::execlp("python3", "python3", "-m", "http.server", p.c_str(), "--bind", "127.0.0.1", "--directory",
                 root.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 200 && pid_ > 0; ++i) {
        if (Connects(port)) {
            address_ = Url(port);
            return;
        }
        ::usleep(25000);
    }
}

FolderServer::~FolderServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

ScriptedServer::ScriptedServer(std::map<std::string, Reply> replies, bool silent) : replies_(std::move(replies)) {
    int port = 0;
    listen_fd_ = ListenOnFreePort(&port);
    if (listen_fd_ < 0 || ::listen(listen_fd_, 16) != 0) return;
    address_ = Url(port);
    if (!silent) thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

std::string ScriptedServer::Requests() const {
    std::lock_guard lock(requests_mutex);
    return requests_;
}

void ScriptedServer::Serve() {
    while (!stop_) {
        pollfd p{listen_fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::string request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd c{fd, POLLIN, 0};
            if (::poll(&c, 1, 2000) <= 0) break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<size_t>(n));
        }
        std::string path;
        if (const size_t sp = request.find(' '); sp != std::string::npos) {
            const size_t end = request.find_first_of(" ?", sp + 1);
            path = request.substr(sp + 1, end == std::string::npos ? std::string::npos : end - sp - 1);
        }
        {
            std::lock_guard lock(requests_mutex);
            requests_ += path + "\n";
        }
        auto it = replies_.find(path);
        if (it == replies_.end()) {
            const std::string head = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            SendAll(fd, head.data(), head.size());
        } else {
            const Reply& r = it->second;
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(r.body.size()) +
                                     "\r\nConnection: close\r\n\r\n";
            SendAll(fd, head.data(), head.size());
            SendAll(fd, r.body.data(), std::min(r.send, r.body.size()));
        }
        ::close(fd);
    }
}

std::string DeadAddress() {
    int port = 0;
    const int fd = ListenOnFreePort(&port);
    if (fd >= 0) ::close(fd);
    return Url(port);
}

}  // namespace quelmo::test
