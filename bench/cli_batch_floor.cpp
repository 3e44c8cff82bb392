// The floor of marlit-cli's batch: the least a program can do for `marlit-cli FILE -o - <lines`.
// It reads the section table of a 32-bit image with no checks beyond the bounds, reads stdin in
// large blocks, parses hexadecimal from a table, walks the same records and writes the same five
// tab-separated fields byte for byte. It takes only well-formed input (hexadecimal values of at
// most 8 digits, LF or CR LF line ends) and stops at anything else.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Record {
  std::int32_t fileMin;
  std::int32_t fileMax;
  std::int32_t ramDelta;
  std::string name;
};

std::uint32_t Le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + static_cast<std::size_t>(i));
  return v;
}

// The included records in table order, the header first, as the loader builds them.
std::vector<Record> ReadRecords(const char* path) {
  std::vector<unsigned char> file;
  const int fd = ::open(path, O_RDONLY);
  if (fd < 0) return {};
  unsigned char block[1 << 16];
  for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;)
    file.insert(file.end(), block, block + n);
  ::close(fd);
  const std::size_t pe = Le(file, 60, 4);
  const std::size_t count = Le(file, pe + 6, 2);
  const auto base = static_cast<std::int32_t>(Le(file, pe + 52, 4));
  std::size_t at = pe + 24 + Le(file, pe + 20, 2);
  std::vector<Record> records{{0, 0, base, "檔案頭"}};
  std::int32_t lowestFile = INT32_MAX;
  for (std::size_t i = 0; i < count; ++i, at += 40) {
    const auto va = static_cast<std::int32_t>(Le(file, at + 12, 4));
    const auto size = static_cast<std::int32_t>(Le(file, at + 16, 4));
    const auto pointer = static_cast<std::int32_t>(Le(file, at + 20, 4));
    if (pointer != 0 && pointer < lowestFile) lowestFile = pointer;
    if (pointer == 0 || size == 0) continue;
    std::string name(reinterpret_cast<const char*>(&file.at(at)), 8);
    name.resize(std::strlen(name.c_str()));
    records.push_back({pointer, pointer + size, base + va - pointer, name});
  }
  records[0].fileMax = lowestFile;
  return records;
}

constexpr char kNibble[] = "0123456789ABCDEF";
const std::string kNotInSection = "不在段內";

// 0..15 for a hexadecimal digit, 0xFF for anything else.
constexpr std::array<unsigned char, 256> kHexValue = [] {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[static_cast<std::size_t>(c)] =
        c >= '0' && c <= '9'   ? static_cast<unsigned char>(c - '0')
        : c >= 'A' && c <= 'F' ? static_cast<unsigned char>(c - 'A' + 10)
        : c >= 'a' && c <= 'f' ? static_cast<unsigned char>(c - 'a' + 10)
                               : 0xFF;
  }
  return t;
}();

char* PutHex(char* out, std::uint32_t v) {
  const int digits = v == 0 ? 1 : (32 - __builtin_clz(v) + 3) / 4;
  for (int i = digits - 1; i >= 0; --i) out[i] = kNibble[(v >> (4 * (digits - 1 - i))) & 0xF];
  return out + digits;
}

char* PutDecimal(char* out, std::uint32_t v) {
  char reversed[10];
  int n = 0;
  do {
    reversed[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n != 0) *out++ = reversed[--n];
  return out;
}

bool WriteAll(const char* data, std::size_t size) {
  while (size != 0) {
    const ssize_t n = ::write(1, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::vector<Record> records = ReadRecords(argv[1]);
  if (records.empty()) return 1;
  static char in[1 << 20];
  static char out[(1 << 20) + 256];
  std::size_t kept = 0;
  std::size_t used = 0;
  for (;;) {
    const ssize_t got = ::read(0, in + kept, sizeof in - kept);
    if (got < 0) return 4;
    std::size_t end = kept + static_cast<std::size_t>(got);
    if (got == 0 && kept != 0 && in[end - 1] != '\n') in[end++] = '\n';
    std::size_t start = 0;
    for (const char* nl;
         (nl = static_cast<const char*>(std::memchr(in + start, '\n', end - start)));) {
      const char* text = in + start;
      std::size_t length = static_cast<std::size_t>(nl - text);
      start += length + 1;
      if (length != 0 && text[length - 1] == '\r') --length;
      if (length > 8) return 2;
      std::uint32_t value = 0;
      unsigned char bad = 0;
      for (std::size_t i = 0; i < length; ++i) {
        const unsigned char digit = kHexValue[static_cast<unsigned char>(text[i])];
        bad |= digit;
        value = value << 4 | (digit & 0xFu);
      }
      if (bad & 0xF0) return 2;
      std::uint32_t address = 0;
      std::size_t position = 0;
      for (std::size_t r = 0; r < records.size(); ++r) {
        const auto v = static_cast<std::int32_t>(value);
        if (records[r].fileMin <= v && v < records[r].fileMax) {
          std::int32_t sum;
          if (__builtin_add_overflow(v, records[r].ramDelta, &sum)) return 3;
          address = static_cast<std::uint32_t>(sum);
          position = r + 1;
          break;
        }
      }
      char* o = out + used;
      std::memcpy(o, text, length);
      o += length;
      *o++ = '\t';
      // An offset in no section has no address: its field stays empty.
      if (position != 0) o = PutHex(o, address);
      *o++ = '\t';
      o = PutDecimal(o, static_cast<std::uint32_t>(position));
      *o++ = '\t';
      const std::string& name = position == 0 ? kNotInSection : records[position - 1].name;
      std::memcpy(o, name.data(), name.size());
      o += name.size();
      *o++ = '\t';
      if (address != 0) {
        for (int b = 0; b < 4; ++b) {
          *o++ = kNibble[(address >> (8 * b + 4)) & 0xF];
          *o++ = kNibble[(address >> (8 * b)) & 0xF];
        }
      }
      *o++ = '\n';
      used = static_cast<std::size_t>(o - out);
      if (used >= (1 << 20)) {
        if (!WriteAll(out, used)) return 4;
        used = 0;
      }
    }
    kept = end - start;
    std::memmove(in, in + start, kept);
    if (got == 0) break;
  }
  return WriteAll(out, used) ? 0 : 4;
}
