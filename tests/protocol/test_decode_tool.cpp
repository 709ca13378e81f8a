// dedezuviv-tool decode, run as a program: output lines, exit codes, options.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::RunTool;
using TRun = testsupport::ToolRun;
const auto Quote = testsupport::ShellQuote;

const char* const CaptureText =
    "junk#\r\n=MD/p312345/v0102/t+023,45/t-005,00/n1234,5/d12,75/i0110/m21/o1001/xFF/y08.12.26/z14:30:05#\r\n"
    "=MR/t+030,00#\r\n=MD/t-075,00#\r\n";

const char* const ExpectedOutput =
    "=MD/p312345/v0102/t+023,45/t-005,00/n1234,5/d12,75/i0110/m21/o1001/xFF/y08.12.26/z14:30:05/"
    "r08.12.26 14:30:09#\t{\"Program\":12345,\"Version\":2,\"Subversion\":1,\"ID\":3,\"RT\":\"2026-12-08T14:30:05\","
    "\"PC\":\"2026-12-08T14:30:09\",\"Temperature\":[23.45,-5],\"Counter\":[1234.5],\"Value\":[12.75],"
    "\"Time\":[\"2026-12-08T14:30:05\"],\"Input\":[0,1,1,0],\"State\":[2,1],\"Output\":[1,0,0,1],\"Intern\":[255]}\n"
    "=MR/t+030,00#\t{\"Program\":12345,\"Version\":2,\"Subversion\":1,\"ID\":3,\"RT\":\"2026-12-08T14:30:05\","
    "\"PC\":\"2026-12-08T14:30:09\",\"Temperature\":[23.45,-5,30],\"Counter\":[1234.5],\"Value\":[12.75],"
    "\"Time\":[\"2026-12-08T14:30:05\"],\"Input\":[0,1,1,0],\"State\":[2,1],\"Output\":[1,0,0,1],\"Intern\":[255]}\n";

}  // namespace

TEST(DecodeTool, PrintsEveryValidRecordWithItsValues)
{
    testsupport::TempDir dir;
    const std::string capture = (dir / "capture.txt").string();
    testsupport::WriteFile(capture, CaptureText);
    const TRun run = RunTool(dir, "decode --now 2026-12-08T14:30:09 " + Quote(capture));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, ExpectedOutput);
    EXPECT_EQ(run.Err, "");
    // One decoder for all inputs and any block size: the same output from standard input, one byte at
    // a time, and from the capture cut into two files in the middle of a record.
    const TRun piped = RunTool(dir, "decode --block=1 --now=2026-12-08T14:30:09", capture);
    EXPECT_EQ(piped.ExitCode, 0);
    EXPECT_EQ(piped.Out, ExpectedOutput);
    const std::string text = CaptureText;
    testsupport::WriteFile(dir / "a.txt", text.substr(0, 40));
    testsupport::WriteFile(dir / "b.txt", text.substr(40));
    const TRun two = RunTool(dir, "decode --now 2026-12-08T14:30:09 " + Quote((dir / "a.txt").string()) + " " +
                                      Quote((dir / "b.txt").string()));
    EXPECT_EQ(two.Out, ExpectedOutput);
}

TEST(DecodeTool, BundledSampleCaptureDecodes)
{
    testsupport::TempDir dir;
    const TRun run =
        RunTool(dir, "decode --now 2026-12-08T14:30:09 " + Quote(testsupport::SourcePath("data/sample-capture.txt")));
    EXPECT_EQ(run.ExitCode, 0);
    size_t lines = 0;
    for (char c : run.Out)
        lines += c == '\n';
    EXPECT_EQ(lines, 20u);
    EXPECT_NE(run.Out.find("=MR/t+041,25/t+038,50/o01#\t"), std::string::npos);
}

TEST(DecodeTool, UnreadableFileFailsWithMessage)
{
    testsupport::TempDir dir;
    const std::string missing = (dir / "fehlt.txt").string();
    const std::string capture = (dir / "capture.txt").string();
    testsupport::WriteFile(capture, CaptureText);
    const TRun run = RunTool(dir, "decode --now 2026-12-08T14:30:09 " + Quote(missing) + " " + Quote(capture));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "Datei \"" + missing + "\" kann nicht gelesen werden.\n");
    // The readable file is still decoded.
    EXPECT_EQ(run.Out, ExpectedOutput);
    const TRun folder = RunTool(dir, "decode " + Quote(dir.Path().string()));
    EXPECT_EQ(folder.ExitCode, 1);
}

TEST(DecodeTool, WrongUseShowsUsage)
{
    testsupport::TempDir dir;
    for (const char* arguments : {"", "unbekannt", "decode --block 0", "decode --block x", "decode --block",
                                  "decode --now 2026-12-08", "decode --now 2026-02-30T10:00:00", "decode --fast"}) {
        const TRun run = RunTool(dir, arguments);
        EXPECT_EQ(run.ExitCode, 2) << arguments;
        EXPECT_NE(run.Err.find("dedezuviv-tool"), std::string::npos) << arguments;
        EXPECT_EQ(run.Out, "") << arguments;
    }
    EXPECT_EQ(RunTool(dir, "decode --help").ExitCode, 0);
}
