#include "image_kind.h"

#include <cstdio>

namespace {

uint32_t Read(const std::vector<uint8_t>& data, size_t at, size_t bytes) {
  uint32_t value = 0;
  for (size_t k = 0; k < bytes; ++k) value |= static_cast<uint32_t>(data[at + k]) << (8 * k);
  return value;
}

// The offset of the PE signature; 0 when there is none.
size_t PeHeader(const std::vector<uint8_t>& head) {
  if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
  size_t pe = Read(head, 0x3C, 4);
  if (pe < 0x40 || pe > head.size() || head.size() - pe < 24) return 0;
  return Read(head, pe, 4) == 0x00004550 ? pe : 0;  // "PE\0\0"
}

}  // namespace

uint16_t OwnMachine() { return sizeof(void*) == 8 ? 0x8664 : 0x014C; }

std::string MachineName(uint16_t machine) {
  switch (machine) {
    case 0x014C: return "i686";
    case 0x8664: return "x86_64";
    case 0xAA64: return "arm64";
  }
  char text[16];
  std::snprintf(text, sizeof text, "machine 0x%04X", machine);
  return text;
}

uint16_t ImageMachine(const std::vector<uint8_t>& head) {
  size_t pe = PeHeader(head);
  return pe == 0 ? 0 : static_cast<uint16_t>(Read(head, pe + 4, 2));
}

std::string LoadProblem(const std::vector<uint8_t>& head, unsigned long error) {
  size_t pe = PeHeader(head);
  if (pe == 0) return "is not a DLL";
  uint16_t machine = static_cast<uint16_t>(Read(head, pe + 4, 2));
  if (machine != OwnMachine())
    return "is built for " + MachineName(machine) + ", and this qelsys for " + MachineName(OwnMachine()) +
           ": use the qelsys of the same build";
  if ((Read(head, pe + 22, 2) & 0x2000) == 0) return "is a program, not a DLL";  // IMAGE_FILE_DLL
  return "is damaged (Windows error " + std::to_string(error) + ")";
}
