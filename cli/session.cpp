#include "cli/session.h"

#include "core/gbk.h"

namespace quelmo::cli {

bool Session::Start(Cli& cli) {
    if (auto r = project.Startup(); !r) {
        cli.Fail(r.error());
        return false;
    }
    return true;
}

bool Session::RequireOpen(Cli& cli) {
    if (project.State().IsOpen()) return true;
    cli.Fail("no project is open (quelmo project new NAME FILE.gpu, or quelmo project open FILE.gpu)", 1);
    return false;
}

void Session::Finish(Cli& cli) {
    if (!project.State().IsOpen()) return;
    if (auto s = project.SaveSettings(); !s) cli.Fail(s.error());
}

bool ArgumentToGbk(Cli& cli, const std::string& what, const std::string& utf8, std::string* gbk) {
    bool ok = true;
    *gbk = Utf8ToGbk(utf8, &ok);
    if (!ok) cli.Fail(what + " holds characters that GBK cannot hold", 2);
    return ok;
}

}  // namespace quelmo::cli
