// Writing a card: 16 MB of picture data and a 16 MB upgrade copy to a card image file through
// the writer's 512-byte sectors, against dd writing the same bytes with the same block size to
// the same places. Both flush to the disk once at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sdcard/card.h"
#include "sdcard/tsdio.h"

namespace {

namespace fs = std::filesystem;
constexpr size_t kPart = 16u << 20;

struct Card {
    Card() {
        std::string pattern = (fs::temp_directory_path() / "quelmo-bench-sd-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        fs::create_directories(folder / "sd");
        std::vector<char> bytes(kPart);
        for (size_t i = 0; i < kPart; ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 12));
        std::ofstream(folder / "sd/pic.sbin", std::ios::binary).write(bytes.data(), kPart);
        std::ofstream(folder / "sd/rom.sbin", std::ios::binary).write(bytes.data(), kPart);
        image = folder / "card.img";
        std::ofstream(image, std::ios::binary).close();
        fs::resize_file(image, quelmo::sd::kPicDataOffset + 2 * kPart);
        // A prepared card of the image's size.
        quelmo::sd::Sector header;
        quelmo::sd::ComposeFormatHeader(header, fs::file_size(image));
        std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
        f.write(reinterpret_cast<const char*>(header), sizeof header);
    }
    ~Card() { fs::remove_all(folder); }
    fs::path folder, image;
};

void BM_WriterPicturesAndUpgradeCopy(benchmark::State& state) {
    Card card;
    quelmo::sd::SystemCardAccess access;
    quelmo::sd::Drive drive;
    drive.name = "card";
    drive.device = card.image;
    drive.kind = quelmo::sd::CardKind::kImage;
    for (auto _ : state) {
        quelmo::sd::Tsdio writer(access, card.folder / "sd");
        if (!writer.Detect(drive)) state.SkipWithError("detection failed");
        writer.SetWriteRom(true);
        auto r = writer.WriteData(std::time(nullptr));
        if (!r) state.SkipWithError(r.error().message.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * kPart);
}
BENCHMARK(BM_WriterPicturesAndUpgradeCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DdSameBytes(benchmark::State& state) {
    Card card;
    const std::string of = " of=" + card.image.string() + " bs=512 status=none";
    const std::string pictures = "dd if=" + (card.folder / "sd/pic.sbin").string() + of + " seek=16 conv=notrunc";
    const std::string rom = "dd if=" + (card.folder / "sd/rom.sbin").string() + of + " seek=" +
                            std::to_string((quelmo::sd::kPicDataOffset + kPart) / 512) + " conv=notrunc,fsync";
    for (auto _ : state)
        if (std::system(pictures.c_str()) != 0 || std::system(rom.c_str()) != 0) state.SkipWithError("dd failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * kPart);
}
BENCHMARK(BM_DdSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
