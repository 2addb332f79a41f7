// quelmo ports | info | search | send | upload: the device link from the command line.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>

#include "cli/cli.h"
#include "cli/project_build.h"
#include "core/gbk.h"
#include "shell/context.h"
#include "flash/layout.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/ports.h"
#include "link/tcomm.h"
#include "link/upload.h"

namespace quelmo::cli {
namespace {

// A log line as the terminal shows it: line ends of the logged command become nothing.
std::string Printable(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    for (char& c : text)
        if (c == '\r') c = ' ';
    return text;
}

bool ValidRate(uint32_t baud) {
    for (uint32_t r : kBaudRates)
        if (r == baud) return true;
    return false;
}

// The link over the program's one port, printing its log lines and messages on stdout.
struct Session {
    explicit Session(const std::filesystem::path& workdir) : global(workdir), link(comm, global.Rom()) {
        comm.SetBaudRate(115200);
        comm.SetReadIntervalTimeout(3);
        link.OnLog = [](const std::string& line) { std::cout << Printable(line) << std::endl; };
        link.OnMessage = [this](const std::string& text) {
            last_message = text;
            std::cout << Printable(text) << std::endl;
        };
    }
    void PrintDevice() {
        const DeviceInfo& d = link.Device();
        std::cout << "SerialNo " << GbkToUtf8(d.SerialNo) << "\nScreenWidth " << d.ScreenWidth << "\nScreenHeight "
                  << d.ScreenHeight << "\nFirmwareText " << GbkToUtf8(d.FirmwareText) << "\nFirmwareNo "
                  << d.FirmwareNo << "\nMemorySize " << d.MemorySize << "\n";
        const StatusPanel p = link.RefreshStatus();
        std::cout << p.Label1 << "\n" << p.Label2 << std::endl;
    }

    Tglobal global;
    TComm comm;
    DeviceLink link;
    std::string last_message;
};

struct PortOptions {
    std::string port;
    uint32_t baud = 115200;
    std::string delay = "3";
    bool keep_baud = false;
};

void AddPortOptions(CLI::App* sub, PortOptions& o) {
    sub->add_option("--port", o.port, "serial device path (see `quelmo ports`)")->required();
    sub->add_option("--baud", o.baud, "rate: 2400 4800 9600 19200 38400 57600 115200 256000 (default 115200)");
    sub->add_option("--delay", o.delay, "read interval time-out in ms (default 3)");
    sub->add_flag("--keep-baud", o.keep_baud, "do not switch the module to 115200 after connecting");
}

// Manual connect; true when connected.
bool Connect(Cli& cli, Session& s, const PortOptions& o) {
    if (!ValidRate(o.baud)) {
        cli.Fail("--baud must be one of 2400 4800 9600 19200 38400 57600 115200 256000", 2);
        return false;
    }
    s.link.KeepBaud = o.keep_baud;
    auto r = s.link.ManualConnect(o.port, o.baud, o.delay);
    if (!r) {
        cli.Fail(r.error());
        return false;
    }
    if (!*r) {
        cli.Fail(s.last_message.empty() ? link_text::kNotFoundOnPort : s.last_message, 1);
        return false;
    }
    return true;
}

void Ports() {
    const auto ports = ListPorts();
    if (ports.empty()) std::cout << link_text::kNoPort << "\n";
    for (const auto& p : ports) std::cout << p << "\n";
}

void Info(Cli& cli, const PortOptions& o) {
    Session s(cli.Workdir());
    if (!Connect(cli, s, o)) return;
    s.PrintDevice();
    s.link.Disconnect();
}

void Search(Cli& cli, const std::string& delay, const std::vector<std::string>& typed) {
    Session s(cli.Workdir());
    if (!s.link.AutoSearch(ListPorts(typed), delay)) return cli.Fail(link_text::kNoneFound, 1);
    std::cout << "port " << s.comm.CommName() << "\n";
    s.PrintDevice();
    s.link.Disconnect();
}

struct SendOptions {
    PortOptions port;
    std::string text;
    std::string file;
    int quiet = 300;
};

void Send(Cli& cli, const SendOptions& o) {
    if (o.text.empty() == o.file.empty()) return cli.Fail("give either TEXT or --file FILE", 2);
    if (!ValidRate(o.port.baud)) return cli.Fail("--baud must be one of 2400 4800 9600 19200 38400 57600 115200 256000", 2);
    std::string text = o.text;
    if (!o.file.empty()) {
        auto read = ReadInput(o.file);
        if (!read) return cli.Fail(read.error());
        text = *read;
    }
    Session s(cli.Workdir());
    s.link.OnMessage = [](const std::string& m) { std::cerr << "quelmo: " << m << "\n"; };
    s.comm.SetCommName(o.port.port);
    s.comm.SetBaudRate(o.port.baud);
    if (auto st = s.comm.OpenPort(); !st) return cli.Fail(st.error());
    s.link.ConnectionState = 1;
    s.link.ReceiveView = 1;
    s.link.SendEditArea(Utf8ToGbk(text));
    s.link.WaitQuiet(o.quiet);
    std::cout << GbkToUtf8(s.link.ReplyBuffer);
    if (!s.link.ReplyBuffer.empty() && s.link.ReplyBuffer.back() != '\n') std::cout << "\n";
    s.link.Disconnect();
}

struct UploadOptions {
    PortOptions port;
    bool all = false, fonts = false, pages = false, pictures = false;
    bool force = false;
    std::string flash;
};

std::atomic<std::atomic<bool>*> g_stop{nullptr};

extern "C" void OnInterrupt(int) {
    if (std::atomic<bool>* stop = g_stop.load()) stop->store(true);
}

// Where the picture data of a given image file ends: the first byte after the last one that is
// not FF.
int64_t PictureEnd(const Trom& rom) {
    const int64_t top = static_cast<int64_t>(rom.MemorySize()) << 20;
    for (int64_t a = std::min<int64_t>(top, flash::kImageSize) - 1; a >= flash::kPicData; --a)
        if (rom.Image()[a] != 0xFF) return a + 1;
    return flash::kPicData - 1;
}

void Upload(Cli& cli, const UploadOptions& o) {
    if (o.all + o.fonts + o.pages + o.pictures > 1) return cli.Fail("give at most one of --all, --fonts, --pages, --pictures", 2);
    Session s(cli.Workdir());
    std::unique_ptr<Trom> given;
    if (!o.flash.empty()) {
        given = std::make_unique<Trom>();
        if (auto st = given->LoadFile(o.flash); !st) return cli.Fail(st.error());
    }
    if (!Connect(cli, s, o.port)) return;

    SyncUpload upload(s.link);
    upload.ForceAll = o.force;
    // The refresh before the upload: the image is built for the module just identified (its
    // memory size places the full fonts), or taken as given.
    Status built;
    upload.OnRefresh = [&] {
        if (given) {
            std::copy(given->Image(), given->Image() + Trom::Size(), s.global.Rom().Image());
            upload.PictureEnd = PictureEnd(*given);
            return true;
        }
        built = BuildWorkspace(s.global, std::cerr);
        return built.ok();
    };
    upload.OnLog = [](const std::string& line) { std::cout << Printable(line) << std::endl; };
    const bool tty = isatty(STDERR_FILENO);
    upload.OnProgress = [tty](int done, int total) {
        if (tty)
            std::cerr << "\rsectors " << done << "/" << total << (done == total ? "\n" : "") << std::flush;
        else if (done == total || done % 64 == 0)
            std::cerr << "sectors " << done << "/" << total << "\n";
    };
    const auto button = o.fonts      ? SyncUpload::Button::Fonts
                        : o.pages    ? SyncUpload::Button::Pages
                        : o.pictures ? SyncUpload::Button::Pictures
                                     : SyncUpload::Button::All;
    g_stop.store(&upload.Stop);
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigaction(SIGINT, &sa, nullptr);
    const auto outcome = upload.Press(button);
    signal(SIGINT, SIG_DFL);
    g_stop.store(nullptr);
    s.link.Disconnect();
    if (!built) return cli.Fail(built.error());
    if (outcome == SyncUpload::Outcome::Stopped) return cli.Fail("upload stopped", 1);
    if (outcome != SyncUpload::Outcome::Done) return cli.Fail(upload.FinalMessage(), 1);
}

CommandRegistrar reg(70, [](CLI::App& app, Cli& cli) {
    app.add_subcommand("ports", "list the serial ports")->callback([] { Ports(); });

    auto info = std::make_shared<PortOptions>();
    auto* sub = app.add_subcommand("info", "connect to a module on one port and show what it says of itself");
    AddPortOptions(sub, *info);
    sub->callback([&cli, info] { Info(cli, *info); });

    auto search_delay = std::make_shared<std::string>("3");
    auto search_ports = std::make_shared<std::vector<std::string>>();
    sub = app.add_subcommand("search", "look for a module on every port at every rate");
    sub->add_option("--delay", *search_delay, "read interval time-out in ms (default 3)");
    sub->add_option("--port", *search_ports, "also try this device path (repeatable)");
    sub->callback([&cli, search_delay, search_ports] { Search(cli, *search_delay, *search_ports); });

    auto send = std::make_shared<SendOptions>();
    sub = app.add_subcommand("send", "send command text to the module and print its answer");
    AddPortOptions(sub, send->port);
    sub->add_option("--file", send->file, "file with the command text (UTF-8)");
    sub->add_option("--quiet", send->quiet, "ms of silence that ends the answer (default 300)");
    sub->add_option("text", send->text, "command text (UTF-8)");
    sub->callback([&cli, send] { Send(cli, *send); });

    auto up = std::make_shared<UploadOptions>();
    sub = app.add_subcommand("upload", "write the sectors of a flash image that differ on the module");
    AddPortOptions(sub, up->port);
    sub->add_flag("--all", up->all, "the whole flash but its first sector (default)");
    sub->add_flag("--fonts", up->fonts, "the small font regions");
    sub->add_flag("--pages", up->pages, "the page table");
    sub->add_flag("--pictures", up->pictures, "the picture regions");
    sub->add_flag("--force", up->force, "write every sector of the range");
    sub->add_option("--flash", up->flash, "upload this flash image instead of building the workspace's");
    sub->callback([&cli, up] { Upload(cli, *up); });
});

}  // namespace
}  // namespace quelmo::cli
