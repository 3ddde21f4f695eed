// RunProcess with real programs from the system: input, output, exit
// status, signals, missing programs, the time limit and a program that
// stops reading its input.
#include "process/process_runner.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <chrono>

namespace platform {
namespace {

TEST(RunProcess, PassesStandardInputThroughAndCapturesOutput) {
  ProcessOptions options;
  options.standardInput = std::string("line one\nline two\0zero", 22);
  const ProcessResult result = RunProcess({"cat"}, options);
  ASSERT_TRUE(result.Succeeded()) << DescribeProcessResult(result);
  EXPECT_EQ(result.standardOutput, options.standardInput);
  EXPECT_EQ(result.standardError, "");
}

TEST(RunProcess, KeepsArgumentsWholeWithoutAShell) {
  const ProcessResult result =
      RunProcess({"/bin/sh", "-c", "printf '%s|' \"$@\"", "sh", "a b", "$HOME", "*", "'q'"});
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(result.standardOutput, "a b|$HOME|*|'q'|");
}

TEST(RunProcess, SeparatesStandardErrorAndReportsTheExitStatus) {
  const ProcessResult result = RunProcess({"/bin/sh", "-c", "echo out; echo err >&2; exit 3"});
  EXPECT_EQ(result.outcome, ProcessOutcome::kExited);
  EXPECT_EQ(result.exitStatus, 3);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.standardOutput, "out\n");
  EXPECT_EQ(result.standardError, "err\n");
  EXPECT_EQ(DescribeProcessResult(result), "exited with status 3");
}

TEST(RunProcess, ReportsAProgramKilledBySignal) {
  const ProcessResult result = RunProcess({"/bin/sh", "-c", "kill -TERM $$"});
  EXPECT_EQ(result.outcome, ProcessOutcome::kSignalled);
  EXPECT_EQ(result.signal, SIGTERM);
  EXPECT_FALSE(result.Succeeded());
}

TEST(RunProcess, ReportsAMissingProgramAsNotStarted) {
  for (const char* program : {"/nonexistent/folder/program", "vellamore-no-such-program"}) {
    const ProcessResult result = RunProcess({program, "-x"});
    EXPECT_EQ(result.outcome, ProcessOutcome::kNotStarted) << program;
    EXPECT_EQ(result.error, ENOENT) << program;
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(DescribeProcessResult(result), "could not be started: No such file or directory");
  }
  EXPECT_EQ(RunProcess({}).outcome, ProcessOutcome::kNotStarted);
}

TEST(RunProcess, KillsAProgramAndItsChildrenAtTheTimeLimit) {
  ProcessOptions options;
  options.timeLimit = std::chrono::milliseconds(200);
  // The child keeps the output pipe open; the limit must still end the run.
  const ProcessResult result = RunProcess({"/bin/sh", "-c", "sleep 30 & sleep 30"}, options);
  EXPECT_EQ(result.outcome, ProcessOutcome::kTimedOut);
  EXPECT_FALSE(result.Succeeded());
}

TEST(RunProcess, SurvivesAProgramThatStopsReadingItsInput) {
  ProcessOptions options;
  options.standardInput.assign(size_t{8} * 1024 * 1024, 'x');
  const ProcessResult result =
      RunProcess({"/bin/sh", "-c", "head -c 10 >/dev/null; exit 0"}, options);
  EXPECT_TRUE(result.Succeeded()) << DescribeProcessResult(result);
}

TEST(RunProcess, DoesNotWaitForDescendantsThatKeepTheOutputOpen) {
  const ProcessResult result =
      RunProcess({"/bin/sh", "-c", "echo started; (sleep 5; echo late) & exit 0"});
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(result.standardOutput, "started\n");
}

TEST(RunProcess, CutsCapturedOutputAtTheLimit) {
  ProcessOptions options;
  options.outputLimit = 1000;
  const ProcessResult result = RunProcess({"head", "-c", "100000", "/dev/zero"}, options);
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(result.standardOutput.size(), 1000u);
}

TEST(RunProcess, SetsTheWorkingFolderAndExtraEnvironment) {
  ProcessOptions options;
  options.workingDirectory = "/";
  options.extraEnvironment = {"VELLAMORE_PROCESS_TEST=yes", "HOME=/elsewhere"};
  const ProcessResult result =
      RunProcess({"/bin/sh", "-c", "pwd; echo $VELLAMORE_PROCESS_TEST $HOME"}, options);
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(result.standardOutput, "/\nyes /elsewhere\n");
}

TEST(RunProcess, GivesTheProgramAnEmptyInputWhenThereIsNone) {
  const ProcessResult result = RunProcess({"wc", "-c"});
  ASSERT_TRUE(result.Succeeded());
  EXPECT_EQ(result.standardOutput, "0\n");
}

}  // namespace
}  // namespace platform
