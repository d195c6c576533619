// The programs the author's guide names are built by the README's command
// and lie where the guide says.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "testsupport.h"

namespace {

std::string sourceFile(const std::string& name) {
    return testsupport::readFile(std::string(std::getenv("ORBA_SOURCE_DIR")) + "/" + name);
}

TEST(AuthorsGuide, NamesOnlyProgramsThatRunShBuilds) {
    const std::string script = sourceFile("scripts/run.sh");
    std::smatch targetLine;
    ASSERT_TRUE(std::regex_search(script, targetLine, std::regex(R"(--target ([^\n]+))")));
    const std::string targets = " " + targetLine[1].str() + " ";

    const std::string guide = sourceFile("docs/authors-guide.md");
    const std::regex program(R"(build/((adv|tools|fmfloader)/[\w/]+))");
    std::set<std::string> named;
    for (std::sregex_iterator it(guide.begin(), guide.end(), program), end; it != end; ++it)
        named.insert((*it)[1]);
    EXPECT_EQ(named,
              (std::set<std::string>{"adv/advengine", "fmfloader/fmfdump", "tools/advcheck/advcheck"}));
    for (const std::string& path : named) {
        const std::string target = std::filesystem::path(path).filename().string();
        EXPECT_NE(targets.find(" " + target + " "), std::string::npos)
            << target << " is not built by scripts/run.sh";
#ifdef _WIN32
        const std::string built = std::string(std::getenv("ORBA_BINARY_DIR")) + "/" + path + ".exe";
#else
        const std::string built = std::string(std::getenv("ORBA_BINARY_DIR")) + "/" + path;
#endif
        EXPECT_TRUE(std::filesystem::is_regular_file(built)) << path;
    }
}

}  // namespace
