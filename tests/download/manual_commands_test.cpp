// Info, Install and Send Text.
#include <string>
#include <vector>

#include "handler_fixture.h"

namespace tarnwick::testing {
namespace {

using Log = std::vector<std::string>;

TEST_F(Handlers, InfoAndInstallSendTheirCommandLines) {
  connect();
  control.infoClick();
  control.installClick();
  EXPECT_EQ(platform.writes, (Log{"BOOTinfo\r\n", "BOOTg\r\n"}));
}

TEST_F(Handlers, SendTextSendsTheBoxAsTyped) {
  connect();
  form.sendTextBox = U"  BOOTx \u00e9 ";
  control.sendTextClick();
  form.sendTextBox = U"";
  control.sendTextClick();
  EXPECT_EQ(platform.writes, (Log{"  BOOTx \xe9 \r\n", "\r\n"}));
  EXPECT_EQ(form.sendTextBox, U"");
}

TEST_F(Handlers, ACharacterWithNoByteCostsOnlyItsOwnPiece) {
  connect();
  std::u32string text(600, U'a');
  text[300] = U'\u20ac';
  form.sendTextBox = text;
  control.sendTextClick();
  ASSERT_EQ(platform.writes.size(), 2u);
  EXPECT_EQ(platform.writes[0], std::string(255, 'a'));
  EXPECT_EQ(platform.writes[1], std::string(90, 'a') + "\r\n");
}

}  // namespace
}  // namespace tarnwick::testing
