// quelmo pictures list|sort|make [--sd]: the picture lists of temp/pic (flash) and sd/pic (SD card).
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/pictures.h"
#include "pictures/picture_list.h"

namespace quelmo::cli {
namespace {

void PrintList(const PictureList& list) {
    const auto& items = list.Items();
    for (size_t p = 0; p < items.size(); ++p) {
        std::cout << list.PictureNumber(p) << "  ";
        if (items[p].slot < 0) {
            std::cout << "-  " << items[p].name << "  (not loaded: the list holds " << list.Builder().Capacity()
                      << " pictures)\n";
            continue;
        }
        const PictureSlot& slot = list.Builder().Slot(items[p].slot);
        std::cout << slot.width << "x" << slot.height << "  " << items[p].name;
        if (slot.width >= pictures::kMaxOutputWidth || slot.height >= pictures::kMaxOutputHeight)
            std::cout << "  (too large for the module: left out)";
        std::cout << "\n";
    }
}

PictureList OpenList(Cli& cli, bool sd) {
    return sd ? PictureList::ForSdCard(cli.Workdir()) : PictureList::ForFlash(cli.Workdir());
}

void List(Cli& cli, bool sd) {
    PictureList list = OpenList(cli, sd);
    const Status s = list.Reflash();
    PrintList(list);
    if (!s) cli.Fail(s.error());
}

void Sort(Cli& cli, bool sd) {
    PictureList list = OpenList(cli, sd);
    if (auto s = list.Reflash(); !s) return cli.Fail(s.error());
    const Status s = list.SortFileName();
    PrintList(list);
    if (!s) cli.Fail(s.error());
}

void Make(Cli& cli, bool sd) {
    PictureList list = OpenList(cli, sd);
    if (auto s = list.Reflash(); !s) return cli.Fail(s.error());
    int shown = -1;
    auto progress = [&shown](int percent) {
        if (percent == shown) return;
        shown = percent;
        const int filled = percent / 5;
        std::cerr << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(20 - filled), '.')
                  << "] " << percent << "%" << std::flush;
    };
    auto made = list.Make(progress);
    std::cerr << "\n";
    if (!made) return cli.Fail(made.error());
    for (const std::string& note : *made) std::cerr << "quelmo: " << note << "\n";
    std::cout << (sd ? "图片生成完成!" : "生成完成!") << "\n";
}

CommandRegistrar reg(40, [](CLI::App& app, Cli& cli) {
    auto* group = app.add_subcommand("pictures", "the picture list: temp/pic for the flash, sd/pic for the SD card");
    AddPictureCommands(group, cli, false);
});

}  // namespace

void AddPictureCommands(CLI::App* group, Cli& cli, bool sd_only) {
    group->require_subcommand(1);
    struct Action {
        const char* name;
        const char* help;
        void (*run)(Cli&, bool);
    };
    for (const Action& a : {Action{"list", "list the pictures in order: number, size, file name", List},
                            Action{"sort", "rename the files after their list positions (1.jpg, 2.gif, ...)", Sort},
                            Action{"make", "write pic.sbin and pic.idx (temp/, or sd/ with --sd)", Make}}) {
        auto sd = std::make_shared<bool>(sd_only);
        auto* sub = group->add_subcommand(a.name, a.help);
        if (!sd_only) sub->add_flag("--sd", *sd, "the SD card's list (sd/pic) instead of the flash's (temp/pic)");
        sub->callback([&cli, sd, run = a.run] { run(cli, *sd); });
    }
}

}  // namespace quelmo::cli
