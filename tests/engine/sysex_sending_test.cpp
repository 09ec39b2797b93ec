#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace morvane::engine::testing {
namespace {

using Messages = std::vector<Bytes>;

const Bytes kPresetSelect{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x01, 0x07, 0x7F, 0x7F, 0xF7};
const Bytes kLayerSelect{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x02, 0x07, 0x00, 0x00, 0xF7};
const Bytes kEdit{0xF0, 0x18, 0x0F, 0x00, 0x55, 0x10, 0x02, 0x0B, 0x05, 0x00, 0xF7};

class SysexSendingTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // Each pause records how many strings the driver had by then.
    engine.SysexSender().SetSleeper([this](std::chrono::milliseconds pause) {
      pauses.push_back(pause);
      sentAtPause.push_back(driver.LongMessages().size());
    });
  }

  void SendEdit() {
    engine.SendSysex(kPresetSelect);
    engine.SendSysex(kLayerSelect);
    engine.SendSysex(kEdit);
  }

  std::vector<std::chrono::milliseconds> pauses;
  std::vector<std::size_t> sentAtPause;
};

TEST_F(SysexSendingTest, StringsGoOutAfterTheCallerReturnsInCallOrder) {
  Bytes edit = kEdit;
  engine.SendSysex(kPresetSelect);
  engine.SendSysex(kLayerSelect);
  engine.SendSysex(edit);
  edit[8] = 0x7E;  // the engine keeps its own copy
  EXPECT_TRUE(driver.LongMessages().empty());
  gui.PumpPending();
  EXPECT_EQ(driver.LongMessages(), (Messages{kPresetSelect, kLayerSelect, kEdit}));
  EXPECT_TRUE(pauses.empty());
  EXPECT_EQ(engine.SysexSender().PendingCount(), 0u);
}

TEST_F(SysexSendingTest, PauseFollowsEachStringSentWhilePauseWasOn) {
  engine.SetPause(true);
  SendEdit();
  engine.SetPause(false);
  engine.SendSysex(kEdit);
  gui.PumpPending();
  EXPECT_EQ(driver.LongMessages().size(), 4u);
  EXPECT_EQ(pauses, (std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(55))));
  EXPECT_EQ(sentAtPause, (std::vector<std::size_t>{1, 2, 3}));
}

TEST_F(SysexSendingTest, StringsQueuedWhileSendingFollowTheQueuedOnes) {
  bool resent = false;
  output.Onmidioutput = [&](midi::TMidiOutput&) {
    if (!resent) {
      resent = true;
      engine.SendSysex(kEdit);
    }
  };
  driver.SetAutoComplete(true);
  engine.SendSysex(kPresetSelect);
  engine.SendSysex(kLayerSelect);
  ASSERT_TRUE(
      gui.PumpUntil([&] { return driver.LongMessages().size() == 3; }, std::chrono::seconds(5)));
  EXPECT_EQ(driver.LongMessages(), (Messages{kPresetSelect, kLayerSelect, kEdit}));
}

TEST_F(SysexSendingTest, AFailedStringIsReportedAndTheNextOnesStillGo) {
  std::vector<std::string> errors;
  engine.SysexSender().OnSendError = [&](const std::string& text) { errors.push_back(text); };
  engine.SetPause(true);
  driver.Fail(midi::ScriptedDriver::Call::OutLongMsg, midi::kNotReady, 1);
  SendEdit();
  gui.PumpPending();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_FALSE(errors[0].empty());
  EXPECT_EQ(driver.LongMessages(), (Messages{kLayerSelect, kEdit}));
  EXPECT_EQ(pauses.size(), 2u);
}

TEST_F(SysexSendingTest, AStringTheDriverDidNotSendReachesTheErrorHandlerWithItsText) {
  std::vector<std::string> errors;
  engine.SysexSender().OnSendError = [&](const std::string& text) { errors.push_back(text); };
  SendEdit();
  gui.PumpPending();
  ASSERT_EQ(driver.LongMessages().size(), 3u);
  driver.CompleteLong(1);
  driver.CompleteLong(1, midi::kNotReady);
  driver.CompleteLong(1);
  ASSERT_TRUE(
      gui.PumpUntil([&] { return output.PendingLongCount() == 0; }, std::chrono::seconds(5)));
  std::string text;
  driver.OutGetErrorText(midi::kNotReady, text);
  EXPECT_EQ(errors, std::vector<std::string>{text});
}

TEST_F(SysexSendingTest, WithoutAnErrorHandlerTheErrorRisesAndTheRestIsKept) {
  output.ClosePort();
  SendEdit();
  EXPECT_THROW(gui.PumpPending(), midi::EmidioutputError);
  ASSERT_TRUE(output.OpenPort());
  gui.PumpPending();
  EXPECT_EQ(driver.LongMessages(), (Messages{kLayerSelect, kEdit}));
}

}  // namespace
}  // namespace morvane::engine::testing
