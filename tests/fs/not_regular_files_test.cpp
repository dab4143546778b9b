// Writes onto what is no regular file: a FIFO, a device, a link to either,
// at the name of every file a tool writes, refused with "Not a regular
// file: <path>" and left as it was (as root too, where a rename would
// replace the device node), by the user and by another one; a link to a
// regular file is written through under the link-owner rule; "-o -"
// writes the one file to standard output.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <tuple>

#include "fs/Files.h"
#include "testdata/ArchiveBuilder.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

// A small H1 archive of two frames.
std::vector<uint8_t> SmallArchive() {
  using namespace testdata;
  return BuildArchive(TIcnGeneration::H1, {SolidFrame(TIcnGeneration::H1, 0, 0, 4, 3, 7),
                                           SolidFrame(TIcnGeneration::H1, 2, 1, 3, 5, 9)});
}

// What stands at a name: its type and, for a link, where it leads.
std::string Shape(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return "missing";
  if (S_ISLNK(info.st_mode)) {
    char target[4096] = {};
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return "link to " + std::string(target, n < 0 ? 0 : static_cast<size_t>(n));
  }
  if (S_ISFIFO(info.st_mode)) return "fifo";
  if (S_ISCHR(info.st_mode))
    return ZtFormat("char %u,%u", major(info.st_rdev), minor(info.st_rdev));
  return S_ISREG(info.st_mode) ? "file" : "other";
}

// The hostile things put at a written name: each makes what stands there,
// false when it cannot be made (a device without root).
struct THostile {
  const char* Name;
  bool (*Make)(const std::string& path, const std::string& folder);
};
const THostile kHostiles[] = {
    {"fifo",
     [](const std::string& p, const std::string&) { return ::mkfifo(p.c_str(), 0666) == 0; }},
    {"link to a fifo",
     [](const std::string& p, const std::string& folder) {
       return ::mkfifo((folder + "pipe").c_str(), 0666) == 0 && ::symlink("pipe", p.c_str()) == 0;
     }},
    {"link to /dev/null",
     [](const std::string& p, const std::string&) {
       return ::symlink("/dev/null", p.c_str()) == 0;
     }},
    // A device node of the test's own, as /dev/full or /dev/null are.
    {"device", [](const std::string& p, const std::string&) {
       return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
     }}};

// Drops to the user nobody in a RunProgram child when the tests run as root.
void AsNobody() {
  if (::geteuid() == 0 &&
      (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
    ::_exit(99);
  }
}

// Whether nobody can run program (a build under root's own home cannot be
// reached by another user).
bool NobodyCanRun(const std::string& program) {
  const pid_t child = ::fork();
  if (child == 0) {
    AsNobody();
    ::_exit(::access(BinPath(program).c_str(), X_OK) == 0 ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// Every command that writes a file, the file written (relative to the work
// folder) and the message; the work folder holds a.icn, its frame folder
// and palette.bmp.
TEST(NotRegularFiles, AreNeverWrittenNorReplaced) {
  const std::vector<std::tuple<std::vector<std::string>, std::string, std::string>> cases = {
      {{"morlet", "t.icn"}, "t.icn", "Morlet: Not a regular file: t.icn.\n"},
      {{"icnkit", "pack", "-g", "h1", "-o", "t.icn", "a.icn.cadres"},
       "t.icn",
       "icnkit: Not a regular file: t.icn\n"},
      {{"icnkit", "gif", "-o", "t.gif", "a.icn"},
       "t.gif",
       "icnkit: a.icn: Not a regular file: t.gif\n"},
      {{"icnkit", "sheet", "-o", "t.png", "a.icn"},
       "t.png",
       "icnkit: a.icn: Not a regular file: t.png\n"},
      {{"icnkit", "palette", "palette.bmp", "t.gpl"},
       "t.gpl",
       "icnkit: Not a regular file: t.gpl\n"},
      {{"icnkit", "unpack", "a.icn"},
       "a.icn.cadres/0001.bmp",
       "icnkit: Not a regular file: a.icn.cadres/0001.bmp\n"},
      {{"dravel", "a.icn"},
       "a.icn.cadres/0000.bmp",
       "Dravel: Not a regular file: a.icn.cadres/0000.bmp.\na.icn\n"},
  };
  for (const bool nobody : {false, true}) {
    if (nobody && ::geteuid() != 0) continue;  // the user is the only one there is to be
    if (nobody && !NobodyCanRun("icnkit")) {
      std::cout << "[ NOTE     ] the tools are out of nobody's reach (" << BinPath("icnkit")
                << "): the runs as nobody are left out\n";
      continue;
    }
    for (const THostile& hostile : kHostiles) {
      for (const auto& [command, written, message] : cases) {
        TTempFolder temp;
        ASSERT_EQ(::chmod(temp.Path().c_str(), 0777), 0);
        WriteBytes(temp / "a.icn", SmallArchive());
        ASSERT_EQ(RunProgram("dravel", {"a.icn"}, temp.Path()).ExitCode, 0);
        WriteBytes(temp / "palette.bmp", ReadBytes(BinPath("H1Palette.bmp")));
        if (written == "t.icn") {
          ASSERT_EQ(::mkdir((temp / "t.icn.cadres").c_str(), 0777), 0);
          WriteBytes(temp / "t.icn.cadres/setup.ini", ReadBytes(temp / "a.icn.cadres/setup.ini"));
          for (const char* frame : {"0000.bmp", "0001.bmp"}) {
            WriteBytes(temp / ("t.icn.cadres/" + std::string(frame)),
                       ReadBytes(temp / ("a.icn.cadres/" + std::string(frame))));
          }
        }
        // Another user may write there as the user could.
        for (const char* folder : {"a.icn.cadres", "t.icn.cadres"})
          ::chmod((temp / folder).c_str(), 0777);
        ::unlink((temp / written).c_str());
        if (!hostile.Make(temp / written, DirectoryOfPath(temp / written))) {
          ASSERT_NE(::geteuid(), 0u) << hostile.Name;
          continue;  // a device needs root
        }
        const std::string before = Shape(temp / written);
        const std::vector<std::string> args(command.begin() + 1, command.end());
        const TRunResult run = RunProgram(command[0], args, temp.Path(), [nobody] {
          ::alarm(60);
          if (nobody) AsNobody();
        });
        const std::string what =
            command[0] + " over a " + hostile.Name + (nobody ? " as nobody" : "");
        EXPECT_EQ(run.ExitCode, 1) << what;
        EXPECT_EQ(run.Stderr, message) << what;
        EXPECT_EQ(Shape(temp / written), before) << what;
        for (const std::string& name : ListNames(DirectoryOfPath(temp / written))) {
          EXPECT_EQ(name.find(".tmp"), std::string::npos) << what << ": " << name;
        }
      }
    }
  }
  struct stat null;
  ASSERT_EQ(::stat("/dev/null", &null), 0);
  EXPECT_TRUE(S_ISCHR(null.st_mode));
}

// A link at an archive's name is followed only when it is the user's or
// root's, as the folders written are.
TEST(NotRegularFiles, ArchiveLinksOfAnotherUserAreNotFollowed) {
  const std::string no = "Not following a link owned by another user: t.icn";
  for (const auto& [command, message] :
       std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"icnkit", "pack", "-g", "h1", "-o", "t.icn", "a.icn.cadres"}, "icnkit: " + no + "\n"},
           {{"morlet", "t.icn"}, "Morlet: " + no + ".\n"}}) {
    TTempFolder temp;
    WriteBytes(temp / "a.icn", SmallArchive());
    ASSERT_EQ(RunProgram("dravel", {"a.icn"}, temp.Path()).ExitCode, 0);
    ASSERT_EQ(::rename((temp / "a.icn.cadres").c_str(), (temp / "t.icn.cadres").c_str()), 0);
    ASSERT_EQ(::symlink("t.icn.cadres", (temp / "a.icn.cadres").c_str()), 0);
    WriteText(temp / "victim.icn", "someone else's");
    ASSERT_EQ(::symlink("victim.icn", (temp / "t.icn").c_str()), 0);
    if (::lchown((temp / "t.icn").c_str(), 12345, 12345) != 0) GTEST_SKIP() << "lchown needs root";
    const std::vector<std::string> args(command.begin() + 1, command.end());
    TRunResult run = RunProgram(command[0], args, temp.Path());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Stderr, message);
    EXPECT_EQ(ReadText(temp / "victim.icn"), "someone else's");
    ASSERT_EQ(::lchown((temp / "t.icn").c_str(), ::geteuid(), ::getegid()), 0);
    run = RunProgram(command[0], args, temp.Path());
    EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(ReadBytes(temp / "victim.icn"), SmallArchive());
    EXPECT_EQ(Shape(temp / "t.icn"), "link to victim.icn");
  }
}

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// -o - writes the one file a command writes to standard output, nothing
// else there and no file named "-"; a sheet (two files) or several
// archives cannot go there.
TEST(StandardOutput, TakesTheOneFileOfACommand) {
  TTempFolder temp;
  WriteBytes(temp / "a.icn", SmallArchive());
  WriteBytes(temp / "b.icn", SmallArchive());
  ASSERT_EQ(RunProgram("dravel", {"a.icn"}, temp.Path()).ExitCode, 0);
  ASSERT_EQ(RunProgram("icnkit", {"gif", "-o", "a.gif", "a.icn"}, temp.Path()).ExitCode, 0);
  TRunResult run =
      RunProgram("icnkit", {"pack", "-g", "h1", "-o", "-", "a.icn.cadres"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stderr, "icnkit: packed 2 frames to standard output\n");
  EXPECT_EQ(Bytes(run.Stdout), SmallArchive());
  run = RunProgram("icnkit", {"gif", "-g", "h1", "-o", "-", "a.icn"}, temp.Path());
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stderr, "icnkit: wrote GIF to standard output (2 frames)\n");
  EXPECT_EQ(Bytes(run.Stdout), ReadBytes(temp / "a.gif"));
  const std::string usage = "Try 'icnkit sheet --help' for more information.\n";
  for (const auto& [args, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"sheet", "-o", "-", "a.icn"},
            "icnkit: --output: -o - writes one file to standard output, but a sheet is two (a "
            "PNG and its JSON); name a folder or FILE.png\n" +
                usage},
           {{"gif", "-o", "-", "a.icn", "b.icn"},
            "icnkit: --output: -o - writes one file to standard output; name a folder for 2 "
            "archives\nTry 'icnkit gif --help' for more information.\n"}}) {
    run = RunProgram("icnkit", args, temp.Path());
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Stderr, message);
    EXPECT_EQ(run.Stdout, "");
  }
  EXPECT_FALSE(FileExists(temp / "-"));
}

}  // namespace
