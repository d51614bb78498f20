#pragma once
// Cell texts are Unicode in the grids and Shift-JIS (code page 932, as glibc's iconv "CP932" knows
// it) in the data files.
//
// Reading never loses a byte: a byte that does not start a character, or starts one whose code is
// not the one writing would give it (0x87 0x90 reads as U+2252, which is written 0x81 0xE0), reads
// as a reserved code point U+DC80..U+DCFF, one for each byte 0x80..0xFF. These are lone surrogates,
// which nobody can type; writing turns them back into their bytes. So bytes read and written again
// are the same bytes, and a text without reserved code points written and read again is the same
// text.

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvelt {

// U+DC00 + b stands for the byte b (0x80..0xFF); bytes below 0x80 are ASCII and always read.
inline constexpr char16_t kByteEscapeBase = 0xDC00;

QString DecodeShiftJis(QByteArrayView bytes);

// Nothing when `text` holds a character that code page 932 does not have. Characters that glibc
// would write as a look-alike (U+301C 〜 as ～, U+00A5 ¥ as \, U+2212 − as －, ...) count as
// missing too, since reading the file back would give another character.
std::optional<QByteArray> EncodeShiftJis(QStringView text);

}  // namespace orvelt
