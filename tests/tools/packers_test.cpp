// The packers' command line, end to end with the built morlet and morvix.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/RunTool.h"
#include "fs/Files.h"
#include "tests/TestSupport.h"
#include "tests/pack/PackTestSupport.h"
#include "tools/PackerCommandLine.h"

using namespace icnkit;

using namespace packtest;

namespace {

// The console shows a box as one line: CR LF becomes LF.
std::string Console(std::string text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    line += text[i];
  }
  return line + "\n";
}

// A frame folder name + ".cadres/" in folder with one 2 x 2 bitmap.
void MakeFrameFolder(const std::string& folder, const std::string& name, uint8_t index = 0x40) {
  MakeFolder(folder + name + ".cadres");
  WriteBytes(folder + name + ".cadres/0000.bmp", Bmp8(2, 2, {index, 0, 0, index}));
}

TEST(PackerCommandLine, UsageHelpAndVersion) {
  for (const std::string program : {"morlet", "morvix"}) {
    const std::string caption = program == "morlet" ? "Morlet" : "Morvix";
    const std::string executable = ExecutableFileName(caption);
    const std::string usage =
        Console(caption + " v1.3.1\r\n" +                                                       //
                "Usage 1:  " + executable + " Target.icn\r\n" +                                 //
                "Usage 2:  " + executable + " Target.icn.cadres\r\n" +                          //
                "Creates \"Target.icn\" using frames from \"Target.icn.cadres\" folder.\r\n" +  //
                "\r\n" +                                                                        //
                "You can simply create a desktop shortcut for " + caption +
                " and drag files or folders you want to pack onto it.\r\n" +  //
                "\r\n" + kCreditLines);
    // Anywhere on the line, the first of them wins, and nothing is packed.
    TTempFolder work;
    MakeFrameFolder(work.Path(), "a.icn");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {""},
                                               {"-h"},
                                               {"--help"},
                                               {"a.icn", "--help"},
                                               {"a.icn", "-x", "-h", "--version"}}) {
      const TRunResult run = RunProgram(program, args, work.Path());
      EXPECT_EQ(run.ExitCode, 0);
      EXPECT_EQ(run.Stdout, usage);
      EXPECT_EQ(run.Stderr, "");
    }
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--version"}, {"a.icn", "--version"}, {":copyexe", "--version", "-h"}}) {
      const TRunResult version = RunProgram(program, args, work.Path());
      EXPECT_EQ(version.ExitCode, 0);
      EXPECT_EQ(version.Stdout, caption + " v1.3.1\n");
    }
    EXPECT_EQ(ListNames(work.Path()), std::vector<std::string>{"a.icn.cadres"});
  }
}

TEST(PackerCommandLine, ArchivePathOrFrameFolderGiveTheSameArchive) {
  TTempFolder work;
  MakeFrameFolder(work.Path(), "a.icn");
  const std::vector<std::string> arguments = {"a.icn", "a.icn.cadres", "a.icn.cadres/",
                                              work / "a.icn", work / "a.icn.cadres/"};
  TBytes first;
  for (const std::string& argument : arguments) {
    std::remove((work / "a.icn").c_str());
    const TRunResult run = RunProgram("morvix", {argument}, work.Path());
    EXPECT_EQ(run.ExitCode, 0) << argument;
    EXPECT_EQ(run.Stdout, "Operation succesful.\n") << argument;
    EXPECT_EQ(run.Stderr, "") << argument;
    const TBytes archive = ReadBytes(work / "a.icn");
    if (first.empty()) first = archive;
    EXPECT_EQ(archive, first) << argument;
  }
  EXPECT_EQ(FrameCount(first), 1);
  EXPECT_EQ(ListNames(work.Path()), (std::vector<std::string>{"a.icn", "a.icn.cadres"}));
}

TEST(PackerCommandLine, FailuresAndTheirBoxes) {
  TTempFolder work;
  // No frame folder: the folder path with its delimiter, then the box's dot.
  TRunResult run = RunProgram("morlet", {"a.icn"}, work.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stdout, "");
  EXPECT_EQ(run.Stderr, NativeSlashes("Morlet: Folder doesn't exist: a.icn.cadres/.\n"));
  run = RunProgram("morlet", {work / "a.icn"}, work.Path());
  EXPECT_EQ(run.Stderr,
            "Morlet: Folder doesn't exist: " + work.Path() + NativeSlashes("a.icn.cadres/.\n"));

  // Only ":copyexe" in this letter case copies; anything else is a path.
  run = RunProgram("morvix", {":COPYEXE"}, work.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, NativeSlashes("Morvix: Folder doesn't exist: :COPYEXE.cadres/.\n"));
  EXPECT_TRUE(ListNames(work.Path()).empty());

  // A bitmap that fails: the message, then the bitmap's path on its own line.
  MakeFrameFolder(work.Path(), "b.icn");
  WriteBytes(work / "b.icn.cadres/0001.bmp", Bmp8(1, 1, {1}));
  WriteBytes(work / "b.icn.cadres/0002.bmp", Bmp24(1, 1));
  run = RunProgram("morvix", {"b.icn"}, work.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, NativeSlashes("Morvix: Wrong bitmap format.\nb.icn.cadres/0002.bmp\n"));
  EXPECT_FALSE(FileExists(work / "b.icn"));

  // A folder without an extension is its own archive path: every bitmap is
  // packed, then the archive cannot be created, and no bitmap is named.
  MakeFolder(work / "frames");
  WriteBytes(work / "frames/0000.bmp", Bmp8(1, 1, {1}));
  run = RunProgram("morlet", {"frames"}, work.Path());
  EXPECT_EQ(run.ExitCode, 1);
  const std::string prefix = "Morlet: Cannot create file \"" + work.Path() + "frames\". ";
  EXPECT_EQ(run.Stderr.substr(0, prefix.size()), prefix) << run.Stderr;
  EXPECT_EQ(run.Stderr.find('\n'), run.Stderr.size() - 1) << run.Stderr;
  EXPECT_EQ(run.Stderr.substr(run.Stderr.size() - 2), ".\n");
  EXPECT_EQ(ListNames(work / "frames"), std::vector<std::string>{"0000.bmp"});
}

TEST(PackerCommandLine, EveryArgumentIsPackedUntilTheFirstFailure) {
  TTempFolder work;
  MakeFrameFolder(work.Path(), "a.icn", 1);
  MakeFrameFolder(work.Path(), "b.icn", 2);
  MakeFrameFolder(work.Path(), "c.icn", 3);
  TRunResult run = RunProgram("morlet", {"a.icn", "b.icn.cadres", work / "c.icn"}, work.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "Operation succesful.\n");  // one final box
  for (const char* name : {"a.icn", "b.icn", "c.icn"}) {
    EXPECT_TRUE(FileExists(work / name)) << name;
  }
  EXPECT_NE(ReadBytes(work / "a.icn"), ReadBytes(work / "b.icn"));

  for (const char* name : {"a.icn", "b.icn", "c.icn"}) std::remove((work / name).c_str());
  run = RunProgram("morlet", {"a.icn", "missing.icn", "c.icn"}, work.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stdout, "");
  EXPECT_EQ(run.Stderr, NativeSlashes("Morlet: Folder doesn't exist: missing.icn.cadres/.\n"));
  EXPECT_TRUE(FileExists(work / "a.icn"));
  EXPECT_FALSE(FileExists(work / "c.icn"));
}

TEST(PackerCommandLine, UnknownOptionsFailBeforeAnythingIsPacked) {
  TTempFolder work;
  MakeFrameFolder(work.Path(), "a.icn");
  for (const char* option : {"--frobnicate", "-v"}) {
    const TRunResult run = RunProgram("morlet", {"a.icn", option}, work.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stdout, "");
    EXPECT_EQ(run.Stderr, "Morlet: Unknown option: " + std::string(option) + " (try --help).\n");
    EXPECT_FALSE(FileExists(work / "a.icn"));
  }
  // A name starting with '-' that names an archive's frame folder, or a
  // folder, is packed.
  MakeFrameFolder(work.Path(), "-v.icn");
  MakeFrameFolder(work.Path(), "-w.icn");
  const TRunResult run = RunProgram("morvix", {"-v.icn", "-w.icn.cadres"}, work.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_TRUE(FileExists(work / "-v.icn"));
  EXPECT_TRUE(FileExists(work / "-w.icn"));
}

TEST(PackerCommandLine, AFinalMessageThatCannotBeWrittenIsAFailure) {
  TTempFolder work;
  MakeFrameFolder(work.Path(), "a.icn");
  const std::string archive = work / "a.icn";
  TCapturingReport report;
  TToolContext context{NativeFs(), report};
  report.Result = false;
  for (const std::string& argument :
       {archive, std::string("--help"), std::string("--version"), std::string("--frobnicate")}) {
    EXPECT_EQ(RunPacker(context, TIcnGeneration::H1, {"morlet", argument}), 1) << argument;
  }
  EXPECT_TRUE(FileExists(archive));
  ASSERT_EQ(report.Messages.size(), 4u);
  EXPECT_EQ(report.Messages[0].Text, "Operation succesful.");
  EXPECT_EQ(report.Messages[0].Caption, "Morlet");
  EXPECT_FALSE(report.Messages[0].Error);
  EXPECT_TRUE(report.Messages[3].Error);
  report.Result = true;
  EXPECT_EQ(RunPacker(context, TIcnGeneration::H1, {"morlet", archive}), 0);
}

TEST(PackerCommandLine, AFullConsoleIsAFailure) {
  TTempFolder work;
  MakeFrameFolder(work.Path(), "a.icn");
  const auto toDevFull = [](int fd) {
    return [fd] {
      const int full = ::open("/dev/full", O_WRONLY);
      if (full >= 0) ::dup2(full, fd);
    };
  };
  EXPECT_EQ(RunProgram("morvix", {"a.icn"}, work.Path(), toDevFull(1)).ExitCode, 1);
  EXPECT_TRUE(FileExists(work / "a.icn"));
  EXPECT_EQ(RunProgram("morvix", {"b.icn"}, work.Path(), toDevFull(2)).ExitCode, 1);
  EXPECT_EQ(RunProgram("morvix", {"--version"}, work.Path(), [] { ::close(1); }).ExitCode, 1);
  EXPECT_EQ(RunProgram("morvix", {"a.icn"}, work.Path()).ExitCode, 0);
}

TEST(PackerCommandLine, CopyExeCopiesItselfSilently) {
  TTempFolder work;
  const std::string copyName = ExecutableFileName("Morvix");
  const TRunResult run = RunProgram("morvix", {":copyexe"}, work.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  EXPECT_EQ(run.Stderr, "");
  EXPECT_EQ(ReadBytes(work / copyName), ReadBytes(BinPath("morvix")));
  struct stat info;
  ASSERT_EQ(::stat((work / copyName).c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u);
  // The copy is a packer like the original.
  EXPECT_EQ(RunProgram(work / copyName, {"--version"}, work.Path()).Stdout, "Morvix v1.3.1\n");
  // No palette goes along with a packer.
  EXPECT_EQ(ListNames(work.Path()), std::vector<std::string>{copyName});
  // A copy that fails says why.
  TTempFolder other;
  ::mkdir((other / copyName).c_str(), 0755);
  const TRunResult failed = RunProgram("morvix", {":copyexe"}, other.Path());
  EXPECT_EQ(failed.ExitCode, 1);
  EXPECT_EQ(failed.Stderr, "Morvix: Cannot copy to \"" + (other / copyName) + "\". " +
                               NativeErrorText(FolderAsFileError()) + ".\n");
}

}  // namespace
