#include "files/shiftjis.h"

#include <iconv.h>

#include <array>
#include <cstring>

#include "core/messages.h"

namespace orvelt {

namespace {

constexpr char16_t kNoChar = 0xFFFF;  // a noncharacter: no code reads as it
constexpr quint16 kNoCode = 0xFFFF;   // 0xFF 0xFF is no Shift-JIS code
constexpr char16_t kFirstEscape = kByteEscapeBase + 0x80, kLastEscape = kByteEscapeBase + 0xFF;

// One conversion of glibc's iconv, applied to whole short pieces.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw CommandError(kNoConversion, {from, to});
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // The converted bytes of all of `in`, or -1 when `in` is not whole valid input.
  ptrdiff_t Convert(const void* in, size_t inSize, void* out, size_t outSize) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* source = static_cast<char*>(const_cast<void*>(in));
    char* target = static_cast<char*>(out);
    const size_t room = outSize;
    if (iconv(cd_, &source, &inSize, &target, &outSize) == static_cast<size_t>(-1) || inSize != 0)
      return -1;
    return static_cast<ptrdiff_t>(room - outSize);
  }

 private:
  iconv_t cd_;
};

// Code page 932 reduced to the codes and characters that convert into each other both ways; every
// code is one byte, or a lead byte that is not a character by itself and a trail byte.
struct CodePage {
  std::array<char16_t, 0x100> oneByte;     // by byte
  std::array<char16_t, 0x10000> twoBytes;  // by lead << 8 | trail
  std::array<quint16, 0x10000> code;  // by character: a byte below 0x100, else lead << 8 | trail

  CodePage() {
    oneByte.fill(kNoChar);
    twoBytes.fill(kNoChar);
    code.fill(kNoCode);
    Iconv decoder("UTF-32LE", "CP932"), encoder("CP932", "UTF-32LE");
    // The character of the code `bytes`, kept only when it is written back as the same code.
    const auto checked = [&](const unsigned char* bytes, size_t size) -> char16_t {
      char32_t c;
      if (decoder.Convert(bytes, size, &c, sizeof c) != sizeof c) return kNoChar;
      if (c > 0xFFFF || QChar::isSurrogate(c)) return kNoChar;
      unsigned char back[4];
      if (encoder.Convert(&c, sizeof c, back, sizeof back) != static_cast<ptrdiff_t>(size) ||
          std::memcmp(back, bytes, size) != 0)
        return kNoChar;
      code[c] = size == 1 ? bytes[0] : bytes[0] << 8 | bytes[1];
      return static_cast<char16_t>(c);
    };
    for (int b = 0; b < 0x100; ++b) {
      const unsigned char byte = static_cast<unsigned char>(b);
      oneByte[b] = checked(&byte, 1);
    }
    for (int lead = 0x80; lead < 0x100; ++lead) {
      if (oneByte[lead] != kNoChar) continue;
      for (int trail = 0; trail < 0x100; ++trail) {
        const unsigned char bytes[2] = {static_cast<unsigned char>(lead),
                                        static_cast<unsigned char>(trail)};
        twoBytes[lead << 8 | trail] = checked(bytes, 2);
      }
    }
  }
};

const CodePage& Page() {
  static const CodePage page;
  return page;
}

}  // namespace

QString DecodeShiftJis(QByteArrayView bytes) {
  const CodePage& page = Page();
  QString text;
  text.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size();) {
    const unsigned char b = bytes[i];
    char16_t c = page.oneByte[b];
    qsizetype length = 1;
    if (c == kNoChar && i + 1 < bytes.size()) {
      c = page.twoBytes[b << 8 | static_cast<unsigned char>(bytes[i + 1])];
      length = 2;
    }
    if (c == kNoChar) {
      c = kByteEscapeBase + b;
      length = 1;
    }
    text.append(QChar(c));
    i += length;
  }
  return text;
}

std::optional<QByteArray> EncodeShiftJis(QStringView text) {
  const CodePage& page = Page();
  QByteArray bytes;
  bytes.reserve(text.size() * 2);
  for (const QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c >= kFirstEscape && c <= kLastEscape) {
      bytes.append(static_cast<char>(c - kByteEscapeBase));
      continue;
    }
    const quint16 code = page.code[c];
    if (code == kNoCode) return std::nullopt;
    if (code > 0xFF) bytes.append(static_cast<char>(code >> 8));
    bytes.append(static_cast<char>(code & 0xFF));
  }
  return bytes;
}

}  // namespace orvelt
