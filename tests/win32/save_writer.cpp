// Saves a large word base and a settings file again and again through the program's own file
// layer, each generation recognisable in every line and key, until it is killed.
#include "tests/win32/save_generation.h"

#include "common/win32/win32_file_system.h"
#include "game/core/word_base.h"
#include "settings/core/storage.h"
#include "settings/core/storage_data.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string dir = argv[1];
    slovo::Win32FileSystem fs;
    rs::TrsStorage storage;
    rs::TrsBinData data(fs, rs::PlatformDirs{});
    data.fileDir = rs::FileDir::fdCustom;
    data.doAutoName = false;
    data.FileName = dir + "\\settings.bin";
    storage.setStorageData(&data);
    try {
        for (long gen = std::atol(argv[2]);; ++gen) {
            slovo::writeWordFile(fs, dir + "\\words.txt", slovo::test::generationLines(gen, 'W'));
            slovo::writeWordFile(fs, dir + "\\hints.txt", slovo::test::generationLines(gen, 'H'));
            slovo::test::fillGeneration(storage, gen);
            storage.Save();
            std::printf("%ld\n", gen);
            std::fflush(stdout);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
