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

// SaveWholeFile (not durable) for files written by the thousand, the
// bitmaps of an unpack: a file that does not exist yet is created and
// written in place (TFileSystem::WriteNewFile, which removes it again on a
// failure), saving the temporary file and the rename; anything else (an
// existing file, a folder of that name, a folder still to make, a file that
// cannot be created) goes through SaveWholeFile, with its messages.
void SaveNewOrReplaceFile(TFileSystem& fs, const std::string& path,
                          std::span<const uint8_t> bytes);

// The folder of the running executable, with its trailing delimiter.
std::string ApplicationFolder(TFileSystem& fs);
