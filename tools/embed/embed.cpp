// Writes a C++ source that carries files inside the program, for platforms without resources:
//   embed OUTPUT.cpp FUNCTION ID=FILE [ID=FILE...]
// The source defines `bool FUNCTION(int id, const uint8_t** data, size_t* size)`, which gives
// the bytes of the file stored under `id`, or false for an id it does not hold.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ReadFile(const char* path, std::vector<unsigned char>* bytes) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  unsigned char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool IsIdentifier(const char* text) {
  if (!*text || (*text >= '0' && *text <= '9')) return false;
  for (; *text; ++text) {
    const char c = *text;
    if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
      return false;
  }
  return true;
}

// The bytes as string literal pieces of octal escapes, which never run into the next byte.
void WriteLiteral(FILE* out, const std::vector<unsigned char>& bytes) {
  constexpr size_t kPerLine = 32;
  if (bytes.empty()) std::fputs("    \"\"\n", out);
  for (size_t i = 0; i < bytes.size(); i += kPerLine) {
    std::fputs("    \"", out);
    for (size_t j = i; j < bytes.size() && j < i + kPerLine; ++j)
      std::fprintf(out, "\\%03o", bytes[j]);
    std::fputs("\"\n", out);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || !IsIdentifier(argv[2])) {
    std::fprintf(stderr, "usage: embed OUTPUT.cpp FUNCTION ID=FILE [ID=FILE...]\n");
    return 2;
  }
  struct Item {
    long id;
    std::vector<unsigned char> bytes;
  };
  std::vector<Item> items;
  for (int i = 3; i < argc; ++i) {
    char* end = nullptr;
    const long id = std::strtol(argv[i], &end, 10);
    if (end == argv[i] || *end != '=') {
      std::fprintf(stderr, "embed: expected ID=FILE, got %s\n", argv[i]);
      return 2;
    }
    Item item{id, {}};
    if (!ReadFile(end + 1, &item.bytes)) {
      std::fprintf(stderr, "embed: cannot read %s\n", end + 1);
      return 1;
    }
    items.push_back(std::move(item));
  }
  const std::string temporary = std::string(argv[1]) + ".part";
  FILE* out = std::fopen(temporary.c_str(), "w");
  if (!out) {
    std::fprintf(stderr, "embed: cannot write %s\n", argv[1]);
    return 1;
  }
  std::fputs("// Made by tools/embed at build time.\n#include <cstddef>\n#include <cstdint>\n\n",
             out);
  std::fputs("namespace {\n\n", out);
  for (size_t n = 0; n < items.size(); ++n) {
    std::fprintf(out, "const char kBytes%zu[] =\n", n);
    WriteLiteral(out, items[n].bytes);
    std::fputs(";\n\n", out);
  }
  std::fputs("}  // namespace\n\n", out);
  std::fprintf(out, "bool %s(int id, const uint8_t** data, size_t* size) {\n  switch (id) {\n",
               argv[2]);
  for (size_t n = 0; n < items.size(); ++n) {
    std::fprintf(out,
                 "    case %ld:\n      *data = reinterpret_cast<const uint8_t*>(kBytes%zu);\n"
                 "      *size = %zu;\n      return true;\n",
                 items[n].id, n, items[n].bytes.size());
  }
  std::fputs("    default:\n      return false;\n  }\n}\n", out);
  const bool written = std::fflush(out) == 0 && !std::ferror(out);
  std::fclose(out);
  if (!written || std::rename(temporary.c_str(), argv[1]) != 0) {
    std::remove(temporary.c_str());
    std::fprintf(stderr, "embed: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
