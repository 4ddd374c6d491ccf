// The expander built with the byte shuffles of SSSE3: the build gives this file -mssse3 on x86
// processors, and TLZR::DecompressChunk calls it only where the processor has them. Elsewhere it
// is the plain expander once more.
#include "packer/gexpand.h"

namespace qs::expander {

int ExpandChunkShuffled(const std::uint8_t* in, int length, std::uint8_t* out) { return ExpandChunk(in, length, out); }

}  // namespace qs::expander
