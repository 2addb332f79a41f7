#pragma once
// The working folder's fixed parts: the workspace folder that holds the open project's files.
#include <filesystem>

namespace quelmo {

inline constexpr const char* kWorkspaceFolder = "temp";

inline std::filesystem::path WorkspaceOf(const std::filesystem::path& workdir) { return workdir / kWorkspaceFolder; }

}  // namespace quelmo
