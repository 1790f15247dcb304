#include "machine/version_files.h"

#include <algorithm>
#include <cstring>

namespace testfiles {
namespace {

void PutWord(std::vector<uint8_t>& out, size_t at, uint16_t value) {
  out[at] = static_cast<uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void PadTo4(std::vector<uint8_t>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

// One node of a version resource: wLength, wValueLength, wType, the key with
// its NUL, padding, the value, padding, the children.
std::vector<uint8_t> Node(const std::string& key, const std::vector<uint8_t>& value,
                          uint16_t valueLength, uint16_t type,
                          const std::vector<std::vector<uint8_t>>& children = {}) {
  std::vector<uint8_t> out(6, 0);
  Append(out, Utf16(key));
  out.push_back(0);
  out.push_back(0);
  PadTo4(out);
  Append(out, value);
  for (const auto& child : children) {
    PadTo4(out);
    Append(out, child);
  }
  PutWord(out, 0, static_cast<uint16_t>(out.size()));
  PutWord(out, 2, valueLength);
  PutWord(out, 4, type);
  return out;
}

std::vector<uint8_t> StringTable(const char* fileVersion) {
  std::vector<uint8_t> text = Utf16(fileVersion);
  text.push_back(0);
  text.push_back(0);
  auto entry = Node("FileVersion", text, static_cast<uint16_t>(text.size() / 2), 1);
  auto company = Node("CompanyName", Utf16(std::string("Ostravik") + '\0'), 9, 1);
  return Node("040904b0", {}, 0, 1, {company, entry});
}

std::vector<uint8_t> VarFileInfo() {
  auto translation = Node("Translation", {0x09, 0x04, 0xB0, 0x04}, 4, 0);
  return Node("VarFileInfo", {}, 0, 1, {translation});
}

std::vector<uint8_t> FixedInfo(const Version& v) {
  const uint32_t ms = static_cast<uint32_t>(v.major) << 16 | v.minor;
  const uint32_t ls = static_cast<uint32_t>(v.build) << 16 | v.revision;
  // Signature, structure version, file and product versions, flags mask and
  // flags, VOS_NT_WINDOWS32, VFT_DLL, subtype, date. The product's version
  // is one major step on, so that reading it instead of the file's shows.
  const uint32_t fields[13] = {0xFEEF04BD, 0x00010000, ms, ls, ms + 0x10000, ls, 0x3F, 0,
                               0x00040004, 2, 0, 0, 0};
  std::vector<uint8_t> out;
  for (uint32_t f : fields)
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(f >> shift));
  return out;
}

std::vector<uint8_t> StringFileInfo(const char* fileVersion) {
  return Node("StringFileInfo", {}, 0, 1, {StringTable(fileVersion)});
}

}  // namespace

std::vector<uint8_t> Utf16(const std::string& ascii) {
  std::vector<uint8_t> out;
  for (char c : ascii) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

std::vector<uint8_t> VersionResource(const Version* fixed, const char* fileVersion) {
  std::vector<std::vector<uint8_t>> children;
  if (fileVersion != nullptr) children.push_back(StringFileInfo(fileVersion));
  children.push_back(VarFileInfo());
  std::vector<uint8_t> value = fixed ? FixedInfo(*fixed) : std::vector<uint8_t>();
  return Node("VS_VERSION_INFO", value, static_cast<uint16_t>(value.size()), 0, children);
}

std::vector<uint8_t> ProgramImage(const std::vector<uint8_t>& block, size_t size) {
  const size_t offset = 0x100;
  std::vector<uint8_t> out(std::max(size, offset + block.size()), 0);
  out[0] = 'M';
  out[1] = 'Z';
  for (size_t i = 2; i < offset; ++i) out[i] = static_cast<uint8_t>(i * 7);  // code-like filler
  std::copy(block.begin(), block.end(), out.begin() + offset);
  return out;
}

std::vector<uint8_t> ProgramWithVersion(Version v) {
  std::string text = std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
                     std::to_string(v.build) + "." + std::to_string(v.revision);
  return ProgramImage(VersionResource(&v, text.c_str()));
}

std::vector<uint8_t> ProgramWithVersionText(const std::string& text) {
  return ProgramImage(StringFileInfo(text.c_str()));
}

}  // namespace testfiles
