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
#include <string>

#include "format/Error.h"
#include "format/Generation.h"
#include "format/IcnArchive.h"

struct TGenerationFit {
  bool H1 = false;
  bool H2 = false;
};

TGenerationFit FitGenerations(TArchiveImage image);

// The one generation that fits, or none when both or neither do.
std::optional<TIcnGeneration> DetectGeneration(TArchiveImage image);

// The error of an archive (or frame folder) called name whose generation
// nothing tells: "cannot tell whether <name> is H1 or H2; <advice>", advice
// saying how to give it ("use -g" in the tool).
TZtError UndecidedGeneration(const std::string& name, const std::string& advice);

// Whether the archive fits the generation (the rules above).
bool FitsGeneration(TArchiveImage image, const TIcnGenerationInfo& generation);

// The length of the stream starting at offset start of image, end-of-frame
// code included, read with the generation's codes (fill-only: literal runs
// carry no indices), looking at most limit bytes; none when the end code is
// not reached within the file and the limit.
std::optional<size_t> StreamLength(TArchiveImage image, const TIcnCodeTable& codes, size_t start,
                                   uint64_t limit, bool fillOnly);
