#include "shell/ui/window_table.h"

#include "shell/context.h"
#include "codegen/ui/ccode_form.h"
#include "editors/ui/editcmd_form.h"
#include "editors/ui/pjm_form.h"
#include "fonts/ui/fontedit_form.h"
#include "ime/ui/pymb_form.h"
#include "link/ui/commcon_form.h"
#include "link/ui/sync_form.h"
#include "pictures/ui/gif_form.h"
#include "pictures/ui/pic_form.h"
#include "project/ui/prjini_form.h"
#include "shell/ui/shell_host.h"
#include "sdcard/ui/sdio_form.h"
#include "sdcard/ui/sdstart_form.h"
#include "shell/downloader.h"
#include "shell/ui/ie_form.h"
#include "shell/ui/start_form.h"

namespace quelmo::ui {
namespace {

template <class Form>
WindowEntry Entry(std::string name) {
    return {std::move(name), [](ShellHost& host, QWidget* parent) -> QWidget* { return new Form(host, parent); }};
}

QWidget* MakePic(ShellHost& host, QWidget* parent) {
    auto* form = new PicForm(PicLayout::kFlash, host.Context().Workdir(), parent);
    // Make wrote new picture data: the refresh builds it into the image.
    QObject::connect(form, &PicForm::Made, form, [&host] { host.Refresh(); });
    return form;
}

QWidget* MakeSdPic(ShellHost& host, QWidget* parent) {
    return new PicForm(PicLayout::kSd, host.Context().Workdir(), parent);
}

QWidget* MakeGif(ShellHost& host, QWidget* parent) { return new GifForm(host.Context().Workdir(), parent); }

// 'Check image': the picture list reflashes, then comes to the front.
void WireGif(QWidget* self, ShellHost& host, const WindowLookup& find) {
    auto* pic = qobject_cast<PicForm*>(find("pic"));
    QObject::connect(static_cast<GifForm*>(self), &GifForm::CheckImage, self, [pic, &host] {
        if (pic) pic->Reflash();
        host.Navigate("pic");
    });
}

// The input method resources come from the server through the one downloader.
QWidget* MakePymb(ShellHost& host, QWidget* parent) {
    auto* form = new Tpymbform(host, parent);
    form->SetDownloader([](const std::string& url, const std::filesystem::path& target) {
        return static_cast<bool>(shell::Download(url, target));
    });
    return form;
}

QWidget* MakeCcode(ShellHost&, QWidget* parent) { return new Tccodeform(parent); }

}  // namespace

// One line per window, in the order the program creates them. A window not built yet is not
// listed; its menu entries stay out of the menus until it is.
const WindowTable& ProgramWindows() {
    static const WindowTable table = {
        {"pymb", MakePymb},
        {"gif", MakeGif, WireGif},
        Entry<Tcommconform>("commcon"),
        Entry<Tprjiniform>("prjini"),
        {"pic", MakePic},
        Entry<Tfonteditform>("fontedit"),
        Entry<Tpjmform>("pjm"),
        Entry<Tsyncform>("sync"),
        Entry<Teditcmdform>("editcmd"),
        Entry<Tsdstartform>("sdstart"),
        {"sdpic", MakeSdPic},
        Entry<Tsdioform>("sdio"),
        {"ccode", MakeCcode, {}, true},  // modal: 'c code generate' shows it
        Entry<Tieform>("ie"),
        Entry<Tstartform>("start"),
    };
    return table;
}

}  // namespace quelmo::ui
