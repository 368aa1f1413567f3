// Writes the hand-written sessions into a corpus directory (the fuzzer's starting inputs):
//     corvane_fuzz_seeds tests/fuzz/corpus

#include "fuzz_seeds.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-directory\n", argv[0]);
        return 2;
    }
    for (const corvane::fuzz::NamedInput& input : corvane::fuzz::handMadeInputs()) {
        const std::string path = std::string(argv[1]) + "/seed-" + input.name;
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(input.bytes.data()),
                   static_cast<std::streamsize>(input.bytes.size()));
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
