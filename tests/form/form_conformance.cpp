// What every window owes the handlers: texts, colours and states given to it
// come back exactly, and SwitchTags flips exactly the tagged controls.
#include "form/form_conformance.h"

#include <algorithm>
#include <string>

#include "form/colors.h"
#include "form/controls.h"
#include "form/stacking.h"

namespace tarnwick::testing {
namespace {

// Flipped enabled states, as a connection or Close Port leaves them.
void expectStates(ConformanceWindow& window, bool flipped) {
  for (const form::ControlDesign& control : form::controls()) {
    const bool expected = control.enabled != (flipped && form::isTagged(control));
    EXPECT_EQ(window.isEnabled(control.name), expected) << control.name;
  }
}

TEST_P(FormConformance, AnswerBoxGivesBackEveryByteAsSet) {
  std::string everyByte;
  for (int c = 1; c <= 255; ++c) everyByte += static_cast<char>(c);
  form().setText8(everyByte);
  EXPECT_EQ(form().text8(), everyByte);
  form().setText8("OK\r\n");
  EXPECT_EQ(form().text8(), "OK\r\n");  // replaced, not appended
}

TEST_P(FormConformance, IndicatorColourComesBackExactly) {
  EXPECT_EQ(form().picFillColor(), form::kYellow);
  for (const std::uint32_t color :
       {0xFFu, 0xFF00u, 0x800000u, 0x808080u, 0xFFFFFFu, 0u, 0x123456u, 0xC00000u, 0x010101u}) {
    form().setPicFillColor(color);
    EXPECT_EQ(form().picFillColor(), color);
  }
}

TEST_P(FormConformance, SwitchTagsFlipsExactlyTheFiveTaggedControls) {
  int tagged = 0;
  for (const form::ControlDesign& control : form::controls()) tagged += form::isTagged(control);
  ASSERT_EQ(tagged, 5);
  expectStates(window(), false);
  form().SwitchTags();
  expectStates(window(), true);
  form().SwitchTags();
  expectStates(window(), false);

  form().enableCommand5();
  form().SwitchTags();
  EXPECT_TRUE(window().isEnabled("Command5"));  // untagged: no flip touches it
}

TEST_P(FormConformance, BarKeepsTextValueMaxAndColour) {
  const BarState start = window().bar();
  EXPECT_EQ(start.text, "NO FILE");
  EXPECT_EQ(start.color, form::kBlue);

  form().setBarText("DOWNLOAD");
  form().setBarMax(9000);
  form().setBarValue(4500);
  form().setBarColor(0x800000);
  BarState now = window().bar();
  EXPECT_EQ(now.text, "DOWNLOAD");
  EXPECT_EQ(now.max, 9000);
  EXPECT_EQ(now.value, 4500);
  EXPECT_EQ(now.color, 0x800000u);

  // Out of range and an empty image are kept as set; drawing copes with them.
  form().setBarText(
      std::string("\xC4"
                  "ND",
                  3));
  form().setBarMax(0);
  form().setBarValue(20);
  form().setBarColor(0xFF00);
  now = window().bar();
  EXPECT_EQ(now.text, std::string("\xC4"
                                  "ND",
                                  3));
  EXPECT_EQ(now.max, 0);
  EXPECT_EQ(now.value, 20);
  EXPECT_EQ(now.color, 0xFF00u);
  form().setBarText("");
  EXPECT_EQ(window().bar().text, "");
}

TEST_P(FormConformance, TypedTextReachesTheHandlersWhole) {
  const std::u32string port = U"COM\u00e9\u20ac\U0001F600:";
  window().type("txt_0", port);
  EXPECT_EQ(form().portNameText(), port);
  const std::u32string text = U"caf\u00e9 \u0416 \U0001F600 end";
  window().type("txt_2", text);
  EXPECT_EQ(form().sendText(), text);
}

// A control's place at the design's 96 dpi, as a rectangle the overlap test takes.
form::TwipsRect pixelBox(const form::ControlDesign& control) {
  const form::PixelRect p = form::toPixels(form::clientRect(control), form::kDesignDpi);
  return {p.x, p.y, p.width, p.height};
}

// Where two controls overlap ("Answer:" and the answer box, "String " and the
// text box, the indicator and "Port: (1-9)"), the one stacked higher shows.
TEST_P(FormConformance, OverlappingControlsShowTheOneStackedAbove) {
  int overlaps = 0;
  for (const form::ControlDesign& a : form::controls()) {
    for (const form::ControlDesign& b : form::controls()) {
      const form::TwipsRect ra = pixelBox(a);
      const form::TwipsRect rb = pixelBox(b);
      const bool nested = a.container == std::string(b.name) || b.container == std::string(a.name);
      if (&a >= &b || nested || !form::overlap(ra, rb)) continue;
      ++overlaps;
      const form::TwipsRect point{
          (std::max(ra.left, rb.left) + std::min(ra.left + ra.width, rb.left + rb.width)) / 2,
          (std::max(ra.top, rb.top) + std::min(ra.top + ra.height, rb.top + rb.height)) / 2, 1, 1};
      const form::ControlDesign* top = nullptr;
      for (const form::ControlDesign& c : form::controls()) {
        if (form::overlap(point, pixelBox(c)) && (!top || form::liesAbove(c, *top))) top = &c;
      }
      EXPECT_EQ(window().controlAt(point.left, point.top), top->name) << a.name << ", " << b.name;
    }
  }
  EXPECT_GE(overlaps, 4);
}

}  // namespace
}  // namespace tarnwick::testing
