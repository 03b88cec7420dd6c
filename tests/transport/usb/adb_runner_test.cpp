#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adb_sandbox.h"
#include "transport/usb/adb_runner.h"

namespace kavri {
namespace {

using test::AdbSandbox;
using Lines = std::vector<std::string>;

const std::string HEADER = "List of devices attached\n";

class AdbRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox_.installFakeAdb()) << "the fake adb is built with the tests";
    }
    AdbSandbox sandbox_;
};

TEST_F(AdbRunnerTest, CapturesTheListingAndPassesTheCommandLine) {
    const std::string listing = HEADER + "0123456789ABCDEF\tdevice\n\n";
    sandbox_.setListing(listing);
    std::string output;
    ASSERT_TRUE(runAdb(L" devices", &output));
    EXPECT_EQ(output, listing);
    EXPECT_EQ(sandbox_.calls(), Lines{" devices"});
    EXPECT_TRUE(adbHasDevice());
}

TEST_F(AdbRunnerTest, ForwardAndRemovalCommandLines) {
    EXPECT_TRUE(adbForward(8125, 8125));
    EXPECT_TRUE(adbRemoveForward(8125));
    EXPECT_TRUE(adbForward(5000, 6000));
    EXPECT_EQ(sandbox_.calls(), (Lines{" -a forward tcp:8125 tcp:8125", " -a forward --remove 8125",
                                       " -a forward tcp:5000 tcp:6000"}));
}

TEST_F(AdbRunnerTest, ListingsDecideTheDevice) {
    sandbox_.setListing(HEADER + "\n");
    EXPECT_FALSE(adbHasDevice());
    sandbox_.setListing(HEADER + "R58M123ABC\tunauthorized\n\n");
    EXPECT_TRUE(adbHasDevice());
    EXPECT_EQ(sandbox_.calls(), (Lines{" devices", " devices"}));
}

TEST_F(AdbRunnerTest, OutputLongerThanOneChunkIsAppendedWhole) {
    // The device line only appears after several chunks' worth of text.
    const std::string listing = HEADER + std::string(3 * ADB_CHUNK_SIZE, '\n') + "serial\tdevice\n";
    sandbox_.setListing(listing);
    std::string output;
    ASSERT_TRUE(runAdb(L" devices", &output));
    EXPECT_EQ(output, listing);
    EXPECT_TRUE(adbHasDevice());
}

TEST_F(AdbRunnerTest, ChunkTextEndsAtAZeroByte) {
    sandbox_.setListing(std::string("AB\0CD", 5));
    std::string output = "kept:";
    ASSERT_TRUE(runAdb(L" devices", &output));
    EXPECT_EQ(output, "kept:AB");
}

TEST_F(AdbRunnerTest, RunawayOutputIsDrainedButNotKept) {
    sandbox_.setListing(std::string(ADB_OUTPUT_LIMIT + 100000, 'x'));
    std::string output;
    ASSERT_TRUE(runAdb(L" devices", &output));
    EXPECT_EQ(output.size(), ADB_OUTPUT_LIMIT);
    EXPECT_TRUE(runAdb(L" devices", nullptr));
}

TEST(AdbRunner, MissingAdbInTheCurrentDirectoryFails) {
    // Even when an adb exists along the path, only the current directory counts.
    AdbSandbox empty;
    std::string output = "untouched";
    EXPECT_FALSE(runAdb(L" devices", &output));
    EXPECT_EQ(output, "untouched");
    EXPECT_FALSE(adbHasDevice());
    EXPECT_FALSE(adbForward(8125, 8125));
    EXPECT_FALSE(adbRemoveForward(8125));
}

}  // namespace
}  // namespace kavri
