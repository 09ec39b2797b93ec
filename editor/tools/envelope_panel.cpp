#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QObject>
#include <QTabWidget>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

#include "channel_owner.h"
#include "envelope_view.h"
#include "handler_guard.h"
#include "parammap/envelope_shape.h"
#include "parammap/param_map.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tform1.h"
#include "zoom.h"

namespace morvane::editor {

namespace {

using parammap::EnvelopeKind;
using parammap::EnvelopeStage;
using parammap::ShapePart;

constexpr std::array<const char*, parammap::kEnvelopeCount> kTitles{"Amp Env", "Filter Env",
                                                                    "Aux Env"};
// The gap between the editor's window and the drawing beside it.
constexpr int kGap = 8;

struct TStageControls {
  TValueControl rate;
  TValueControl level;
};
using TEnvelopeControls =
    std::array<std::array<TStageControls, parammap::kEnvelopeStageCount>, parammap::kEnvelopeCount>;

TValueControl FindByParameter(const std::vector<TValueControl>& controls, int parameter) {
  for (const TValueControl& control : controls) {
    if (control.spec->parameter == parameter && control.spec->page == parammap::Page::Layer) {
      return control;
    }
  }
  throw std::logic_error("no value control for envelope parameter " + std::to_string(parameter));
}

TEnvelopeControls FindEnvelopeControls(const std::vector<TValueControl>& controls) {
  TEnvelopeControls found{};
  for (std::size_t kind = 0; kind < found.size(); ++kind) {
    for (std::size_t stage = 0; stage < parammap::kEnvelopeStageCount; ++stage) {
      const parammap::EnvelopeParameters parameters = parammap::EnvelopeParametersOf(
          static_cast<EnvelopeKind>(kind), static_cast<EnvelopeStage>(stage));
      found.at(kind).at(stage) = {FindByParameter(controls, parameters.rate),
                                  FindByParameter(controls, parameters.level)};
    }
  }
  return found;
}

// The value as the control shows it ("A1:+50%"), or the bare number where it shows none.
QString ValueText(const parammap::ControlSpec& spec, int value) {
  const std::optional<std::string> caption =
      parammap::CaptionFor(parammap::CaptionSettingsOf(spec, spec.items), value);
  return caption ? QString::fromStdString(*caption) : QString::number(value);
}

// Calls then after every event that may change a value control's position: the position
// changes while the control handles the event, and the repaint it asks for comes after.
class TEnvelopeInputWatch final : public QObject {
 public:
  TEnvelopeInputWatch(std::function<void()> then, QObject* parent)
      : QObject(parent), FThen(std::move(then)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseMove:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        FThen();
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> FThen;
};

}  // namespace

void TForm1::BuildEnvelopes() {
  const TEnvelopeControls controls = FindEnvelopeControls(FValueControls);

  TEnvelopeSource source;
  // While the Layer page is shown its controls hold the shown layer's values, ahead of the
  // image during a drag; otherwise the image holds them.
  source.values = [this, controls] {
    const bool fromControls = PageControl1->currentWidget() == layerctrlssheet;
    preset::tMrv image = Channels().Image(CurrentChannelIndex());
    const int layerNumber = layer->ItemIndex() + 1;
    const auto valueOf = [&](const TValueControl& control) {
      return fromControls
                 ? control.control->Position()
                 : image.ReadParam(static_cast<std::int8_t>(parammap::ImageGroup(*control.spec)),
                                   control.spec->Ctrl1(), layerNumber);
    };
    TEnvelopeSet values{};
    for (std::size_t kind = 0; kind < values.size(); ++kind) {
      for (std::size_t stage = 0; stage < parammap::kEnvelopeStageCount; ++stage) {
        const TStageControls& stageControls = controls.at(kind).at(stage);
        values.at(kind).at(stage) = {valueOf(stageControls.rate), valueOf(stageControls.level)};
      }
    }
    return values;
  };
  source.partText = [controls](EnvelopeKind kind, ShapePart part,
                               const parammap::EnvelopeValues& values) {
    const auto& envelope = controls.at(static_cast<std::size_t>(kind));
    const std::optional<EnvelopeStage> stage = parammap::StageOf(part);
    if (!stage) {
      const auto decay2 = static_cast<std::size_t>(EnvelopeStage::Decay2);
      return QStringLiteral("Sustain: holds %1 while the key is down")
          .arg(ValueText(*envelope.at(decay2).level.spec, values.at(decay2).level));
    }
    const auto index = static_cast<std::size_t>(*stage);
    return QStringLiteral("%1: %2, %3")
        .arg(QString::fromUtf8(parammap::StageName(*stage)),
             ValueText(*envelope.at(index).rate.spec, values.at(index).rate),
             ValueText(*envelope.at(index).level.spec, values.at(index).level));
  };
  for (std::size_t kind = 0; kind < source.looks.size(); ++kind) {
    const controls::Tdragger* row = controls.at(kind).front().rate.control;
    source.looks.at(kind) = {QString::fromLatin1(kTitles.at(kind)), row->FontColor(), row->Color()};
  }
  FEnvelopeSource = std::make_unique<TEnvelopeSource>(std::move(source));

  Envelopes1 = new QAction(QStringLiteral("Envelopes"), this);
  Envelopes1->setObjectName(QStringLiteral("Envelopes1"));
  Envelopes1->setCheckable(true);
  Envelopes1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  Envelopes1->setStatusTip(
      QStringLiteral("Draw the envelopes of the shown layer in a window beside this one"));
  QObject::connect(Envelopes1, &QAction::triggered, this,
                   [this](bool show) { RunGuarded([this, show] { Envelopes1Click(show); }); });
  View1->addAction(Envelopes1);

  const auto follow = [this] { FollowEnvelopes(); };
  auto* watch = new TEnvelopeInputWatch(follow, this);
  for (const auto& envelope : controls) {
    for (const TStageControls& stage : envelope) {
      stage.rate.control->installEventFilter(watch);
      stage.level.control->installEventFilter(watch);
    }
  }
  FChannels->observers.imageChanged.push_back([this](int channelIndex, TImageChange /*how*/) {
    if (channelIndex == CurrentChannelIndex()) {
      FollowEnvelopes();
    }
  });
  QObject::connect(channel, &TRadioGroup::OnClick, this, follow);
  QObject::connect(layer, &TRadioGroup::OnClick, this, follow);
  QObject::connect(PageControl1, &QTabWidget::currentChanged, this, follow);
}

void TForm1::Envelopes1Click(bool show) {
  if (!show) {
    if (FEnvelopeView) {
      FEnvelopeView->hide();
    }
    return;
  }
  if (!FEnvelopeView) {
    FEnvelopeView = new TEnvelopeView(*FEnvelopeSource, this);
    FEnvelopeView->setWindowFlag(Qt::Window);
    FEnvelopeView->setObjectName(QStringLiteral("EnvelopeView1"));
    FEnvelopeView->SetZoom(Zoom());
    FEnvelopeView->OnClose = [this] { Envelopes1->setChecked(false); };
    PlaceEnvelopeView();
  }
  FEnvelopeView->show();
  FEnvelopeView->update();
  Envelopes1->setChecked(true);
}

// Beside the window, never over it: at its right where the screen has room, else at its left,
// else below it.
void TForm1::PlaceEnvelopeView() {
  const QRect area = ScreenArea(*this);
  const QRect window = frameGeometry();
  const QSize size = FEnvelopeView->size();
  QPoint place(window.right() + kGap, window.top());
  if (place.x() + size.width() > area.right()) {
    place.setX(window.left() - kGap - size.width());
  }
  if (place.x() < area.left()) {
    place = QPoint(window.left(), window.bottom() + kGap);
  }
  FEnvelopeView->move(place);
}

void TForm1::FollowEnvelopes() {
  if (FEnvelopeView) {
    FEnvelopeView->ValuesChanged();
  }
}

}  // namespace morvane::editor
