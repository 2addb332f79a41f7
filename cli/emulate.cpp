// quelmo emulate: serves a virtual module on a pseudo-terminal until SIGTERM or SIGINT, then
// writes its screen and flash when asked to.
#include <signal.h>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "cli/cli.h"
#include "display/png.h"
#include "link/virtual_module.h"

namespace quelmo::cli {
namespace {

struct EmulateOptions {
    VirtualModuleOptions module;
    std::string fault;
    std::string trace;
    std::string screen_png;
    std::string flash_out;
    std::string flash_in;
};

Status WriteFlash(const Trom& rom, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto size = static_cast<std::streamsize>(rom.MemorySize()) << 20;
    if (!out.write(reinterpret_cast<const char*>(rom.Image()), size)) return Error{"cannot write " + path, 2};
    return {};
}

void Run(Cli& cli, EmulateOptions& o) {
    if (!o.fault.empty()) {
        auto faults = ParseFaults(o.fault);
        if (!faults) return cli.Fail(faults.error());
        o.module.faults = *faults;
    }
    bool known_rate = false;
    for (uint32_t r : VirtualModule::kRates) known_rate |= r == o.module.baud;
    if (!known_rate) return cli.Fail("--baud must be one of 2400 4800 9600 19200 38400 57600 115200 256000", 2);
    o.module.trace = o.trace;
    auto created = VirtualModule::Create(o.module);
    if (!created) return cli.Fail(created.error());
    VirtualModule& module = **created;
    if (!o.flash_in.empty())
        if (auto s = module.Flash().LoadFile(o.flash_in); !s) return cli.Fail(s.error());

    // Signals are taken by this thread only: block them before the serving thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    module.Start();
    std::cout << module.DevicePath() << std::endl;
    int sig = 0;
    sigwait(&signals, &sig);
    module.Stop();

    if (!o.screen_png.empty())
        if (auto s = WritePng(module.Screen().View(), o.screen_png); !s)
            return cli.Fail(s.error());
    if (!o.flash_out.empty())
        if (auto s = WriteFlash(module.Flash(), o.flash_out); !s) return cli.Fail(s.error());
}

CommandRegistrar reg(80, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<EmulateOptions>();
    auto* sub = app.add_subcommand("emulate", "serve a virtual module on a pseudo-terminal (prints its path)");
    sub->add_option("--width", o->module.width, "screen width (default 320)");
    sub->add_option("--height", o->module.height, "screen height (default 240)");
    sub->add_option("--firmware", o->module.firmware, "firmware version (default 5.56)");
    sub->add_option("--memory", o->module.memory, "flash size in MB: 2, 4, 8 or 16 (default 16)");
    sub->add_option("--serial", o->module.serial, "serial number, up to 14 characters");
    sub->add_option("--baud", o->module.baud, "the rate the module listens at (default 115200)");
    sub->add_flag("--throttle", o->module.throttle, "take a real line's time for every byte");
    sub->add_option("--fault", o->fault,
                    "misbehave: silent-after=N,garbage=N,drop-ack=N,okok=N,inf-ok,lose-writes,split=MS");
    sub->add_option("--trace", o->trace, "write a protocol trace to FILE");
    sub->add_option("--screen-png", o->screen_png, "on exit, write the module's screen as PNG");
    sub->add_option("--flash-out", o->flash_out, "on exit, write the module's flash (memory size bytes)");
    sub->add_option("--flash-in", o->flash_in, "start with this flash image instead of an erased flash");
    sub->callback([&cli, o] { Run(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
