// The unpackers' command line, mostly through the built executables.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/RunTool.h"
#include "conventions/ArchiveNames.h"
#include "fs/Files.h"
#include "settings/SettingsFile.h"
#include "tests/TestSupport.h"
#include "tests/unpack/UnpackTestArchives.h"
#include "tools/UnpackerCommandLine.h"

using namespace icnkit;

namespace {

using namespace unpack_testing;

constexpr TIcnGeneration kH1 = TIcnGeneration::H1;
constexpr TIcnGeneration kH2 = TIcnGeneration::H2;
const std::string kSuccess = "Operation succesful.\n";

// A small valid archive of one 3 x 3 frame.
std::vector<uint8_t> Archive(TIcnGeneration generation) {
  return BuildArchive(generation, {SolidFrame(generation, -1, -2, 3, 3, 9)});
}

void CopyExecutable(const std::string& from, const std::string& to) {
  WriteBytes(to, ReadBytes(from));
  ::chmod(to.c_str(), 0755);
}

std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

TEST(UnpackerCommandLine, ArchiveNamesAndErrorBox) {
  for (const char* name :
       {"a.icn", "X.Icn", "b.OBJ", "c.atk", "d.std", "e.wlk", "f.wip", "g.xtl"}) {
    EXPECT_TRUE(IsArchiveName(kH1, name)) << name;
  }
  for (const char* name : {"x.icn.bak", "x.icnx", "icn", "x.txt", "x.", ""}) {
    EXPECT_FALSE(IsArchiveName(kH1, name)) << name;
  }
  EXPECT_TRUE(IsArchiveName(kH2, "A.ICN"));
  EXPECT_FALSE(IsArchiveName(kH2, "a.obj"));

  // The period comes whatever the text ends with.
  EXPECT_EQ(ToolErrorText("Broken.", ""), "Broken..");
  EXPECT_EQ(ToolErrorText("Broken", "/x/a.icn"), "Broken.\r\n/x/a.icn");

  // The archive an error names belongs to its run: the next run starts
  // without one.
  TTempFolder folder;
  WriteBytes(folder / "a.icn", {1, 2, 3});
  TCapturingReport report;
  TToolContext context{NativeFs(), report};
  const std::string archive = folder / "a.icn";
  EXPECT_EQ(RunUnpacker(context, kDravixGeneration, {"dravix", archive}), 1);
  EXPECT_EQ(RunUnpacker(context, kDravixGeneration, {"dravix", folder / "b.icn"}), 1);
  ASSERT_EQ(report.Messages.size(), 2u);
  EXPECT_EQ(report.Messages[0].Caption, "Dravix");
  EXPECT_TRUE(report.Messages[0].Error);
  EXPECT_EQ(report.Messages[0].Text.substr(report.Messages[0].Text.find(".\r\n")),
            ".\r\n" + archive);
  EXPECT_EQ(report.Messages[1].Text, "No such file or folder: " + folder / "b.icn.");
}

TEST(UnpackerCommandLine, UsageHelpAndVersion) {
  const std::string dravel = ExecutableFileName("Dravel");
  const std::string usage = std::string(
                                "Dravel v1.3.1\r\n"
                                "Usage 1:  ") +
                            dravel + " Target.icn\r\n" +
                            std::string(
                                "Unpacks into \"Target.icn.cadres\" folder.\r\n"
                                "File masks are supported. Use \"*.*\" to unpack all ICN files.\r\n"
                                "\r\n"
                                "Usage 2:  ") +
                            dravel + " InFolder [OutFolder]\r\n" +
                            NativeSlashes(
                                "Extracts 1 frame of each ICN file into OutFolder.\r\n"
                                "OutFolder defaults to \"InFolder/Icn Preview\".\r\n") +
                            std::string(
                                "\r\n"
                                "You can simply create a desktop shortcut for Dravel and drag "
                                "files or folders you want to unpack onto it.\r\n"
                                "\r\n") +
                            kCreditLines;
  EXPECT_EQ(UnpackerUsageText(kDravelGeneration), usage);
  // Anywhere on the line, the first of them wins, and nothing else is done:
  // a.icn is not unpacked, -v is no unknown option.
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(kH1));
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {""},
                                               {"-h"},
                                               {"--help", "x.icn"},
                                               {"a.icn", "--help"},
                                               {"a.icn", "-v", "-h"},
                                               {"nosuch.icn", "-h", "--version"}}) {
    const TRunResult run = RunProgram("dravel", args, folder.Path());
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Stdout, WithoutCr(usage) + "\n");
    EXPECT_EQ(run.Stderr, "");
  }
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--version"},
                                               {"a.icn", "--version", "--help"},
                                               {"in", "--version"}}) {
    const TRunResult version = RunProgram("dravix", args, folder.Path());
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Stdout, "Dravix v1.3.1\n");
  }
  const TRunResult usage2 = RunProgram("dravix", {}, folder.Path());
  EXPECT_NE(
      usage2.Stdout.find("Usage 2:  " + ExecutableFileName("Dravix") + " InFolder [OutFolder]\n"),
      std::string::npos);
  EXPECT_EQ(ListNames(folder.Path()), std::vector<std::string>{"a.icn"});
}

TEST(UnpackerCommandLine, FrameFolderModeMasksAndArguments) {
  TTempFolder folder;
  for (const char* name : {"a.icn", "b.obj", "c.wlk", "d.txt"}) {
    WriteBytes(folder / name, Archive(kH1));
  }
  ::mkdir((folder / "dir.icn").c_str(), 0755);  // a folder is never an archive
  TRunResult run = RunProgram("dravel", {"*.*"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, kSuccess);
  EXPECT_EQ(run.Stderr, "");
  EXPECT_EQ(ListNames(folder.Path()),
            (std::vector<std::string>{"a.icn", "a.icn.cadres", "b.obj", "b.obj.cadres", "c.wlk",
                                      "c.wlk.cadres", "d.txt", "dir.icn"}));
  EXPECT_EQ(ListNames(folder / "a.icn.cadres"),
            (std::vector<std::string>{"0000.bmp", "setup.ini"}));
  EXPECT_EQ(
      TSettingsFile(NativeFs(), folder / "b.obj.cadres/setup.ini").ReadNumber("Position", "Y", 0),
      -2);

  // Dravix accepts only .icn; an absolute mask with a wildcard.
  TTempFolder other;
  for (const char* name : {"a.icn", "b.obj"}) WriteBytes(other / name, Archive(kH2));
  ::mkdir((other / "dir.icn").c_str(), 0755);
  run = RunProgram("dravix", {other / "*"}, folder.Path());
  EXPECT_EQ(run.Stdout, kSuccess);
  EXPECT_EQ(ListNames(other.Path()),
            (std::vector<std::string>{"a.icn", "a.icn.cadres", "b.obj", "dir.icn"}));

  // Every argument is a mask; the file name comes from the entry, the folder
  // from the argument, letters match in any case.
  TTempFolder third;
  for (const char* name : {"Target.ICN", "x.icn", "y.icn"}) WriteBytes(third / name, Archive(kH2));
  run = RunProgram("dravix", {"target.icn", "nothing*.icn", third / "y.icn"}, third.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, kSuccess);
  EXPECT_EQ(ListNames(third.Path()), (std::vector<std::string>{"Target.ICN", "Target.ICN.cadres",
                                                               "x.icn", "y.icn", "y.icn.cadres"}));

  // A mask without a match, also in a missing folder, is a successful run
  // that writes nothing.
  for (const char* mask : {"*.icn", "missing/*.icn"}) {
    TTempFolder empty;
    run = RunProgram("dravel", {mask}, empty.Path());
    EXPECT_EQ(run.ExitCode, 0) << mask;
    EXPECT_EQ(run.Stdout, kSuccess) << mask;
    EXPECT_TRUE(ListNames(empty.Path()).empty()) << mask;
  }
}

TEST(UnpackerCommandLine, PreviewMode) {
  TTempFolder folder;
  ::mkdir((folder / "in").c_str(), 0755);
  for (const char* name : {"a.icn", "B.ICN", "c.txt"})
    WriteBytes(folder / ("in/" + std::string(name)), Archive(kH2));
  WriteBytes(folder / "in/empty.icn", BuildArchive(kH2, {}));
  // Default output folder, with and without the trailing slash.
  for (const std::string& input : {folder / "in", folder / "in/"}) {
    const TRunResult run = RunProgram("dravix", {input}, folder.Path());
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Stdout, kSuccess);
    EXPECT_EQ(ListNames(folder / "in/Icn Preview"),
              (std::vector<std::string>{"B.ICN.bmp", "a.icn.bmp"}));
  }
  EXPECT_EQ(LoadBitmap(folder / "in/Icn Preview/a.icn.bmp").Width(), 3);
  // An explicit folder is relative to the current folder; dravel's pattern
  // "*" also lists the preview folder, which is skipped.
  for (const char* name : {"a.icn", "B.ICN"}) {
    WriteBytes(folder / ("in/" + std::string(name)), Archive(kH1));
  }
  const TRunResult run = RunProgram("dravel", {"in", "out"}, folder.Path());
  EXPECT_EQ(run.Stdout, kSuccess);
  EXPECT_EQ(ListNames(folder / "out"), (std::vector<std::string>{"B.ICN.bmp", "a.icn.bmp"}));
  EXPECT_FALSE(FileExists(folder / "in/out"));
  // A folder without archives still gets its preview folder.
  ::mkdir((folder / "bare").c_str(), 0755);
  EXPECT_EQ(RunProgram("dravix", {"bare"}, folder.Path()).Stdout, kSuccess);
  EXPECT_TRUE(IsDirectory(NativeFs(), folder / "bare/Icn Preview"));
}

TEST(UnpackerCommandLine, ErrorsEndTheRunWithStatusOne) {
  TTempFolder folder;
  for (const char* name : {"a.icn", "b.icn", "d.icn", "e.icn"})
    WriteBytes(folder / name, Archive(kH1));
  WriteBytes(folder / "c.icn", {1, 0});
  TRunResult run = RunProgram("dravel", {"*.icn"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stdout, "");
  // The archive line is the path as the search built it from the mask.
  EXPECT_EQ(run.Stderr, "Dravel: Invalid archive: file shorter than its header.\nc.icn\n");
  EXPECT_TRUE(FileExists(folder / "b.icn.cadres/0000.bmp"));
  // The failed archive's frame folder, made and left empty, is gone again.
  EXPECT_FALSE(FileExists(folder / "c.icn.cadres"));
  EXPECT_FALSE(FileExists(folder / "d.icn.cadres"));

  // A failure before any archive: no archive line; the folder is named.
  const std::string longFolder(300, 'f');
  run = RunProgram("dravel", {longFolder + "/*.icn"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr.rfind("Dravel: Cannot open folder \"", 0), 0u) << run.Stderr;
  EXPECT_NE(run.Stderr.find(longFolder), std::string::npos) << run.Stderr;
  const std::string reason = "\". " + NativeErrorText(NameTooLongError()) + ".\n";
  EXPECT_EQ(run.Stderr.substr(run.Stderr.size() - std::min(run.Stderr.size(), reason.size())),
            reason);
  EXPECT_EQ(std::count(run.Stderr.begin(), run.Stderr.end(), '\n'), 1);

  // A missing palette names both places searched.
  TTempFolder bin;
  CopyExecutable(BinPath("dravix"), bin / "dravix");
  WriteBytes(folder / "h2.icn", Archive(kH2));
  run = RunProgram(bin / "dravix", {folder / "h2.icn"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravix: Palette not found: \"" + (bin / "H2Palette.bmp") + "\", \"" +
                            (bin / "../share/icnkit/H2Palette.bmp") + "\".\n" +
                            (folder / "h2.icn") + "\n");
  // The installed layout: bin/dravix beside share/icnkit/H2Palette.bmp.
  for (const char* sub : {"bin", "share", "share/icnkit"}) ::mkdir((bin / sub).c_str(), 0755);
  CopyExecutable(BinPath("dravix"), bin / "bin/dravix");
  WriteBytes(bin / "share/icnkit/H2Palette.bmp", ReadBytes(BinPath("H2Palette.bmp")));
  run = RunProgram(bin / "bin/dravix", {"h2.icn"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout, kSuccess);
}

TEST(UnpackerCommandLine, CopyExe) {
  TTempFolder folder;
  const std::string copyName = ExecutableFileName("Dravel");
  TRunResult run = RunProgram("dravel", {":copyexe"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout + run.Stderr, "");
  EXPECT_EQ(ReadBytes(folder / copyName), ReadBytes(BinPath("dravel")));
  struct stat original, copy;
  ASSERT_EQ(::stat(BinPath("dravel").c_str(), &original), 0);
  ASSERT_EQ(::stat((folder / copyName).c_str(), &copy), 0);
  EXPECT_EQ(copy.st_mode & 07777, original.st_mode & 07777);
  // Run from its own folder, the copy would be itself: nothing is written.
  run = RunProgram(folder / copyName, {":copyexe"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(ReadBytes(folder / copyName), ReadBytes(BinPath("dravel")));
}

TEST(UnpackerCommandLine, CopyExeTakesThePaletteAlong) {
  // An installed unpacker, whose palette is in ../share/icnkit/.
  TTempFolder root, work;
  for (const char* sub : {"bin", "share", "share/icnkit"}) ::mkdir((root / sub).c_str(), 0755);
  CopyExecutable(BinPath("dravix"), root / "bin/dravix");
  const std::vector<uint8_t> palette = ReadBytes(BinPath("H2Palette.bmp"));
  WriteBytes(root / "share/icnkit/H2Palette.bmp", palette);
  TRunResult run = RunProgram(root / "bin/dravix", {":copyexe"}, work.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout + run.Stderr, "");
  EXPECT_EQ(ListNames(work.Path()), (std::vector<std::string>{"H2Palette.bmp", "dravix"}));
  EXPECT_EQ(ReadBytes(work / "H2Palette.bmp"), palette);
  // The copy unpacks.
  WriteBytes(work / "a.icn", Archive(kH2));
  run = RunProgram(work / "dravix", {"a.icn"}, work.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout, kSuccess);

  // Without a palette to take along nothing is copied.
  TTempFolder empty;
  ::unlink((root / "share/icnkit/H2Palette.bmp").c_str());
  run = RunProgram(root / "bin/dravix", {":copyexe"}, empty.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravix: Palette not found: \"" + (root / "bin/H2Palette.bmp") + "\", \"" +
                            (root / "bin/../share/icnkit/H2Palette.bmp") + "\".\n");
  EXPECT_TRUE(ListNames(empty.Path()).empty());
}

TEST(UnpackerCommandLine, CopyExeFailuresSayWhy) {
  TTempFolder folder;
  // The target is a folder.
  ::mkdir((folder / "dravel").c_str(), 0755);
  TRunResult run = RunProgram("dravel", {":copyexe"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stdout, "");
  EXPECT_EQ(run.Stderr, "Dravel: Cannot copy to \"" + (folder / "dravel") + "\". " +
                            NativeErrorText(FolderAsFileError()) + ".\n");
  EXPECT_EQ(ListNames(folder.Path()), std::vector<std::string>{"dravel"});
  // The palette's target is a folder: the executable is there, the run fails.
  ::rmdir((folder / "dravel").c_str());
  ::mkdir((folder / "H1Palette.bmp").c_str(), 0755);
  run = RunProgram("dravel", {":copyexe"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stderr, "Dravel: Cannot copy to \"" + (folder / "H1Palette.bmp") + "\". " +
                            NativeErrorText(FolderAsFileError()) + ".\n");
  // The current folder is gone: the name as given.
  ::mkdir((folder / "gone").c_str(), 0755);
  const std::string gone = folder / "gone";
  run = RunProgram("dravix", {":copyexe"}, gone, [&] { ::rmdir(gone.c_str()); });
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Stdout, "");
  EXPECT_EQ(run.Stderr, "Dravix: Cannot copy to \"dravix\". " + NativeErrorText(ENOENT) + ".\n");
}

TEST(UnpackerCommandLine, MistakesOnTheCommandLineFail) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(kH1));
  WriteBytes(folder / "b.obj", Archive(kH1));
  WriteText(folder / "d.txt", "text");
  ::mkdir((folder / "sub").c_str(), 0755);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"dravel", "nosuch.icn"}, "Dravel: No such file or folder: nosuch.icn.\n"},
      {{"dravix", "typo.icn"}, "Dravix: No such file or folder: typo.icn.\n"},
      {{"dravel", "missing/a.icn"}, "Dravel: No such file or folder: missing/a.icn.\n"},
      {{"dravel", ":COPYEXE"}, "Dravel: No such file or folder: :COPYEXE.\n"},
      {{"dravel", "-v"}, "Dravel: Unknown option: -v (try --help).\n"},
      {{"dravel", "--frobnicate"}, "Dravel: Unknown option: --frobnicate (try --help).\n"},
      {{"dravix", "-?"}, "Dravix: Unknown option: -? (try --help).\n"},
      {{"dravel", "d.txt"}, "Dravel: Not an archive: d.txt.\n"},
      {{"dravix", "b.obj"}, "Dravix: Not an archive: b.obj.\n"},
      // Later arguments too, before anything is unpacked.
      {{"dravel", "a.icn", "sub"}, "Dravel: Not an archive: sub.\n"},
      {{"dravel", "a.icn", "-v"}, "Dravel: Unknown option: -v (try --help).\n"},
      {{"dravel", "*.icn", "nosuch.icn"}, "Dravel: No such file or folder: nosuch.icn.\n"},
  };
  for (const auto& [command, message] : cases) {
    const std::vector<std::string> args(command.begin() + 1, command.end());
    const TRunResult run = RunProgram(command[0], args, folder.Path());
    EXPECT_EQ(run.ExitCode, 1) << message;
    EXPECT_EQ(run.Stdout, "") << message;
    EXPECT_EQ(run.Stderr, message);
    EXPECT_EQ(ListNames(folder.Path()),
              (std::vector<std::string>{"a.icn", "b.obj", "d.txt", "sub"}));
  }
  // Under a mask what is no archive is skipped; a name starting with '-'
  // that exists is an archive, not an option.
  WriteBytes(folder / "-v.icn", Archive(kH1));
  const TRunResult run = RunProgram("dravel", {"*.txt", "-v.icn", "A.ICN"}, folder.Path());
  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(run.Stdout, kSuccess);
  EXPECT_TRUE(IsDirectory(NativeFs(), folder / "-v.icn.cadres"));
  EXPECT_TRUE(IsDirectory(NativeFs(), folder / "a.icn.cadres"));
}

TEST(UnpackerCommandLine, AFinalMessageThatCannotBeWrittenIsAFailure) {
  // In process, through a console that takes nothing.
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(kH2));
  TCapturingReport report;
  TToolContext context{NativeFs(), report};
  report.Result = false;
  const std::string archive = folder / "a.icn";
  EXPECT_EQ(RunUnpacker(context, kDravixGeneration, {"dravix", archive}), 1);
  EXPECT_TRUE(IsDirectory(NativeFs(), folder / "a.icn.cadres"));
  const std::string missing = folder / "b.icn";
  EXPECT_EQ(RunUnpacker(context, kDravixGeneration, {"dravix", missing}), 1);
  for (const char* option : {"--help", "--version"}) {
    EXPECT_EQ(RunUnpacker(context, kDravixGeneration, {"dravix", option}), 1) << option;
  }
  ASSERT_EQ(report.Messages.size(), 4u);
  EXPECT_EQ(report.Messages[0].Text, "Operation succesful.");
  EXPECT_EQ(report.Messages[1].Text, "No such file or folder: " + missing + ".");
  EXPECT_EQ(report.Messages[3].Text, "Dravix v1.3.1");
  report.Result = true;
  EXPECT_EQ(RunUnpacker(context, kDravixGeneration, {"dravix", archive}), 0);
}

TEST(UnpackerCommandLine, AFullOrClosedConsoleIsAFailure) {
  TTempFolder folder;
  WriteBytes(folder / "a.icn", Archive(kH1));
  const auto toDevFull = [](int fd) {
    return [fd] {
      const int full = ::open("/dev/full", O_WRONLY);
      if (full >= 0) ::dup2(full, fd);
    };
  };
  // Success on a full stdout, an error on a full stderr, help on a closed stdout.
  EXPECT_EQ(RunProgram("dravel", {"a.icn"}, folder.Path(), toDevFull(1)).ExitCode, 1);
  EXPECT_TRUE(IsDirectory(NativeFs(), folder / "a.icn.cadres"));
  EXPECT_EQ(RunProgram("dravel", {"nosuch.icn"}, folder.Path(), toDevFull(2)).ExitCode, 1);
  EXPECT_EQ(RunProgram("dravel", {"--help"}, folder.Path(), [] { ::close(1); }).ExitCode, 1);
  EXPECT_EQ(RunProgram("dravel", {"a.icn"}, folder.Path(), [] { ::close(1); }).ExitCode, 1);
  EXPECT_EQ(RunProgram("dravel", {"a.icn"}, folder.Path()).ExitCode, 0);
}

}  // namespace
