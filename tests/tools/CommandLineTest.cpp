// SPDX-License-Identifier: ISC
// The one number parser and the one argument parser every command reads its
// command line with.
#include "tools/ToolError.h"
#include "tools/cli/Arguments.h"
#include "tools/cli/Numbers.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, NumbersAreWholeTextsAndFinite) {
    using namespace std::string_literals;
    const std::pair<std::string, double> reals[] = {{"0.25", 0.25}, {"-1e3", -1000.0}},
                                         wholes[] = {{"4294967295", 4294967295.0}, {"-7", -7.0}};
    for (const auto& [text, value] : reals)
        EXPECT_EQ(ParseNumber(text, NumberForm::Real), value) << text;
    for (const auto& [text, value] : wholes)
        EXPECT_EQ(ParseNumber(text, NumberForm::Whole), value) << text;
    const std::string withZero("0.5\09", 5); // a zero byte does not end the text
    for (const std::string& text :
         {""s, "0.5x"s, "0.5 "s, withZero, "1e400"s, "nan"s, "-inf"s, "infinity"s})
        EXPECT_FALSE(ParseNumber(text, NumberForm::Real)) << "'" << text << "'";
    for (const std::string& text : {"7.5"s, "1e3"s, "99999999999999999999"s, ""s})
        EXPECT_FALSE(ParseNumber(text, NumberForm::Whole)) << "'" << text << "'";

    EXPECT_EQ(NumberOption("level", "10", 1, 10, NumberForm::Whole), 10.0);
    try {
        NumberOption("level", "11", 1, 10, NumberForm::Whole);
        ADD_FAILURE() << "11 is out of range";
    } catch (const UsageError& error) {
        EXPECT_STREQ(error.what(), "--level takes a whole number from 1 to 10, not '11'");
        EXPECT_EQ(error.exitStatus(), 2);
    }
    EXPECT_THROW(NumberOption("rate", "1e400", 1, 1000000), UsageError);
}

TEST(CommandLine, ArgumentsKeepTheirOrderAndRefuseWhatTheCommandLacks) {
    const std::vector<OptionSpec> options = {{"set"}, {"rate"}, {"jobs", 'j'}};
    const Arguments args = ParseArguments(
        {"in", "--set", "a=1", "-j3", "--rate=5", "-j", "4", "--set=b=2", "-", "out"}, options);
    EXPECT_EQ(args.positional, (std::vector<std::string>{"in", "-", "out"}));
    EXPECT_EQ(args.all("set"), (std::vector<std::string>{"a=1", "b=2"}));
    EXPECT_EQ(args.option("jobs"), "3"); // the first of several
    EXPECT_EQ(args.option("rate"), "5");
    EXPECT_EQ(args.option("missing", "fallback"), "fallback");
    EXPECT_FALSE(args.help);

    const struct {
        std::vector<std::string> words;
        const char* error;
    } bad[] = {
        {{"--set"}, "--set needs a value"},
        {{"a", "-j"}, "-j needs a value"},
        {{"--bogus"}, "unknown option --bogus"},
        {{"--bogus=1", "--help"}, "unknown option --bogus"},
        {{"--", "x"}, "unknown option --"},
    };
    for (const auto& c : bad) {
        try {
            ParseArguments(c.words, options);
            ADD_FAILURE() << c.error;
        } catch (const UsageError& error) {
            EXPECT_STREQ(error.what(), c.error);
        }
    }
    // The help wins over anything after it, but not over a value it is.
    EXPECT_TRUE(ParseArguments({"x", "--help", "--bogus"}, options).help);
    const Arguments value = ParseArguments({"--set", "--help"}, options);
    EXPECT_FALSE(value.help);
    EXPECT_EQ(value.option("set"), "--help");
}

} // namespace
