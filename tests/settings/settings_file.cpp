#include "settings_file.h"

#include <fstream>
#include <random>
#include <sstream>

#include "settings/settings.h"

namespace kavri::test {

namespace fs = std::filesystem;

void SettingsFileTest::SetUp() {
    previous_ = fs::current_path();
    std::random_device random;
    do {
        dir_ = fs::temp_directory_path() / ("kavri-settings-" + std::to_string(random()));
    } while (!fs::create_directory(dir_));
    fs::current_path(dir_);
}

void SettingsFileTest::TearDown() {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

void SettingsFileTest::writeFile(const std::string& bytes) {
    std::ofstream out("settings.dat", std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string SettingsFileTest::readFile() {
    std::ifstream in("settings.dat", std::ios::binary);
    if (!in) {
        return "<missing>";
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void SettingsFileTest::loadFrom(const std::string& bytes) {
    writeFile(bytes);
    Settings::load();
}

}  // namespace kavri::test
