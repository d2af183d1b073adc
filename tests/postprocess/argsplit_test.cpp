#include "postprocess/argsplit.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase
{
    const char *name;
    QString line;
    QStringList expected;
};

const QChar nbsp(0xA0);

const SplitCase splitCases[] = {
    {"Empty", "", {}},
    {"OnlyBlanks", " \t  ", {}},
    {"BlanksAndTabsSeparate", " a\tb   c\t", {"a", "b", "c"}},
    {"QuotesGroupAndAreRemoved", R"(-o "my file.jpg" x)", {"-o", "my file.jpg", "x"}},
    {"QuotesInsideAWord", R"(a"b c"d)", {"ab cd"}},
    {"EmptyQuotesAreAnEmptyArgument", R"(a "" b)", {"a", "", "b"}},
    {"EmptyQuotesAtTheEnd", R"(a "")", {"a", ""}},
    {"UnbalancedQuoteRunsToTheEnd", R"(a "b c  )", {"a", "b c  "}},
    {"BackslashEscapesNothing", R"(C:\dir\ "x\"y" z)", {R"(C:\dir\)", R"(x\y z)"}},
    {"ShellCharactersAreText", "; | $(ls) `id` * ~ > <", {";", "|", "$(ls)", "`id`", "*", "~", ">", "<"}},
    {"SingleQuotesAreText", "'a b'", {"'a", "b'"}},
    {"NonBreakingSpaceStaysInTheArgument",
     QString("M%1laga%2x.jpg -q").arg(QChar(0xE1)).arg(nbsp),
     {QString("M%1laga%2x.jpg").arg(QChar(0xE1)).arg(nbsp), "-q"}},
};

class SplitArguments : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(SplitArguments, GivesTheArgumentsAProgramReceives)
{
    EXPECT_EQ(splitArguments(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitArguments, ::testing::ValuesIn(splitCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
