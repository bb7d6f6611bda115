// Writes the panel's sound files into the folder given; run by the build.
#include <cstdio>

#include "ui/WaveSynth.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    for (const char* name : {"Select", "Switch"}) {
        if (!tv::WaveSynth::write(argv[1], name)) {
            std::fprintf(stderr, "cannot write %s/%s.wav\n", argv[1], name);
            return 1;
        }
    }
    return 0;
}
