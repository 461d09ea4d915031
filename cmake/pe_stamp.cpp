// Post-link step for trovanto.exe, built for the build machine: marks the
// image to be run from the swap file when started from a removable or network
// medium (so that pulling the stick does not fault the next page-in) and
// writes the header checksum that Windows checks for such images.
//   pe_stamp FILE          set both flags and the checksum
//   pe_stamp --check FILE  exit 1 unless both flags and the checksum are right
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kRemovableRunFromSwap = 0x0400;
constexpr uint16_t kNetRunFromSwap = 0x0800;

uint32_t Read32(const std::vector<unsigned char>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Read16(const std::vector<unsigned char>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
void Write32(std::vector<unsigned char>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
void Write16(std::vector<unsigned char>& b, size_t at, uint16_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}

// The image checksum: 16-bit one's-complement-style sum of the file with the
// checksum field counted as zero, plus the file length.
uint32_t ImageChecksum(const std::vector<unsigned char>& b, size_t checksumAt) {
  auto byteAt = [&](size_t i) -> uint32_t {
    if (i >= b.size() || (i >= checksumAt && i < checksumAt + 4)) return 0;
    return b[i];
  };
  uint64_t sum = 0;
  for (size_t i = 0; i < b.size(); i += 2) {
    sum += byteAt(i) | (byteAt(i + 1) << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + b.size());
}

int Fail(const std::string& file, const char* why) {
  std::fprintf(stderr, "pe_stamp: %s: %s\n", file.c_str(), why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: pe_stamp [--check] FILE\n");
    return 2;
  }
  const std::string file = argv[argc - 1];
  std::vector<unsigned char> bytes;
  {
    std::ifstream in(file, std::ios::binary);
    if (!in) return Fail(file, "cannot be read");
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return Fail(file, "no MZ header");
  const size_t pe = Read32(bytes, 0x3C);
  // Signature, file header (20 bytes), then the optional header, whose
  // checksum sits at the same offset in PE32 and PE32+.
  const size_t characteristicsAt = pe + 4 + 18;
  const size_t optionalAt = pe + 24;
  const size_t checksumAt = optionalAt + 64;
  if (pe > bytes.size() || bytes.size() - pe < 24 + 68 || std::memcmp(&bytes[pe], "PE\0\0", 4) != 0)
    return Fail(file, "no PE header");
  if (Read16(bytes, pe + 4 + 16) < 68) return Fail(file, "optional header too short");

  const uint16_t wanted = kRemovableRunFromSwap | kNetRunFromSwap;
  if (check) {
    if ((Read16(bytes, characteristicsAt) & wanted) != wanted) return Fail(file, "run-from-swap flags missing");
    if (Read32(bytes, checksumAt) != ImageChecksum(bytes, checksumAt)) return Fail(file, "wrong header checksum");
    return 0;
  }
  Write16(bytes, characteristicsAt, static_cast<uint16_t>(Read16(bytes, characteristicsAt) | wanted));
  Write32(bytes, checksumAt, ImageChecksum(bytes, checksumAt));
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) return Fail(file, "cannot be written");
  return 0;
}
