// The container codec of packed files: a byte-oriented LZ77 variant.
//
// A container is "GDG", a 32-bit total (the sum of 4 + L over its chunks) and the chunks, each a
// 32-bit length L and L bytes. A chunk holds one piece of at most 32,783 input bytes, compressed
// on its own (mark 0x40) or, when that would not be shorter than the piece plus one, stored
// unchanged (mark 0x80). A compressed chunk is a stream of items, each announced by one bit of a
// big-endian 16-bit command word (0: a literal byte, 1: a copy item). A copy item is a match of
// 3 to 18 bytes at distance 1 to 4,095 (two bytes: distance << 4 | length - 3) or a run of 16 to
// 4,095 equal bytes (four bytes: 0, length - 16 as 12 bits, the byte).
//
// The compressor's output is fixed byte for byte by its algorithm: a 4,096-entry hash table of
// 16-bit positions keyed on the next three bytes, a run test before the match search at every
// step, and only the positions where the match search runs entered into the table. Installers
// already in the field rely on these bytes, so any change here must keep every output byte.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/errors.h"

namespace qs {

class TStream;

// The codec's error: its table cannot be allocated, or a chunk is malformed.
class GPacker : public Exception {
 public:
  using Exception::Exception;
};

inline constexpr const char* kMsgNoCompressionTable = "TPackFiles: no memory for compression table";

class TLZR {
 public:
  static constexpr int ChunkSize = 32783;               // input bytes per chunk at most
  static constexpr int MaxChunkLength = ChunkSize + 1;  // the largest chunk: a stored one
  static constexpr int HashEntries = 4096;
  static constexpr std::uint8_t CompressedMark = 0x40;
  static constexpr std::uint8_t StoredMark = 0x80;
  // Work-area sizes. Compression may run up to 6 bytes past n before it falls back to a stored
  // chunk; expansion copies in blocks of up to 32 bytes and may write that far past the last byte
  // it produces (never past ChunkSize + ExpandSlack).
  static constexpr int CompressOutSize = ChunkSize + 6;
  static constexpr int ExpandSlack = 32;
  static constexpr int ExpandOutSize = ChunkSize + ExpandSlack;

  // Raises GPacker with kMsgNoCompressionTable when the table cannot be allocated.
  TLZR();
  ~TLZR();
  TLZR(const TLZR&) = delete;
  TLZR& operator=(const TLZR&) = delete;

  // Compresses in[0..n-1] (1 <= n <= ChunkSize) into out, which holds at least CompressOutSize
  // bytes and does not overlap in. Gives the chunk length, at most n + 1. Reads nothing past
  // in[n-1]: positions with fewer than three bytes left cannot start a match, so they are not
  // hashed, which leaves the output as it would be whatever bytes followed the piece.
  int CompressChunk(const std::uint8_t* in, int n, std::uint8_t* out);

  // Expands the chunk in[0..length-1] into out, which holds at least ExpandOutSize bytes. Gives
  // the number of bytes produced (at most ChunkSize). Reads nothing past in[length-1]. Raises
  // GPacker for a chunk the compressor cannot produce: a length outside 0..MaxChunkLength, a
  // command word or item cut off at the end, a match reaching before the start of the output,
  // or more than ChunkSize bytes of output.
  int DecompressChunk(const std::uint8_t* in, int length, std::uint8_t* out);
  // Whether this processor has the byte shuffles (SSSE3) of the faster expander. Both expanders
  // give the same bytes and the same errors.
  static bool ByteShufflesAvailable();
  // Whether DecompressChunk uses the expander with byte shuffles: where the processor has them.
  // Tests clear it to check the plain one too.
  bool FByteShuffles = ByteShufflesAvailable();

  // The match search at position p of in[0..n-1], on its own: looks up the hash of in[p..p+2],
  // compares with the candidate found there and enters p into the table. Gives whether a match of
  // at least 3 bytes was found, with its start and length (at most 18, not past n). Positions with
  // fewer than three bytes left hash as if zeros followed the piece.
  bool FindMatch(const std::uint8_t* in, int n, int p, int& start, int& length);
  // Empties the table (every entry -1), as at the start of each compressed chunk.
  void ClearTable();

  // 4,096 input positions as signed 16-bit numbers; -1 is empty. Positions of 32,768 and more
  // are stored negative and so are never candidates. It lies in the block of the compressor's
  // work areas, allocated with it by the constructor.
  std::int16_t* FHashTable = nullptr;

 private:
  struct Scratch;
  std::unique_ptr<Scratch> scratch_;
};

class TGCompressStream {
 public:
  TGCompressStream();  // raises GPacker when the codec's table or work areas cannot be allocated
  ~TGCompressStream();
  TGCompressStream(const TGCompressStream&) = delete;
  TGCompressStream& operator=(const TGCompressStream&) = delete;

  // Reads count bytes from source's position and appends a container to dest, which must allow
  // moving back: the total is patched once every chunk is written. Raises EReadError when the
  // source ends before count bytes, GPacker when the total would not fit its 32-bit field.
  void CompressStream(TStream& source, TStream& dest, std::int64_t count);
  // Expands the container at source's position, appending the bytes at dest's position. The
  // signature is not checked, and bytes after the last chunk are not read. Raises EReadError when
  // the container ends before its total is used up, GPacker for a malformed chunk.
  void DecompressStream(TStream& source, TStream& dest);

  std::unique_ptr<TLZR> FLZR;
  char FSignature[3] = {'G', 'D', 'G'};

 private:
  struct WorkAreas;
  std::unique_ptr<WorkAreas> work_;
};

}  // namespace qs
