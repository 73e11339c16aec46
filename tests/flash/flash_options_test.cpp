// The command line: what is accepted, and the usage errors with their texts.
#include "flash/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "flash/report/exit_codes.h"

namespace tarnwick::flash {
namespace {

using namespace std::chrono_literals;

ParsedCommandLine parse(std::vector<const char*> args) {
  args.insert(args.begin(), "tarnwick-flash");
  return parseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(FlashOptions, AcceptsARunAnInfoAndEveryOptionInAnyPlace) {
  auto parsed = parse({"-v", "/dev/ttyACM0", "--go", "fw.hex", "--answer-timeout", "0.25"});
  ASSERT_TRUE(parsed.options) << parsed.text;
  EXPECT_EQ(parsed.options->port, "/dev/ttyACM0");
  EXPECT_EQ(parsed.options->hexFile, "fw.hex");
  EXPECT_TRUE(parsed.options->go && parsed.options->verbose);
  EXPECT_FALSE(parsed.options->info || parsed.options->quiet);
  EXPECT_EQ(parsed.options->answerTimeout, 250ms);

  parsed = parse({"--info", "--quiet", "--answer-timeout=12", "COM5:"});
  ASSERT_TRUE(parsed.options) << parsed.text;
  EXPECT_TRUE(parsed.options->info && parsed.options->quiet);
  EXPECT_EQ(parsed.options->port, "COM5:");
  EXPECT_EQ(parsed.options->answerTimeout, 12s);

  // After "--" a name may start with a dash.
  parsed = parse({"--", "-port-", "-file-.hex"});
  ASSERT_TRUE(parsed.options) << parsed.text;
  EXPECT_EQ(parsed.options->port, "-port-");
  EXPECT_EQ(parsed.options->answerTimeout, 5s);
}

TEST(FlashOptions, HelpEndsTheParsingAndDocumentsEveryExitCode) {
  const auto parsed = parse({"PORT", "-h", "--bogus"});
  EXPECT_FALSE(parsed.options);
  EXPECT_EQ(parsed.exitCode, 0);
  for (const int code :
       {kExitVerified, kExitPortUnavailable, kExitFileNotLoaded, kExitBoardError, kExitNoAnswer,
        kExitDeviceVanished, kExitSeveralBoards, kExitProtocolBroken, kExitBoardFormat, kExitUsage,
        kExitLogNotWritten, kExitInterrupted}) {
    const std::string number = std::to_string(code);
    const std::string line = "\n" + std::string(4 - number.size(), ' ') + number + "  ";
    EXPECT_NE(parsed.text.find(line), std::string::npos) << code;
  }
}

TEST(FlashOptions, UsageErrorsSayWhatIsWrongAndPointToTheHelp) {
  const struct {
    std::vector<const char*> args;
    std::string problem;
  } cases[] = {
      {{}, "missing PORT and FILE.hex"},
      {{"--info"}, "missing PORT"},
      {{"COM5:"}, "missing FILE.hex"},
      {{"COM5:", "a.hex", "b.hex"}, "unexpected argument 'b.hex'"},
      {{"--info", "COM5:", "a.hex"}, "unexpected argument 'a.hex'"},
      {{"--bogus", "COM5:", "a.hex"}, "unknown option '--bogus'"},
      {{"", "a.hex"}, "PORT is empty"},
      {{"COM5:", ""}, "FILE.hex is empty"},
      {{"--info", "--go", "COM5:"}, "--info and --go exclude each other"},
      {{"-q", "-v", "COM5:", "a.hex"}, "--quiet and --verbose exclude each other"},
      {{"COM5:", "a.hex", "--answer-timeout"}, "--answer-timeout needs a number of seconds"},
      {{"--list", "COM5:"}, "--list takes no PORT or FILE.hex"},
      {{"--every", "/dev/a,,/dev/b", "a.hex"}, "MATCH '/dev/a,,/dev/b' holds an empty device"},
      {{"--every", "/dev/a,/dev/b,", "a.hex"}, "MATCH '/dev/a,/dev/b,' holds an empty device"},
      {{"--every", "/dev/a,/dev/b,/dev/a", "a.hex"}, "MATCH names /dev/a twice"},
      {{"--every", "--info", "COM5:"}, "--info and --every exclude each other"},
      {{"--answer-gap", "0", "P", "a.hex"}, "--answer-gap takes 1 to 20 milliseconds, not '0'"},
      {{"--answer-gap=21", "P", "a.hex"}, "--answer-gap takes 1 to 20 milliseconds, not '21'"},
      {{"--answer-gap", "2ms", "P", "a.hex"}, "--answer-gap takes 1 to 20 milliseconds, not '2ms'"},
      {{"--answer-end", "lines", "P", "a.hex"}, "--answer-end takes line or quiet, not 'lines'"},
      {{"P", "a.hex", "--answer-end"}, "--answer-end takes line or quiet"},
  };
  for (const auto& c : cases) {
    const auto parsed = parse(c.args);
    EXPECT_FALSE(parsed.options) << c.problem;
    EXPECT_EQ(parsed.exitCode, kExitUsage);
    EXPECT_EQ(parsed.text, "tarnwick-flash: " + c.problem + "\nTry 'tarnwick-flash --help'.\n");
  }
}

TEST(FlashOptions, ABoardNameThatIsNoneIsAUsageErrorAndTheGapDefaultsToTheWindows) {
  const auto parsed = parse({"usb:23x1:0043", "a.hex"});
  EXPECT_EQ(parsed.exitCode, kExitUsage);
  EXPECT_NE(parsed.text.find("23x1"), std::string::npos) << parsed.text;
  EXPECT_EQ(parse({"P", "F"}).options->answerGap, 20ms);
  EXPECT_EQ(parse({"--answer-gap", "1", "P", "F"}).options->answerGap, 1ms);
}

TEST(FlashOptions, AnswersEndAtLineEndsUnlessTheWindowsTimingIsAskedFor) {
  EXPECT_EQ(parse({"P", "F"}).options->answerEnd, serial::AnswerEnd::Line);
  EXPECT_EQ(parse({"--answer-end=quiet", "P", "F"}).options->answerEnd, serial::AnswerEnd::Quiet);
  EXPECT_EQ(parse({"--answer-end", "line", "P", "F"}).options->answerEnd, serial::AnswerEnd::Line);
}

TEST(FlashOptions, TheTimeOutIsAPositiveNumberOfSecondsWithAtMostMilliseconds) {
  for (const char* bad :
       {"0", "0.0", "-1", "abc", "1.2345", "1.", ".5", "1e3", "86400.001", "9999999", " 5"}) {
    const auto parsed = parse({"--answer-timeout", bad, "COM5:", "a.hex"});
    EXPECT_EQ(parsed.exitCode, kExitUsage) << bad;
    EXPECT_NE(parsed.text.find("not '" + std::string(bad) + "'"), std::string::npos) << bad;
  }
  EXPECT_EQ(parse({"--answer-timeout", "0.001", "P", "F"}).options->answerTimeout, 1ms);
  EXPECT_EQ(parse({"--answer-timeout", "86400", "P", "F"}).options->answerTimeout, 86400s);
  EXPECT_EQ(parse({"--answer-timeout", "1.5", "P", "F"}).options->answerTimeout, 1500ms);
}

// The resolver would take 99999 as 34463, another board's port on the same server.
TEST(FlashOptions, ANetworkPortOutsideOneTo65535OrNoneIsAUsageErrorForBothKinds) {
  const struct {
    std::vector<const char*> args;
    std::string problem;
  } cases[] = {
      {{"--info", "socket://127.0.0.1:99999"}, "port 99999 is outside 1 to 65535"},
      {{"--info", "rfc2217://[::1]:0"}, "port 0 is outside 1 to 65535"},
      {{"rfc2217://rack-3.lab:65536", "a.hex"}, "port 65536 is outside 1 to 65535"},
      {{"--info", "socket://rack-3.lab"}, "no port (HOST:PORT)"},
      {{"--info", "rfc2217://[::1]"}, "no port (HOST:PORT)"},
      {{"--info", "socket://host:-1"}, "port -1 is no number"},
      {{"--every", "socket://h:4000,socket://h:400000", "a.hex"}, "port 400000 is outside"},
  };
  for (const auto& c : cases) {
    const auto parsed = parse(c.args);
    EXPECT_EQ(parsed.exitCode, kExitUsage) << c.problem;
    EXPECT_NE(parsed.text.find("is no network port: " + c.problem), std::string::npos)
        << parsed.text;
  }
  for (const char* good : {"socket://h:1", "rfc2217://[::1]:65535", "socket://h:telnet"}) {
    EXPECT_TRUE(parse({"--info", good}).options) << good;
  }
}

TEST(FlashOptions, AStationTakesBoardNamesAndPathsAndALogThatGoesOnlyWithIt) {
  auto parsed = parse({"--station", "usb-path:1-1.1,/dev/serial/by-path/p2,usb:2341:0043", "fw.hex",
                       "--log", "boards.jsonl"});
  ASSERT_TRUE(parsed.options) << parsed.text;
  EXPECT_TRUE(parsed.options->station);
  EXPECT_EQ(parsed.options->port, "usb-path:1-1.1,/dev/serial/by-path/p2,usb:2341:0043");
  EXPECT_EQ(parsed.options->log, "boards.jsonl");

  // The error's beginning, as long as `start`.
  const auto errorStart = [](std::vector<const char*> args, const std::string& start) {
    return parse(args).text.substr(0, start.size());
  };
  EXPECT_EQ(errorStart({"--log", "x.jsonl", "/dev/ttyACM0", "fw.hex"},
                       "tarnwick-flash: --log goes with --station"),
            "tarnwick-flash: --log goes with --station");
  EXPECT_EQ(errorStart({"--station", "usb:zz:0043,/dev/ttyACM0", "fw.hex"},
                       "tarnwick-flash: 'usb:zz:0043' is no board name"),
            "tarnwick-flash: 'usb:zz:0043' is no board name");
  EXPECT_EQ(errorStart({"--station", "/dev/ttyACM0,/dev/ttyACM0", "fw.hex"},
                       "tarnwick-flash: MATCH names /dev/ttyACM0 twice"),
            "tarnwick-flash: MATCH names /dev/ttyACM0 twice");
  EXPECT_EQ(errorStart({"--station", "--every", "usb:2341:0043", "fw.hex"},
                       "tarnwick-flash: --station and --every exclude each other"),
            "tarnwick-flash: --station and --every exclude each other");
  EXPECT_EQ(parse({"--station", "usb:2341:0043"}).exitCode, kExitUsage);
}

}  // namespace
}  // namespace tarnwick::flash
