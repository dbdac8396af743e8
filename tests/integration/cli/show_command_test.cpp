#include <gtest/gtest.h>

#include "integration/cli/cli_runner.h"
#include "text/encoding.h"

namespace {

using vexon::testing::CliRun;

class ShowCommand : public vexon::testing::CliTest {};

}  // namespace

TEST_F(ShowCommand, PrintsEachRowAsSevenTabSeparatedUtf8Cells) {
  const auto file = WriteFile(
      "月亮.msf",
      vexon::text::Gb18030FromUtf8("1$#!b.mp3$#!mp3$#!2048$#!01/02/2008$#!月亮代表我的心$#!http://h/b.mp3$#!\r\n"
                                   "0$#!a.wma$#!wma$#!1000$#!12/31/2007$#!Moon$#!http://h/a.wma$#!\r\r\n"));
  const CliRun run = Run({"show", file.string()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "0\ta.wma\twma\t1000\t12/31/2007\tMoon\thttp://h/a.wma\n"
            "1\tb.mp3\tmp3\t2048\t01/02/2008\t月亮代表我的心\thttp://h/b.mp3\n");
}

TEST_F(ShowCommand, AFileThatCannotBeReadExitsOneWithAMessage) {
  const CliRun missing = Run({"show", (dir_ / "missing.msf").string()});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("missing.msf"), std::string::npos) << missing.err;

  const CliRun folder = Run({"show", dir_.string()});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_FALSE(folder.err.empty());
}

TEST_F(ShowCommand, BadArgumentsExitTwo) {
  const auto file = WriteFile("a.msf", "");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"show"}, std::vector<std::string>{"show", file.string(), file.string()},
        std::vector<std::string>{"show", "--bogus", file.string()}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.exitCode, 2) << args.size();
    EXPECT_FALSE(run.err.empty());
  }
  // After "--" a name that starts with "-" is a file.
  WriteFile("-dash.msf", "0$#!\r\n");
  EXPECT_EQ(Run({"show", "-dash.msf"}, true).exitCode, 2);
  const CliRun run = Run({"show", "--", "-dash.msf"}, true);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "0\t\t\t\t\t\t\n");
}
