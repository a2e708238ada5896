// The word-wise text helpers against a byte at a time: every length around
// a word's eight bytes, a byte beyond ASCII at every place.
#include "model/text.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

#include "files/charset.h"

namespace lm {
namespace {

int CountByBytes(const std::string& s) {
  int n = 0;
  for (const unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

TEST(WordWise, AgreesWithAByteAtATimeOnEveryLengthAndPlace) {
  const std::string letters[] = {"a", "\xC3\xA9", "\xE2\x80\x94", "\xF0\x9F\x98\x80"};  // 1 to 4 bytes
  for (size_t length = 0; length <= 20; ++length) {
    const std::string ascii(length, 'x');
    EXPECT_TRUE(IsAscii(ascii)) << length;
    EXPECT_EQ(CharCount(ascii), static_cast<int>(length));
    EXPECT_TRUE(IsValidUtf8(ascii));
    EXPECT_EQ(FindNonAscii(ascii, 0), length);
    for (size_t at = 0; at < length; ++at) {
      std::string high = ascii;
      high[at] = '\xE9';
      EXPECT_FALSE(IsAscii(high)) << length << " " << at;
      EXPECT_FALSE(IsValidUtf8(high)) << length << " " << at;  // a lone Latin-1 byte
      EXPECT_EQ(FindNonAscii(high, 0), at);
      EXPECT_EQ(FindNonAscii(high, at + 1), length);
      // Only the view's own bytes count: a high byte just past it does not.
      EXPECT_TRUE(IsAscii(std::string_view(high).substr(0, at))) << length << " " << at;
    }
  }
  std::mt19937 rng(3);
  for (int round = 0; round < 500; ++round) {
    std::string s;
    const int chars = static_cast<int>(rng() % 40);
    for (int i = 0; i < chars; ++i) s += letters[rng() % 4];
    EXPECT_EQ(CharCount(s), chars) << s;
    EXPECT_EQ(CharCount(s), CountByBytes(s));
    // Long enough to fill the byte lanes the count is summed in.
    const std::string many = s + std::string(rng() % 9000, '\x80');
    EXPECT_EQ(CharCount(many), CountByBytes(many));
    EXPECT_TRUE(IsValidUtf8(s)) << s;
    EXPECT_EQ(IsAscii(s), s.size() == static_cast<size_t>(chars));
  }
}

TEST(WordWise, EightBitPagesDecodeAndEncodeEveryByteBackAndForth) {
  for (const Encoding e : {Encoding::Windows1252, Encoding::Windows1250, Encoding::Windows1251, Encoding::Windows1255,
                           Encoding::Koi8R, Encoding::Ibm866}) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += static_cast<char>(b);
    // Runs of ASCII of every length between the high bytes.
    std::string mixed;
    for (size_t k = 0; k < bytes.size(); ++k) mixed += std::string(k % 11, 'a') + bytes[k];
    for (const std::string& in : {bytes, mixed}) {
      std::string utf8 = "kept ";
      AppendDecodedSingleByte(e, in, utf8);
      ASSERT_EQ(utf8.substr(0, 5), "kept ");
      EXPECT_EQ(utf8.substr(5), DecodeSingleByte(e, in)) << EncodingName(e);
      std::string back = "kept ";
      ASSERT_TRUE(AppendEncodedSingleByte(e, utf8.substr(5), back)) << EncodingName(e);
      EXPECT_EQ(back, "kept " + in) << EncodingName(e);
    }
    // A character the page lacks leaves what was there as it was.
    std::string out = "kept";
    EXPECT_FALSE(AppendEncodedSingleByte(e, "abcdefghij \xE6\x97\xA5", out));
    EXPECT_EQ(out, "kept");
  }
}

}  // namespace
}  // namespace lm

namespace lm {
namespace {
TEST(Text, FindNearAndFindLastAreFindAndRfind) {
  for (const std::string_view s :
       {"", "|", "a|b|c", "||", "abc", "a|bc|d|", "sixteen bytes ok|", "a long line with no bar in it at all",
        "a long line with its bar far | away"}) {
    for (size_t at = 0; at <= s.size() + 1; ++at) {
      EXPECT_EQ(FindNear(s, '|', at), s.find('|', at)) << s << at;
      EXPECT_EQ(FindLast(s, '|', at), s.rfind('|', at)) << s << at;
    }
    EXPECT_EQ(FindLast(s, '|'), s.rfind('|')) << s;
  }
}
}  // namespace
}  // namespace lm
