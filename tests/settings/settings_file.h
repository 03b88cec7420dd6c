#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kavri::test {

// Runs each test in an empty directory of its own, since settings.dat lives
// in the current directory.
class SettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces settings.dat with exactly these bytes.
    static void writeFile(const std::string& bytes);
    // The bytes of settings.dat, or "<missing>".
    static std::string readFile();
    // Loads a file made of these bytes.
    static void loadFrom(const std::string& bytes);

  private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

}  // namespace kavri::test
