// TZtZeroedBuffer: a growable byte buffer whose new bytes are zero.
//
// Bitmap storage is often declared far larger than the data that fills it
// (a truncated file, a short RLE stream). The buffer is taken from calloc,
// which hands out fresh zero pages for large blocks without touching them,
// so only the bytes actually written cost memory. Invariant: every byte in
// [Size, Capacity) is zero, so growing within the capacity needs no clearing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace icnkit {

class TZtZeroedBuffer {
 public:
  TZtZeroedBuffer() = default;
  TZtZeroedBuffer(const TZtZeroedBuffer& other) {
    Resize(other.Size_);
    if (Size_ != 0) std::memcpy(Data_.get(), other.Data_.get(), Size_);
  }
  TZtZeroedBuffer& operator=(const TZtZeroedBuffer& other) {
    if (this != &other) {
      TZtZeroedBuffer copy(other);
      Swap(copy);
    }
    return *this;
  }
  TZtZeroedBuffer(TZtZeroedBuffer&& other) noexcept { Swap(other); }
  TZtZeroedBuffer& operator=(TZtZeroedBuffer&& other) noexcept {
    TZtZeroedBuffer taken(std::move(other));
    Swap(taken);
    return *this;
  }
  void Swap(TZtZeroedBuffer& other) noexcept {
    std::swap(Data_, other.Data_);
    std::swap(Size_, other.Size_);
    std::swap(Capacity_, other.Capacity_);
  }

  uint8_t* Data() { return Data_.get(); }
  const uint8_t* Data() const { return Data_.get(); }
  size_t Size() const { return Size_; }
  bool Empty() const { return Size_ == 0; }

  // New bytes are zero; bytes cut off are cleared so that the invariant
  // holds. Raises std::bad_alloc when the memory cannot be had.
  void Resize(size_t size) {
    if (size <= Capacity_) {
      if (size < Size_) std::memset(Data_.get() + size, 0, Size_ - size);
      Size_ = size;
      return;
    }
    // Doubling keeps a sequence of small appends linear.
    const size_t doubled = Capacity_ > SIZE_MAX / 2 ? SIZE_MAX : Capacity_ * 2;
    const size_t capacity = std::max(size, doubled);
    void* block = std::calloc(capacity, 1);
    if (block == nullptr) throw std::bad_alloc();
    if (Size_ != 0) std::memcpy(block, Data_.get(), Size_);
    Data_.reset(static_cast<uint8_t*>(block));
    Capacity_ = capacity;
    Size_ = size;
  }

 private:
  struct TFree {
    void operator()(uint8_t* block) const { std::free(block); }
  };
  std::unique_ptr<uint8_t, TFree> Data_;
  size_t Size_ = 0;
  size_t Capacity_ = 0;
};

}  // namespace icnkit
