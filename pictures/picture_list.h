#pragma once
// The picture lists behind the picture windows: the flash list over temp/pic (output temp/pic.sbin,
// temp/pic.idx) and the SD list over sd/pic (output sd/pic.sbin, sd/pic.idx). Each lists its
// folder in a fixed order, renames the files after their positions, and makes the data files.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/result.h"
#include "pictures/jpglist.h"

namespace quelmo {

struct PictureItem {
    std::string name;  // the file name
    int slot = -1;     // the builder's slot, or -1 when the file was not loaded
};

class PictureList {
public:
    // `folder` holds the pictures; Make writes into `output`.
    PictureList(PicLayout layout, std::filesystem::path folder, std::filesystem::path output);
    static PictureList ForFlash(const std::filesystem::path& workdir);
    static PictureList ForSdCard(const std::filesystem::path& workdir);

    PicLayout Layout() const { return builder_.Layout(); }
    const std::filesystem::path& Folder() const { return folder_; }
    const std::filesystem::path& Output() const { return output_; }

    // Rebuilds the list from the folder: the numbered files 1..512 first (N.jpg, then N.gif on the
    // flash list), then the other GIF files (flash list only), then the other JPEG files, each
    // group in name order; names beginning with "_@" are skipped. Files the builder cannot take
    // are listed without a slot. A picture that cannot be decoded ends the reflash there with an
    // error naming the file; the items before it stay. A folder that cannot be read gives an
    // empty list and an error with the reason (a folder that does not exist holds no pictures).
    // `thumbs` says how the builder makes the thumbnails; the pictures decode on `threads`
    // threads (0: one per core, up to 8).
    Status Reflash(Tjpglist::Thumbs thumbs = Tjpglist::Thumbs::kExact, int threads = 0);
    const std::vector<PictureItem>& Items() const { return items_; }

    // The folder as it stands: every file's name, size and time, one a line in name order. A
    // list whose last reflash saw the folder in this state still holds what the folder holds.
    static std::string FolderState(const std::filesystem::path& folder);
    // FolderState at the start of the last complete reflash; empty before one, or after one that
    // failed.
    const std::string& StateAtReflash() const { return state_at_reflash_; }

    // Moves the item at position `from` to position `to`, the items between shifting by one, as
    // the user orders the list by dragging. Sort file name and Make take the list in this order.
    // Refused when either position is outside the list.
    Status MoveItem(size_t from, size_t to);
    const Tjpglist& Builder() const { return builder_; }

    // The picture number of position p (0-based): p + 1 on the flash, p on the SD card.
    int PictureNumber(size_t p) const;
    // The window's caption of an item: position + 1 (flash) or position + 1024 (SD), then the
    // file name in brackets.
    std::string ItemText(size_t p) const;

    // Renames every file after its position (1.jpg, 2.gif, ...) through "_@" names, then reflashes.
    // Refused, with nothing renamed, when a file that is not in the list is in the way. When a
    // rename fails, the files renamed before it get their old names back and the error says so.
    Status SortFileName();

    // Makes the data files of the current list; `progress` gets 0..100. The notes name pictures
    // left out because their pixels do not fit. Refused, writing nothing, while the last reflash
    // could not read the folder.
    Result<std::vector<std::string>> Make(const std::function<void(int)>& progress);

private:
    std::string SortedName(size_t p) const;

    std::filesystem::path folder_;
    std::filesystem::path output_;
    Tjpglist builder_;
    std::vector<PictureItem> items_;
    Status listing_;  // whether the last reflash could read the folder
    std::string state_at_reflash_;
};

}  // namespace quelmo
