// Reading reply lines of the forms "KEY = value" and "KEY='value'".
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/device_info.h"

namespace {

struct LineCase {
  const char* text;
  const char* key;
  int length;         // expected result
  const char* value;  // expected value (nullptr: left untouched)
};

TEST(ExtractLineValue, BothLineFormsAndTheirEdges) {
  const LineCase cases[] = {
      {"Firmware Version = A1D-310-V5.00.01\nMAC Address = x\n", "Firmware Version = ", 16, "A1D-310-V5.00.01"},
      {"Firmware Version = 'A1D-310'\n", "Firmware Version = ", 7, "A1D-310"},
      {"VIDEO_CAMERA_NAME='Front door'\n", "VIDEO_CAMERA_NAME=", 10, "Front door"},
      {"VIDEO_CAMERA_NAME='it''s'", "VIDEO_CAMERA_NAME=", 3, "its"},  // every quote goes, even inside
      {"V2_MULTICAST_IP=239.0.0.1\r\n", "V2_MULTICAST_IP=", 10, "239.0.0.1\r"},  // CR before LF stays
      {"Platform = R9", "Platform = ", 2, "R9"},                                // ends with the text
      {"OEM_MODEL_DESC=''\n", "OEM_MODEL_DESC=", 0, ""},                         // only quotes
      {"OEM_MODEL_DESC=\nnext", "OEM_MODEL_DESC=", 0, nullptr},                 // nothing before LF
      {"OEM_MODEL_DESC=", "OEM_MODEL_DESC=", 0, nullptr},                       // nothing at all
  };
  for (const auto& c : cases) {
    char value[64];
    std::strcpy(value, "untouched");
    const char* at = std::strstr(c.text, c.key);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(ExtractLineValue(c.key, value, sizeof value, at), c.length) << c.text;
    EXPECT_STREQ(value, c.value ? c.value : "untouched") << c.text;
  }
}

TEST(ExtractLineValue, LongValueIsCutToTheCapacity) {
  std::string text = "VIDEO_CAMERA_NAME='" + std::string(5000, 'n') + "'\nX=1\n";
  char small[8];
  std::memset(small, 'Z', sizeof small);
  EXPECT_EQ(ExtractLineValue("VIDEO_CAMERA_NAME=", small, sizeof small, text.c_str()), 7);
  EXPECT_STREQ(small, "nnnnnnn");
  char one[1] = {'Z'};
  EXPECT_EQ(ExtractLineValue("VIDEO_CAMERA_NAME=", one, sizeof one, text.c_str()), 0);
  EXPECT_EQ(one[0], '\0');
  char none[1] = {'Z'};
  EXPECT_EQ(ExtractLineValue("VIDEO_CAMERA_NAME=", none, 0, text.c_str()), 0);
  EXPECT_EQ(none[0], 'Z');
  // Quotes removed before the cut: the stored part holds no quote and fits.
  char buf[5];
  EXPECT_EQ(ExtractLineValue("K=", buf, sizeof buf, "K='a'b'c'd'e'f\n"), 4);
  EXPECT_STREQ(buf, "abcd");
}

TEST(FindLineValue, FirstOccurrenceWinsEvenInsideAnotherLine) {
  std::string text = "XMAC Address = first\nMAC Address = second\n";
  std::string v;
  ASSERT_TRUE(FindLineValue(text, "MAC Address = ", &v));
  EXPECT_EQ(v, "first");
  EXPECT_FALSE(FindLineValue(text, "Platform = ", &v));
  EXPECT_FALSE(FindLineValue("Platform = \nPlatform = R9\n", "Platform = ", &v));
  std::string longText = "K=" + std::string(3000, 'v') + "\n";
  ASSERT_TRUE(FindLineValue(longText, "K=", &v));
  EXPECT_EQ(v.size(), 2047u);
}

}  // namespace
