#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestUtil.h"
#include "runtime/Conversions.h"

using namespace vt;

namespace {

std::string Bytes(std::initializer_list<unsigned> b) {
  std::string s;
  for (unsigned x : b) s += static_cast<char>(x);
  return s;
}

TEST(Conversion, TelegramDataIsLittleEndianWithoutSignExtension) {
  EXPECT_EQ(DataToValue(Bytes({0x34, 0x12}), 2), 0x1234);
  EXPECT_EQ(DataToValue(Bytes({0xFF, 0xFF, 0xFF, 0xFF}), 4), 4294967295);
  EXPECT_EQ(DataToValue(Bytes({0xFF, 0xFF}), 2), 65535);
  EXPECT_EQ(DataToValue(Bytes({0x01, 0x02, 0x03}), 1), 1);  // only Count bytes
  EXPECT_EQ(DataToValue(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 8), -1);
  // A count beyond the received bytes reads what is there, never past it.
  EXPECT_EQ(DataToValue(Bytes({0x05}), 4), 5);

  EXPECT_EQ(ValueToData(-1, 2), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(ValueToData(0x0102030405060708, 8), Bytes({8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(DataToValue(ValueToData(-123456789, 8), 8), -123456789);
  EXPECT_EQ(SwapData(""), "");
  EXPECT_EQ(SwapData(Bytes({1, 2, 3})), Bytes({3, 2, 1}));
}

TEST(Conversion, BinaryDigits) {
  EXPECT_EQ(IntToBinary(0x1FF, 1), "11111111");
  EXPECT_EQ(IntToBinary(5, 2), "0000000000000101");
  EXPECT_EQ(IntToBinary(-1, 4), std::string(32, '1'));
  EXPECT_EQ(IntToBinary(INT64_MIN, 8), "1" + std::string(63, '0'));
  EXPECT_EQ(IntToBinary(7, 0), "");
  EXPECT_EQ(BinaryToInt("1x1"), 5);
  EXPECT_EQ(BinaryToInt(""), 0);
  const std::string top = "1" + std::string(63, '0');
  EXPECT_EQ(BinaryToUInt(top), std::uint64_t{1} << 63);
  EXPECT_EQ(BinaryToInt(top), INT64_MIN);
  EXPECT_EQ(BinaryToUInt("1" + std::string(64, '0')), 0u);  // bit 64 falls out of the result
}

TEST(Conversion, HexText) {
  struct Case {
    const char* text;
    std::uint16_t value;
  };
  const Case cases[] = {{"12 3", 0x123}, {"ffFF", 0xFFFF}, {"12345", 0}, {"1G", 0}, {"", 0}, {"  a", 0xA}};
  for (const auto& c : cases) EXPECT_EQ(HexToInt(c.text), c.value) << c.text;
  EXPECT_EQ(Hex32ToInt("FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(Hex32ToInt("123456789"), 0u);
  EXPECT_EQ(FloatToHex(1.0f), "3F800000");
  EXPECT_EQ(FloatToHex(-2.5f), "C0200000");
}

TEST(Conversion, HexBuffers) {
  EXPECT_EQ(BufToStr("1 2 3"), Bytes({1, 2, 3}));
  EXPECT_EQ(BufToStr("123"), Bytes({0x23}));
  EXPECT_EQ(BufToStr("1 2 ff"), Bytes({1, 2, 0xFF}));
  EXPECT_EQ(BufToStr("0A,0B"), Bytes({0x0A, 0x0B}));
  EXPECT_EQ(BufToStr("zz"), "");
  std::string many;
  for (int i = 0; i < 300; ++i) many += "7 ";
  EXPECT_EQ(BufToStr(many), std::string(255, '\x07'));
  EXPECT_EQ(StrToBuf(Bytes({0x00, 0xAB})), "00 AB ");
  EXPECT_EQ(StrToBuf(""), "");
  EXPECT_EQ(BufToStr(StrToBuf(Bytes({0, 0x7F, 0x80, 0xFF}))), Bytes({0, 0x7F, 0x80, 0xFF}));
}

TEST(Conversion, BitCastsAndRounding) {
  EXPECT_EQ(IntToFloatValue(0x3F800000), 1.0f);
  EXPECT_EQ(Float64inInt_to_Double(Double_to_Float64inInt(-0.1)), -0.1);
  EXPECT_EQ(Double_to_Float64inInt(1.0), 0x3FF0000000000000);
  struct Case {
    double value;
    std::uint64_t result;
  };
  const Case cases[] = {{-3.5, 0},
                        {0, 0},
                        {2.5, 2},
                        {3.5, 4},
                        {1e30, ~std::uint64_t{0}},
                        {std::numeric_limits<double>::quiet_NaN(), ~std::uint64_t{0}},
                        {18446744073709551616.0, ~std::uint64_t{0}},
                        {9223372036854775808.0, std::uint64_t{1} << 63},
                        {13835058055282163712.0, 13835058055282163712u}};
  for (const auto& c : cases) EXPECT_EQ(DoubleToUint64(c.value), c.result) << c.value;
}

TEST(Conversion, DecimalText) {
  EXPECT_EQ(FillwithZeros(7, 3), "007");
  EXPECT_EQ(FillwithZeros(1234, 3), "1234");
  EXPECT_EQ(FillwithZeros(-5, 4), "00-5");
  EXPECT_EQ(AdjustString("ab", 4, '*'), "**ab");
  struct Case {
    const char* text;
    const char* base35;
  };
  const Case cases[] = {{"0", "0"}, {"34", "Z"}, {"24", "P"}, {"23", "N"}, {"35", "10"},
                        {"abc", ""}, {"-1", ""}, {"", ""}, {"4294967296", ""}, {"2147483647", "15W22VM"}};
  for (const auto& c : cases) EXPECT_EQ(IntTo35(c.text), c.base35) << c.text;
}

TEST(Conversion, IPv4Text) {
  const std::uint32_t address = 192u << 24 | 168u << 16 | 1u << 8 | 10u;
  EXPECT_EQ(IntToIPStr(address), "192.168.1.10");
  EXPECT_EQ(IPAddrToString(address), "192.168.1.10");
  EXPECT_EQ(AdjustIntToIPStr(address), "192.168.001.010");
  EXPECT_EQ(Int64ToIP_PortStr(std::uint64_t{address} << 16 | 20000), "192.168.1.10:20000");
  EXPECT_EQ(IPStrToInt("192.168.1.10"), address);
  EXPECT_EQ(IPStrToInt("255.255.255.255"), 0xFFFFFFFFu);
  EXPECT_EQ(IPStrToInt(IntToIPStr(0x0A000001)), 0x0A000001u);

  // Parts out of range would spill into the neighbouring byte; they are refused.
  for (const char* bad : {"1.2.3.300", "256.0.0.1", "1.2.3.4.5", "1.-2.3.4"})
    EXPECT_THROW_MSG(IPStrToInt(bad), std::string("'") + bad + "' is not a valid IPv4 address");
  EXPECT_THROW_MSG(IPStrToInt("1.x.3.4"), "'x' is not a valid integer value");
  EXPECT_THROW(IPStrToInt("1..3.4"), EConvertError);
}

TEST(Conversion, MacText) {
  EXPECT_EQ(IntToMACIDStr(0), "");
  EXPECT_EQ(IntToMACIDStr(0x0011223344AA), "00:11:22:33:44:AA");
  EXPECT_EQ(IntToMACIDStr(0xFFFF00112233440A), "00:11:22:33:44:0A");  // only bits 47 to 0
}

TEST(Conversion, IPv6KeysAreCanonical) {
  struct Case {
    const char* text;
    const char* key;
  };
  const Case cases[] = {
      {"fe80::0db8:1", "FE80:0:0:0:0:0:DB8:1"},
      {"fe80::1", "FE80:0:0:0:0:0:0:1"},
      {"::1", "0:0:0:0:0:0:0:1"},
      {"::", "0:0:0:0:0:0:0:0"},
      {"fe80::1%eth0", "FE80:0:0:0:0:0:0:1"},
      {"FE80:0000:0000:0000:0000:0000:0000:0001%3", "FE80:0:0:0:0:0:0:1"},
      {"2001:0db8:00ab:0000:0000:0000:0000:00c0", "2001:DB8:AB:0:0:0:0:C0"},
      {"1:2:3:4:5:6:7::", "1:2:3:4:5:6:7:0"},
      {"::ffff:192.168.1.10", "0:0:0:0:0:FFFF:C0A8:10A"},
      {"192.168.1.10", "192.168.1.10"},  // no ':' comes back as it is
      {"abcd", "abcd"},
      {"fe80::1::2", "fe80::1::2"},  // no address at all
  };
  for (const auto& c : cases) EXPECT_EQ(ZidirirIPv6(c.text), c.key) << c.text;
  // Every spelling of one address gives one key.
  EXPECT_EQ(ZidirirIPv6("FE80::DB8:1"), ZidirirIPv6("fe80:0:0:0:0:0:0db8:0001%wlan0"));
}

TEST(Conversion, TalkErrorMessages) {
  EXPECT_EQ(GetTalkErrorMessage(0xB2), "Time out: No response from drive");
  EXPECT_EQ(GetTalkErrorMessage(0xB3), "Another instance is already logged into the drive!");
  EXPECT_EQ(GetTalkErrorMessage(5), "Talk error: 5");
}

TEST(Conversion, CaptionsWithoutAccelerators) {
  EXPECT_EQ(StringWithoutAnd(u"&Open && Save"), u"Open  Save");
}

}  // namespace
