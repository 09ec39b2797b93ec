// Renders a few value controls and a list box to a PNG, to look at the controls' drawing.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <cstdio>

#include "tdragger.h"
#include "tmrvbox.h"

namespace {

using morvane::controls::Tdragger;
using morvane::controls::Tmrvbox;

constexpr int kScale = 4;

Tdragger* Add(QWidget* form, int x, int y, int width, int height) {
  auto* dragger = new Tdragger(form);
  dragger->setGeometry(x, y, width, height);
  return dragger;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
    return 2;
  }

  QWidget form;
  form.resize(230, 110);
  form.setAutoFillBackground(true);

  auto* plain = Add(&form, 8, 8, 48, 14);
  plain->setPosition(64);

  auto* items = Add(&form, 64, 8, 49, 14);
  items->setPrefix("ntrsp:");
  items->setMax(1);
  items->setItems({"off", "on"});
  items->setPosition(1);

  auto* signedOne = Add(&form, 120, 8, 49, 14);
  signedOne->setPrefix("vol:");
  signedOne->setSuffix("dB");
  signedOne->setMin(-96);
  signedOne->setMax(10);

  auto* focused = Add(&form, 176, 8, 49, 14);
  focused->setPrefix("chr:");
  focused->setSuffix("%");
  focused->setMax(100);
  focused->setPosition(50);

  auto* sunken = Add(&form, 8, 32, 49, 16);
  sunken->setBevelOuter(Tdragger::bvNone);
  sunken->setBorderStyle(Tdragger::bsSingle);
  sunken->setFontColor(QColor(0, 255, 255));
  sunken->setPrefix("A:");
  sunken->setMin(-1);
  sunken->setItems({"off"});
  sunken->setPosition(-1);

  auto* sunkenSigned = Add(&form, 57, 32, 49, 16);
  sunkenSigned->setBevelOuter(Tdragger::bvNone);
  sunkenSigned->setBorderStyle(Tdragger::bsSingle);
  sunkenSigned->setFontColor(QColor(255, 255, 0));
  sunkenSigned->setPrefix("pan:");
  sunkenSigned->setMin(-64);
  sunkenSigned->setMax(63);
  sunkenSigned->setPosition(-12);

  auto* box = new Tmrvbox(&form);
  box->setGeometry(8, 72, 217, 21);
  box->addItems({"  Grand piano", "  Strings", "  Brass"});
  box->setCurrentIndex(1);
  auto* caption = new QLabel(&form);
  caption->setObjectName("caption");
  caption->setFont(box->font());
  caption->resize(caption->width(), morvane::controls::Tmrvbox::kLabelRise);
  box->setObjectName("instr");
  box->setMyLabel(caption);

  form.show();
  form.activateWindow();
  (void)QTest::qWaitForWindowActive(&form);
  focused->setFocus(Qt::OtherFocusReason);
  QApplication::processEvents();

  const QImage image = form.grab().toImage();
  const QImage large =
      image.scaled(image.size() * kScale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  if (!large.save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return focused->hasFocus() ? 0 : 1;
}
