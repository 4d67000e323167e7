// Writes the PiPL resource bytes to the file named on the command line, for
// builds that embed them as a platform resource.
#include "resources/PiPL.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pipl_dump OUTPUT_FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written =
        std::fwrite(pipl::kBytes.data(), 1, pipl::kBytes.size(), file) == pipl::kBytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
