#pragma once
// A 64-bit digest of a stream of bytes, for telling whether a second read of
// a file gave the same bytes as the first without keeping them: the same
// bytes give the same digest however they are split, and bytes that differ
// anywhere give another one but by a chance of about 2^-64. Not meant to
// withstand someone who picks bytes to collide.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <endian.h>

class ByteDigest {
public:
  void Add(const char* bytes, size_t size) {
    length += size;
    while (size > 0 && pendingBytes > 0) {
      Take(*bytes++);
      --size;
    }
    for (; size >= 8; bytes += 8, size -= 8) {
      uint64_t word;
      std::memcpy(&word, bytes, 8);
      Mix(le64toh(word));
    }
    while (size-- > 0) Take(*bytes++);
  }

  uint64_t Value() const {
    uint64_t h = state ^ (pending * Prime2) ^ (length * Prime1);
    h ^= h >> 33;
    h *= Prime3;
    h ^= h >> 29;
    h *= Prime1;
    return h ^ (h >> 32);
  }

private:
  static constexpr uint64_t Prime1 = 0x9E3779B185EBCA87ull;
  static constexpr uint64_t Prime2 = 0xC2B2AE3D27D4EB4Full;
  static constexpr uint64_t Prime3 = 0x165667B19E3779F9ull;

  void Mix(uint64_t word) {
    state ^= word * Prime2;
    state = (state << 31 | state >> 33) * Prime1;
  }
  // A byte of a word split between two Add calls.
  void Take(char byte) {
    pending |= uint64_t(static_cast<unsigned char>(byte)) << (8 * pendingBytes);
    if (++pendingBytes == 8) {
      Mix(pending);
      pending = 0;
      pendingBytes = 0;
    }
  }

  uint64_t state = 0x27D4EB2F165667C5ull;
  uint64_t pending = 0;
  unsigned pendingBytes = 0;
  uint64_t length = 0;
};
