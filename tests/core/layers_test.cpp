// The engine's folders form layers: a folder may include its own headers and those of the
// folders below it, never one above. The order is written down in the README's Layout section;
// this test reads every engine file's includes and holds the code to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Lowest first.
const std::vector<std::string> kLayers = {"core",    "flash", "pictures", "display", "fonts",  "ime",
                                          "codegen", "project", "link",   "sdcard",  "editors", "shell"};

int LayerOf(const std::string& folder) {
    auto it = std::find(kLayers.begin(), kLayers.end(), folder);
    return it == kLayers.end() ? -1 : static_cast<int>(it - kLayers.begin());
}

// The project includes of one file: the first path part of every `#include "a/b.h"`.
std::vector<std::string> IncludedFolders(const fs::path& file) {
    std::vector<std::string> folders;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 10, "#include \"") != 0) continue;
        const auto open = line.find('"', start);
        const auto slash = line.find('/', open);
        const auto close = line.find('"', open + 1);
        if (slash != std::string::npos && slash < close) folders.push_back(line.substr(open + 1, slash - open - 1));
    }
    return folders;
}

TEST(Layers, NoEngineFolderIncludesOneAboveIt) {
    const fs::path root = QUELMO_SOURCE_ROOT;
    std::vector<std::string> faults;
    int files = 0;
    for (const auto& folder : kLayers) {
        std::error_code ec;
        for (fs::directory_iterator it(root / folder, ec), end; !ec && it != end; it.increment(ec)) {
            const auto ext = it->path().extension();
            if (!it->is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".inc")) continue;
            ++files;
            for (const auto& used : IncludedFolders(it->path())) {
                const int layer = LayerOf(used);
                if (layer < 0) faults.push_back(it->path().string() + " includes the unknown folder " + used);
                else if (layer > LayerOf(folder)) faults.push_back(it->path().string() + " includes " + used);
            }
        }
        ASSERT_FALSE(ec) << folder << ": " << ec.message();
    }
    EXPECT_GT(files, 50) << "the engine's sources were not found under " << root;
    EXPECT_TRUE(faults.empty()) << [&] {
        std::string all;
        for (const auto& f : faults) all += f + "\n";
        return all;
    }();
}

}  // namespace
