// quelmo set / get: raw access to the project settings store (UTF-8 here, GBK in the store).
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/session.h"
#include "core/gbk.h"

namespace quelmo::cli {
namespace {

struct SettingOptions {
    std::string key, value;
};

bool KeyToGbk(Cli& cli, const std::string& utf8, std::string* key) {
    if (!ArgumentToGbk(cli, "the key", utf8, key)) return false;
    if (key->empty() || !THashTable::KeyFitsFile(*key)) {
        cli.Fail("a key is one line of text, not empty", 2);
        return false;
    }
    return true;
}

void Set(Cli& cli, const SettingOptions& o) {
    std::string key, value;
    if (!KeyToGbk(cli, o.key, &key) || !ArgumentToGbk(cli, "the value", o.value, &value)) return;
    Session s(cli.Workdir());
    if (!s.Start(cli) || !s.RequireOpen(cli)) return;
    // Only the store is written: the project keys are read back from it by the next run.
    s.g.Settings().SetValue(key, value);
    if (auto r = s.g.Settings().Save(s.project.Workspace(), project::kSettingsName); !r) cli.Fail(r.error());
}

void Get(Cli& cli, const SettingOptions& o) {
    std::string key;
    if (!KeyToGbk(cli, o.key, &key)) return;
    Session s(cli.Workdir());
    if (!s.Start(cli)) return;
    std::cout << GbkToUtf8(s.g.Settings().GetValue(key)) << "\n";
}

CommandRegistrar reg(31, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<SettingOptions>();
    auto* sub = app.add_subcommand("set", "set a key of the project settings store");
    sub->add_option("key", o->key, "key, for example PrjName")->required();
    sub->add_option("value", o->value, "value")->required();
    sub->callback([&cli, o] { Set(cli, *o); });

    sub = app.add_subcommand("get", "print a key of the project settings store (empty when absent)");
    sub->add_option("key", o->key, "key, for example BTL")->required();
    sub->callback([&cli, o] { Get(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
