#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <cmath>
#include <string>
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

using ZoomTest = WindowTest;

TEST_F(ZoomTest, EveryStepScalesFromTheLayoutAndComesBackExactly) {
  form->PageControl1->setCurrentWidget(form->layerctrlssheet);
  QApplication::processEvents();
  const std::vector<WidgetState> normal = States(form->Client());
  auto* volume = form->findChild<controls::Tdragger*>(QStringLiteral("dragger1"));
  const QRect volumePlace = volume->geometry();
  const int volumePixels = volume->font().pixelSize();
  const int menuHeight = form->MainMenu1->fontMetrics().height();
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

using ZoomSettingTest = StartupTest;

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

}  // namespace
}  // namespace morvane::editor::testing
