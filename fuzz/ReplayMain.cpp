// Reproduce mode of a fuzz target without libFuzzer: calls
// LLVMFuzzerTestOneInput once on every input named on the command line, so
// the normal test run, a debugger or a coverage tool can run the target.
//   usage: <target>_replay PATH...
// A PATH is an input file or a directory whose regular files (not those of
// its subdirectories) are inputs, taken in name order. A broken property
// aborts inside the target; a PATH that is missing or holds no input fails
// too, so a wrong path cannot pass as "nothing failed".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The inputs a PATH names; empty when it names none.
std::vector<fs::path> inputsOf(const fs::path& path)
{
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        return {path};
    }
    std::vector<fs::path> inputs;
    if (!fs::is_directory(path, error)) {
        return inputs;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) {
            inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

bool readFile(const fs::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::vector<fs::path> inputs = inputsOf(argv[i]);
        if (inputs.empty()) {
            std::fprintf(stderr, "%s: no input file\n", argv[i]);
            return 1;
        }
        for (const fs::path& input : inputs) {
            std::vector<std::uint8_t> bytes;
            if (!readFile(input, bytes)) {
                std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
                return 1;
            }
            // Named first, so the input of a failed property is the last
            // one the log shows.
            std::fprintf(stderr, "replaying %s\n", input.c_str());
            // An exactly sized copy, as libFuzzer gives, so ASan sees a
            // read past the end (an empty vector's data() may be null).
            const std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
            LLVMFuzzerTestOneInput(exact.data(), exact.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return 0;
}
