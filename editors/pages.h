#pragma once
// The batch interface editor's model: the 128 stored pages of a project. Page N (0..127, shown
// to the user as N + 1) keeps its command text under the store key "pgcn"N and its name under
// "page"N; the page list holds one item per page, captioned "N+1:name".
#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "flash/layout.h"
#include "core/hashtable.h"

namespace quelmo {

namespace pages {
inline constexpr int kPageCount = flash::kPageCount;
// A page slot holds the text and its terminating zero byte, so a text must be shorter.
inline constexpr size_t kTextLimit = flash::kPageSlotSize;
// Old-format pages live one a file, Page1.str .. Page127.str; there never was a Page128.str.
inline constexpr int kOldPageLast = 127;

inline constexpr std::string_view kMsgNoPageChosen =
    "您没有预先点击批界面序号按钮,已确定修改的批界面编号,当前语句属于临时使用,无法存储!";
inline constexpr std::string_view kMsgTooLong = "保存失败!语句超过1024字节,请减少!";
inline constexpr std::string_view kImportQuestion =
    "导入老版本批界面数据将清除现在正在设计的所有批界面数据,请确定是否继续导入老版本数据!";
}  // namespace pages

using flash::PageNameKey;
using flash::PageTextKey;

// Lays a page text out for editing, one statement per line: line breaks and spaces outside
// quoted strings go, CR LF follows every ';' outside a string. Inside a string "\'" neither
// ends it nor escapes the byte after it.
std::string LayoutPage(std::string_view text);

struct PageItem {
    std::string caption;  // "N+1:name", GBK
    std::string text;     // GBK, line breaks included
};

struct ChosenPage {
    std::string text;  // laid out one statement per line
    std::string name;  // the caption after its first ':'
};

struct ImportReport {
    std::vector<int> imported;  // page numbers as the user sees them (1..127)
    std::vector<int> too_long;  // pages whose old text does not fit a slot; left as they were
};

class PageEditor {
public:
    explicit PageEditor(THashTable& store);

    // Refills the list from the store; the current page stays.
    void Rebuild();
    const PageItem& Item(int n) const { return items_[static_cast<size_t>(n)]; }
    // 0 while no page has been chosen, else N + 1 of the chosen page.
    int CurrentPage() const { return current_; }

    ChosenPage Choose(int n);
    // Stores the text and name as the current page. Refused, with nothing stored, when no page
    // is chosen or the text is kTextLimit bytes or longer.
    Status Save(std::string_view text, std::string_view name);
    // Imports Page1.str .. Page127.str from the folder of `page1` (the file the user chose,
    // named Page1.str in any letter case). Pages without a file keep their content.
    Result<ImportReport> ImportOld(const std::filesystem::path& page1);

private:
    THashTable& store_;
    std::array<PageItem, pages::kPageCount> items_;
    int current_ = 0;
};

}  // namespace quelmo
