// Runs a fuzz target's entry point once for every file given and every file in the folders
// given: a crash, a sanitizer report or a failed check of the target ends the run and fails
// the test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    // Read first: a target may change the working directory when it starts.
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_regular_file(argv[i])) {
            files.push_back(std::filesystem::absolute(argv[i]));
            continue;
        }
        for (const auto& item : std::filesystem::directory_iterator(argv[i])) {
            if (item.is_regular_file()) files.push_back(std::filesystem::absolute(item.path()));
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<std::vector<uint8_t>> inputs;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    LLVMFuzzerInitialize(&argc, &argv);
    for (size_t i = 0; i < inputs.size(); ++i) {
        std::fprintf(stderr, "input %s\n", files[i].c_str());
        LLVMFuzzerTestOneInput(inputs[i].data(), inputs[i].size());
    }
    std::printf("%zu inputs run\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
