// The seed files of one fuzz target: seed_000, seed_001, ... in a folder.
#pragma once

#include <memory>
#include <string>

#include "fs/Files.h"
#include "testdata/Bytes.h"

using namespace icnkit;

struct TSeedWriter {
  std::string Folder;
  int Count = 0;
  std::unique_ptr<TFileSystem> Fs = MakeNativeFileSystem();
  void Add(const testdata::TBytes& bytes) {
    SaveWholeFile(*Fs, Folder + ZtFormat("seed_%03d", Count++), bytes);
  }
  void Add(const std::string& text) { Add(testdata::TBytes(text.begin(), text.end())); }
};
