#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ShowOptions.h"

namespace {

bool parse(const std::vector<std::string>& args, ShowOptions& options, std::string& error) {
    options.avOffsetMs = 12345;
    error.clear();
    return parseShowOptions(args, options, error);
}

}  // namespace

TEST(ShowOptions, NoOptionsIsTheShowAsDesigned) {
    ShowOptions options;
    std::string error;
    ASSERT_TRUE(parse({}, options, error)) << error;
    EXPECT_EQ(options.avOffsetMs, 0);
}

TEST(ShowOptions, AvOffsetTakesSignedWholeMilliseconds) {
    const std::vector<std::pair<std::vector<std::string>, int32_t>> cases = {
        {{"--av-offset", "-40"}, -40},
        {{"--av-offset", "25"}, 25},
        {{"--av-offset=+25"}, 25},
        {{"--av-offset=-1000"}, -1000},
        {{"--av-offset", "1000"}, 1000},
        {{"--av-offset", "0"}, 0},
        {{"--av-offset", "-3", "--av-offset", "7"}, 7},
    };
    for (const auto& [args, expected] : cases) {
        ShowOptions options;
        std::string error;
        EXPECT_TRUE(parse(args, options, error)) << args[0] << ": " << error;
        EXPECT_EQ(options.avOffsetMs, expected) << args.back();
    }
}

TEST(ShowOptions, BadOptionsAreNamed) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--av-offset", "soon"}, "bad --av-offset \"soon\""},
        {{"--av-offset", "1001"}, "bad --av-offset \"1001\""},
        {{"--av-offset=-1001"}, "bad --av-offset \"-1001\""},
        {{"--av-offset", "4.5"}, "bad --av-offset \"4.5\""},
        {{"--av-offset", "-"}, "bad --av-offset \"-\""},
        {{"--av-offset="}, "bad --av-offset \"\""},
        {{"--av-offset", "99999999999"}, "bad --av-offset \"99999999999\""},
        {{"--av-offset"}, "--av-offset needs a value"},
        {{"--av-ofset", "3"}, "unknown option \"--av-ofset\""},
        {{"--av-offset", "3", "show.mod"}, "unknown option \"show.mod\""},
    };
    for (const auto& [args, expected] : cases) {
        ShowOptions options;
        std::string error;
        EXPECT_FALSE(parse(args, options, error)) << args[0];
        EXPECT_EQ(error.rfind(expected, 0), 0u) << error;
    }
    EXPECT_NE(showUsage().find("--av-offset MS"), std::string::npos);
}
