// quelmo ccode: command text to C (GpuSend) or Arduino (Serial.print) source lines.
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "codegen/ccode.h"
#include "core/gbk.h"

namespace quelmo::cli {
namespace {

struct CCodeCliOptions {
    CCodeOptions code;
    bool gbk = false;
    std::string input = "-";
};

void Run(Cli& cli, const CCodeCliOptions& o) {
    auto text = ReadInput(o.input);
    if (!text) return cli.Fail(text.error());
    const std::string command = o.gbk ? *text : Utf8ToGbk(*text);
    for (const auto& line : GenerateCCode(command, o.code)) std::cout << (o.gbk ? line : GbkToUtf8(line)) << "\n";
}

CommandRegistrar reg(50, [](CLI::App& app, Cli& cli) {
    auto o = std::make_shared<CCodeCliOptions>();
    auto* sub = app.add_subcommand("ccode", "turn command text into C source that sends it");
    sub->add_flag("--arduino", o->code.arduino, "Serial.print(\"...\"); instead of GpuSend(\"...\");");
    sub->add_flag("--hex", o->code.hex, "Chinese as \\xHH escapes, each line followed by its text as a comment");
    sub->add_flag("--single-line", o->code.single_line, "the whole text as one call");
    sub->add_flag("--gbk", o->gbk, "input and output are GBK bytes (default UTF-8)");
    sub->add_option("input", o->input, "file with command text, or - for standard input");
    sub->callback([&cli, o] { Run(cli, *o); });
});

}  // namespace
}  // namespace quelmo::cli
