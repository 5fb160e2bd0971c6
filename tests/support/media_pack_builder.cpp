#include "tests/support/media_pack_builder.h"

#include <lzo/lzo1x.h>

#include <stdexcept>

namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

}  // namespace

std::string PackLzoBlock(const std::string& bytes) {
  if (lzo_init() != LZO_E_OK) throw std::runtime_error("lzo_init");
  std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
  std::vector<unsigned char> out(bytes.size() + bytes.size() / 16 + 64 + 3);
  lzo_uint packed = 0;
  lzo1x_1_compress(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data(), &packed,
                   work.data());
  std::string block;
  PutU32(block, static_cast<uint32_t>(bytes.size()));
  block.append(reinterpret_cast<const char*>(out.data()), packed);
  return block;
}

MediaPackLayout LayoutMediaPack(const std::string& prefix,
                                const std::vector<std::pair<std::string, std::string>>& files, bool negative) {
  MediaPackLayout layout;
  layout.prefix = prefix;
  layout.negative = negative;
  int64_t at = static_cast<int64_t>(prefix.size());
  for (const auto& [name, contents] : files) {
    PackBuilderEntry e;
    e.name = name;
    e.packed = PackLzoBlock(contents);
    e.offset = static_cast<int32_t>(at);
    e.packedSize = static_cast<uint32_t>(e.packed.size());
    at += static_cast<int64_t>(e.packed.size());
    layout.entries.push_back(e);
  }
  int64_t directorySize = 1;
  for (const auto& e : layout.entries) directorySize += 1 + static_cast<int64_t>(e.name.size()) + 8;
  const int64_t total = at + directorySize + 7;
  layout.directory = static_cast<int32_t>(negative ? at - total : at);
  if (negative) {
    for (auto& e : layout.entries) e.offset = static_cast<int32_t>(e.offset - total);
  }
  return layout;
}

std::string MediaPackBytes(const MediaPackLayout& layout) {
  std::string out = layout.prefix;
  for (const auto& e : layout.entries) out += e.packed;
  for (const auto& e : layout.entries) {
    out += static_cast<char>(e.name.size());
    out += e.name;
    PutU32(out, static_cast<uint32_t>(e.offset));
    PutU32(out, e.packedSize);
  }
  if (layout.terminated) out += '\0';
  out += layout.signature;
  PutU32(out, static_cast<uint32_t>(layout.directory));
  return out;
}
