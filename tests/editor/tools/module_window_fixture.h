#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <algorithm>
#include <memory>
#include <vector>

#include "editor_application.h"
#include "fake_edit_clock.h"
#include "midi/backends/virtual/virtual_backend.h"
#include "preset/module_messages.h"
#include "recording_driver.h"
#include "sim/simulated_module.h"
#include "tform1.h"
#include "tmrvbox.h"
#include "window_fixture.h"

namespace morvane::editor::testing {

// The window on the simulator with its output open; what it sends also reaches a model of the
// module, whose edit buffer the tests read.
class ModuleWindowTest : public ::testing::Test {
 protected:
  static constexpr int kInstrumentCount = 10;

  void SetUp() override {
    ASSERT_TRUE(settingsFolder.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    static midi::VirtualBackend simulator;
    driver = std::make_unique<RecordingDriver>(simulator);
    TEditorApplication::Instance()->SetErrorReporter([this](const QString& t) { errors << t; });
    form = std::make_unique<TForm1>(&prompt, *driver);
    form->instr->clear();
    for (int number = 0; number < kInstrumentCount; ++number) {
      form->instr->addItem(QStringLiteral("instrument %1").arg(number));
    }
    form->editClock = clock.clock;
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->MidiOutput1.PendingLongCount() == 0; }));
    form->MidiOutput1.ClosePort();
    form->MidiOutput1.SetDeviceID(0);
    ASSERT_TRUE(form->MidiOutput1.OpenPort());
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The module starts from the channel's preset in its edit buffer.
    form->Channels().SendPreset(0, preset::kEditBufferPreset, QString());
    Sent();
  }
  void TearDown() override {
    form.reset();
    TEditorApplication::Instance()->SetErrorReporter({});
  }

  std::vector<preset::Bytes> Sent() {
    QElapsedTimer waited;
    waited.start();
    while (form->engine.SysexSender().PendingCount() != 0 && waited.elapsed() < 2000) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // What waits for the strings to be handed on runs now.
    QApplication::processEvents();
    std::vector<preset::Bytes> strings = driver->TakeStrings();
    for (const preset::Bytes& string : strings) {
      module.Receive(string);
    }
    return strings;
  }
  bool BufferHolds(const preset::tMrv& image) {
    return std::ranges::equal(module.Preset(preset::kEditBufferPreset).View(), image.View());
  }
  preset::tMrv Channel(int channelIndex = 0) { return form->Channels().Image(channelIndex); }
  int Steps() { return form->Channels().UndoStack().count(); }

  QTemporaryDir settingsFolder;
  test_support::FakeEditClock clock;
  sim::SimulatedModule module;
  std::unique_ptr<RecordingDriver> driver;
  RecordingPrompt prompt;
  QStringList errors;
  std::unique_ptr<TForm1> form;
};

}  // namespace morvane::editor::testing
