// An installer as quillset info and list --json read it. The first byte chooses the input: even,
// the payload after a plain stub; odd, the first bytes of the stub itself (its PE header, whose
// security directory the listing follows) with the rest of the input after it. Any bytes give a
// listing whose JSON document is whole, or an error, never a crash.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "builder/builder.h"
#include "builder/listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> installer(qs::kStubSize, 0);
  installer[0] = 'M', installer[1] = 'Z';
  if (data[0] & 1) {
    const std::size_t head = std::min<std::size_t>(size - 1, 1024);
    std::copy(data + 1, data + 1 + head, installer.begin());
    installer.insert(installer.end(), data + 1 + head, data + size);
    (void)qs::DescribeTrailer(installer, qs::kStubSize);
    return 0;
  }
  installer.insert(installer.end(), data + 1, data + size);
  try {
    auto listing = qs::ListInstaller(installer);
    const std::string json = qs::ListingJson(*listing);
    if (json.size() < 3 || json.front() != '{' || json.substr(json.size() - 2) != "}\n") __builtin_trap();
  } catch (const std::exception&) {
  }
  return 0;
}
