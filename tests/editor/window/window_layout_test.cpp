#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "editor/platform/profile_file.h"
#include "find_child.h"
#include "layer_check_box.h"
#include "parammap/generic_list.h"
#include "radio_group.h"
#include "tdragger.h"
#include "tmrvbox.h"
#include "window_fixture.h"

namespace morvane::editor::testing {
namespace {

using controls::Tdragger;

struct PlaceCase {
  const char* name;
  QRect place;  // in the parent's client coordinates
};

// A sample: the top strip, the pages' panels' contents and value controls of each page.
const PlaceCase kPlaces[] = {
    {"channel", {0, -2, 329, 44}},     {"buffer", {289, 16, 33, 17}},
    {"select", {0, 42, 181, 28}},      {"l1", {43, 9, 33, 17}},
    {"l4", {139, 9, 33, 17}},          {"layer", {183, 42, 146, 28}},
    {"mute", {281, 74, 48, 17}},       {"PageControl1", {0, 72, 329, 435}},
    {"StatusBar1", {0, 508, 331, 19}}, {"midiout", {72, 16, 217, 21}},
    {"showhint", {120, 88, 73, 17}},   {"patchname", {8, 8, 153, 21}},
    {"instr", {8, 8, 289, 21}},        {"paramvalue", {176, 352, 121, 21}},
    {"copyto", {57, 322, 41, 65}},     {"vel", {32, 88, 64, 14}},
    {"dragger153", {151, 69, 49, 14}}, {"dragger1", {9, 40, 46, 16}},
    {"filtertype", {9, 129, 128, 16}}, {"dragger55", {9, 214, 46, 15}},
    {"dragger72", {21, 16, 120, 14}},  {"dragger143", {263, 373, 49, 14}},
};

TEST_F(WindowTest, EveryControlIsFoundByNameAtItsPlace) {
  EXPECT_EQ(form->Client()->size(), QSize(TForm1::kClientWidth, TForm1::kClientHeight));
  EXPECT_EQ(form->centralWidget()->geometry().top(), form->menuBar()->geometry().bottom() + 1);
  for (const PlaceCase& expected : kPlaces) {
    SCOPED_TRACE(expected.name);
    const QWidget* control = FindChildByName<QWidget>(*form, QString::fromLatin1(expected.name));
    EXPECT_EQ(control->geometry(), expected.place);
  }
  EXPECT_THROW(FindChildByName<QWidget>(*form, QStringLiteral("dragger0")), EComponentError);

  // The patch cord columns are headed above the first row, at the columns' left edges.
  QStringList headings;
  for (const QLabel* label : form->patchcords->findChildren<QLabel*>()) {
    if (label->geometry().bottom() < 16) {
      headings << QStringLiteral("%1 %2").arg(label->text()).arg(label->x());
    }
  }
  EXPECT_EQ(headings, QStringList({"source 21", "destination 141", "amount 263"}));
}

TEST_F(WindowTest, PagesHoldTheMapsControlsOnTheirPanelsInMapOrder) {
  struct PageCase {
    parammap::Page page;
    const char* sheet;
    const char* panel;
    QFrame::Shadow shadow;
    QFrame::Shape shape;
  };
  const PageCase pages[] = {
      {parammap::Page::Setup, "Setupsheet", "Panel1", QFrame::Sunken, QFrame::Panel},
      {parammap::Page::Common, "commonsheet", "commonctrls", QFrame::Plain, QFrame::NoFrame},
      {parammap::Page::Layer, "layerctrlssheet", "layerctrls", QFrame::Sunken, QFrame::Panel},
      {parammap::Page::Patchcords, "pcsheet", "patchcords", QFrame::Sunken, QFrame::Panel},
  };
  int total = 0;
  for (int index = 0; index < 4; ++index) {
    const PageCase& page = pages[index];
    SCOPED_TRACE(page.panel);
    EXPECT_EQ(form->PageControl1->widget(index)->objectName(), QLatin1String(page.sheet));
    const auto* panel = FindChildByName<QFrame>(*form, QString::fromLatin1(page.panel));
    EXPECT_EQ(panel->parentWidget()->objectName(), QLatin1String(page.sheet));
    EXPECT_EQ(panel->frameShape(), page.shape);
    if (page.shape != QFrame::NoFrame) {
      EXPECT_EQ(panel->frameShadow(), page.shadow);
    }
    QStringList found;
    for (QObject* child : panel->children()) {
      if (qobject_cast<Tdragger*>(child) != nullptr) {
        found << child->objectName();
      }
    }
    QStringList expected;
    for (const parammap::ControlSpec& spec : parammap::ControlsOn(page.page)) {
      expected << QString::fromUtf8(spec.name.data(), static_cast<qsizetype>(spec.name.size()));
    }
    EXPECT_EQ(found, expected);
    total += static_cast<int>(found.size());
  }
  EXPECT_EQ(total, 169);
}

TEST_F(WindowTest, ValueControlsStartWithTheLayoutsCaptionsAndSettings) {
  const std::pair<const char*, const char*> captions[] = {
      {"vel", "Vel:97"},         {"velrnd", "Vel rnd:10"},  {"dragger25", "A:+0"},
      {"dragger1", "vol:+0dB"},  {"dragger8", "off"},       {"dragger10", "bnd:+2"},
      {"dragger15", "poly all"}, {"dragger155", "C-2 "},    {"filtertype", "Off "},
      {"dragger38", "triangle"}, {"dragger42", "key sync"}, {"dragger33", "time"},
      {"dragger72", " Off"},     {"dragger75", "0"},        {"dragger74", "+0"},
  };
  for (const auto& [name, caption] : captions) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FindChildByName<Tdragger>(*form, QString::fromLatin1(name))->Caption(),
              QString::fromUtf8(caption));
  }
  const auto* volume = FindChildByName<Tdragger>(*form, QStringLiteral("dragger1"));
  EXPECT_EQ(volume->Ctrl1(), QStringLiteral("$02"));
  EXPECT_EQ(volume->Ctrl2(), QStringLiteral("$0B"));
  EXPECT_TRUE(volume->TabStop());
  EXPECT_EQ(volume->BorderStyle(), Tdragger::bsSingle);
  const auto* knob = FindChildByName<Tdragger>(*form, QStringLiteral("dragger25"));
  EXPECT_FALSE(knob->TabStop());
  EXPECT_EQ(knob->BevelOuter(), Tdragger::bvRaised);
  EXPECT_EQ(knob->FontColor(), QColor(0, 255, 0));
  EXPECT_EQ(FindChildByName<Tdragger>(*form, QStringLiteral("dragger26"))->PositionDefault(), 127);
  EXPECT_EQ(FindChildByName<Tdragger>(*form, QStringLiteral("dragger73"))->Items().size(), 66);
  EXPECT_TRUE(FindChildByName<Tdragger>(*form, QStringLiteral("dragger74"))->Items().isEmpty());
}

// Each value control's tips: the parameter's full name (the generic list's, as parms.txt has
// it), its range and where its edits go, which follows the layer boxes.
TEST_F(WindowTest, EveryValueControlsTipsNameItsParameterRangeAndTargets) {
  const TProfileFile parms =
      TProfileFile::Load(QStringLiteral(MORVANE_DATA_DIR "/parms.txt").toStdString());
  int named = 0;
  for (const TValueControl& valueControl : form->ValueControls()) {
    const parammap::ControlSpec& spec = *valueControl.spec;
    const QStringList lines = valueControl.control->toolTip().split('\n');
    SCOPED_TRACE(valueControl.control->toolTip().toStdString());
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(valueControl.control->statusTip(), lines.join(QStringLiteral("; ")));
    if (spec.page == parammap::Page::Layer || spec.page == parammap::Page::Patchcords) {
      const int key = (spec.Ctrl2() - 0x0B) * parammap::kGenericBlockStride + spec.Ctrl1();
      EXPECT_EQ(lines[0].toStdString(), parms.ReadString("name", std::to_string(key)));
      EXPECT_EQ(lines[2], "edits go to layer 1");
      ++named;
    }
  }
  EXPECT_EQ(named, 83 + 72);
  const std::pair<const char*, const char*> tips[] = {
      {"dragger59", "Amp Env R2 level\nrange 0 to 100\nedits go to layer 1"},
      {"filtertype", "Filter type\n51 choices\nedits go to layer 1"},
      {"dragger25",
       "Preset knob A\nrange -1 to 127\nedits go to the preset's common values\n"
       "Initial positions of the Preset Knobs"},
      {"vel",
       "Keyboard velocity\nrange 1 to 127\nsets the keyboard player; nothing is sent\n"
       "center velocity of the keyboard"},
  };
  for (const auto& [name, tip] : tips) {
    EXPECT_EQ(FindChildByName<Tdragger>(*form, QString::fromLatin1(name))->toolTip(), tip);
  }
  form->l3->setChecked(true);
  EXPECT_EQ(FindChildByName<Tdragger>(*form, QStringLiteral("dragger1"))->toolTip(),
            "Layer vol\nrange -96 to 10\nedits go to layers 1, 3");
}

TEST_F(WindowTest, StartsOnTheLayerPageWithTheChannelGroupFocused) {
  EXPECT_EQ(form->PageControl1->currentWidget(), form->layerctrlssheet);
  EXPECT_TRUE(form->channel->isAncestorOf(QApplication::focusWidget()));
  EXPECT_EQ(form->channel->ItemIndex(), 0);
  EXPECT_EQ(form->layer->ItemIndex(), 0);
  EXPECT_TRUE(form->buffer->isChecked());
  const QStringList boxes{"l1", "l2", "l3", "l4"};
  for (const QString& name : boxes) {
    EXPECT_EQ(FindChildByName<QCheckBox>(*form, name)->isChecked(), name == "l1")
        << name.toStdString();
  }
  EXPECT_FALSE(form->params->isVisibleTo(form.get()));
  EXPECT_FALSE(form->copyto->isVisibleTo(form.get()));
  // A first run: the status bar tells that the simulator was chosen.
  EXPECT_TRUE(form->StatusBar1->currentMessage().contains(QLatin1String("Morvane Simulator")));
  EXPECT_EQ(form->engine.Velocity(), 97);
  EXPECT_EQ(form->MidiInput1.SysexBufferCount(), 32);
}

TEST_F(WindowTest, StatusBarShowsTheHintUnderThePointer) {
  auto* volume = FindChildByName<Tdragger>(*form, QStringLiteral("dragger1"));
  QTest::mouseMove(volume, QPoint(5, 5));
  QTRY_COMPARE(form->StatusBar1->currentMessage(), volume->statusTip());
  QTest::mouseMove(form->channel, QPoint(2, 20));
  QTRY_COMPARE(form->StatusBar1->currentMessage(), form->channel->statusTip());
  EXPECT_TRUE(form->channel->statusTip().contains(QLatin1Char('\n')));
}

TEST_F(WindowTest, RendersEachPage) {
  const std::pair<QWidget*, const char*> pages[] = {{form->Setupsheet, "setup"},
                                                    {form->commonsheet, "common"},
                                                    {form->layerctrlssheet, "layer"},
                                                    {form->pcsheet, "patchcords"}};
  for (const auto& [page, name] : pages) {
    const QImage picture = ShowPage(page);
    EXPECT_EQ(picture.width(), form->width());
    const QString file = QDir(QStringLiteral(MORVANE_SHOT_DIR))
                             .filePath(QStringLiteral("window-%1.png").arg(QLatin1String(name)));
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
  }
}

}  // namespace
}  // namespace morvane::editor::testing
