// The one reader every loader goes through: what it refuses before opening, and its limit.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/FileBytes.h"
#include "support/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

class ReaderFolder : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) const {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    const ScratchFolder scratch{"reader"};
    const std::string folder = scratch.path;
};

struct Reading {
    FileRead result;
    std::string bytes;
    uint64_t size;
};

Reading readAt(const std::string& path, uint64_t maxBytes) {
    Reading reading{FileRead::Read, "left over", 99};
    reading.result = readFileBytes(path, maxBytes, reading.bytes, reading.size);
    return reading;
}

}  // namespace

TEST_F(ReaderFolder, AFileUpToTheLimitIsReadWholeAlsoThroughALink) {
    const std::string path = write("ten.txt", "0123456789");
    Reading reading = readAt(path, 10);
    EXPECT_EQ(reading.result, FileRead::Read);
    EXPECT_EQ(reading.bytes, "0123456789");
    EXPECT_EQ(reading.size, 10u);

    fs::create_symlink(path, folder + "/link.txt");
    EXPECT_EQ(readAt(folder + "/link.txt", 10).bytes, "0123456789");

    reading = readAt(write("empty.txt", ""), 10);
    EXPECT_EQ(reading.result, FileRead::Read);
    EXPECT_EQ(reading.bytes, "");
}

TEST_F(ReaderFolder, FoldersPipesAndDevicesAreRefusedWithoutBeingOpened) {
    fs::create_directory(folder + "/folder.obj");
    ASSERT_EQ(mkfifo((folder + "/pipe.obj").c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", folder + "/zero.obj");
    // Opening the pipe for reading would wait here for a writer that never comes.
    for (const char* name : {"folder.obj", "pipe.obj", "zero.obj"}) {
        const Reading reading = readAt(folder + "/" + name, 1 << 20);
        EXPECT_EQ(reading.result, FileRead::NotRegular) << name;
        EXPECT_EQ(reading.bytes, "") << name;
        EXPECT_EQ(fileReadReason(reading.result, reading.size, 1 << 20), "not a regular file");
    }
}

TEST_F(ReaderFolder, AFileOverTheLimitIsRefusedWithItsSizeBeforeAnythingIsRead) {
    const std::string path = write("sparse.frag", "");
    fs::resize_file(path, 2147483648ull);  // sparse: costs no disk, would cost 2 GB of memory
    const Reading reading = readAt(path, 1 << 20);
    EXPECT_EQ(reading.result, FileRead::TooLarge);
    EXPECT_EQ(reading.size, 2147483648ull);
    EXPECT_EQ(reading.bytes, "");
    EXPECT_EQ(fileReadReason(reading.result, reading.size, 1 << 20), "2147483648 bytes, more than the 1048576 allowed");
    EXPECT_EQ(readAt(write("eleven.txt", "0123456789a"), 10).result, FileRead::TooLarge);
}

TEST(Reader, AFileThatReportsNoSizeIsStillReadAndStillLimited) {
    // The kernel's files report a size of 0 but have text.
    Reading reading = readAt("/proc/self/status", 1 << 20);
    EXPECT_EQ(reading.result, FileRead::Read);
    EXPECT_NE(reading.bytes.find("Name:"), std::string::npos);
    EXPECT_EQ(reading.size, reading.bytes.size());
    reading = readAt("/proc/self/status", 16);
    EXPECT_EQ(reading.result, FileRead::TooLarge);
    EXPECT_GT(reading.size, 16u);
    EXPECT_EQ(reading.bytes, "");
}

TEST(Reader, AMissingFileCannotBeOpenedAndEachLoaderWordsThat) {
    const Reading reading = readAt("/nonexistent/file.obj", 1 << 20);
    EXPECT_EQ(reading.result, FileRead::CannotOpen);
    EXPECT_EQ(fileReadReason(reading.result, reading.size, 1 << 20), "");
}
