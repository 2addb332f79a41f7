#pragma once
// What a working window may ask of the frame. Every working window gets the frame as a
// ShellHost& and switches, refreshes and reaches the shared objects only through it: a window
// never reaches into another window's widgets. The main window implements it; window tests
// give a small fake of their own.
#include <string>
#include <vector>

namespace quelmo {
class Tglobal;
class Tproject;
class DeviceLink;
class PictureList;
}  // namespace quelmo

namespace quelmo::ui {

class ShellHost {
public:
    virtual ~ShellHost() = default;

    // The application context: image, settings store, rasteriser, interpreter and screen.
    virtual Tglobal& Context() = 0;
    // The open project and its lifecycle.
    virtual Tproject& Project() = 0;
    // The shared port Comm1 with the exchange state (ConnectionState, ReplyBuffer, ReceiveView).
    virtual DeviceLink& Link() = 0;

    // Switches to the working window `name` ("start", "prjini", "pic", "editcmd", ...) and
    // records it in the history behind 'return'.
    virtual void Navigate(const std::string& name) = 0;
    // 'reflash display': the menu rules, the status panel (rebuilding the flash image while a
    // project is open), then the project settings saved while a project is open.
    virtual void Refresh() = 0;
    // The menu enabling rules alone.
    virtual void RefreshMenus() = 0;
    // The status panel: the menu rules, the flash image rebuilt while a project is open, the
    // project label, the connection lines and the flash bar (after a connect, after the
    // offline setup).
    virtual void RefreshStatus() { Refresh(); }
    // The file menu's create and open, with their dialogs and messages (the start page offers
    // them too).
    virtual void NewProject() {}
    virtual void OpenProject() {}
    // False when the last refresh left the flash image incomplete (its build ran out of room):
    // such an image is never uploaded.
    virtual bool ImageBuilt() { return true; }
    // The stop flag shared with running transfers; set on exit and on closing the main window.
    virtual bool& StopFlag() = 0;

    // The start page, whenever it is shown: 'return' disabled and the history depth back to 0,
    // without showing any window.
    virtual void ResetHistory() {}
    // Runs a named action as its menu entry or window does, when it is enabled: the main menu
    // entries by their component names ("newprj", "loadprj", "C4", ...) and "commcon.search",
    // the connection window's automatic search. False when there is no such action or it is off.
    virtual bool RunAction(const std::string& name) { return false; }
    // A project was opened outside the file menu (a sample from the start page): the frame
    // brings up to date what depends on it, such as the batch interface editor's page list.
    virtual void ProjectOpened() {}
    // Files were added to the workspace's picture folder: the picture list reflashes.
    virtual void PictureFolderChanged() {}
    // The flash picture list as the picture window last made it (with its thumbnails), or none.
    virtual const PictureList* MadePictureList() { return nullptr; }
    // The two design editors meet here. All text is GBK.
    // The batch interface editor's edit area (txmemo), which the assist design editor imports
    // and receives an ended design into.
    virtual std::string EditAreaText() { return {}; }
    virtual void SetEditAreaText(const std::string& text) { (void)text; }
    // The captions of the batch interface editor's 128 page items ("5:menu").
    virtual std::vector<std::string> PageCaptions() { return {}; }
    // "import code to assist design": switch to the assist design editor and import the edit area.
    virtual void ImportIntoDesign() {}
    // Puts the text into the C code window's source box and shows that window modally.
    virtual void ShowCCode(const std::string& text) { (void)text; }
};

}  // namespace quelmo::ui
