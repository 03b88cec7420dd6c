#include "adb_sandbox.h"

namespace kavri::test {

std::filesystem::path executableDirectory() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

const char* adbFileName() {
    return "adb";
}

}  // namespace kavri::test
