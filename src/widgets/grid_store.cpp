#include "widgets/grid_store.h"

#include <cstring>
#include <limits>
#include <new>

namespace horone {

namespace {

std::uint32_t LengthOf(std::string_view text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max() / 2) throw std::bad_alloc();
  return static_cast<std::uint32_t>(text.size());
}

// FNV-1a: short texts, few of them distinct.
std::uint32_t Hash(std::string_view text) {
  std::uint32_t h = 2166136261u;
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

}  // namespace

TextArena::Ref TextArena::Add(std::string_view text) {
  const std::uint32_t length = LengthOf(text);
  if (length == 0) return 0;
  if (length >= kOwnBlockText) {
    if (blocks_.size() >= kOwnBlock) throw std::bad_alloc();
    auto block = std::make_unique_for_overwrite<char[]>(length);
    std::memcpy(block.get(), text.data(), length);
    blocks_.push_back(std::move(block));
    return kOwnBlock | static_cast<Ref>(blocks_.size() - 1);
  }
  if (kChunkSize - used_ < length) {
    if (chunks_.size() >= kMaxChunks) throw std::bad_alloc();
    // The new chunk is in place before the text is copied: `text` may lie
    // in an older chunk, which stays where it is.
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
    used_ = 0;
  }
  const Ref ref = static_cast<Ref>((chunks_.size() - 1) << kChunkBits) | used_;
  std::memcpy(chunks_.back().get() + used_, text.data(), length);
  used_ += length;
  return ref;
}

std::uint32_t TextPool::Intern(std::string_view text) {
  if (text.empty()) return 0;
  const std::uint32_t hash = Hash(text);
  if (slots_.empty()) Rehash(64);
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash & mask;
  for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
    const std::uint32_t id = slots_[slot];
    if (entries_[id].hash == hash && Text(id) == text) return id;
  }
  if (entries_.size() >= std::numeric_limits<std::uint32_t>::max() / 2) throw std::bad_alloc();
  const std::uint32_t length = LengthOf(text);
  // (Should the entry not fit, the text's bytes stay unused in the arena.)
  const TextArena::Ref at = arena_.Add(text);
  entries_.push_back({at, length, hash});
  const auto id = static_cast<std::uint32_t>(entries_.size() - 1);
  slots_[slot] = id;
  if (entries_.size() * 2 > slots_.size()) Rehash(slots_.size() * 2);
  return id;
}

void TextPool::Rehash(std::size_t slots) {
  std::vector<std::uint32_t> fresh(slots, 0);
  const std::size_t mask = slots - 1;
  for (std::uint32_t id = 1; id < entries_.size(); ++id) {
    std::size_t slot = entries_[id].hash & mask;
    while (fresh[slot] != 0) slot = (slot + 1) & mask;
    fresh[slot] = id;
  }
  slots_ = std::move(fresh);
}

void GridStore::Resize(int rows) {
  if (rows < 0) rows = 0;
  const std::size_t blocks = (static_cast<std::size_t>(rows) + kBlockRows - 1) >> kBlockBits;
  if (rows > rows_) {
    while (blocks_.size() < blocks) blocks_.push_back(std::make_unique<Cells[]>(kBlockRows));  // zeroed: empty
  } else {
    blocks_.resize(blocks);
    // Rows past the end of a kept block must read empty if they come back.
    const int kept = static_cast<int>(blocks << kBlockBits);
    for (int r = rows; r < rows_ && r < kept; ++r) At(r) = Cells{};
  }
  rows_ = rows;
}

std::string_view GridStore::Cell(int col, int row) const {
  const Cells& c = At(row);
  if (col < kSharedColumns) return pool_.Text(c.shared[col]);
  const int t = col - kSharedColumns;
  return arena_.At(c.textAt[t], c.textLength[t]);
}

void GridStore::SetCell(int col, int row, std::string_view text) {
  Cells& c = At(row);
  if (col < kSharedColumns) {
    std::uint32_t& recent = recent_[col];
    if (pool_.Text(recent) != text) recent = pool_.Intern(text);
    c.shared[col] = recent;
    return;
  }
  const int t = col - kSharedColumns;
  const std::uint32_t length = LengthOf(text);
  if (length <= c.textLength[t]) {
    // Fits where the old text is (the new text may be part of it).
    if (length > 0) std::memmove(arena_.Data(c.textAt[t]), text.data(), length);
  } else {
    c.textAt[t] = arena_.Add(text);
  }
  c.textLength[t] = length;
}

}  // namespace horone
