// fwimage: writes the program's two firmware images, firmware133.bin and firmware134.bin, into
// the given folder. Runs on the build machine while the program is built.
#include <cstdio>
#include <fstream>
#include <string>

#include "core/FirmwareVersion.h"
#include "libs/RevezoDaRur/FirmwareImage.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fwimage OUTPUT_FOLDER\n");
        return 2;
    }
    for (bool old : {false, true}) {
        const TargetFirmware target = TargetFirmwareFor(old);
        const FlashImage image = MakeFirmwareImage(target.codeVersion);
        const std::string path =
            std::string(argv[1]) + "/firmware" + std::to_string(target.imageResourceId) + ".bin";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "fwimage: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
