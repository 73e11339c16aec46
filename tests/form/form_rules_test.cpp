// The rules both windows draw from: where controls land at a DPI other than
// 96, what lies below the designed client area, the event table against the
// control table, the texts' conversions, the filter and the titles.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "download/protocol.h"
#include "form/form.h"

namespace tarnwick::form {
namespace {

TEST(FormRules, ControlsScaleWithTheDpiAndTheLowerGroupLiesBelowTheClientArea) {
  const PixelRect txt2 = toPixels(clientRect(*findControl("txt_2")), kDesignDpi);
  EXPECT_EQ(txt2.x, 8);
  EXPECT_EQ(txt2.y, 184);
  EXPECT_EQ(txt2.width, 301);
  // At 150 % every edge lands on the nearest pixel: 5205 x 1815 twips.
  EXPECT_EQ(toPixels(kClientWidthTwips, 144), 521);
  EXPECT_EQ(toPixels(kClientHeightTwips, 144), 182);
  const PixelRect text8 = toPixels(clientRect(*findControl("Text8")), 144);
  EXPECT_EQ(text8.x + text8.width, toPixels(780 + 4275, 144));

  std::set<std::string> below;
  for (const ControlDesign& control : controls()) {
    if (liesBelowClientArea(control)) below.insert(control.name);
    const TwipsRect r = clientRect(control);
    EXPECT_LE(r.top + r.height, fullClientHeightTwips()) << control.name;
  }
  EXPECT_EQ(below, (std::set<std::string>{"Frame1", "Label1_2", "txt_2", "BTNSend", "Command5"}));
  EXPECT_STREQ(firstFocus().name, "txt_0");
  EXPECT_EQ(accessKey(findControl("BTNSend")->caption), 'S');
  EXPECT_EQ(shownCaption("&Send Text"), "Send Text");
}

TEST(FormRules, EveryEventComesFromAControlOrTimerThatHasIt) {
  std::set<std::string> timerNames;
  for (const TimerDesign& timer : timers()) timerNames.insert(timer.name);
  EXPECT_EQ(events().size(), 11u);
  for (const EventWiring& wiring : events()) {
    const ControlDesign* control = findControl(wiring.source);
    switch (wiring.event) {
      case FormEvent::Click:
        ASSERT_NE(control, nullptr) << wiring.source;
        EXPECT_EQ(control->kind, ControlKind::Button) << wiring.source;
        break;
      case FormEvent::Timer:
        EXPECT_EQ(timerNames.count(wiring.source), 1u) << wiring.source;
        break;
      case FormEvent::Unload:
        EXPECT_STREQ(wiring.source, kWindowName);
        break;
    }
  }
  EXPECT_EQ(findWiring("Label2", FormEvent::Click), nullptr);
}

TEST(FormRules, TextsKeepEveryByteAndEveryTypedCharacter) {
  std::string everyByte;
  for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
  EXPECT_EQ(toLatin1(fromLatin1(everyByte)), everyByte);
  EXPECT_EQ(toLatin1(u"a\u20acb"), "a?b");

  const std::u32string typed = U"COM\u00e9\u20ac\U0001F600";
  EXPECT_EQ(fromUcs4(typed).size(), 7u);  // the last one as two UTF-16 units
  EXPECT_EQ(toUcs4(fromUcs4(typed)), typed);
  EXPECT_EQ(toUcs4(std::u16string(1, char16_t(0xD800)) + u"x"), U"\uFFFDx");
}

TEST(FormRules, FilterAndTitles) {
  EXPECT_EQ(parseFileFilter(download::kHexFilter),
            (std::vector<FileFilter>{{"HEX files (*.hex)", "*.hex"}}));
  EXPECT_EQ(patternList(" *.hex; *.ihx "), (std::vector<std::string>{"*.hex", "*.ihx"}));
  EXPECT_EQ(windowTitle(), "Tarnwick v3.30");
  EXPECT_EQ(messageBoxTitle(""), "Tarnwick");
}

}  // namespace
}  // namespace tarnwick::form
