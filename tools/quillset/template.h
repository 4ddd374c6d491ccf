// The product folder that "quillset init" writes, carried in the tool (tools/quillset/template,
// turned into byte arrays at build time), so that an installed tool and one in a build tree
// write the same folder without looking for it.
#pragma once
#include <cstddef>
#include <vector>

namespace qs::tool {

struct EmbeddedFile {
  const char* path;  // relative, with "/"
  const unsigned char* data;
  std::size_t size;
};
const std::vector<EmbeddedFile>& TemplateFiles();

}  // namespace qs::tool
