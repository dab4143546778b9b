// TIniAddedLines: the key lines added to one section of a TIniDocument, held
// as one text (each line with its line end, in the order added) plus what
// finds a key in it, so that an unpack's tens of thousands of keys cost
// little more than the bytes they will be in the file.
//
// While the keys come in increasing order (an unpack writes "0000.bmp",
// "0001.bmp", ...) a key is found by bisection over the text itself, with no
// index at all; the first key out of order builds a hash index of the lines
// (8 bytes a slot, at most half of the slots used), so that a look-up costs
// O(log n) or O(1) whatever the order.
// A line added is one line up to its first line end; a value given later
// for its key replaces the value's bytes of that line, kept beside the text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TIniAddedLines {
 public:
  bool Empty() const { return Text_.empty(); }
  // The offset of the line of that key (lower-case and trimmed, as NameKey
  // gives it), nullopt when none was added.
  std::optional<size_t> Find(std::string_view lowerKey) const;
  // The line at offset, without its line end, as edited.
  std::string_view LineAt(size_t offset) const;
  // Adds "key=value" and the line end; the key must not be there yet.
  void Add(std::string_view key, std::string_view value, std::string_view lineEnd);
  // The line at offset becomes line.
  void Edit(size_t offset, std::string line);
  // Room for bytes more of lines, so that the text does not grow by copies.
  void Reserve(size_t bytes) { Text_.reserve(Text_.size() + bytes); }

  // The bytes of the lines as edited, line ends included.
  size_t Size() const;
  void AppendTo(std::string& text) const;
  // The text without copying it when no line was edited (then the object is
  // left empty); nullopt otherwise.
  std::optional<std::string> Take();

 private:
  void BuildTable();
  void Insert(uint64_t entry);

  std::string Text_;
  size_t Count_ = 0;
  size_t Last_ = 0;      // the offset of the last line added
  bool Sorted_ = true;   // every key so far plain and above the one before
  // Open addressing, once out of order: (hash << 40) | (offset + 1); 0 is free.
  std::vector<uint64_t> Table_;
  std::map<size_t, std::string> Edits_;  // line offset -> the line now
};
