#include "envelope_view.h"

#include <QCloseEvent>
#include <QFont>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QToolTip>
#include <cmath>
#include <cstddef>

namespace morvane::editor {

namespace {

using parammap::EnvelopeKind;
using parammap::EnvelopeShape;

constexpr int kNormalZoom = 100;
constexpr int kMargin = 6;
constexpr int kTitleHeight = 14;
constexpr int kPlotGap = 4;
constexpr int kFontPixels = 11;
constexpr double kLineWidth = 1.5;
// The stage borders and the zero line are drawn faintly in the envelope's colour.
constexpr int kFaintAlpha = 90;
const QColor kNoteColour(Qt::lightGray);
const QColor kNoteBackground(Qt::black);

int Scaled(int pixels, double scale) {
  return static_cast<int>(std::lround(pixels * scale));
}

}  // namespace

TEnvelopeView::TEnvelopeView(TEnvelopeSource source, QWidget* parent)
    : QWidget(parent), FSource(std::move(source)) {
  setWindowTitle(QStringLiteral("Envelopes"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  SetZoom(kNormalZoom);
}

QString TEnvelopeView::NoteText() {
  return QStringLiteral(
      "The picture shows the shape, not seconds: a stage grows wider with its "
      "rate.");
}

void TEnvelopeView::ValuesChanged() {
  if (isVisible()) {
    update();
  }
}

void TEnvelopeView::SetZoom(int percent) {
  FZoom = percent;
  const double scale = Scale();
  setFixedSize(Scaled(kWidth, scale),
               Scaled(parammap::kEnvelopeCount * kEnvelopeHeight + kNoteHeight, scale));
  QFont face = font();
  face.setPixelSize(Scaled(kFontPixels, scale));
  setFont(face);
  update();
}

double TEnvelopeView::Scale() const {
  return static_cast<double>(FZoom) / kNormalZoom;
}

TEnvelopeShapes TEnvelopeView::Shapes() const {
  ++FShapeCount;
  const TEnvelopeSet values = FSource.values();
  TEnvelopeShapes shapes{};
  for (std::size_t index = 0; index < shapes.size(); ++index) {
    shapes.at(index) = parammap::ShapeOf(static_cast<EnvelopeKind>(index), values.at(index));
  }
  return shapes;
}

QRect TEnvelopeView::PlotRect(int index) const {
  const double scale = Scale();
  const int top = Scaled(index * kEnvelopeHeight + kTitleHeight, scale);
  const int bottom = Scaled((index + 1) * kEnvelopeHeight - kPlotGap, scale);
  const int margin = Scaled(kMargin, scale);
  return {QPoint(margin, top), QPoint(width() - margin, bottom)};
}

QString TEnvelopeView::TextAt(QPoint point) const {
  for (int index = 0; index < parammap::kEnvelopeCount; ++index) {
    const QRect plot = PlotRect(index);
    if (point.y() < plot.top() || point.y() > plot.bottom() || point.x() < plot.left() ||
        point.x() > plot.right()) {
      continue;
    }
    const auto envelope = static_cast<std::size_t>(index);
    const parammap::EnvelopeValues values = FSource.values().at(envelope);
    const auto kind = static_cast<EnvelopeKind>(index);
    const double x =
        static_cast<double>(point.x() - plot.left()) / plot.width() * parammap::kShapeWidthMax;
    return FSource.partText(kind, parammap::PartAt(parammap::ShapeOf(kind, values), x), values);
  }
  return {};
}

bool TEnvelopeView::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = TextAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

void TEnvelopeView::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (OnClose) {
    OnClose();
  }
}

void TEnvelopeView::paintEvent(QPaintEvent* /*event*/) {
  ++FPaintCount;
  QPainter painter(this);
  painter.fillRect(rect(), kNoteBackground);
  const TEnvelopeShapes shapes = Shapes();
  for (int index = 0; index < parammap::kEnvelopeCount; ++index) {
    PaintEnvelope(painter, index, shapes.at(static_cast<std::size_t>(index)));
  }
  const double scale = Scale();
  const int margin = Scaled(kMargin, scale);
  const QRect note(margin, Scaled(parammap::kEnvelopeCount * kEnvelopeHeight, scale),
                   width() - 2 * margin, Scaled(kNoteHeight, scale));
  painter.setPen(kNoteColour);
  painter.drawText(note, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, NoteText());
}

void TEnvelopeView::PaintEnvelope(QPainter& painter, int index, const EnvelopeShape& shape) {
  const TEnvelopeLook& look = FSource.looks.at(static_cast<std::size_t>(index));
  const double scale = Scale();
  const QRect block(0, Scaled(index * kEnvelopeHeight, scale), width(),
                    Scaled(kEnvelopeHeight, scale));
  painter.fillRect(block, look.background);
  painter.setPen(look.line);
  painter.drawText(block.adjusted(Scaled(kMargin, scale), 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   look.title);

  const QRectF plot = PlotRect(index);
  const auto xOf = [&](double x) {
    return plot.left() + x / parammap::kShapeWidthMax * plot.width();
  };
  const auto yOf = [&](double level) {
    return plot.top() +
           (shape.levelMax - level) / (shape.levelMax - shape.levelMin) * plot.height();
  };

  QColor faint = look.line;
  faint.setAlpha(kFaintAlpha);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(faint, 1, Qt::DotLine));
  // The zero line, which is the floor of the amplifier's envelope.
  painter.drawLine(QPointF(plot.left(), yOf(0)), QPointF(plot.right(), yOf(0)));
  for (const parammap::ShapePoint& point : shape.points) {
    painter.drawLine(QPointF(xOf(point.x), plot.top()), QPointF(xOf(point.x), plot.bottom()));
  }

  QPainterPath path(QPointF(xOf(shape.points.front().x), yOf(shape.points.front().y)));
  for (std::size_t point = 1; point < shape.points.size(); ++point) {
    path.lineTo(xOf(shape.points.at(point).x), yOf(shape.points.at(point).y));
  }
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(look.line, kLineWidth * scale));
  painter.drawPath(path);
}

}  // namespace morvane::editor
