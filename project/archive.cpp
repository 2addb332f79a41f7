#include "project/archive.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

#include "core/file_write.h"
#include "core/workdir.h"
#include "core/gbk.h"

namespace quelmo {
namespace fs = std::filesystem;
namespace {

Error WrongFormat() { return Error{std::string(archive::kMsgWrongFormat), 1}; }

struct ZipCloser {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
    void operator()(zip_file_t* zf) const { zip_fclose(zf); }
};

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || (len == 2 && c < 0xC2) || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

// Entry names are UTF-8 in archives we write (flagged as such); the older program wrote GBK
// names without the flag. The strict reading converts unflagged names from CP437, so it differs
// from the raw bytes exactly when a name is unflagged and not plain ASCII.
bool DecodeName(zip_t* za, zip_uint64_t index, std::string* name) {
    const char* raw_name = zip_get_name(za, index, ZIP_FL_ENC_RAW);
    if (!raw_name) return false;
    const std::string raw = raw_name;
    const char* strict = zip_get_name(za, index, ZIP_FL_ENC_STRICT);
    if (!strict) return false;
    if (raw == strict) {
        *name = raw;
        return ValidUtf8(raw);
    }
    bool ok = true;
    *name = GbkToUtf8(raw, &ok);
    if (ok) return true;
    *name = raw;
    return ValidUtf8(raw);
}

struct Entry {
    zip_uint64_t index;
    std::string name;
    bool folder;
    zip_uint64_t size;
};

// Every name is checked, and the names must not clash with each other (a file where another
// entry needs a folder), before anything is written.
Result<std::vector<Entry>> ReadDirectory(zip_t* za) {
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0) return WrongFormat();
    std::vector<Entry> entries;
    std::set<std::string> files, folders;
    unsigned long long total = 0;
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
        Entry e{i, {}, false, 0};
        if (!DecodeName(za, i, &e.name) || !Tmakeprjfile::SafeEntryName(e.name))
            return WrongFormat();
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) return WrongFormat();
        e.folder = e.name.back() == '/';
        e.size = e.folder ? 0 : st.size;
        total += e.size;
        if (total > archive::kMaxUnpackedBytes) return WrongFormat();
        if (e.folder) {
            folders.insert(e.name.substr(0, e.name.size() - 1));
        } else {
            files.insert(e.name);
        }
        for (size_t slash = e.name.find('/'); slash != std::string::npos && slash + 1 < e.name.size();
             slash = e.name.find('/', slash + 1))
            folders.insert(e.name.substr(0, slash));
        entries.push_back(std::move(e));
    }
    for (const auto& f : files)
        if (folders.count(f)) return WrongFormat();
    return entries;
}

// The working folder must take the entries: no existing folder where a file goes, no existing
// file where a folder goes.
Status CheckTargets(const fs::path& workdir, const std::vector<Entry>& entries) {
    std::error_code ec;
    for (const auto& e : entries) {
        std::string_view name = e.name;
        if (e.folder) name.remove_suffix(1);
        fs::path target = workdir / fs::path(std::string(name));
        for (fs::path p = target.parent_path(); p != workdir && !p.empty(); p = p.parent_path())
            if (fs::exists(p, ec) && !fs::is_directory(p, ec))
                return Error{"cannot extract " + e.name + ": " + p.string() + " is not a folder", 2};
        const bool exists = fs::exists(target, ec);
        if (exists && e.folder && !fs::is_directory(target, ec))
            return Error{"cannot extract " + e.name + ": a file of that name is in the way", 2};
        if (exists && !e.folder && fs::is_directory(target, ec))
            return Error{"cannot extract " + e.name + ": a folder of that name is in the way", 2};
    }
    return {};
}

Status Inflate(zip_t* za, const Entry& e, const fs::path& target) {
    std::unique_ptr<zip_file_t, ZipFileCloser> zf(zip_fopen_index(za, e.index, 0));
    if (!zf) return WrongFormat();
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) return Error{"cannot write " + target.string() + ": " + std::strerror(errno), 2};
    std::vector<char> buf(1 << 16);
    zip_uint64_t done = 0;
    while (true) {
        const zip_int64_t n = zip_fread(zf.get(), buf.data(), buf.size());
        if (n < 0) return WrongFormat();  // damaged data or checksum mismatch
        if (n == 0) break;
        done += static_cast<zip_uint64_t>(n);
        if (done > e.size) return WrongFormat();
        out.write(buf.data(), n);
    }
    if (done != e.size) return WrongFormat();
    out.close();
    if (!out) return Error{"cannot write " + target.string(), 2};
    return {};
}

// A folder beside the workspace that is removed with everything in it when it goes out of scope.
class Staging {
public:
    explicit Staging(const fs::path& workdir) {
        std::string pattern = (workdir / ".unpack-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~Staging() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    Staging(const Staging&) = delete;
    Staging& operator=(const Staging&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// An empty ZIP archive is its end-of-central-directory record alone; libzip writes no file for
// an archive without entries.
constexpr char kEmptyArchive[22] = {'P', 'K', 5, 6};

}  // namespace

bool Tmakeprjfile::SafeEntryName(std::string_view name) {
    if (name.substr(0, archive::kEntryPrefix.size()) != archive::kEntryPrefix) return false;
    if (name.find('\\') != std::string_view::npos || name.find('\0') != std::string_view::npos) return false;
    std::string_view rest = name.substr(archive::kEntryPrefix.size());
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);  // a folder entry
    if (rest.empty()) return true;
    size_t start = 0;
    while (true) {
        const size_t slash = rest.find('/', start);
        const std::string_view part = rest.substr(start, slash == std::string_view::npos ? rest.npos : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

Result<std::vector<std::string>> Tmakeprjfile::ListFiles(const fs::path& workdir) {
    const fs::path workspace = WorkspaceOf(workdir);
    std::error_code ec;
    if (!fs::is_directory(workspace, ec)) return Error{"the workspace folder " + workspace.string() + " does not exist", 2};
    std::vector<std::string> names;
    fs::recursive_directory_iterator it(workspace, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        // Only regular files are stored; symbolic links are neither followed nor stored.
        if (it->symlink_status(ec).type() != fs::file_type::regular) continue;
        std::string name = std::string(archive::kEntryPrefix) + fs::relative(it->path(), workspace, ec).generic_string();
        if (name.find('\\') != std::string::npos)
            return Error{"cannot store " + name + ": a file name with a backslash cannot be opened again", 1};
        names.push_back(std::move(name));
    }
    if (ec) return Error{"cannot read " + workspace.string() + ": " + ec.message(), 2};
    std::sort(names.begin(), names.end());
    return names;
}

Status Tmakeprjfile::Pack(const fs::path& workdir, const fs::path& archive_path) {
    auto names = ListFiles(workdir);
    if (!names) return names.error();
    auto fail = [&](const std::string& message) { return Error{"cannot write " + archive_path.string() + ": " + message, 2}; };

    // The archive is built in memory and then replaces the old one only once whole.
    std::string bytes;
    if (names->empty()) {
        bytes.assign(kEmptyArchive, sizeof kEmptyArchive);
    } else {
        zip_error_t ze;
        zip_error_init(&ze);
        zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &ze);
        if (!buffer) {
            std::string message = zip_error_strerror(&ze);
            zip_error_fini(&ze);
            return fail(message);
        }
        zip_t* za = zip_open_from_source(buffer, ZIP_TRUNCATE, &ze);
        if (!za) {
            std::string message = zip_error_strerror(&ze);
            zip_error_fini(&ze);
            zip_source_free(buffer);
            return fail(message);
        }
        zip_error_fini(&ze);
        zip_source_keep(buffer);  // outlives the archive, to be read back
        struct SourceFree {
            void operator()(zip_source_t* s) const { zip_source_free(s); }
        };
        std::unique_ptr<zip_source_t, SourceFree> buffer_guard(buffer);
        ZipPtr guard(za);
        for (const auto& name : *names) {
            const fs::path file = workdir / fs::path(name);
            zip_source_t* src = zip_source_file(za, file.c_str(), 0, -1);
            if (!src) return fail(zip_strerror(za));
            const zip_int64_t idx = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
            if (idx < 0) {
                zip_source_free(src);
                return fail(zip_strerror(za));
            }
            if (zip_set_file_compression(za, static_cast<zip_uint64_t>(idx), ZIP_CM_DEFLATE, archive::kDeflateLevel) != 0)
                return fail(zip_strerror(za));
        }
        if (zip_close(za) != 0) return fail(zip_strerror(za));
        (void)guard.release();
        if (zip_source_open(buffer) != 0) return fail(zip_error_strerror(zip_source_error(buffer)));
        for (char chunk[1 << 16];;) {
            const zip_int64_t n = zip_source_read(buffer, chunk, sizeof chunk);
            if (n < 0) {
                std::string message = zip_error_strerror(zip_source_error(buffer));
                zip_source_close(buffer);
                return fail(message);
            }
            if (n == 0) break;
            bytes.append(chunk, static_cast<size_t>(n));
        }
        zip_source_close(buffer);
    }
    return WriteFileWhole(archive_path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

Status Tmakeprjfile::Unpack(const fs::path& workdir, const fs::path& archive_path) {
    std::error_code ec;
    if (!fs::is_regular_file(archive_path, ec)) return Error{"cannot read " + archive_path.string(), 2};
    int err = 0;
    ZipPtr za(zip_open(archive_path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!za) {
        if (err == ZIP_ER_OPEN || err == ZIP_ER_READ) return Error{"cannot read " + archive_path.string(), 2};
        return WrongFormat();
    }
    auto entries = ReadDirectory(za.get());
    if (!entries) return entries.error();
    if (auto s = CheckTargets(workdir, *entries); !s) return s;

    fs::create_directories(workdir, ec);
    Staging staging(workdir);
    if (staging.path().empty()) return Error{"cannot write in " + workdir.string() + ": " + std::strerror(errno), 2};
    for (const auto& e : *entries) {
        if (e.folder) continue;
        const fs::path target = staging.path() / fs::path(e.name);
        fs::create_directories(target.parent_path(), ec);
        if (ec) return Error{"cannot write " + target.string() + ": " + ec.message(), 2};
        if (auto s = Inflate(za.get(), e, target); !s) return s;
    }

    // Everything is inflated: move it into place. The renames stay within one file system.
    fs::create_directories(WorkspaceOf(workdir), ec);
    for (const auto& e : *entries) {
        const fs::path target = workdir / fs::path(e.name);
        if (e.folder) {
            fs::create_directories(target, ec);
        } else {
            fs::create_directories(target.parent_path(), ec);
            if (!ec) fs::rename(staging.path() / fs::path(e.name), target, ec);
        }
        if (ec) return Error{"cannot write " + target.string() + ": " + ec.message(), 2};
    }
    return {};
}

}  // namespace quelmo
