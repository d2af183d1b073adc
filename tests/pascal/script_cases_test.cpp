// Every cases/NAME.rops runs through the console host; its output must equal cases/NAME.out.
// Set PASCAL_WRITE_EXPECTED=1 to write missing .out files for review.
#include "pascal/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(PASCAL_CASES_DIR))
        if (e.path().extension() == ".rops") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class ScriptCase : public testing::TestWithParam<std::string> {};

TEST_P(ScriptCase, OutputMatches) {
    const fs::path dir = PASCAL_CASES_DIR;
    const std::string name = GetParam();
    std::string out;
    pascal::ConsoleOptions options;
    options.print = [&out](const std::string& line) { out += line + "\n"; };
    // Included files are named relative to the cases folder so messages stay stable.
    options.resolver = [dir](const std::string& file, const std::string& from) -> std::optional<pascal::IncludedFile> {
        fs::path rel = fs::path(from).parent_path() / file;
        if (!fs::exists(dir / rel)) return std::nullopt;
        return pascal::IncludedFile{rel.string(), readAll(dir / rel)};
    };
    int status = pascal::runConsoleScript(readAll(dir / (name + ".rops")), name + ".rops", options);
    int expectedStatus = out.rfind("Failed when compiling", 0) == 0 ? 1 : out.find("[Runtime Error]") != std::string::npos ? 2 : 0;
    EXPECT_EQ(expectedStatus, status);
    const fs::path expected = dir / (name + ".out");
    if (!fs::exists(expected) && std::getenv("PASCAL_WRITE_EXPECTED")) {
        std::ofstream(expected, std::ios::binary) << out;
        GTEST_SKIP() << "wrote " << expected;
    }
    EXPECT_EQ(readAll(expected), out);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptCase, testing::ValuesIn(caseNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace

namespace {

// Every cut-off version of a case must give a clean message, never a crash or a hang.
TEST(ScriptPrefixes, TruncatedScriptsCompileOrFailCleanly) {
    const fs::path dir = PASCAL_CASES_DIR;
    for (const std::string& name : caseNames()) {
        const std::string text = readAll(dir / (name + ".rops"));
        for (size_t n = 0; n < text.size(); n += 5) {
            pascal::Compiler c;
            c.addDeclarations(pascal::standardHostClasses);
            c.addDeclarations("procedure Writeln(s: string); procedure Anzeige(s: string); var Memo2: TMemo; Self: TForm; Application: TApplication;");
            bool ok = c.compile(text.substr(0, n), name);
            ASSERT_TRUE(ok || !c.messages().empty()) << name << " cut at " << n;
        }
    }
}

} // namespace
