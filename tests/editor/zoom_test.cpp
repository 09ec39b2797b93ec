#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <vector>

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
  bool operator==(const WidgetState&) const = default;
};

std::vector<WidgetState> States(QWidget* client) {
  std::vector<WidgetState> states;
  for (QWidget* widget : client->findChildren<QWidget*>()) {
    states.push_back(
        {widget, widget->geometry(), widget->font().pointSizeF(), widget->font().pixelSize()});
  }
  return states;
}

void ChooseZoom(TForm1& form, int percent) {
  form.Zoom1->findChild<QAction*>(QStringLiteral("Zoom%1").arg(percent))->trigger();
  QApplication::processEvents();
}

using ZoomTest = WindowTest;

TEST_F(ZoomTest, EveryStepScalesFromTheLayoutAndComesBackExactly) {
  form->PageControl1->setCurrentWidget(form->layerctrlssheet);
  QApplication::processEvents();
  const std::vector<WidgetState> normal = States(form->Client());
  auto* volume = form->findChild<controls::Tdragger*>(QStringLiteral("dragger1"));
  const QRect volumePlace = volume->geometry();
  const qreal volumePoints = volume->font().pointSizeF();

  for (const int percent : {125, 150, 200, 300}) {
    ChooseZoom(*form, percent);
    EXPECT_EQ(form->Client()->size(),
              QSize(TForm1::kClientWidth * percent / 100, TForm1::kClientHeight * percent / 100));
    EXPECT_EQ(form->centralWidget()->size(), form->Client()->size());
    EXPECT_DOUBLE_EQ(volume->font().pointSizeF(), volumePoints * percent / 100);
  }
  EXPECT_EQ(volume->geometry(), QRect(volumePlace.topLeft() * 3, volumePlace.size() * 3));
  EXPECT_EQ(form->StatusBar1->geometry().bottom() + 1, form->Client()->height());
  form->grab().save(QStringLiteral(MORVANE_SHOT_DIR "/zoom300.png"));

  ChooseZoom(*form, 100);
  EXPECT_EQ(form->Client()->size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
  EXPECT_EQ(States(form->Client()), normal);
}

using ZoomSettingTest = StartupTest;

TEST_F(ZoomSettingTest, ChosenZoomSurvivesARestart) {
  Start();
  ChooseZoom(*form, 150);
  EXPECT_EQ(Stored("zoom"), QStringLiteral("150"));
  Start();
  EXPECT_EQ(form->Zoom(), 150);
  EXPECT_EQ(form->Client()->size(),
            QSize(TForm1::kClientWidth * 3 / 2, TForm1::kClientHeight * 3 / 2));
  EXPECT_TRUE(form->Zoom1->findChild<QAction*>(QStringLiteral("Zoom150"))->isChecked());

  Store("zoom", QStringLiteral("175"));
  Start();
  EXPECT_EQ(form->Zoom(), 100);
  EXPECT_EQ(form->Client()->size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
}

}  // namespace
}  // namespace morvane::editor::testing
