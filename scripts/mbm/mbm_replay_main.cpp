// Replays files or folders of inputs through the fuzz target without libFuzzer,
// so that a finding can be reproduced under a debugger or the sanitizers.
//   mbm_replay FILE_OR_FOLDER...
#include "mbm_encoder.h"

#include <dirent.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static bool ReplayFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!ReadBinaryFile(path.c_str(), &bytes)) {
        fprintf(stderr, "mbm_replay: cannot read %s\n", path.c_str());
        return false;
    }
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

int main(int argc, char** argv)
{
    int replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        struct stat info;
        if (stat(argv[i], &info) != 0) {
            fprintf(stderr, "mbm_replay: no such file or folder %s\n", argv[i]);
            ok = false;
            continue;
        }
        if (!S_ISDIR(info.st_mode)) {
            ok = ReplayFile(argv[i]) && ok;
            replayed += 1;
            continue;
        }
        DIR* folder = opendir(argv[i]);
        if (!folder) {
            ok = false;
            continue;
        }
        while (struct dirent* entry = readdir(folder)) {
            std::string path = std::string(argv[i]) + "/" + entry->d_name;
            if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
                ok = ReplayFile(path) && ok;
                replayed += 1;
            }
        }
        closedir(folder);
    }
    printf("mbm_replay: %d inputs replayed\n", replayed);
    return ok ? 0 : 1;
}
