// "-o -": the one file a command writes, sent to a stream (standard output)
// instead of a path, as Unix tools do.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "fs/FileSystem.h"

namespace icnkit {

// The file system inner for every path but name, whose file goes to out:
// there is nothing at name (Stat: Missing; no link, no folder to make), and
// a replacement of it is written to out, in order as it comes (a GIF) or,
// once a piece comes out of order (an archive's header comes last), kept
// until Commit and written whole then. A failure to write out is a
// TSystemError ("Cannot create file "standard output". <text>" where the
// writers name it: FullPath(name) is "standard output").
class TStreamOutputFileSystem : public TFileSystem {
 public:
  TStreamOutputFileSystem(TFileSystem& inner, std::string name, std::FILE* out)
      : Inner_(inner), Name_(std::move(name)), Out_(out) {}

  TPathInfo Stat(const std::string& path) override;
  std::vector<uint8_t> ReadFile(const std::string& path) override { return Inner_.ReadFile(path); }
  std::vector<uint8_t> ReadFileHead(const std::string& path, size_t limit,
                                    uint64_t& size) override {
    return Inner_.ReadFileHead(path, limit, size);
  }
  bool WriteNewFile(const std::string& path, std::span<const uint8_t> bytes) override;
  TFolderListing ListFolder(const std::string& folder) override {
    return Inner_.ListFolder(folder);
  }
  bool MakeFolder(const std::string& path) override { return Inner_.MakeFolder(path); }
  bool Remove(const std::string& path) override { return path != Name_ && Inner_.Remove(path); }
  bool RemoveFolder(const std::string& path) override { return Inner_.RemoveFolder(path); }
  std::string FullPath(const std::string& path) override;
  std::string ExecutablePath() override { return Inner_.ExecutablePath(); }
  std::string ResolveLinks(const std::string& path) override;
  bool IsLinkOfAnotherUser(const std::string& path) override;

 protected:
  std::unique_ptr<TFileReplacement> StartReplace(const std::string& path, bool durable) override;
  void CopyInto(const std::string& from, const std::string& to) override;

 private:
  TFileSystem& Inner_;
  std::string Name_;
  std::FILE* Out_;
};

}  // namespace icnkit
