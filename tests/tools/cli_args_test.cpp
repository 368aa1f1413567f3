// The render command line: what it accepts, and that it refuses what it cannot use.

#include "tools/corvane-host/cli_args.h"
#include "tools/corvane-host/render_command.h"

#include <gtest/gtest.h>

#include <ostream>

namespace corvane::tools {
namespace {

TEST(RenderOptions, EveryOptionIsTaken) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse_render_options({"plug.so",
                                      "-i",
                                      "in.wav",
                                      "--output=out2.wav",
                                      "--sidechain",
                                      "sc.wav",
                                      "--program",
                                      "Big Room",
                                      "--param",
                                      "3=0.25",
                                      "--param",
                                      "Gain=1",
                                      "--rate",
                                      "48000",
                                      "--block=64",
                                      "--tempo",
                                      "98.5",
                                      "--timesig",
                                      "7/8",
                                      "--note",
                                      "0.5:60:100:1.25",
                                      "--note",
                                      "2:64:1:0.1",
                                      "--fxp",
                                      "a.fxp",
                                      "--fxb",
                                      "b.fxb",
                                      "--save-fxp",
                                      "c.fxp",
                                      "--save-fxb",
                                      "d.fxb",
                                      "--tail",
                                      "2",
                                      "--format",
                                      "pcm24",
                                      "-v",
                                      "-q"},
                                     o, error))
        << error;
    EXPECT_EQ(o.plugin, "plug.so");
    EXPECT_EQ(o.input, "in.wav");
    EXPECT_EQ(o.output, "out2.wav");
    EXPECT_EQ(o.sidechain, "sc.wav");
    EXPECT_EQ(o.program, "Big Room");
    ASSERT_EQ(o.params.size(), 2u);
    EXPECT_EQ(o.params[0].first, "3");
    EXPECT_EQ(o.params[0].second, 0.25f);
    EXPECT_EQ(o.params[1].first, "Gain");
    EXPECT_EQ(o.rate, 48000);
    EXPECT_EQ(o.block, 64);
    EXPECT_EQ(o.tempo, 98.5);
    EXPECT_EQ(o.numerator, 7);
    EXPECT_EQ(o.denominator, 8);
    ASSERT_EQ(o.notes.size(), 2u);
    EXPECT_EQ(o.notes[0].start, 0.5);
    EXPECT_EQ(o.notes[0].key, 60);
    EXPECT_EQ(o.notes[0].velocity, 100);
    EXPECT_EQ(o.notes[0].length, 1.25);
    EXPECT_EQ(o.load_fxp, "a.fxp");
    EXPECT_EQ(o.load_fxb, "b.fxb");
    EXPECT_EQ(o.save_fxp, "c.fxp");
    EXPECT_EQ(o.save_fxb, "d.fxb");
    EXPECT_EQ(o.tail, 2.0);
    EXPECT_EQ(o.format, SampleFormat::pcm24);
    EXPECT_TRUE(o.verbose);
    EXPECT_TRUE(o.quiet);
}

TEST(RenderOptions, DefaultsRenderTheDemoToOutWav) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse_render_options({"plug.so"}, o, error));
    EXPECT_TRUE(o.input.empty());
    EXPECT_EQ(o.output, "out.wav");
    EXPECT_EQ(o.block, 512);
    EXPECT_EQ(o.tempo, 120.0);
    EXPECT_EQ(o.numerator, 4);
    EXPECT_EQ(o.denominator, 4);
    EXPECT_FALSE(o.rate);
}

struct BadLine {
    const char* name;
    std::vector<std::string> args;
    const char* complaint;
};

// Test names show the row, not its bytes.
std::ostream& operator<<(std::ostream& out, const BadLine& row) {
    return out << row.name;
}

class RenderOptionsRefused : public ::testing::TestWithParam<BadLine> {};

TEST_P(RenderOptionsRefused, WithAReason) {
    RenderOptions o;
    std::string error;
    EXPECT_FALSE(parse_render_options(GetParam().args, o, error));
    EXPECT_NE(error.find(GetParam().complaint), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RenderOptionsRefused,
    ::testing::Values(BadLine{"NoPlugin", {}, "no plug-in"},
                      BadLine{"TwoPlugins", {"a.so", "b.so"}, "unexpected argument 'b.so'"},
                      BadLine{"UnknownOption", {"a.so", "--bogus"}, "unknown option '--bogus'"},
                      BadLine{"MissingValue", {"a.so", "-o"}, "-o needs a value"},
                      BadLine{"ZeroBlock", {"a.so", "--block", "0"}, "--block"},
                      BadLine{"FractionalBlock", {"a.so", "--block", "12.5"}, "--block"},
                      BadLine{"RateTooLow", {"a.so", "--rate", "10"}, "--rate"},
                      BadLine{"TempoNotNumber", {"a.so", "--tempo", "fast"}, "--tempo"},
                      BadLine{"TempoNegative", {"a.so", "--tempo", "-5"}, "--tempo"},
                      BadLine{"TempoInfinite", {"a.so", "--tempo", "inf"}, "--tempo"},
                      BadLine{"TimesigDenominator", {"a.so", "--timesig", "4/3"}, "--timesig"},
                      BadLine{"TimesigZero", {"a.so", "--timesig", "0/4"}, "--timesig"},
                      BadLine{"TimesigShape", {"a.so", "--timesig", "4"}, "--timesig"},
                      BadLine{"ParamWithoutValue", {"a.so", "--param", "5"}, "--param"},
                      BadLine{"ParamAboveOne", {"a.so", "--param", "0=1.5"}, "--param"},
                      BadLine{"ParamNaN", {"a.so", "--param", "0=nan"}, "--param"},
                      BadLine{"NoteShape", {"a.so", "--note", "1:60:100"}, "--note"},
                      BadLine{"NoteKey", {"a.so", "--note", "0:128:100:1"}, "--note"},
                      BadLine{"NoteVelocityZero", {"a.so", "--note", "0:60:0:1"}, "--note"},
                      BadLine{"NoteLength", {"a.so", "--note", "0:60:100:0"}, "--note"},
                      BadLine{"NoteNegativeStart", {"a.so", "--note", "-1:60:100:1"}, "--note"},
                      BadLine{"Format", {"a.so", "--format", "mp3"}, "--format"},
                      BadLine{"TailTooLong", {"a.so", "--tail", "9999"}, "--tail"}),
    [](const ::testing::TestParamInfo<BadLine>& row) { return std::string(row.param.name); });

TEST(ArgReader, NegativeNumbersAreValuesNotOptions) {
    ArgReader args({"--x", "-5", "-y"});
    ASSERT_TRUE(args.next());
    EXPECT_TRUE(args.is_option());
    std::string value;
    ASSERT_TRUE(args.value(value));
    EXPECT_EQ(value, "-5");
    ASSERT_TRUE(args.next());
    EXPECT_TRUE(args.is_option());
    EXPECT_FALSE(args.value(value));
}

TEST(Numbers, ParsingIsStrict) {
    double d = 0;
    int i = 0;
    EXPECT_TRUE(parse_double("1e3", d));
    EXPECT_EQ(d, 1000.0);
    EXPECT_FALSE(parse_double("1.5x", d));
    EXPECT_FALSE(parse_double(" 1", d));
    EXPECT_FALSE(parse_double("", d));
    EXPECT_FALSE(parse_double("nan", d));
    EXPECT_TRUE(parse_int("-12", i));
    EXPECT_EQ(i, -12);
    EXPECT_FALSE(parse_int("99999999999", i));
    EXPECT_FALSE(parse_int("3.0", i));
}

} // namespace
} // namespace corvane::tools
