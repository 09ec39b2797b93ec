#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "midi/backends/rtmidi/rtmidi_backend.h"
#ifdef MORVANE_HAVE_JACK
#include "midi/backends/jack/jack_backend.h"
#endif
#include "midi/backends/rtmidi/rtmidi_failure.h"
#include "midi/failure_texts.h"
#include "midi/gui_thread.h"
#include "midi/midi_output.h"

namespace morvane::midi {
namespace {

// The environment this process started with comes back when the test ends.
class ApiChoice {
 public:
  explicit ApiChoice(const char* api) {
    if (const char* old = std::getenv(kVariable)) {
      old_ = old;
      hadOld_ = true;
    }
    setenv(kVariable, api, 1);
  }
  ~ApiChoice() {
    if (hadOld_) {
      setenv(kVariable, old_.c_str(), 1);
    } else {
      unsetenv(kVariable);
    }
  }

 private:
  static constexpr const char* kVariable = "MORVANE_MIDI_API";
  std::string old_;
  bool hadOld_ = false;
};

TEST(SystemBackend, MissingSequencerListsNoDevicesInsteadOfFailing) {
  if (std::filesystem::exists("/dev/snd/seq")) {
    GTEST_SKIP() << "this machine has an ALSA sequencer";
  }
  ApiChoice alsaOnly("alsa");
  RtMidiBackend system("morvane-test-editor");
  EXPECT_TRUE(system.ApiNames().empty());
  EXPECT_EQ(system.OutGetNumDevs(), 0u);
  EXPECT_EQ(system.InGetNumDevs(), 0u);
  QueuedGuiThread gui;
  TMidiOutput output(gui, system);
  EXPECT_EQ(output.DeviceCount(), 0);
  EXPECT_FALSE(output.OpenPort());
  EXPECT_EQ(output.LastResult(), kBadDeviceId);
}

TEST(SystemBackend, ApiChoiceOutsideTheListSelectsNothing) {
  ApiChoice none("no-such-api");
  RtMidiBackend system("morvane-test-editor");
  EXPECT_TRUE(system.ApiNames().empty());
  EXPECT_EQ(system.OutGetNumDevs(), 0u);
}

#ifdef MORVANE_HAVE_JACK
// A JACK server that is not there costs no terminal line: the backends look quietly, and what
// libjack says goes through its hooks, reaching the terminal only when JACK was asked for.
TEST(SystemBackend, NoServerPrintsNothingUnlessJackWasAskedFor) {
  const std::string server = "morvane-test-stale-" + std::to_string(getpid());
  setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
  {
    ApiChoice any("");
    ::testing::internal::CaptureStderr();
    RtMidiBackend system("morvane-test-editor");
    JackBackend jack("morvane-test-editor");
    EXPECT_EQ(jack.OutGetNumDevs(), 0u);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
  // A socket file left by a killed server: libjack is asked, and fails.
  const std::string stale = "/dev/shm/jack_" + server + "_" + std::to_string(getuid()) + "_0";
  { std::ofstream(stale.c_str()); }
  {
    ApiChoice any("");
    ::testing::internal::CaptureStderr();
    JackBackend jack("morvane-test-editor");
    EXPECT_EQ(jack.InGetNumDevs(), 0u);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  }
  {
    ApiChoice jackOnly("jack");
    ::testing::internal::CaptureStderr();
    JackBackend jack("morvane-test-editor");
    EXPECT_FALSE(jack.Connected());
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("JACK: "), std::string::npos);
  }
  std::filesystem::remove(stale);
  unsetenv("JACK_DEFAULT_SERVER");
}
#endif

TEST(SystemBackend, RtMidiFailuresComeBackAsResultsWithRtMidisText) {
  // No server carries this name, so the open fails.
  setenv("JACK_DEFAULT_SERVER", "morvane-test-no-such-server", 1);
  RtMidiIn input(RtMidi::UNIX_JACK, "morvane-test-editor");
  RtMidiFailure failure;
  failure.Attach(input);
  EXPECT_NO_THROW(input.openVirtualPort("in"));
  std::string text;
  ASSERT_TRUE(failure.Take(text)) << "the failure was printed or raised instead";
  EXPECT_FALSE(text.empty());
  std::string again;
  EXPECT_FALSE(failure.Take(again)) << "one failure is reported once";
  unsetenv("JACK_DEFAULT_SERVER");

  FailureTexts texts;
  const MmResult code = texts.Code(text);
  EXPECT_EQ(texts.Code("another text"), code + 1);
  EXPECT_EQ(texts.Code(text), code);
  std::string found;
  ASSERT_TRUE(texts.Text(code, found));
  EXPECT_EQ(found, text);
  EXPECT_FALSE(texts.Text(kNotReady, found));
}

}  // namespace
}  // namespace morvane::midi
