// The characters of the texts that are easiest to lose in an edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "status_messages.h"

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

TEST(StatusMessagesTest, ProgressTextsEndInFourAsciiFullStopsAndABlank) {
  for (std::uint16_t nID : {IDS_INITIALIZING, IDS_READING_KEYS, IDS_ERASING, IDS_WRITING, IDS_VERIFYING}) {
    EXPECT_TRUE(EndsWith(StatusText(nID), "\xE4\xB8\xAD .... ")) << nID;  // "中 .... "
  }
  EXPECT_TRUE(EndsWith(StatusText(IDS_BLANK_CHECK), "\xE4\xB8\xAD ....")) << "121 has no blank at its end";
}

TEST(StatusMessagesTest, TwoLineTextsHoldOneLineFeedAndNoCarriageReturn) {
  const std::set<std::uint16_t> twoLines = {IDS_FIRMWARE_DATA_ERROR, IDS_INIT_ERROR,  IDS_KEY_READ_ERROR,
                                            IDS_ERASE_ERROR,         IDS_WRITE_ERROR, IDS_READY,
                                            IDS_CONFIRM_UPDATE};
  for (const SStatusText& entry : kStatusTexts) {
    EXPECT_EQ(std::count(entry.text.begin(), entry.text.end(), '\n'), twoLines.count(entry.nID) ? 1 : 0)
        << entry.name;
    EXPECT_EQ(entry.text.find('\r'), std::string_view::npos) << entry.name;
  }
}

TEST(StatusMessagesTest, PunctuationIsAsciiWhereTheTextsUseAscii) {
  EXPECT_TRUE(EndsWith(StatusText(IDS_ABOUT_MENU), "(&A)..."));
  EXPECT_NE(StatusText(IDS_READY).find("\n[ \xE3\x82\xA2\xE3\x83\x83\xE3\x83\x97\xE3\x83\x87\xE3\x83\xBC\xE3\x83\x88 ] "),
            std::string_view::npos);                                        // "[ アップデート ] "
  EXPECT_TRUE(EndsWith(StatusText(IDS_CONFIRM_UPDATE), "\xEF\xBC\x9F"));  // U+FF1F
  EXPECT_TRUE(EndsWith(StatusText(IDS_CONNECT_DEVICE), "\xE3\x80\x82"));  // U+3002
  EXPECT_NE(StatusText(IDS_INIT_ERROR).find("\xE3\x80\x81"), std::string_view::npos);  // U+3001
}

TEST(StatusMessagesTest, LookupOfAnIdWithoutTextIsEmpty) {
  EXPECT_TRUE(StatusText(108).empty());
  EXPECT_TRUE(StatusText(0).empty());
  EXPECT_EQ(StatusText(IDS_APP_TITLE), "Zentor \xE3\x83\x95\xE3\x82\xA1\xE3\x83\xBC\xE3\x83\xA0\xE3\x82\xA6\xE3\x82\xA7"
                                       "\xE3\x82\xA2\xE3\x82\xA2\xE3\x83\x83\xE3\x83\x97\xE3\x83\x87\xE3\x83\xBC\xE3\x83\x88"
                                       "\xE3\x83\x97\xE3\x83\xAD\xE3\x82\xB0\xE3\x83\xA9\xE3\x83\xA0");
}

TEST(StatusMessagesTest, IdsAreTheProgramsOwnAndUnique) {
  std::set<std::uint16_t> ids;
  for (const SStatusText& entry : kStatusTexts) {
    EXPECT_TRUE(ids.insert(entry.nID).second) << entry.nID;
    EXPECT_TRUE((entry.nID >= 101 && entry.nID <= 107) || (entry.nID >= 110 && entry.nID <= 121) ||
                entry.nID == 57344)
        << entry.nID;
  }
  EXPECT_EQ(ids.size(), 20u);
}

}  // namespace
