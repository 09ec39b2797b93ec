#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/backends/scripted/scripted_driver.h"
#include "tform1.h"
#include "window_fixture.h"

namespace morvane::editor::testing {

// A window made and remade over settings and data files of its own, on scripted devices whose
// names and order a test chooses.
class StartupTest : public ::testing::Test {
 protected:
  using Names = std::vector<std::string>;

  void SetUp() override;
  void TearDown() override;

  // (Re)starts the window on devices of these names; the previous window shuts down first.
  void Start(const Names& outputs, const Names& inputs);
  void Start() { Start(FOutputs, FInputs); }
  void ShutDown();

  QString DataFile(const char* name) const;
  void WriteDataFile(const char* name, const QByteArray& bytes);
  // The raw text of a stored value, as another program would read it.
  QString Stored(const char* name) const;
  void Store(const char* name, const QString& text);

  QTemporaryDir settingsFolder;
  QTemporaryDir dataFolder;
  RecordingPrompt prompt;
  QStringList errors;
  std::unique_ptr<midi::ScriptedDriver> driver;
  // Runs on each new driver before the window is made on it.
  std::function<void(midi::ScriptedDriver&)> prepareDriver;
  std::unique_ptr<TForm1> form;

 private:
  Names FOutputs{"Morvane Simulator", "Synth A", "Synth B"};
  Names FInputs{"Morvane Simulator", "Synth A", "Synth B"};
};

}  // namespace morvane::editor::testing
