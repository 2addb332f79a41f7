#include "cli/project_build.h"

#include <ostream>

#include "flash/layout.h"
#include "shell/workspace_build.h"

namespace quelmo::cli {

Status BuildWorkspace(Tglobal& g, std::ostream& warn_out) {
    Warnings warnings;
    bool drew_base = false;
    Status status = quelmo::BuildWorkspace(g, &warnings, &drew_base);
    if (drew_base)
        warn_out << "quelmo: no " << flash::kBaseImageFile << " in " << g.Workdir().string()
                 << "; drawing the base image from the free fonts\n";
    for (const auto& w : warnings) warn_out << "quelmo: warning: " << w << "\n";
    return status;
}

}  // namespace quelmo::cli
