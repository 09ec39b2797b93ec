#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "parammap/envelope_shape.h"

namespace morvane::editor {

using TEnvelopeSet = std::array<parammap::EnvelopeValues, parammap::kEnvelopeCount>;
using TEnvelopeShapes = std::array<parammap::EnvelopeShape, parammap::kEnvelopeCount>;

// How one envelope is drawn: its row's title and colours.
struct TEnvelopeLook {
  QString title;
  QColor line;
  QColor background;
};

// Where the view finds what it draws; each function is asked only while the view paints or is
// asked for its shapes, never while it is hidden.
struct TEnvelopeSource {
  std::function<TEnvelopeSet()> values;
  // The words for a part of an envelope under the pointer.
  std::function<QString(parammap::EnvelopeKind kind, parammap::ShapePart part,
                        const parammap::EnvelopeValues& values)>
      partText;
  std::array<TEnvelopeLook, parammap::kEnvelopeCount> looks;
};

// A window that draws the three envelopes of a layer, one above the other, from the shape
// model; it only paints and never changes a value.
class TEnvelopeView final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 331;
  static constexpr int kEnvelopeHeight = 70;
  static constexpr int kNoteHeight = 28;

  TEnvelopeView(TEnvelopeSource source, QWidget* parent = nullptr);

  // Asks for a repaint once the values may have changed; nothing while hidden.
  void ValuesChanged();
  // Sizes the window and its writing for the layout's zoom, in percent.
  void SetZoom(int percent);
  int Zoom() const { return FZoom; }

  // The shapes of the values now (what the next paint draws).
  TEnvelopeShapes Shapes() const;
  // What hovering at point (in the view's pixels) names; empty outside the envelopes.
  QString TextAt(QPoint point) const;
  // How often the view painted, and how often it asked for the values and computed shapes.
  int PaintCount() const { return FPaintCount; }
  int ShapeCount() const { return FShapeCount; }

  static QString NoteText();

  // Raised when the user closes the window.
  std::function<void()> OnClose;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The drawing area of envelope index at the current zoom.
  QRect PlotRect(int index) const;
  double Scale() const;
  void PaintEnvelope(class QPainter& painter, int index, const parammap::EnvelopeShape& shape);

  TEnvelopeSource FSource;
  int FZoom = 100;
  int FPaintCount = 0;
  mutable int FShapeCount = 0;
};

}  // namespace morvane::editor
