// Whole-file helpers over a TFileSystem, with the messages the tools show.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fs/FileSystem.h"

// True when path names an existing folder (links followed).
bool IsDirectory(TFileSystem& fs, const std::string& path);

// Creates the folder and every missing parent. True when the folder exists
// afterwards; never throws for a failure of the system.
bool MakeFolders(TFileSystem& fs, const std::string& folder);

// Reads the whole file into bytes (replacing their content). Raises
// TSystemError ("System Error.  Code: ...") when the file cannot be opened
// or read, "File too large: <path>" from 4 GiB on.
void LoadWholeFile(TFileSystem& fs, const std::string& path, std::vector<uint8_t>& bytes);

// Writes bytes as the file at path, whole or not at all
// (TFileSystem::WriteFileAtomic), making its folders first. durable: flush
// the data to the disk before the rename (archives; not the many small
// bitmaps of an unpack). Raises "Cannot create file "<full path>". <text>"
// when the file cannot be created (also when the target is a folder), the
// TSystemError of a write, flush or rename otherwise.
void SaveWholeFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes,
                   bool durable = false);

// The folder of the running executable, with its trailing delimiter.
std::string ApplicationFolder(TFileSystem& fs);
