#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyleOptionGroupBox>
#include <QStyleOptionHeader>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "caption_fit.h"
#include "library_window.h"
#include "parammap/param_map.h"
#include "preset_library.h"
#include "radio_group.h"
#include "startup_fixture.h"
#include "tdragger.h"
#include "tform1.h"
#include "window_fixture.h"
#include "zoom.h"

namespace morvane::editor::testing {
namespace {

struct WidgetState {
  QWidget* widget;
  QRect geometry;
  qreal pointSize;
  int pixelSize;
};

std::vector<WidgetState> States(QWidget* client) {
  std::vector<WidgetState> states;
  // Hidden pages lay their panels out only when shown, and list popups are windows of their own.
  for (QWidget* widget : client->findChildren<QWidget*>()) {
    if (widget->window() == client->window()) {
      states.push_back({widget, widget->isVisible() ? widget->geometry() : QRect(),
                        widget->font().pointSizeF(), widget->font().pixelSize()});
    }
  }
  return states;
}

QSize Scaled(QSize size, int percent) {
  return {static_cast<int>(std::lround(size.width() * percent / 100.0)),
          static_cast<int>(std::lround(size.height() * percent / 100.0))};
}

void ChooseZoom(TForm1& form, int percent) {
  form.Zoom1->findChild<QAction*>(QStringLiteral("Zoom%1").arg(percent))->trigger();
  QApplication::processEvents();
}

// The window's screen is the test's own: larger than every step unless a test gives another.
template <typename Base>
class OnScreen : public Base {
 protected:
  void SetUp() override {
    SetScreenArea([this](const QWidget&) { return screen; });
    Base::SetUp();
  }
  void TearDown() override {
    Base::TearDown();
    SetScreenArea({});
  }
  QRect screen{0, 0, 4000, 3000};
};
using ZoomTest = OnScreen<WindowTest>;

TEST_F(ZoomTest, EveryStepScalesFromTheLayoutAndComesBackExactly) {
  form->PageControl1->setCurrentWidget(form->layerctrlssheet);
  QApplication::processEvents();
  const std::vector<WidgetState> normal = States(form->Client());
  auto* volume = form->findChild<controls::Tdragger*>(QStringLiteral("dragger1"));
  const QRect volumePlace = volume->geometry();
  const int volumePixels = volume->font().pixelSize();
  const int menuHeight = form->MainMenu1->fontMetrics().height();
  const int fileMenuHeight = form->File1->fontMetrics().height();
  ASSERT_GT(volumePixels, 0);

  for (const int percent : {125, 150, 200, 300}) {
    ChooseZoom(*form, percent);
    EXPECT_EQ(form->Client()->size(),
              Scaled(QSize(TForm1::kClientWidth, TForm1::kClientHeight), percent));
    EXPECT_EQ(form->centralWidget()->size(), form->Client()->size());
    EXPECT_EQ(volume->font().pixelSize(), std::lround(volumePixels * percent / 100.0));
  }
  EXPECT_EQ(volume->geometry(), QRect(volumePlace.topLeft() * 3, volumePlace.size() * 3));
  EXPECT_GT(form->MainMenu1->fontMetrics().height(), 2 * menuHeight);
  EXPECT_GT(form->File1->fontMetrics().height(), 2 * fileMenuHeight) << "the menus scale too";
  EXPECT_EQ(form->StatusBar1->geometry().bottom() + 1, form->Client()->height());
  form->grab().save(QStringLiteral(MORVANE_SHOT_DIR "/zoom300.png"));

  ChooseZoom(*form, 100);
  EXPECT_EQ(form->Client()->size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
  const std::vector<WidgetState> back = States(form->Client());
  ASSERT_EQ(back.size(), normal.size());
  for (std::size_t index = 0; index < back.size(); ++index) {
    SCOPED_TRACE(std::string(normal[index].widget->metaObject()->className()) + " " +
                 normal[index].widget->objectName().toStdString());
    EXPECT_EQ(back[index].geometry, normal[index].geometry);
    EXPECT_EQ(back[index].pointSize, normal[index].pointSize);
    EXPECT_EQ(back[index].pixelSize, normal[index].pixelSize);
  }
}

// Every value control's caption, at every step, in the bundled face and in another, regular and
// bold (a focused control): the widest captions a control can show lie inside its frame.
TEST_F(ZoomTest, EveryCaptionFitsItsControlAtEveryStepInEitherFace) {
  constexpr std::size_t kWidestCaptions = 3;
  const QString faces[] = {form->ValueControls().front().control->font().family(),
                           QStringLiteral("DejaVu Sans")};
  for (const QString& face : faces) {
    for (const bool bold : {false, true}) {
      ChooseZoom(*form, 100);
      // Each control's widest captions, found in the face at the layout's size.
      std::vector<std::vector<int>> widest;
      for (const TValueControl& valueControl : form->ValueControls()) {
        QFont font = valueControl.control->font();
        font.setFamily(face);
        font.setBold(bold);
        valueControl.control->setFont(font);
        const parammap::ControlSpec& spec = *valueControl.spec;
        const parammap::CaptionSettings settings =
            parammap::CaptionSettingsOf(spec, parammap::ItemsAfterStartUp(spec));
        std::vector<std::pair<int, int>> widths;
        for (int value = spec.min; value <= spec.max; ++value) {
          if (const auto caption = parammap::CaptionFor(settings, value)) {
            widths.emplace_back(
                QFontMetrics(font).horizontalAdvance(QString::fromStdString(*caption)), value);
          }
        }
        std::sort(widths.rbegin(), widths.rend());
        widths.resize(std::min(kWidestCaptions, widths.size()));
        widest.emplace_back();
        for (const auto& [width, value] : widths) {
          widest.back().push_back(value);
        }
      }
      for (const int percent : kZoomSteps) {
        ChooseZoom(*form, percent);
        for (std::size_t index = 0; index < form->ValueControls().size(); ++index) {
          controls::Tdragger* control = form->ValueControls()[index].control;
          const int start = control->Position();
          for (const int value : widest[index]) {
            control->setPosition(value);
            const QFont drawn = control->CaptionFont();
            const QSize room = control->CaptionRoom();
            const int advance = QFontMetrics(drawn).horizontalAdvance(control->Caption());
            ASSERT_TRUE(controls::CaptionFits(drawn, control->Caption(), room) &&
                        advance <= room.width() && room.width() < control->width() &&
                        drawn.family() == face)
                << face.toStdString() << (bold ? " bold " : " ") << percent << "% "
                << control->objectName().toStdString() << " \"" << control->Caption().toStdString()
                << "\" " << advance << " in " << room.width();
          }
          control->setPosition(start);
        }
      }
    }
  }
}

// The width that a radio button leaves its text, right of the mark that the style draws.
int TextRoom(const QRadioButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  return button.style()->subElementRect(QStyle::SE_RadioButtonContents, &option, &button).width();
}

// At every step the words around the controls stay whole: a channel button's number with its
// "*", the groups' captions, and the library's headings with room for the sort arrow.
TEST_F(ZoomTest, MarksCaptionsAndHeadingsFitAtEveryStep) {
  QTemporaryDir libraryFolder;
  ASSERT_TRUE(libraryFolder.isValid());
  form->settings->WriteText(TPresetLibrary::kFolderSetting, libraryFolder.path());
  const std::vector<std::pair<int, preset::tMrv>> marked = [this] {
    std::vector<std::pair<int, preset::tMrv>> images;
    for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
      preset::tMrv image = form->Channels().Image(channelIndex);
      image.WriteName("Mrk:" + std::to_string(channelIndex));
      images.emplace_back(channelIndex, image);
    }
    return images;
  }();
  form->Channels().ReplaceSeveral(marked, QStringLiteral("Mark"));
  form->Library().Open();
  auto* library = form->findChild<TLibraryWindow*>(QStringLiteral("LibraryWindow"));
  ASSERT_NE(library, nullptr);
  QHeaderView& headings = *library->List()->horizontalHeader();
  const int baseHeading = headings.fontMetrics().height();
  for (const int percent : kZoomSteps) {
    ChooseZoom(*form, percent);
    for (int channelIndex = 0; channelIndex < TForm1::kChannelCount; ++channelIndex) {
      const QRadioButton& button = *form->channel->Button(channelIndex);
      ASSERT_EQ(button.text(), QString::number(channelIndex + 1) + "*");
      EXPECT_LE(button.fontMetrics().horizontalAdvance(button.text()), TextRoom(button))
          << percent << "% channel " << channelIndex + 1;
    }
    for (const QGroupBox* group : {static_cast<QGroupBox*>(form->channel), form->select,
                                   static_cast<QGroupBox*>(form->layer)}) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = group->title();
      option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
      option.textAlignment = group->alignment();
      const QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                         QStyle::SC_GroupBoxLabel, group);
      const QRect inClient(group->mapTo(form->Client(), label.topLeft()), label.size());
      EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()), label.width())
          << percent << "% " << group->title().toStdString();
      EXPECT_TRUE(form->Client()->rect().contains(inClient))
          << percent << "% " << group->title().toStdString() << " at " << inClient.x() << ","
          << inClient.y() << " " << inClient.width() << "x" << inClient.height();
    }
    EXPECT_GE(headings.fontMetrics().height() * 100, baseHeading * percent * 9 / 10)
        << "the library's words scale with the window";
    for (int column = 0; column < headings.count(); ++column) {
      const QString text = headings.model()->headerData(column, Qt::Horizontal).toString();
      QStyleOptionHeader option;
      option.initFrom(&headings);
      option.rect = QRect(0, 0, headings.sectionSize(column), headings.height());
      option.text = text;
      option.sortIndicator = QStyleOptionHeader::SortDown;
      option.orientation = Qt::Horizontal;
      option.state |= QStyle::State_Horizontal;
      const QRect room =
          headings.style()->subElementRect(QStyle::SE_HeaderLabel, &option, &headings);
      EXPECT_LE(headings.fontMetrics().horizontalAdvance(text), room.width())
          << percent << "% " << text.toStdString();
    }
  }
}

using ZoomSettingTest = OnScreen<StartupTest>;

TEST_F(ZoomSettingTest, ChosenZoomSurvivesARestart) {
  Start();
  ChooseZoom(*form, 150);
  EXPECT_EQ(Stored("zoom"), QStringLiteral("150"));
  Start();
  EXPECT_EQ(form->Zoom(), 150);
  EXPECT_EQ(form->Client()->size(),
            Scaled(QSize(TForm1::kClientWidth, TForm1::kClientHeight), 150));
  EXPECT_TRUE(form->Zoom1->findChild<QAction*>(QStringLiteral("Zoom150"))->isChecked());

  Store("zoom", QStringLiteral("175"));
  Start();
  EXPECT_EQ(form->Zoom(), 100);
  EXPECT_EQ(form->Client()->size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
}

// On a small screen only the steps that fit are offered, a restored step too large for it gives
// the largest that fits, and the window opens centred.
TEST_F(ZoomSettingTest, OnASmallScreenOnlyTheStepsThatFitAreOfferedAndTheWindowOpensCentred) {
  screen = QRect(100, 50, 1024, 768);
  Store("zoom", QStringLiteral("300"));
  Start();
  EXPECT_EQ(form->Zoom(), 125);
  // Placed before the system tells the frame's size, by a frame of at most 16 x 40 pixels.
  const QPoint offCentre = form->frameGeometry().center() - screen.center();
  EXPECT_LE(std::abs(offCentre.x()), 8);
  EXPECT_LE(std::abs(offCentre.y()), 20);
  emit form->Zoom1->aboutToShow();
  for (const int percent : kZoomSteps) {
    EXPECT_EQ(form->Zoom1->findChild<QAction*>(QStringLiteral("Zoom%1").arg(percent))->isEnabled(),
              percent <= 125)
        << percent;
  }
  // A screen exactly the size of the 150% frame offers 150%, and no more.
  screen.setSize(ZoomedFrameSize(*form, form->Zoom(), 150));
  emit form->Zoom1->aboutToShow();
  for (const int percent : kZoomSteps) {
    EXPECT_EQ(form->Zoom1->findChild<QAction*>(QStringLiteral("Zoom%1").arg(percent))->isEnabled(),
              percent <= 150)
        << percent;
  }
  screen.setSize(QSize(1024, 768));
  emit form->Zoom1->aboutToShow();
  ChooseZoom(*form, 200);
  EXPECT_EQ(form->Zoom(), 125);
  ChooseZoom(*form, 100);
  EXPECT_TRUE(screen.contains(form->frameGeometry()));
  EXPECT_EQ(Stored("zoom"), QStringLiteral("100"));
}

}  // namespace
}  // namespace morvane::editor::testing
