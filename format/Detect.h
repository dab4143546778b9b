// Telling the generation of an archive from its structure alone.
//
// An archive fits a generation when, read with that generation's records:
// - the table lies inside the file and every stream starts inside it
//   (ValidateArchive);
// - the first stream (the lowest stream start) begins right after the
//   table: 6 + FrameCount x record size, where the packers put it;
// - every frame's stream, read with the generation's codes, reaches its
//   end-of-frame code inside the file and within the longest stream a frame
//   of its size can have (a stream that reads as neither a normal nor a
//   fill-only stream does not fit).
// Exactly one generation fitting names it; both (an archive without frames,
// or bytes made to read both ways) or neither leave the question open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "format/Error.h"
#include "format/Generation.h"
#include "format/IcnArchive.h"

namespace icnkit {

struct TGenerationFit {
  bool H1 = false;
  bool H2 = false;
};

TGenerationFit FitGenerations(TArchiveImage image);

// The one generation that fits, or none when both or neither do.
std::optional<TIcnGeneration> DetectIcnGeneration(TArchiveImage image);

// The error of an archive (or frame folder) called name whose generation
// nothing tells: "cannot tell whether <name> is H1 or H2; <advice>", advice
// saying how to give it ("use -g" in the tool).
TZtError UndecidedGeneration(const std::string& name, const std::string& advice);

// Whether the archive fits the generation (the rules above).
bool FitsGeneration(TArchiveImage image, const TIcnGenerationInfo& generation);

// The longest start of a file that holds an archive's header and frame
// table, whatever its frame count: 6 + 65535 x 13 bytes.
inline constexpr size_t kMaxHeadAndTable = kIcnHeaderSize + kIcnMaxFrames * 13;

// Whether an archive file of fileSize bytes fits the generation by its
// header and frame table alone, head being the file's first bytes (at
// least its header and table, or the whole file): the first two rules
// above, no stream read. A table read as the other generation's rarely
// passes the second; it is what the packers' guard tells generations by
// (pack/ReplacedArchive.h), reading no more than kMaxHeadAndTable bytes.
bool TableFitsGeneration(std::span<const uint8_t> head, uint64_t fileSize,
                         TIcnGeneration generation);

// The generation of the archive image by its bytes (the rules above), or,
// when none is told, why, in the words every face gives (name: the
// archive's name; advice: how a caller gives the generation instead, "use
// -g" or "give its generation"). Raises TZtError:
// - both fit (an archive without frames, bytes made to read both ways):
//   "cannot tell whether <name> is H1 or H2; <advice>";
// - neither fits, but the file is an archive of one generation cut short
//   or damaged (its header's frame count and size, and the records there
//   are, fit that generation): what that generation's unpacker says of it,
//   "Invalid archive: frame 2 starts outside the file" (the caller names
//   the file beside it). An archive whose table is whole and whose streams
//   are cut is that generation's, read as its unpacker reads it;
// - otherwise (text, an image, an empty file): "Not an archive: <name>".
TIcnGeneration TellGeneration(TArchiveImage image, const std::string& name,
                              const std::string& advice);

// The length of the stream starting at offset start of image, end-of-frame
// code included, read with the generation's codes (fill-only: literal runs
// carry no indices), looking at most limit bytes; none when the end code is
// not reached within the file and the limit.
std::optional<size_t> StreamLength(TArchiveImage image, const TIcnCodeTable& codes, size_t start,
                                   uint64_t limit, bool fillOnly);

}  // namespace icnkit
