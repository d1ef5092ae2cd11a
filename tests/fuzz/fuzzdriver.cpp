// SPDX-License-Identifier: MIT
// A main() for the fuzz targets when they are built without libFuzzer: every
// file named, or found under a folder named, and the empty input go once through
// LLVMFuzzerTestOneInput. ctest runs each target over its seed corpus this
// way, so the gcc build keeps the targets compiling and their checks passing.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

// The regular files at path, folders searched recursively, in name order so
// a failure is repeated in the same order.
std::vector<std::filesystem::path> inputsAt(const std::filesystem::path &path)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    if (fs::is_directory(path)) {
        for (const fs::directory_entry &e : fs::recursive_directory_iterator(path))
            if (e.is_regular_file())
                files.push_back(e.path());
        std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(path)) {
        files.push_back(path);
    }
    return files;
}

std::string readAll(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    // The empty input first, as libFuzzer tries it before any seed.
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(""), 0);
    size_t count = 1;
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::filesystem::path> files = inputsAt(argv[i]);
        // A mistyped corpus path must not pass as a run over nothing.
        if (files.empty()) {
            std::fprintf(stderr, "%s: no input at %s\n", argv[0], argv[i]);
            return 1;
        }
        for (const std::filesystem::path &file : files) {
            const std::string bytes = readAll(file);
            std::fprintf(stderr, "%s\n", file.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
            ++count;
        }
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start).count();
    std::printf("%zu inputs passed in %lld ms\n", count, static_cast<long long>(ms));
    return 0;
}
