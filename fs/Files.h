// Whole-file helpers over a TFileSystem, with the messages the tools show.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fs/FileSystem.h"

// True when path names an existing folder (links followed).
bool IsDirectory(TFileSystem& fs, const std::string& path);

// Creates the folder and every missing parent (the path normalised
// lexically first: "a/x/../b" makes no "a/x"). True when the folder exists
// afterwards; never throws for a failure of the system. Folders in the
// current folder are made through relative paths, however deep.
bool MakeFolders(TFileSystem& fs, const std::string& folder);

// Reads the whole file into bytes (replacing their content). Raises
// TSystemError ("System Error.  Code: ...") when the file cannot be opened
// or read, "File too large: <path>" from 4 GiB on.
void LoadWholeFile(TFileSystem& fs, const std::string& path, std::vector<uint8_t>& bytes);

// The whole file at path, for a file the tools name in their messages
// (bitmaps, setup.ini): one that cannot be opened (missing, unreadable, a
// folder) is "Cannot open file "<full path>". <text>"; otherwise as
// TFileSystem::ReadFile ("Not a regular file: <path>" included).
std::vector<uint8_t> LoadNamedFile(TFileSystem& fs, const std::string& path);

// Writes bytes as the file at path, whole or not at all
// (TFileSystem::WriteFileAtomic), making its folders first. durable: flush
// the data to the disk before the rename (archives; not the many small
// bitmaps of an unpack). Raises "Cannot create file "<full path>". <text>"
// when the file cannot be created (also when the target is a folder), "Not
// a folder: <full path>" when a part of its folder is a file, the
// TSystemError of a write, flush or rename otherwise.
void SaveWholeFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes,
                   bool durable = false);

// SaveWholeFile (durable) for an archive the user named: a link there is
// followed, so the archive is replaced beside its target and the link stays
// (TFileSystem::ResolveLinks). Every failure names the archive as the user
// named it: "Cannot create file "<full path>". <text>", a full disk
// included.
void SaveArchiveFile(TFileSystem& fs, const std::string& path, std::span<const uint8_t> bytes);

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
