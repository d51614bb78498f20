#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include "files/shiftjis.h"

using orvelt::DecodeShiftJis;
using orvelt::EncodeShiftJis;

namespace {

// Surrogates cannot be written as universal character names.
QString Utf16(QStringView text) {
  return text.toString();
}

QString Hex(const QByteArray& bytes) {
  return QString::fromLatin1(bytes.toHex(' '));
}

QString Codes(const QString& text) {
  QStringList codes;
  for (const QChar c : text) codes << QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QChar('0'));
  return codes.join(' ');
}

// Control codes where Qt's ICU table and code page 932 disagree, and one ICU private-use extra.
bool IcuDiffers(char16_t c) {
  return c == 0x1A || c == 0x1C || c == 0x7F || c == 0xF86F;
}

}  // namespace

class TestShiftJis : public QObject {
  Q_OBJECT

 private slots:
  void knownCodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << QStringLiteral("1.5e3 Omit") << QByteArray("1.5e3 Omit");
    QTest::newRow("backslash stays") << QStringLiteral("\\") << QByteArray("\x5C");
    QTest::newRow("tilde stays") << QStringLiteral("~") << QByteArray("\x7E");
    QTest::newRow("kanji") << QStringLiteral("系列") << QByteArray("\x8C\x6E\x97\xF1");
    QTest::newRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x81\x60");
    QTest::newRow("circled one") << QStringLiteral("①") << QByteArray("\x87\x40");
    QTest::newRow("IBM kanji") << QStringLiteral("髙") << QByteArray("\xFB\xFC");
    QTest::newRow("NEC-selected IBM kanji as IBM")
        << QStringLiteral("纊") << QByteArray("\xFA\x5C");
    QTest::newRow("half-width kana") << QStringLiteral("ｱｲﾟ") << QByteArray("\xB1\xB2\xDF");
    QTest::newRow("ideographic space") << QStringLiteral("　1")
                                       << QByteArray(
                                              "\x81\x40"
                                              "1");
    QTest::newRow("full-width minus") << QStringLiteral("－") << QByteArray("\x81\x7C");
    QTest::newRow("user-defined area") << QStringLiteral("\uE000") << QByteArray("\xF0\x40");
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray(1, '\0');
    QTest::newRow("empty") << QString() << QByteArray();
  }
  void knownCodes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const auto encoded = EncodeShiftJis(text);
    QVERIFY(encoded);
    QCOMPARE(Hex(*encoded), Hex(bytes));
    QCOMPARE(Codes(DecodeShiftJis(bytes)), Codes(text));
  }

  void oneByteCharacters() {
    for (int b = 0; b < 0x100; ++b) {
      const QString text = DecodeShiftJis(QByteArray(1, static_cast<char>(b)));
      QCOMPARE(text.size(), 1);
      const char16_t c = text[0].unicode();
      if (b < 0x80)
        QCOMPARE(c, b);  // ASCII, 0x5C and 0x7E included
      else if (b >= 0xA1 && b <= 0xDF)
        QCOMPARE(c, 0xFF61 + (b - 0xA1));  // half-width katakana
      else
        QCOMPARE(c, 0xDC00 + b);
    }
  }

  void userDefinedArea() {
    for (int i = 0; i < 1880; ++i) {
      const int trail = 0x40 + i % 188;
      const char code[2] = {static_cast<char>(0xF0 + i / 188),
                            static_cast<char>(trail < 0x7F ? trail : trail + 1)};
      const QString text(QChar(static_cast<char16_t>(0xE000 + i)));
      QCOMPARE(EncodeShiftJis(text), std::optional<QByteArray>(QByteArray(code, 2)));
      QCOMPARE(DecodeShiftJis(QByteArray(code, 2)), text);
    }
    QVERIFY(!EncodeShiftJis(QString(QChar(0xE758))));
  }

  void undecodableBytesAreEscaped_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("lone lead at the end") << QByteArray("1\x81") << Utf16(u"1\xDC81");
    QTest::newRow("0xFF") << QByteArray("\xFF") << Utf16(u"\xDCFF");
    QTest::newRow("0xA0") << QByteArray("\xA0") << Utf16(u"\xDCA0");
    QTest::newRow("0x80") << QByteArray("\x80") << Utf16(u"\xDC80");
    QTest::newRow("0xFD 0xFE") << QByteArray("\xFD\xFE") << Utf16(u"\xDCFD\xDCFE");
    QTest::newRow("space as trail") << QByteArray("\x81 2") << Utf16(u"\xDC81 2");
    QTest::newRow("DEL as trail") << QByteArray("\x81\x7F") << Utf16(u"\xDC81\x7F");
    QTest::newRow("0xFD as trail") << QByteArray("\x81\xFD") << Utf16(u"\xDC81\xDCFD");
    QTest::newRow("unassigned") << QByteArray("\x85\x40") << Utf16(u"\xDC85@");
    // Valid codes that are written differently: keeping them as bytes keeps the file as it was.
    QTest::newRow("NEC row 13 duplicate") << QByteArray("\x87\x90") << Utf16(u"\xDC87\xDC90");
    QTest::newRow("NEC-selected IBM") << QByteArray("\xED\x40") << Utf16(u"\xDCED@");
    QTest::newRow("digit as trail") << QByteArray(
                                           "\x81"
                                           "9")
                                    << Utf16(
                                           u"\xDC81"
                                           "9");
  }
  void undecodableBytesAreEscaped() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString decoded = DecodeShiftJis(bytes);
    QCOMPARE(Codes(decoded), Codes(text));
    const auto encoded = EncodeShiftJis(decoded);
    QVERIFY(encoded);
    QCOMPARE(Hex(*encoded), Hex(bytes));
  }

  void everyTwoByteInputComesBack() {
    int escaped = 0;
    for (int b = 0; b < 0x10000; ++b) {
      const char pair[2] = {static_cast<char>(b >> 8), static_cast<char>(b)};
      const QByteArray bytes(pair, 2);
      const QString text = DecodeShiftJis(bytes);
      for (const QChar c : text) escaped += c.isLowSurrogate();
      const auto encoded = EncodeShiftJis(text);
      QVERIFY2(encoded && *encoded == bytes, qPrintable(Hex(bytes)));
    }
    QVERIFY(escaped > 0);
  }

  void randomBytesComeBack() {
    QRandomGenerator random(20240611);
    for (int i = 0; i < 2000; ++i) {
      QByteArray bytes(random.bounded(1, 40), '\0');
      for (char& b : bytes) b = static_cast<char>(random.bounded(256));
      const auto encoded = EncodeShiftJis(DecodeShiftJis(bytes));
      QVERIFY2(encoded && *encoded == bytes, qPrintable(Hex(bytes)));
    }
  }

  // Every character that can be saved reads back as itself, and Qt's own code page 932 (ICU) agrees
  // on which characters those are and on their codes.
  void savableCharactersMatchTheCodePage() {
    for (int u = 0; u < 0x10000; ++u) {
      const char16_t c = static_cast<char16_t>(u);
      if (QChar::isSurrogate(c) || IcuDiffers(c)) continue;
      const QString text(QChar{c});
      const auto encoded = EncodeShiftJis(text);
      QStringEncoder icu("CP932");
      QVERIFY(icu.isValid());
      const QByteArray expected = icu.encode(text);
      QVERIFY2(encoded.has_value() == !icu.hasError(), qPrintable(Codes(text)));
      if (!encoded) continue;
      QCOMPARE(Hex(*encoded), Hex(expected));
      QCOMPARE(Codes(DecodeShiftJis(*encoded)), Codes(text));
    }
  }

  void unsavableCharacters_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("emoji") << QStringLiteral("1😀");
    QTest::newRow("euro sign") << QStringLiteral("€");
    QTest::newRow("lone surrogate below the reserved ones") << Utf16(u"1\xDC41");
    QTest::newRow("lone high surrogate") << Utf16(u"\xD800");
    QTest::newRow("surrogate pair ending in a reserved code") << QStringLiteral("\U0001F480");
    QTest::newRow("wave dash") << QStringLiteral("〜");
    QTest::newRow("yen sign") << QStringLiteral("¥");
    QTest::newRow("overline") << QStringLiteral("‾");
    QTest::newRow("minus sign") << QStringLiteral("−");
    QTest::newRow("double vertical line") << QStringLiteral("‖");
    QTest::newRow("cent sign") << QStringLiteral("¢");
    QTest::newRow("accented letter") << QStringLiteral("é");
    QTest::newRow("hangul") << QStringLiteral("한");
  }
  void unsavableCharacters() {
    QFETCH(QString, text);
    QVERIFY(!EncodeShiftJis(text));
  }
};

QTEST_APPLESS_MAIN(TestShiftJis)
#include "test_shiftjis.moc"
