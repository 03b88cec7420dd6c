// settings.dat as the loader meets it: the input is written to settings.dat
// in a private scratch directory, which is the current directory only while
// the loader runs (libFuzzer's own paths may be relative), and loaded, the
// real file reading included.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_require.h"
#include "settings/settings.h"

namespace {

std::string g_scratch;
std::string g_file;
int g_scratchDir = -1;
int g_homeDir = -1;

void removeScratch() {
    if (!g_scratch.empty()) {
        std::remove(g_file.c_str());
        ::rmdir(g_scratch.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A memory file system when there is one: the file is rewritten every run.
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/kavri-settings-fuzz-XXXXXX";
    kavri::fuzzRequire(::mkdtemp(pattern.data()) != nullptr, "a scratch directory is made");
    g_scratch = pattern;
    g_file = g_scratch + "/settings.dat";
    g_scratchDir = ::open(g_scratch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    g_homeDir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    kavri::fuzzRequire(g_scratchDir >= 0 && g_homeDir >= 0, "both directories can be entered");
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using kavri::Settings;
    std::FILE* file = std::fopen(g_file.c_str(), "wb");
    kavri::fuzzRequire(file != nullptr, "settings.dat can be written");
    kavri::fuzzRequire(std::fwrite(data, 1, size, file) == size, "settings.dat is written whole");
    std::fclose(file);

    kavri::fuzzRequire(::fchdir(g_scratchDir) == 0, "the scratch directory is entered");
    Settings::load();
    kavri::fuzzRequire(::fchdir(g_homeDir) == 0, "the first directory is entered again");
    kavri::fuzzRequire(std::strlen(Settings::getWifiServerAddr()) < Settings::WIFI_ADDR_SIZE,
                       "the address stays within its array");
    return 0;
}
