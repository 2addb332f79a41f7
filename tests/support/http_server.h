#pragma once
// Web servers on loopback for the download tests: a folder served by Python's http.server, and a
// scripted server that answers from a table and can cut a reply short or never answer at all.
#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace quelmo::test {

// python3 -m http.server over `root` on a free loopback port.
class FolderServer {
public:
    explicit FolderServer(const std::filesystem::path& root);
    ~FolderServer();
    FolderServer(const FolderServer&) = delete;
    FolderServer& operator=(const FolderServer&) = delete;
    // "http://127.0.0.1:PORT"; empty when the server did not come up.
    const std::string& Address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

class ScriptedServer {
public:
    struct Reply {
        std::string body;
        size_t send = std::string::npos;  // bytes of the body sent before the connection drops
    };
    // Replies by path (without the query); other paths get 404. `silent`: accepts connections
    // and never answers.
    explicit ScriptedServer(std::map<std::string, Reply> replies, bool silent = false);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;
    const std::string& Address() const { return address_; }
    // Paths asked for so far, in order, separated by "\n".
    std::string Requests() const;

private:
    void Serve();
    std::map<std::string, Reply> replies_;
    int listen_fd_ = -1;
    std::string address_;
    std::atomic<bool> stop_{false};
    std::string requests_;
    std::thread thread_;
};

// A loopback port nobody listens on.
std::string DeadAddress();

}  // namespace quelmo::test
