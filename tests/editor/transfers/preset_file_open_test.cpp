#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <array>
#include <functional>

#include "command_line.h"
#include "preset/initial_preset.h"
#include "radio_group.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

// A preset file, and a file of the same kind that cannot be loaded, in a folder of the test's.
class PresetFileOpenTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(files.isValid());
    preset.LoadPresetFromBytes(preset::BuildInitialPreset());
    preset.WriteName("Tst:Dropped pad");
    preset.SavePreset(goodFile.toStdString());
    QFile shortFile(badFile);
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\x10'));
  }

  // The user drags data over the middle of the pages and, if dropping, lets it go; true when
  // the window takes it, and then always as a copy.
  bool DragOver(const QList<QUrl>& urls, bool dropping,
                Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction) {
    QMimeData data;
    data.setUrls(urls);
    QWindow* window = form->windowHandle();
    const QPoint point = form->PageControl1->mapTo(form.get(), form->PageControl1->rect().center());
    QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) {
      return false;
    }
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    if (!dropping) {
      return true;
    }
    QDropEvent drop(QPointF(point), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QApplication::processEvents();
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    return drop.isAccepted();
  }

  bool Holds(std::size_t channelIndex, const preset::tMrv& image) const {
    return std::ranges::equal(form->images[channelIndex].View(), image.View());
  }

  QTemporaryDir files;
  const QString goodFile = files.filePath(QStringLiteral("pad.syx"));
  const QString badFile = files.filePath(QStringLiteral("short.SYX"));
  preset::tMrv preset;
};

TEST_F(PresetFileOpenTest, CommandLineFileOpensOnChannelOneWithoutOfferingToSend) {
  const std::array<preset::tMrv, TForm1::kChannelCount> before = form->images;
  OpenCommandLineFile(*form, ParseCommandLine({QStringLiteral("morvane-editor"), goodFile}));
  EXPECT_TRUE(Holds(0, preset));
  EXPECT_TRUE(Holds(1, before[1]));
  EXPECT_EQ(form->windowTitle(), MarkedCaption(preset.ReadName()));
  EXPECT_TRUE(prompt.texts.empty());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(PresetFileOpenTest, DroppedFileLoadsIntoTheCurrentChannelAsACopy) {
  QTest::mouseClick(form->channel->Button(2), Qt::LeftButton);
  ASSERT_EQ(form->channel->ItemIndex(), 2);
  const preset::tMrv first = form->images[0];
  EXPECT_TRUE(DragOver({QUrl::fromLocalFile(goodFile)}, true));
  EXPECT_TRUE(Holds(2, preset));
  EXPECT_TRUE(Holds(0, first));
  EXPECT_EQ(form->windowTitle(), MarkedCaption(preset.ReadName()));
  EXPECT_TRUE(prompt.texts.empty());
  EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(PresetFileOpenTest, FileThatCannotBeLoadedIsShownAndChangesNothing) {
  const QString missing = files.filePath(QStringLiteral("missing.syx"));
  const struct {
    const char* how;
    std::function<void()> open;
    QString error;
  } cases[] = {
      {"command line",
       [&] {
         OpenCommandLineFile(*form, ParseCommandLine({QStringLiteral("x"), missing}));
       },
       QStringLiteral("Cannot open file ") + missing},
      {"drop", [&] { EXPECT_TRUE(DragOver({QUrl::fromLocalFile(badFile)}, true)); },
       QStringLiteral("Stream read error")},
  };
  for (const auto& c : cases) {
    errors.clear();
    const std::array<preset::tMrv, TForm1::kChannelCount> before = form->images;
    const QString title = form->windowTitle();
    c.open();
    EXPECT_EQ(errors, QStringList{c.error}) << c.how;
    EXPECT_EQ(form->windowTitle(), title) << c.how;
    for (std::size_t channelIndex = 0; channelIndex < before.size(); ++channelIndex) {
      EXPECT_TRUE(Holds(channelIndex, before[channelIndex])) << c.how << channelIndex;
    }
  }
}

TEST_F(PresetFileOpenTest, OnlyASingleLocalPresetFileThatMayBeCopiedIsTaken) {
  const QUrl good = QUrl::fromLocalFile(goodFile);
  EXPECT_FALSE(DragOver({good, QUrl::fromLocalFile(badFile)}, false));
  EXPECT_FALSE(DragOver({QUrl::fromLocalFile(files.filePath(QStringLiteral("notes.txt")))}, false));
  EXPECT_FALSE(DragOver({QUrl(QStringLiteral("https://example.org/pad.syx"))}, false));
  EXPECT_FALSE(DragOver({good}, false, Qt::MoveAction));
  EXPECT_TRUE(DragOver({good}, false));
}

}  // namespace
}  // namespace morvane::editor::testing
