// TZtReplaceStream: shows a block of replacement bytes in place of part of a
// source stream. The loader uses it to hand the image reader a corrected BMP
// header while the pixel data passes straight through from the file.
#include <algorithm>
#include <limits>

#include "format/Error.h"
#include "image/ZtStreams.h"

TZtReplaceStream::TZtReplaceStream(TZtStream* source, TZtStream* replacement, bool ownsSource,
                                   bool ownsReplacement, int64_t blockStart)
    : Source_(source),
      Replacement_(replacement),
      BlockStart_(blockStart),
      BlockEnd_(blockStart + replacement->Size()),
      Position_(source->Position()),
      OwnsSource_(ownsSource),
      OwnsReplacement_(ownsReplacement) {}

TZtReplaceStream::~TZtReplaceStream() {
  if (OwnsSource_) delete Source_;
  if (OwnsReplacement_) delete Replacement_;
}

int64_t TZtReplaceStream::Size() {
  return Source_->Size();
}

void TZtReplaceStream::SetSize(int64_t size) {
  Source_->SetSize(size);
}

int64_t TZtReplaceStream::Write(const void* /*buffer*/, int64_t /*count*/) {
  // Nothing writes through the overlay; a caller that does has a bug.
  throw TZtError(ZtFormat("Assertion failure (ZtReplaceStream.cpp, line %d)", __LINE__));
}

int64_t TZtReplaceStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  int64_t wanted = count;
  // Before the block: the source's bytes, from wherever the source stands.
  if (wanted > 0 && Position_ < BlockStart_) {
    const int64_t n = Source_->Read(out, std::min(wanted, BlockStart_ - Position_));
    Position_ += n;
    out += n;
    wanted -= n;
    if (Position_ == BlockStart_) Replacement_->Seek(0, kSeekBegin);
  }
  // Inside the block: the replacement's bytes.
  if (wanted > 0 && Position_ >= BlockStart_ && Position_ < BlockEnd_) {
    const int64_t n = Replacement_->Read(out, std::min(wanted, BlockEnd_ - Position_));
    Position_ += n;
    out += n;
    wanted -= n;
    if (Position_ == BlockEnd_) Source_->Seek(Position_, kSeekBegin);
  }
  // After the block: the source again.
  if (wanted > 0 && Position_ >= BlockEnd_) {
    const int64_t n = Source_->Read(out, wanted);
    Position_ += n;
    wanted -= n;
  }
  return count - wanted;
}

int64_t TZtReplaceStream::Seek(int64_t offset, uint32_t origin) {
  int64_t target = 0;
  if (origin == kSeekBegin) {
    target = offset;
  } else if (origin == kSeekCurrent) {
    if ((offset > 0 && Position_ > std::numeric_limits<int64_t>::max() - offset) ||
        (offset < 0 && Position_ < std::numeric_limits<int64_t>::min() - offset)) {
      throw TZtError("Stream seek error");
    }
    target = Position_ + offset;
  } else {
    target = Source_->Seek(offset, origin);
  }
  Position_ = target;
  if (Position_ >= BlockStart_ && Position_ < BlockEnd_) {
    Replacement_->Seek(Position_ - BlockStart_, kSeekBegin);
  }
  return Position_;
}
