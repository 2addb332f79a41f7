#include "shell/self_update.h"

#include <elf.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace quelmo::shell {
namespace fs = std::filesystem;
namespace {

Error Refused(const fs::path& file, const std::string& why) {
    return Error{file.string() + " is not a usable program: " + why, 1};
}

bool ReadAt(std::ifstream& in, uint64_t offset, void* out, size_t size) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
    return in.gcount() == static_cast<std::streamsize>(size);
}

// The identity bytes of the running program: class, byte order and machine.
struct Kind {
    unsigned char elf_class = 0, data = 0;
    uint16_t machine = 0;
};

Kind OwnKind() {
    Kind k;
    k.elf_class = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    const uint16_t probe = 1;
    k.data = *reinterpret_cast<const unsigned char*>(&probe) == 1 ? ELFDATA2LSB : ELFDATA2MSB;
    std::ifstream self("/proc/self/exe", std::ios::binary);
    unsigned char ident[EI_NIDENT + 4] = {};
    if (self && ReadAt(self, 0, ident, sizeof ident)) std::memcpy(&k.machine, ident + EI_NIDENT + 2, 2);
    return k;
}

template <class Ehdr, class Phdr, class Shdr>
Status CheckTables(std::ifstream& in, uint64_t size, const fs::path& file) {
    Ehdr eh;
    if (!ReadAt(in, 0, &eh, sizeof eh)) return Refused(file, "cut short in its header");
    if (eh.e_type != ET_EXEC && eh.e_type != ET_DYN) return Refused(file, "not an executable");
    if (eh.e_phnum == 0 || eh.e_phentsize != sizeof(Phdr)) return Refused(file, "no program headers");
    auto inside = [&](uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; };
    if (!inside(eh.e_phoff, uint64_t{eh.e_phnum} * sizeof(Phdr))) return Refused(file, "cut short");
    for (int i = 0; i < eh.e_phnum; ++i) {
        Phdr ph;
        if (!ReadAt(in, eh.e_phoff + uint64_t(i) * sizeof(Phdr), &ph, sizeof ph) || !inside(ph.p_offset, ph.p_filesz))
            return Refused(file, "cut short");
    }
    if (eh.e_shnum > 0) {
        if (eh.e_shentsize != sizeof(Shdr) || !inside(eh.e_shoff, uint64_t{eh.e_shnum} * sizeof(Shdr)))
            return Refused(file, "cut short");
        for (int i = 0; i < eh.e_shnum; ++i) {
            Shdr sh;
            if (!ReadAt(in, eh.e_shoff + uint64_t(i) * sizeof(Shdr), &sh, sizeof sh)) return Refused(file, "cut short");
            if (sh.sh_type != SHT_NOBITS && !inside(sh.sh_offset, sh.sh_size)) return Refused(file, "cut short");
        }
    }
    return {};
}

}  // namespace

fs::path ProgramFile() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path{} : self;
}

std::vector<std::string> ProgramArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
    return args;
}

Status CheckExecutable(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Refused(file, "cannot be read");
    std::error_code ec;
    const uint64_t size = fs::file_size(file, ec);
    if (ec) return Refused(file, ec.message());
    unsigned char ident[EI_NIDENT + 4] = {};
    if (!ReadAt(in, 0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return Refused(file, "not an ELF file");
    const Kind own = OwnKind();
    uint16_t machine = 0;
    std::memcpy(&machine, ident + EI_NIDENT + 2, 2);
    if (ident[EI_CLASS] != own.elf_class || ident[EI_DATA] != own.data || machine != own.machine)
        return Refused(file, "made for another kind of machine");
    if (own.elf_class == ELFCLASS64) return CheckTables<Elf64_Ehdr, Elf64_Phdr, Elf64_Shdr>(in, size, file);
    return CheckTables<Elf32_Ehdr, Elf32_Phdr, Elf32_Shdr>(in, size, file);
}

Status InstallProgram(const fs::path& downloaded, const fs::path& program) {
    std::error_code ec;
    auto refuse = [&](Error e) {
        fs::remove(downloaded, ec);
        return e;
    };
    if (auto s = CheckExecutable(downloaded); !s) return refuse(s.error());
    fs::permissions(downloaded,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    if (ec) return refuse(Error{"cannot make " + downloaded.string() + " executable: " + ec.message(), 1});
    fs::rename(downloaded, program, ec);
    if (ec) return refuse(Error{"cannot replace " + program.string() + ": " + ec.message(), 1});
    return {};
}

Error Restart(const fs::path& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    return Error{"cannot start " + program.string() + ": " + std::strerror(errno), 1};
}

}  // namespace quelmo::shell
