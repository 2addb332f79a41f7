#pragma once
// Device-link fixtures: a virtual module on a real pseudo-terminal reached through the real
// serial port component, with short time limits; and a bare pseudo-terminal peer for tests that
// look at the bytes on the line themselves.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/dispatcher.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "link/virtual_module.h"

namespace quelmo::test {

// The other end of a pseudo-terminal, raw.
struct PtyPeer {
    PtyPeer() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(master);
        unlockpt(master);
        char name[128];
        ptsname_r(master, name, sizeof name);
        path = name;
        // Hold the line open so it is up before the port opens, in raw mode.
        keep = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        tcgetattr(keep, &t);
        cfmakeraw(&t);
        tcsetattr(keep, TCSANOW, &t);
    }
    ~PtyPeer() { Close(); }
    void Close() {
        for (int* fd : {&keep, &master})
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
    }
    // Reads until `n` bytes are in or `ms` passed.
    std::string Read(size_t n, int ms = 2000) {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        char buf[4096];
        while (out.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            const ssize_t r = ::read(master, buf, std::min(sizeof buf, n - out.size()));
            if (r <= 0) break;
            out.append(buf, static_cast<size_t>(r));
        }
        return out;
    }
    // Reads up to and including the next CR.
    std::string ReadLine(int ms = 2000) {
        std::string out;
        while (out.empty() || out.back() != '\r') {
            std::string c = Read(1, ms);
            if (c.empty()) break;
            out += c;
        }
        return out;
    }
    void Write(std::string_view bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t w = ::write(master, bytes.data() + done, bytes.size() - done);
            if (w <= 0) break;
            done += static_cast<size_t>(w);
        }
    }

    int master = -1;
    int keep = -1;
    std::string path;
};

// A virtual module and the program's side of the link, connected by a pseudo-terminal.
class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override { MainDispatcher().RunPending(); }
    void TearDown() override {
        link.reset();
        comm.ClosePort();
        if (module) module->Stop();
        MainDispatcher().RunPending();
    }

    // Starts a module; the link waits briefly so the tests stay quick.
    VirtualModule& StartModule(VirtualModuleOptions options = {}) {
        auto created = VirtualModule::Create(options);
        EXPECT_TRUE(created.ok());
        module = std::move(*created);
        module->Start();
        link = std::make_unique<DeviceLink>(comm, rom);
        link->Timings = LinkTimings{150, 300, 50, 100};
        link->OnLog = [this](const std::string& s) { logs.push_back(s); };
        link->OnMessage = [this](const std::string& s) { messages.push_back(s); };
        comm.SetReadIntervalTimeout(3);
        return *module;
    }
    // Manual connect at `baud`; true when a module answered.
    bool Connect(uint32_t baud = 115200) {
        auto r = link->ManualConnect(module->DevicePath(), baud, "3");
        return r.ok() && *r;
    }
    // Keeps running posted work until `pred` holds (it may watch the module, which posts nothing).
    static bool Eventually(const std::function<bool()>& pred, int ms = 2000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (pred()) return true;
            PumpWait(5);
        }
        return pred();
    }
    // The module's lines that start with `prefix`.
    std::vector<std::string> Lines(std::string_view prefix) {
        std::vector<std::string> out;
        for (const auto& c : module->Commands())
            if (c.rfind(prefix, 0) == 0) out.push_back(c);
        return out;
    }

    TComm comm;
    Trom rom;
    std::unique_ptr<VirtualModule> module;
    std::unique_ptr<DeviceLink> link;
    std::vector<std::string> logs;
    std::vector<std::string> messages;
};

}  // namespace quelmo::test
