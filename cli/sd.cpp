// quelmo sd: the SD card tool. Builds the card data in sd/ and writes them to a removable
// card (or a card image file) by raw sectors.
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "cli/cli.h"
#include "cli/pictures.h"
#include "cli/project_build.h"
#include "shell/context.h"
#include "flash/trom.h"
#include "link/device_link.h"
#include "link/tcomm.h"
#include "sdcard/card.h"
#include "sdcard/drives.h"
#include "sdcard/tsdio.h"
#include "sdcard/tsdstart.h"

namespace quelmo::cli {
namespace {

namespace fs = std::filesystem;

struct RomOptions {
    std::string port;
    int memory = 0;
    std::string flash;
};

struct TargetOptions {
    std::string device;
    std::string image;
    bool rom = false;
    bool yes = false;
};

void MakeRom(Cli& cli, const RomOptions& o) {
    if (!o.port.empty() && o.memory) return cli.Fail("give either --port or --memory", 2);
    Tglobal g(cli.Workdir());
    // With --port the module is asked for its memory size, as the tool page does once connected.
    TComm comm;
    DeviceLink link(comm, g.Rom());
    int connection_state = 0;
    if (!o.port.empty()) {
        std::string message;
        link.OnMessage = [&message](const std::string& text) { message = text; };
        comm.SetReadIntervalTimeout(3);
        auto connected = link.ManualConnect(o.port, 115200, "3");
        if (!connected) return cli.Fail(connected.error());
        if (!*connected) return cli.Fail(message.empty() ? link_text::kNotFoundOnPort : message, 1);
        connection_state = link.ConnectionState;
    }
    // The image copied: the given flash image, else the workspace built as the refresh does.
    auto refresh = [&]() -> Status {
        if (!o.flash.empty()) return g.Rom().LoadFile(o.flash);
        return BuildWorkspace(g, std::cerr);
    };
    sd::Tsdstart page(g.Workdir());
    const std::optional<int> memory = o.memory ? std::optional<int>(o.memory) : std::nullopt;
    auto message = page.MakeRom(g.Rom(), connection_state, memory, refresh);
    if (connection_state) link.Disconnect();
    if (!message) return cli.Fail(message.error());
    std::cout << *message << "\n" << "rom.sbin: " << page.RomStatus() << "\n";
}

void Status(Cli& cli) {
    sd::Tsdstart page(cli.Workdir());
    std::cout << "pic.sbin: " << page.PictureStatus() << "\n" << "rom.sbin: " << page.RomStatus() << "\n";
}

void Devices() {
    const auto drives = sd::ListRemovableDrives();
    if (drives.empty()) std::cout << "no removable drive\n";
    for (const auto& d : drives) {
        std::cout << d.device.string() << "  " << sd::GroupThousands(d.size) << " bytes  ";
        if (d.mounts.empty()) std::cout << "not mounted";
        for (size_t i = 0; i < d.mounts.size(); ++i) std::cout << (i ? ", " : "mounted on ") << d.mounts[i];
        std::cout << "\n";
    }
}

// Prints the log lines added since `shown` and returns the new count.
size_t PrintLog(const sd::Tsdio& writer, size_t shown) {
    for (; shown < writer.Log().size(); ++shown) std::cout << writer.Log()[shown] << "\n";
    return shown;
}

void PrintSteps(const sd::Tsdio& writer) {
    std::cout << writer.Text(2) << "\n" << writer.Text(3) << "\n";
}

void Detect(Cli& cli, double timeout) {
    sd::SystemCardAccess access;
    sd::Tsdio writer(access, cli.Workdir() / "sd");
    writer.Start();
    size_t shown = PrintLog(writer, 0);
    std::cout << writer.Text(2) << std::endl;
    sd::DriveWatcher watcher([&] { return access.RemovableDrives(); });
    watcher.Poll();
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const auto change = watcher.Poll();
        if (change.removed) {
            writer.OnRemoval();
            return cli.Fail("a drive was removed; run sd detect again", 1);
        }
        if (!change.arrived) continue;
        auto found = writer.OnArrival();
        shown = PrintLog(writer, shown);
        if (!found) return cli.Fail(found.error());
        if (*found) return PrintSteps(writer);
    }
    std::ostringstream seconds;
    seconds << timeout;
    cli.Fail("no card was inserted within " + seconds.str() + " s", 1);
}

// The card named by --device or --image, examined as the writer's detection does.
bool Examine(Cli& cli, const TargetOptions& o, sd::Tsdio& writer) {
    if (o.device.empty() == o.image.empty()) {
        cli.Fail("give exactly one of --device DEV and --image FILE", 2);
        return false;
    }
    sd::Drive drive;
    drive.device = o.device.empty() ? o.image : o.device;
    drive.kind = o.device.empty() ? sd::CardKind::kImage : sd::CardKind::kDevice;
    drive.name = drive.device.filename().string();
    auto s = writer.Detect(drive);
    PrintLog(writer, 0);
    if (!s) {
        cli.Fail(s.error());
        return false;
    }
    PrintSteps(writer);
    return true;
}

// Asks before a raw write. Without an answer (no terminal, end of input) the answer is no.
bool Confirm(Cli& cli, const TargetOptions& o, const std::string& what) {
    if (o.yes) return true;
    const std::string target = o.device.empty() ? o.image : o.device;
    std::cout << what << " " << target << ": what it holds will be overwritten. Continue? [y/N] " << std::flush;
    std::string answer;
    if (std::getline(std::cin, answer) && (answer == "y" || answer == "Y" || answer == "yes")) return true;
    std::cout << "\n";
    cli.Fail("cancelled; nothing was written", 1);
    return false;
}

void Format(Cli& cli, const TargetOptions& o) {
    sd::SystemCardAccess access;
    sd::Tsdio writer(access, cli.Workdir() / "sd");
    if (!Examine(cli, o, writer) || !Confirm(cli, o, "Format")) return;
    auto message = writer.Format();
    if (!message) return cli.Fail(message.error());
    std::cout << writer.Text(3) << "\n" << *message << "\n";
}

void Write(Cli& cli, const TargetOptions& o) {
    sd::SystemCardAccess access;
    sd::Tsdio writer(access, cli.Workdir() / "sd");
    if (!Examine(cli, o, writer)) return;
    if (writer.NeedsFormat()) return cli.Fail(writer.Text(3) + " (quelmo sd format)", 1);
    if (!Confirm(cli, o, "Write the card data to")) return;
    writer.SetWriteRom(o.rom);
    // On a terminal, show the step-4 text once a megabyte.
    if (isatty(STDERR_FILENO))
        writer.on_progress = [&writer](uint64_t offset) {
            if (offset % (1 << 20) == 0) std::cerr << "\r" << writer.Text(4) << std::flush;
        };
    auto message = writer.WriteData(std::time(nullptr));
    if (isatty(STDERR_FILENO)) std::cerr << "\r\033[K" << std::flush;
    if (!message) return cli.Fail(message.error());
    std::cout << *message << "\n";
}

void AddTarget(CLI::App* sub, TargetOptions& o) {
    sub->add_option("--device", o.device, "removable drive, the whole disk (for example /dev/sdb)");
    sub->add_option("--image", o.image, "card image file");
    sub->add_flag("--yes", o.yes, "do not ask before writing");
}

CommandRegistrar reg(80, [](CLI::App& app, Cli& cli) {
    auto* sd = app.add_subcommand("sd", "SD (TF) card tool: card data in sd/, card format and raw write");
    AddPictureCommands(sd->add_subcommand("pictures", "the SD card's picture list in sd/pic: list, sort, make"), cli,
                       true);
    sd->require_subcommand(1);

    auto rom = std::make_shared<RomOptions>();
    auto* r = sd->add_subcommand("rom", "make sd/rom.sbin, the flash upgrade copy of the module's memory size");
    r->add_option("--port", rom->port, "serial port of the connected module");
    r->add_option("--memory", rom->memory, "module memory size in MB, without a module")->check(CLI::IsMember({2, 4, 8, 16}));
    r->add_option("--flash", rom->flash, "16 MB flash image to copy (default: the workspace's image, built now)");
    r->callback([&cli, rom] { MakeRom(cli, *rom); });

    sd->add_subcommand("status", "the state of sd/pic.sbin and sd/rom.sbin")->callback([&cli] { Status(cli); });
    sd->add_subcommand("devices", "list the removable drives")->callback([] { Devices(); });

    auto timeout = std::make_shared<double>(60);
    auto* d = sd->add_subcommand("detect", "wait for a card inserted from now on and examine it");
    d->add_option("--timeout", *timeout, "seconds to wait (default 60)")->check(CLI::PositiveNumber);
    d->callback([&cli, timeout] { Detect(cli, *timeout); });

    auto format = std::make_shared<TargetOptions>();
    auto* f = sd->add_subcommand("format", "mark a card for the module (writes its first sector)");
    AddTarget(f, *format);
    f->callback([&cli, format] { Format(cli, *format); });

    auto write = std::make_shared<TargetOptions>();
    auto* w = sd->add_subcommand("write", "write sd/pic.idx, sd/pic.sbin (and with --rom sd/rom.sbin) to a card");
    AddTarget(w, *write);
    w->add_flag("--rom", write->rom, "also write the upgrade copy sd/rom.sbin");
    w->callback([&cli, write] { Write(cli, *write); });
});

}  // namespace
}  // namespace quelmo::cli
