// The cells of the log grid, stored for a log that grows for as long as the
// program runs (tens of thousands of rows an hour, in a 32-bit process):
//  - the bytes of the texts go into chunks that never move, and a cell holds
//    a 32-bit reference and a 32-bit length, so a row costs 28 bytes beside
//    its user and content bytes, on every target;
//  - the cells that repeat from row to row (place, date, time) are interned
//    once and shared;
//  - rows live in fixed blocks, so the store never copies what it holds:
//    adding a row costs the same at the millionth row as at the first, and
//    there is no moment at which old and new storage are held side by side.
// Texts a cell no longer shows (a cell set again with a longer text, rows
// cut off by a smaller row count) keep their bytes until the store ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace horone {

// Copies of texts, each addressed by a 32-bit reference, kept where they
// were put for as long as the arena lives. Short texts share 64 KiB chunks;
// a long one gets a block of its own.
class TextArena {
 public:
  using Ref = std::uint32_t;

  // Stores a copy of `text` (which may lie in this arena) and says where.
  // Throws std::bad_alloc when memory or references run out.
  Ref Add(std::string_view text);
  std::string_view At(Ref ref, std::uint32_t length) const {
    if (length == 0) return {};
    return {Data(ref), length};
  }
  // The bytes stored at `ref`, to be overwritten in place.
  char* Data(Ref ref) const {
    if (ref & kOwnBlock) return blocks_[ref & ~kOwnBlock].get();
    return chunks_[ref >> kChunkBits].get() + (ref & (kChunkSize - 1));
  }

 private:
  static constexpr unsigned kChunkBits = 16;
  static constexpr std::uint32_t kChunkSize = 1u << kChunkBits;
  static constexpr std::uint32_t kOwnBlock = 1u << 31;                  // the reference names an own block
  static constexpr std::size_t kMaxChunks = std::size_t{1} << (31 - kChunkBits);  // 2 GiB of chunks
  static constexpr std::size_t kOwnBlockText = kChunkSize / 8;         // texts this long or longer

  std::vector<std::unique_ptr<char[]>> chunks_;
  std::uint32_t used_ = kChunkSize;  // bytes used of the last chunk (none yet: full)
  std::vector<std::unique_ptr<char[]>> blocks_;
};

// Texts interned once: equal texts get the same id; id 0 is the empty text.
class TextPool {
 public:
  explicit TextPool(TextArena& arena) : arena_(arena) {}
  std::uint32_t Intern(std::string_view text);
  std::string_view Text(std::uint32_t id) const {
    const Entry& e = entries_[id];
    return arena_.At(e.at, e.length);
  }

 private:
  struct Entry {
    TextArena::Ref at = 0;
    std::uint32_t length = 0;
    std::uint32_t hash = 0;
  };
  void Rehash(std::size_t slots);

  TextArena& arena_;
  std::vector<Entry> entries_{Entry{}};
  std::vector<std::uint32_t> slots_;  // ids by hash, open addressing; 0 is a free slot
};

// A table of rows of five text cells. Columns 0 to 2 are interned.
class GridStore {
 public:
  static constexpr int kColumns = 5;

  int Rows() const { return rows_; }
  // Rows added are empty; rows cut off are forgotten.
  void Resize(int rows);
  // `col` and `row` in range.
  std::string_view Cell(int col, int row) const;
  void SetCell(int col, int row, std::string_view text);

 private:
  static constexpr int kSharedColumns = 3;
  struct Cells {
    std::uint32_t shared[kSharedColumns];  // pool ids of columns 0..2
    TextArena::Ref textAt[kColumns - kSharedColumns];  // columns 3 and 4
    std::uint32_t textLength[kColumns - kSharedColumns];
  };
  static_assert(sizeof(Cells) == 28, "a row is 28 bytes on every target");
  static constexpr unsigned kBlockBits = 12;  // 4096 rows, 112 KiB, a block
  static constexpr int kBlockRows = 1 << kBlockBits;

  Cells& At(int row) { return blocks_[static_cast<std::size_t>(row) >> kBlockBits][row & (kBlockRows - 1)]; }
  const Cells& At(int row) const {
    return blocks_[static_cast<std::size_t>(row) >> kBlockBits][row & (kBlockRows - 1)];
  }

  int rows_ = 0;
  std::vector<std::unique_ptr<Cells[]>> blocks_;
  TextArena arena_;
  TextPool pool_{arena_};
  // The ids set last in columns 0..2: consecutive rows mostly repeat them.
  std::uint32_t recent_[kSharedColumns] = {0, 0, 0};
};

}  // namespace horone
