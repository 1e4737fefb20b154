#include "session/ReceivedMessage.h"

#include <gtest/gtest.h>

#include <string>

namespace td {
namespace {

// A frame as the transport hands it on: the length, 0x03, then the fields each ended by 0x03.
std::string frameOf(const std::string& fields) {
  std::string body;
  for (const char c : fields) body += c == '|' ? '\x03' : c;
  return std::to_string(body.size()) + "\x03" + body;
}

TEST(ReceivedMessageTest, FieldsAreReadOnceAndFoundByTagTheLaterWinning) {
  const std::string frame =
      frameOf("10=62|38=1.5=2|038=7|novalue|x=1|79=A|20=5|33=9|79=B|74=|074x=1|");
  ReceivedMessage m;
  ASSERT_TRUE(m.parse(frame));
  EXPECT_EQ(m.type(), 62);
  // A value is all the text after the field's first "<tag>=", even with "=" again or a padded tag.
  EXPECT_EQ(m.value(38), "7");  // the later of the two fields with tag 38
  EXPECT_EQ(m.fields()[1].value(), "1.5=2");
  EXPECT_EQ(m.fields()[2].tag(), 38);
  EXPECT_FALSE(m.fields()[3].value());
  EXPECT_EQ(m.fields()[4].tag(), 0);
  EXPECT_FALSE(m.fields()[4].value());
  EXPECT_EQ(m.value(79), "B");
  EXPECT_EQ(m.value(74), "");  // an empty value is a value; a later field without one hides nothing
  EXPECT_EQ(m.intValue(79), 0);
  EXPECT_FALSE(m.value(12));
  EXPECT_FALSE(m.value(0));
  EXPECT_EQ(m.requestId(), 9);  // tag 20 or 33, the later field
  EXPECT_EQ(m.fields().back().text(), "");

  ReceivedMessage none;
  EXPECT_FALSE(none.parse("no separator"));
  EXPECT_FALSE(none.value(10));
}

TEST(ReceivedMessageTest, MessagesBeyondTheInlineFieldsAreIndexedAlike) {
  std::string fields = "10=1024|";
  for (int tag = 100; tag < 400; ++tag) fields += std::to_string(tag) + "=v" + std::to_string(tag) + "|";
  fields += "250=last|";
  const std::string frame = frameOf(fields);
  ReceivedMessage m;
  ASSERT_TRUE(m.parse(frame));
  EXPECT_EQ(m.fields().size(), 303u);
  for (int tag = 100; tag < 400; ++tag) {
    if (tag == 250) continue;
    EXPECT_EQ(m.value(tag), "v" + std::to_string(tag)) << tag;
  }
  EXPECT_EQ(m.value(250), "last");
  // A copy reads the same fields, and a short message parsed into it afterwards its own.
  ReceivedMessage copy = m;
  EXPECT_EQ(copy.value(399), "v399");
  const std::string small = frameOf("10=18|21=t|");
  ASSERT_TRUE(copy.parse(small));
  EXPECT_EQ(copy.fields().size(), 3u);
  EXPECT_EQ(copy.value(21), "t");
  EXPECT_FALSE(copy.value(399));
}

}  // namespace
}  // namespace td
