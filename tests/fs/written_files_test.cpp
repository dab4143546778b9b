// The one check every write of a file that may exist goes through
// (TFileSystem::BeginReplace and CopyFile): what is no regular file is
// refused by every writer of fs/Files.h, before anything is made; and the
// file system of "-o -", which sends one file to a stream.
#include <gtest/gtest.h>

#include <functional>

#include "fs/Files.h"
#include "fs/StreamOutput.h"
#include "tests/MemoryFileSystem.h"
#include "tests/TestSupport.h"

using namespace icnkit;

namespace {

const std::vector<uint8_t> kBytes{1, 2, 3};

TEST(WrittenFiles, WhatIsNoRegularFileIsRefusedByEveryWriter) {
  const std::vector<std::pair<const char*, std::function<void(TFileSystem&)>>> writers = {
      {"SaveWholeFile", [](TFileSystem& fs) { SaveWholeFile(fs, "/w/p", kBytes); }},
      {"SaveArchiveFile", [](TFileSystem& fs) { SaveArchiveFile(fs, "/w/p", kBytes); }},
      {"SaveNewOrReplaceFile", [](TFileSystem& fs) { SaveNewOrReplaceFile(fs, "/w/p", kBytes); }},
      {"TStreamedFile",
       [](TFileSystem& fs) {
         TStreamedFile file(fs, "/w/p");
         file.Append(kBytes);
         file.Save();
       }},
      {"TArchiveFileOutput",
       [](TFileSystem& fs) {
         TArchiveFileOutput output(fs, "/w/p");
         EXPECT_FALSE(output.Streaming());
         output.Save(kBytes);
       }},
      {"WriteFileAtomic", [](TFileSystem& fs) { fs.WriteFileAtomic("/w/p", kBytes, true); }},
      {"CopyFile", [](TFileSystem& fs) { fs.CopyFile("/w/source", "/w/p"); }},
  };
  for (const auto& writer : writers) {
    const auto& name = writer.first;
    TMemoryFileSystem fs;
    fs.AddFile("/w/source", kBytes);
    fs.Others.insert("/w/p");
    EXPECT_EQ(MessageOf([&] { writer.second(fs); }), "Not a regular file: /w/p") << name;
    EXPECT_EQ(fs.Log, std::vector<std::string>{}) << name;
    EXPECT_EQ(fs.Calls("BeginReplace") + fs.Calls("CopyFile"), 0) << name;
  }
  // An archive named through another user's link is not written.
  TMemoryFileSystem fs;
  fs.AddFolder("/w");
  fs.LinksOfOtherUsers.insert("/w/p");
  EXPECT_EQ(MessageOf([&] { SaveArchiveFile(fs, "/w/p", kBytes); }),
            "Not following a link owned by another user: /w/p");
  EXPECT_EQ(fs.Log, std::vector<std::string>{});
}

// Written in order, a file goes out as it comes; a piece out of order (an
// archive's header, last) keeps the rest until Commit; other paths reach
// the file system beneath.
TEST(WrittenFiles, StandardOutputTakesTheFileNamedDash) {
  TMemoryFileSystem inner;
  inner.AddFolder("/w");
  TCapturedReport out;
  icnkit::TStreamOutputFileSystem fs(inner, "-", out.File);
  EXPECT_EQ(fs.Stat("-").Kind, TPathKind::Missing);
  EXPECT_EQ(fs.FullPath("-"), "standard output");
  {
    auto file = fs.BeginReplace("-", true);
    file->WriteAt(0, std::vector<uint8_t>{'a', 'b'});
    file->WriteAt(2, std::vector<uint8_t>{'c'});
    EXPECT_EQ(out.Text(), "abc");
    file->WriteAt(6, std::vector<uint8_t>{'g'});
    file->WriteAt(3, std::vector<uint8_t>{'d', 'e', 'f'});
    EXPECT_EQ(out.Text(), "abc");
    file->Commit();
  }
  EXPECT_EQ(out.Text(), "abcdefg");
  SaveWholeFile(fs, "/w/a", kBytes);
  EXPECT_EQ(inner.Log, std::vector<std::string>{"write /w/a"});
  EXPECT_EQ(fs.ReadFile("/w/a"), kBytes);
}

}  // namespace
