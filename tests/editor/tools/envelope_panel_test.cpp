#include <QAction>
#include <QApplication>
#include <QImage>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <cstddef>
#include <cstdlib>

#include "channel_owner.h"
#include "envelope_view.h"
#include "find_child.h"
#include "layer_check_box.h"
#include "parammap/envelope_shape.h"
#include "preset/tmrv.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"
#include "window_fixture.h"
#include "zoom.h"

namespace morvane::editor::testing {
namespace {

using controls::Tdragger;
using parammap::EnvelopeKind;
using parammap::EnvelopeStage;

constexpr auto kFilter = static_cast<std::size_t>(EnvelopeKind::Filter);
constexpr auto kAmplifier = static_cast<std::size_t>(EnvelopeKind::Amplifier);
// The filter envelope's second attack: its rate control, and the point where the stage ends.
constexpr const char* kFilterAttack2Rate = "dragger19";
constexpr std::size_t kAttack2End = 2;
constexpr int kFilterAttack2RateLow = 1813 & 0x7F;
constexpr std::int8_t kEnvelopeGroup = preset::GroupOf(1813 >> 7);
// The rows of an envelope's block that hold its title and no part of its plot.
constexpr int kTitleRows = 12;

double StageWidthIn(const parammap::EnvelopeShape& shape, std::size_t end) {
  return shape.points.at(end).x - shape.points.at(end - 1).x;
}

class EnvelopePanelTest : public WindowTest {
 protected:
  void SetUp() override {
    SetScreenArea([this](const QWidget&) { return screen; });
    WindowTest::SetUp();
    form->PageControl1->setCurrentWidget(form->layerctrlssheet);
    form->l1->setChecked(true);
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetScreenArea({});
  }
  static void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
  }
  TEnvelopeView* ShowEnvelopes() {
    form->Envelopes1->trigger();
    TEnvelopeView* view = form->EnvelopeView();
    EXPECT_NE(view, nullptr);
    EXPECT_TRUE(view != nullptr && view->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([view] { return view->PaintCount() > 0; }));
    return view;
  }
  // Waits for the view to paint again since paints.
  static bool Repainted(TEnvelopeView* view, int paints) {
    return QTest::qWaitFor([view, paints] { return view->PaintCount() > paints; });
  }
  Tdragger* Control(const char* name) {
    return FindChildByName<Tdragger>(*form, QString::fromLatin1(name));
  }
  int StoredRate(int layer) {
    preset::tMrv image = form->Channels().Image(form->CurrentChannelIndex());
    return image.ReadParam(kEnvelopeGroup, kFilterAttack2RateLow, layer);
  }

  QRect screen{0, 0, 4000, 3000};
};

// A drag of a rate redraws the stage wider while the mouse still moves, before anything is
// stored; undo brings the stored shape back into the drawing.
TEST_F(EnvelopePanelTest, ADragRedrawsBeforeReleaseAndUndoRestores) {
  TEnvelopeView* view = ShowEnvelopes();
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->frameGeometry().intersects(form->frameGeometry()))
      << "the drawing never covers the window";
  const TEnvelopeShapes before = view->Shapes();
  Tdragger* rate = Control(kFilterAttack2Rate);
  const int storedBefore = StoredRate(1);
  ASSERT_EQ(rate->Position(), storedBefore);
  ASSERT_LE(storedBefore, 100);

  const QPoint start(10, rate->height() / 2);
  Press(rate, start);
  int paints = view->PaintCount();
  // One step a move.
  for (int step = 1; step <= 20; ++step) {
    Move(rate, start + QPoint(step, 0));
  }
  ASSERT_EQ(rate->Position(), storedBefore + 20);
  EXPECT_TRUE(Repainted(view, paints));
  const TEnvelopeShapes dragging = view->Shapes();
  EXPECT_EQ(StoredRate(1), storedBefore) << "nothing is stored before the release";
  EXPECT_DOUBLE_EQ(StageWidthIn(dragging.at(kFilter), kAttack2End),
                   parammap::StageWidth(storedBefore + 20));
  EXPECT_GT(StageWidthIn(dragging.at(kFilter), kAttack2End),
            StageWidthIn(before.at(kFilter), kAttack2End));
  EXPECT_DOUBLE_EQ(dragging.at(kAmplifier).points.back().x, before.at(kAmplifier).points.back().x);
  Release(rate, start + QPoint(20, 0));
  EXPECT_EQ(StoredRate(1), storedBefore + 20);

  paints = view->PaintCount();
  form->Undo1->trigger();
  EXPECT_TRUE(Repainted(view, paints));
  EXPECT_EQ(rate->Position(), storedBefore);
  const TEnvelopeShapes undone = view->Shapes();
  for (std::size_t point = 0; point < undone.at(kFilter).points.size(); ++point) {
    EXPECT_DOUBLE_EQ(undone.at(kFilter).points.at(point).x, before.at(kFilter).points.at(point).x)
        << point;
  }

  // The wheel over a rate control redraws too.
  paints = view->PaintCount();
  Wheel(rate, 120);
  EXPECT_TRUE(Repainted(view, paints));
  EXPECT_DOUBLE_EQ(StageWidthIn(view->Shapes().at(kFilter), kAttack2End),
                   parammap::StageWidth(rate->Position()));
  EXPECT_TRUE(errors.isEmpty());
}

// Hidden, the drawing neither paints nor asks for the values, whatever changes; shown again it
// draws what changed meanwhile.
TEST_F(EnvelopePanelTest, AHiddenDrawingPaintsAndComputesNothing) {
  TEnvelopeView* view = ShowEnvelopes();
  ASSERT_NE(view, nullptr);
  form->Envelopes1->trigger();
  ASSERT_FALSE(view->isVisible());
  ASSERT_FALSE(form->Envelopes1->isChecked());
  const int paints = view->PaintCount();
  const int shapes = view->ShapeCount();

  Tdragger* rate = Control(kFilterAttack2Rate);
  DragTo(rate, 30);
  Wheel(rate, 120);
  form->Undo1->trigger();
  Click(form->layer->Button(1));
  Click(form->channel->Button(3));
  QApplication::processEvents();
  EXPECT_EQ(view->PaintCount(), paints);
  EXPECT_EQ(view->ShapeCount(), shapes);

  form->Envelopes1->trigger();
  EXPECT_TRUE(Repainted(view, paints));
  EXPECT_TRUE(form->Envelopes1->isChecked());
}

// Away from the Layer page the drawing shows the stored values of the shown channel and layer,
// and follows a preset changed in the editor, the layer's and the channel's choice.
TEST_F(EnvelopePanelTest, FollowsTheStoredPresetTheLayerAndTheChannel) {
  TEnvelopeView* view = ShowEnvelopes();
  ASSERT_NE(view, nullptr);
  form->PageControl1->setCurrentWidget(form->commonsheet);
  const int channelIndex = form->CurrentChannelIndex();
  int paints = view->PaintCount();
  form->Channels().Change(channelIndex, QStringLiteral("test"), [](preset::tMrv& image) {
    image.WriteParam(kEnvelopeGroup, kFilterAttack2RateLow, 2, parammap::kEnvelopeRateMax);
    image.WriteParam(kEnvelopeGroup, kFilterAttack2RateLow, 1, parammap::kEnvelopeRateMin);
  });
  EXPECT_TRUE(Repainted(view, paints));
  EXPECT_DOUBLE_EQ(StageWidthIn(view->Shapes().at(kFilter), kAttack2End),
                   parammap::kStageWidthAtRateMin);

  paints = view->PaintCount();
  Click(form->layer->Button(1));
  ASSERT_EQ(form->layer->ItemIndex(), 1);
  EXPECT_TRUE(Repainted(view, paints));
  EXPECT_DOUBLE_EQ(StageWidthIn(view->Shapes().at(kFilter), kAttack2End), 1.0);

  paints = view->PaintCount();
  Click(form->channel->Button(channelIndex + 1));
  EXPECT_TRUE(Repainted(view, paints));
  EXPECT_DOUBLE_EQ(StageWidthIn(view->Shapes().at(kFilter), kAttack2End),
                   parammap::StageWidth(StoredRate(2)));
}

// Hovering names the stage and its two values as the controls show them; the drawing scales
// with the window's zoom and keeps beside it.
TEST_F(EnvelopePanelTest, HoverNamesTheStageAndTheDrawingScalesWithTheZoom) {
  TEnvelopeView* view = ShowEnvelopes();
  ASSERT_NE(view, nullptr);
  Tdragger* rate = Control(kFilterAttack2Rate);
  Tdragger* level = Control("dragger27");
  rate->setPosition(127);
  level->setPosition(-40);
  const parammap::EnvelopeShape filter = view->Shapes().at(kFilter);
  const int y = TEnvelopeView::kEnvelopeHeight * 3 / 2;
  const double middle = (filter.points.at(1).x + filter.points.at(2).x) / 2;
  const int x = 6 + static_cast<int>(middle / parammap::kShapeWidthMax * (view->width() - 12));
  EXPECT_EQ(view->TextAt(QPoint(x, y)), QStringLiteral("Attack 2: A2:127, A2:-40%"));
  const double sustain = (filter.points.at(4).x + filter.points.at(5).x) / 2;
  const int sustainX =
      6 + static_cast<int>(sustain / parammap::kShapeWidthMax * (view->width() - 12));
  EXPECT_TRUE(view->TextAt(QPoint(sustainX, y)).startsWith(QStringLiteral("Sustain: holds D2:")));
  EXPECT_EQ(view->TextAt(QPoint(x, view->height() - 2)), QString()) << "the note names nothing";
  // The first title is written in its envelope's colour, above the plot, where no curve runs:
  // some of its pixels are nearer that colour than the block's background.
  const QImage picture = view->grab().toImage();
  const QColor line = Control("dragger49")->FontColor();
  const QColor background = picture.pixelColor(picture.width() - 2, 1);
  const auto distance = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
  };
  int inLine = 0;
  for (int row = 0; row < kTitleRows; ++row) {
    for (int column = 0; column < picture.width() / 2; ++column) {
      const QColor pixel = picture.pixelColor(column, row);
      inLine += distance(pixel, line) < distance(pixel, background) ? 1 : 0;
    }
  }
  EXPECT_GT(inLine, 0);

  const QSize normal = view->size();
  form->Zoom1->findChild<QAction*>(QStringLiteral("Zoom300"))->trigger();
  QApplication::processEvents();
  ASSERT_EQ(form->Zoom(), 300);
  ASSERT_EQ(view->Zoom(), 300);
  EXPECT_EQ(view->size(), normal * 3);
  EXPECT_FALSE(view->frameGeometry().intersects(form->frameGeometry()));
  EXPECT_EQ(view->TextAt(QPoint(x * 3, y * 3)), QStringLiteral("Attack 2: A2:127, A2:-40%"));
}

}  // namespace
}  // namespace morvane::editor::testing
