#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fmfloader/fmfloader.h"
#include "fmfmaps.h"
#include "testsupport.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const std::string sampleMap = fmfHeader({.dataSize = 12,
                                         .width = 3,
                                         .height = 2,
                                         .chipWidth = 16,
                                         .chipHeight = 8,
                                         .layers = 2,
                                         .bits = 16}) +
                              cells16({1, 258, 65535, 0, 10, 3}) + cells16({0, 0, 5, 0, 0, 16});

const std::string sampleDump =
    "identifier='FMF_' datasize=12 (w,h)=(3,2) chip(x,y)=(16,8) layer=2 bit=16\n"
    "Layer-0\n"
    "1 258 65535 \n"
    "0 10 3 \n"
    "Layer-1\n"
    "0 0 5 \n"
    "0 0 16 \n";

// The build folder: ORBA_BINARY_DIR when set, else the folder above this
// test program's own (it is built in <build>/tests).
std::filesystem::path binaryDir() {
    if (const char* dir = std::getenv("ORBA_BINARY_DIR")) return dir;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
}

// Runs fmfdump with the given argument text; stdout and stderr go to files.
#ifdef _WIN32
// The command interpreter takes off the outer quotes and its result is the exit status.
int runFmfdump(const std::string& arguments) {
    const std::string command = "\"\"" + (binaryDir() / "fmfloader" / "fmfdump.exe").string() + "\" " +
                                arguments + " >out.txt 2>err.txt\"";
    return std::system(command.c_str());
}

// What the tool printed, with Windows's line ends as "\n".
std::string output(const char* file) {
    std::string text = readFile(file);
    std::erase(text, '\r');
    return text;
}
#else
int runFmfdump(const std::string& arguments) {
    const std::string command =
        "'" + (binaryDir() / "fmfloader" / "fmfdump").string() + "' " + arguments + " >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string output(const char* file) { return readFile(file); }
#endif

}  // namespace

TEST(FMFDump, DumpPrintsHeaderThenEachLayer) {
    TempDir dir;
    writeFile("map.fmf", sampleMap);
    FMFLoader map("map.fmf");
    testing::internal::CaptureStdout();
    map.dump();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), sampleDump);
}

TEST(FMFDump, ToolPrintsTheDump) {
    TempDir dir;
    writeFile("map.fmf", sampleMap);
    EXPECT_EQ(runFmfdump("map.fmf"), 0);
    EXPECT_EQ(output("out.txt"), sampleDump);
    EXPECT_EQ(output("err.txt"), "");
}

TEST(FMFDump, ToolReportsLoadErrorsOnStandardError) {
    TempDir dir;
    writeFile("bad.fmf", "fmf_");
    EXPECT_EQ(runFmfdump("bad.fmf"), 1);
    EXPECT_EQ(output("out.txt"), "");
    EXPECT_EQ(output("err.txt"), "Invalid FMF format (bad.fmf)\n");

    EXPECT_NE(runFmfdump(""), 0);
    EXPECT_NE(output("err.txt"), "");
}
