#include "pictures/picture_list.h"
#include "core/workdir.h"

#include <fcntl.h>
#include <stdio.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <thread>

namespace quelmo {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool IsJpegName(const std::string& name) {
    const std::string ext = Lower(fs::path(name).extension().string());
    return ext == ".jpg" || ext == ".jpeg";
}

bool IsGif(const std::string& name) { return Lower(fs::path(name).extension().string()) == ".gif"; }

// N of a file named N.ext with N in 1 .. the slot count written without leading zeros; else 0.
int NameNumber(const std::string& name) {
    const std::string stem = fs::path(name).stem().string();
    if (stem.empty() || stem.size() > 4 || stem[0] == '0') return 0;
    int n = 0;
    for (const char c : stem) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= pictures::kSlots ? n : 0;
}

// The folder's regular files, in byte order of their names. A folder that does not exist holds
// none; one that cannot be read is an error, never an empty list.
Result<std::vector<std::string>> ListFiles(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec == std::errc::no_such_file_or_directory) return names;
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_regular_file(type_ec)) names.push_back(it->path().filename().string());
    }
    if (ec) return Error{"cannot read the picture folder " + folder.string() + ": " + ec.message(), 2};
    std::sort(names.begin(), names.end());
    return names;
}

struct Rename {
    fs::path from, to;
};

// Renames without ever replacing a file: a name already taken is an error.
std::error_code RenameKeeping(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return std::error_code(errno, std::generic_category());
    // A file system without the flag: look first.
    std::error_code ec;
    if (fs::symlink_status(to, ec).type() != fs::file_type::not_found)
        return std::make_error_code(std::errc::file_exists);
    fs::rename(from, to, ec);
    return ec;
}

// Renames each file in turn. When one fails, those renamed before it go back to their names,
// newest first; a file that cannot go back is added to `stuck`. The error names the failed one.
Status RenameAll(const std::vector<Rename>& renames, std::vector<fs::path>& stuck) {
    for (size_t i = 0; i < renames.size(); ++i) {
        const std::error_code ec = RenameKeeping(renames[i].from, renames[i].to);
        if (!ec) continue;
        for (size_t j = i; j-- > 0;)
            if (RenameKeeping(renames[j].to, renames[j].from)) stuck.push_back(renames[j].to);
        return Error{"cannot rename " + renames[i].from.string() + ": " + ec.message(), 1};
    }
    return {};
}

}  // namespace

PictureList::PictureList(PicLayout layout, fs::path folder, fs::path output)
    : folder_(std::move(folder)), output_(std::move(output)), builder_(layout) {}

PictureList PictureList::ForFlash(const fs::path& workdir) {
    return PictureList(PicLayout::kFlash, WorkspaceOf(workdir) / "pic", WorkspaceOf(workdir));
}

PictureList PictureList::ForSdCard(const fs::path& workdir) {
    return PictureList(PicLayout::kSd, workdir / "sd" / "pic", workdir / "sd");
}

int PictureList::PictureNumber(size_t p) const {
    return static_cast<int>(p) + (Layout() == PicLayout::kFlash ? 1 : 0);
}

std::string PictureList::ItemText(size_t p) const {
    const size_t shown = p + (Layout() == PicLayout::kFlash ? 1 : 1024);
    return std::to_string(shown) + "(" + items_[p].name + ")";
}

std::string PictureList::FolderState(const fs::path& folder) {
    std::vector<std::string> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        entries.push_back(it->path().filename().string() + "|" + std::to_string(it->file_size(e2)) + "|" +
                          std::to_string(it->last_write_time(e2).time_since_epoch().count()));
    }
    std::sort(entries.begin(), entries.end());
    std::string state;
    for (const auto& e : entries) state += e + "\n";
    return state;
}

Status PictureList::Reflash(Tjpglist::Thumbs thumbs, int threads) {
    builder_.Reset();
    items_.clear();
    state_at_reflash_.clear();
    std::string state = FolderState(folder_);
    const bool flash = Layout() == PicLayout::kFlash;
    auto listed = ListFiles(folder_);
    listing_ = listed ? Status() : Status(listed.error());
    if (!listed) return listed.error();
    const std::vector<std::string>& names = *listed;
    std::set<std::string> taken;
    std::vector<std::string> order;
    auto take = [&](const std::string& name) {
        taken.insert(name);
        order.push_back(name);
    };
    // Numbered files first, by number: N.jpg then N.gif. Each name's number is read once.
    std::vector<std::vector<const std::string*>> numbered(pictures::kSlots + 1);
    for (const std::string& name : names)
        if (const int n = NameNumber(name); n > 0) numbered[static_cast<size_t>(n)].push_back(&name);
    for (int n = 1; n <= pictures::kSlots; ++n) {
        for (const std::string* name : numbered[static_cast<size_t>(n)])
            if (IsJpegName(*name)) take(*name);
        if (flash)
            for (const std::string* name : numbered[static_cast<size_t>(n)])
                if (IsGif(*name)) take(*name);
    }
    // Then the others: GIF files (flash list only), then JPEG files. Names beginning with "_@"
    // are files halfway through a sort.
    auto others = [&](bool gif) {
        for (const std::string& name : names) {
            if (taken.count(name) || name.rfind("_@", 0) == 0) continue;
            if (gif ? IsGif(name) : IsJpegName(name)) take(name);
        }
    };
    if (flash) others(true);
    others(false);

    // The pictures decode side by side; the list takes them in its order, up to the capacity.
    std::vector<fs::path> files;
    for (const std::string& name : order) files.push_back(folder_ / name);
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::min(8u, std::thread::hardware_concurrency())));
    size_t failed = 0;
    const int first = builder_.LoadedCount();
    auto slots = builder_.LoadAll(files, threads, thumbs, &failed);
    // The files before a failure keep the slots they were loaded into, one after the other.
    const size_t loaded = static_cast<size_t>(builder_.LoadedCount() - first);
    const size_t kept = slots ? order.size() : failed;
    for (size_t i = 0; i < kept; ++i)
        items_.push_back(PictureItem{order[i], i < loaded ? first + static_cast<int>(i) : -1});
    if (!slots) return slots.error();
    state_at_reflash_ = std::move(state);
    return {};
}

Status PictureList::MoveItem(size_t from, size_t to) {
    if (from >= items_.size() || to >= items_.size())
        return Error{"no such position: the list has " + std::to_string(items_.size()) + " pictures", 2};
    const auto first = items_.begin();
    if (from < to)
        std::rotate(first + static_cast<ptrdiff_t>(from), first + static_cast<ptrdiff_t>(from) + 1,
                    first + static_cast<ptrdiff_t>(to) + 1);
    else
        std::rotate(first + static_cast<ptrdiff_t>(to), first + static_cast<ptrdiff_t>(from),
                    first + static_cast<ptrdiff_t>(from) + 1);
    // The order is the user's now, no longer the folder's.
    state_at_reflash_.clear();
    return {};
}

std::string PictureList::SortedName(size_t p) const {
    const bool gif = Layout() == PicLayout::kFlash && IsGif(items_[p].name);
    return std::to_string(p + 1) + (gif ? ".gif" : ".jpg");
}

Status PictureList::SortFileName() {
    // Each file goes to "_@" + its target name first, so no rename overwrites a file that has
    // not moved yet. Files outside the list must not stand in the way of either name.
    std::set<std::string> listed;
    for (const PictureItem& item : items_) listed.insert(item.name);
    std::error_code ec;
    for (size_t p = 0; p < items_.size(); ++p) {
        const std::string target = SortedName(p);
        if (fs::exists(folder_ / ("_@" + target), ec))
            return Error{"cannot sort: " + (folder_ / ("_@" + target)).string() + " is in the way", 1};
        if (fs::exists(folder_ / target, ec) && !listed.count(target))
            return Error{"cannot sort: " + (folder_ / target).string() + " is in the way", 1};
    }
    // Both rounds go back whole when a rename fails, so every file keeps a name the list shows.
    std::vector<Rename> to_temporary, to_final;
    for (size_t p = 0; p < items_.size(); ++p) {
        const fs::path from = folder_ / items_[p].name;
        if (!fs::exists(from, ec)) continue;
        to_temporary.push_back({from, folder_ / ("_@" + SortedName(p))});
        to_final.push_back({to_temporary.back().to, folder_ / SortedName(p)});
    }
    std::vector<fs::path> stuck;
    Status s = RenameAll(to_temporary, stuck);
    if (s) {
        s = RenameAll(to_final, stuck);
        // The second round went back as far as it could: the files under "_@" names go on to
        // the names they had (one that kept its new name is still in the list).
        if (!s)
            for (size_t j = to_temporary.size(); j-- > 0;) {
                const Rename& r = to_temporary[j];
                std::error_code exists_ec;
                if (fs::exists(r.to, exists_ec) && RenameKeeping(r.to, r.from)) stuck.push_back(r.to);
            }
    }
    if (!s) {
        std::string message = s.error().message + "; the files keep their names";
        if (!stuck.empty()) {
            message = s.error().message + "; these could not get their names back:";
            for (const fs::path& f : stuck) message += " " + f.string();
        }
        (void)Reflash();
        return Error{message, 1};
    }
    return Reflash();
}

Result<std::vector<std::string>> PictureList::Make(const std::function<void(int)>& progress) {
    // A list whose folder could not be read is not the folder's: writing it would replace the
    // data files with too few pictures.
    if (!listing_) return listing_.error();
    builder_.Reset();
    if (progress) progress(0);
    std::vector<Tjpglist::Addition> additions;
    std::vector<size_t> positions;
    for (size_t p = 0; p < items_.size(); ++p)
        if (items_[p].slot >= 0) {
            additions.push_back({PictureNumber(p), items_[p].slot});
            positions.push_back(p);
        }
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    auto added = builder_.MakeFiles(additions, threads, [&](size_t done, size_t total) {
        if (progress) progress(static_cast<int>(done * 100 / std::max<size_t>(total, 1)));
    }, output_);
    if (!added) return added.error();
    std::vector<std::string> notes;
    for (size_t a = 0; a < additions.size(); ++a)
        if ((*added)[a] == Tjpglist::Added::kNoRoom)
            notes.push_back(ItemText(positions[a]) + ": left out, its pixels do not fit in the picture data");
    if (progress) progress(100);
    return notes;
}

}  // namespace quelmo
