// qs_formc: turns the text form of a component stream into the binary stream, for the build.
//
//   qs_formc INPUT.txt OUTPUT.bin [OUTPUT.cpp FUNCTION]
//
// Besides the text form itself it understands, for forms kept in the repository:
//   {@jpeg 'file.jpg'}  picture data of class TJPEGImage (counted class name, 32-bit length, file)
//   {@icon 'file.ico'}  picture data of class TIcon (counted class name, file)
//   'text' + 'more'     a text continued on the next line
// Files are looked up beside INPUT. With OUTPUT.cpp it also writes a C++ source defining
// `std::span<const std::uint8_t> qs::FUNCTION()` over the stream's bytes.
//
// It needs no class of the toolkit, so a cross build can compile it for the build machine from
// src/core and src/stream alone.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/streams.h"
#include "stream/textform.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string Counted(const std::string& s) { return std::string(1, static_cast<char>(s.size())) + s; }

std::string Le32(std::size_t v) {
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// Expands the picture directives and joins continued texts; everything else is copied as it is.
std::string Preprocess(const std::string& text, const std::string& dir) {
  std::string out;
  std::size_t p = 0;
  const std::size_t n = text.size();
  bool afterText = false;  // the last thing copied ended a text value ('...' or #N)
  int heldNewlines = 0;    // newlines of joined lines, given back at the end of the line
  while (p < n) {
    const char c = text[p];
    if (c == '/' && p + 1 < n && text[p + 1] == '/') {  // a comment: copied untouched
      const std::size_t e = text.find('\n', p);
      const std::size_t end = e == std::string::npos ? n : e;
      out.append(text, p, end - p);
      p = end;
      continue;
    }
    if (c == '\'') {  // a quoted run ('' inside it reads as two runs side by side: the same)
      const std::size_t e = text.find('\'', p + 1);
      if (e == std::string::npos) throw std::runtime_error("unterminated text");
      out.append(text, p, e + 1 - p);
      p = e + 1;
      afterText = true;
      continue;
    }
    if (c == '#' && afterText) {
      out += c;
      ++p;
      while (p < n && text[p] >= '0' && text[p] <= '9') out += text[p++];
      continue;
    }
    if (c == '+' && afterText) {
      std::size_t q = p + 1;
      int newlines = 0;
      while (q < n && (text[q] == ' ' || text[q] == '\t' || text[q] == '\r' || text[q] == '\n'))
        newlines += text[q++] == '\n';
      if (q < n && (text[q] == '\'' || text[q] == '#')) {
        heldNewlines += newlines;
        while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
        // Two quoted runs side by side would read as a quote: 'ab' + 'cd' becomes 'abcd'.
        if (text[q] == '\'' && !out.empty() && out.back() == '\'') {
          const std::size_t e = text.find('\'', q + 1);
          if (e == std::string::npos) throw std::runtime_error("unterminated text");
          out.pop_back();
          out.append(text, q + 1, e - q);
          p = e + 1;
          continue;
        }
        p = q;
        continue;
      }
    }
    if (c == '{' && p + 1 < n && text[p + 1] == '@') {
      const std::size_t close = text.find('}', p);
      if (close == std::string::npos) throw std::runtime_error("unterminated {@...}");
      std::istringstream words(text.substr(p + 2, close - p - 2));
      std::string kind, quoted;
      words >> kind >> quoted;
      if (quoted.size() < 2 || quoted.front() != '\'' || quoted.back() != '\'')
        throw std::runtime_error("expected {@" + kind + " 'file'}");
      const std::string file = ReadFile(dir + quoted.substr(1, quoted.size() - 2));
      std::string data;
      if (kind == "jpeg") {
        data = Counted("TJPEGImage") + Le32(file.size()) + file;
      } else if (kind == "icon") {
        data = Counted("TIcon") + file;
      } else {
        throw std::runtime_error("unknown picture kind {@" + kind + "}");
      }
      out += "{" + Hex(data) + "}";  // on one line, so the form's line numbers stay right
      p = close + 1;
      afterText = false;
      continue;
    }
    if (c == '\n') {
      out.append(static_cast<std::size_t>(heldNewlines), '\n');
      heldNewlines = 0;
    }
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') afterText = false;
    out += c;
    ++p;
  }
  return out;
}

std::string CppSource(const std::string& bytes, const std::string& function, const std::string& input) {
  std::string out = "// Generated by qs_formc from " + input + "; do not edit.\n";
  out += "#include <cstdint>\n#include <span>\n\nnamespace qs {\nnamespace {\nconst std::uint8_t kBytes[] = {";
  char num[8];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 20 == 0) out += "\n   ";
    std::snprintf(num, sizeof num, " %u,", static_cast<unsigned char>(bytes[i]));
    out += num;
  }
  out += "\n};\n}  // namespace\n\nstd::span<const std::uint8_t> " + function + "() { return kBytes; }\n\n";
  out += "}  // namespace qs\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: qs_formc INPUT.txt OUTPUT.bin [OUTPUT.cpp FUNCTION]\n");
    return 2;
  }
  const std::string input = argv[1];
  try {
    const std::size_t slash = input.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? "" : input.substr(0, slash + 1);
    const std::string text = Preprocess(ReadFile(input), dir);
    qs::TMemoryStream stream;
    qs::TextToComponentStream(text, stream);
    const std::string bytes = stream.Text();
    WriteFile(argv[2], bytes);
    if (argc == 5)
      WriteFile(argv[3], CppSource(bytes, argv[4], slash == std::string::npos ? input : input.substr(slash + 1)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", input.c_str(), e.what());
    return 1;
  }
  return 0;
}
