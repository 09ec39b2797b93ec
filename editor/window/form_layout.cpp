#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

#include "handler_guard.h"
#include "layer_check_box.h"
#include "mask_edit.h"
#include "name_validator.h"
#include "radio_group.h"
#include "status_bar.h"
#include "tdragger.h"
#include "tform1.h"
#include "tmrvbox.h"

namespace morvane::editor {

namespace {

using controls::Tmrvbox;

struct Rect {
  int left;
  int top;
  int width;
  int height;
};

struct LabelPlace {
  const char* text;
  int left;
  int top;
};

constexpr int kChannelCount = 16;
constexpr int kChannelColumns = 9;
constexpr int kLayerCount = 4;
constexpr int kPatchnameMaxLength = 16;
constexpr int kParamvalueMaxLength = 6;

constexpr Rect kChannelPlace{0, -2, 329, 44};
constexpr Rect kBufferPlace{289, 16, 33, 17};
constexpr Rect kSelectPlace{0, 42, 181, 28};
constexpr std::array<Rect, kLayerCount> kLayerBoxPlaces{
    {{43, 9, 33, 17}, {75, 9, 33, 17}, {107, 9, 33, 17}, {139, 9, 33, 17}}};
constexpr Rect kLayerPlace{183, 42, 146, 28};
constexpr Rect kMutePlace{281, 74, 48, 17};
constexpr Rect kPageControlPlace{0, 72, 329, 435};
constexpr Rect kStatusBarPlace{0, 508, 331, 19};

constexpr Rect kMidioutPlace{72, 16, 217, 21};
constexpr Rect kMidiinPlace{72, 40, 217, 21};
constexpr Rect kShowhintPlace{120, 88, 73, 17};
constexpr Rect kPatchnamePlace{8, 8, 153, 21};
constexpr Rect kInstrPlace{8, 8, 289, 21};
constexpr Rect kParamsPlace{104, 328, 193, 21};
constexpr Rect kParamvaluePlace{176, 352, 121, 21};
constexpr Rect kCopyfromPlace{16, 322, 41, 65};
constexpr Rect kCopytoPlace{57, 322, 41, 65};

constexpr std::array<LabelPlace, 2> kSetupLabels{{{"OUT", 32, 21}, {"IN", 36, 45}}};
constexpr std::array<LabelPlace, 5> kLayerLabels{{{"LFO1", 16, 153},
                                                  {"LFO2", 16, 167},
                                                  {"Amp Env", 120, 184},
                                                  {"Filter Env", 118, 229},
                                                  {"Aux Env", 119, 276}}};
constexpr std::array<LabelPlace, 6> kPatchcordLabels{
    {{"1", 9, 16}, {"5", 9, 78}, {"9", 9, 142}, {"13", 6, 204}, {"17", 6, 266}, {"21", 5, 330}}};
// Column headings above the first row, at the columns' left edges.
constexpr std::array<LabelPlace, 3> kPatchcordHeadings{
    {{"source", 21, 2}, {"destination", 141, 2}, {"amount", 263, 2}}};
constexpr Rect kSendWhileDraggingPlace{120, 108, 130, 17};

const QString kChannelHint = QStringLiteral(
    "If \"BF option\" is checked, MIDI channel that the editor operates on. \n"
    "If \"BF option\" is not checked, these will be the preset number 0 to 15. Any changes made "
    "on the editor will be written to the Morvane memory.");
const QString kBufferHint = QStringLiteral(
    "To be safe, keep this option checked at all time. This will prevent the editor to write "
    "directly on to the Morvane memory.");
const QString kSelectHint = QStringLiteral(
    "the Layers that changes on the editor will affect.\nShift+click to select only one.");
const QString kLayerHint = QStringLiteral("the data of the Layer that the editor is showing");
const QString kMuteHint =
    QStringLiteral("Mute/Unmute the Layer whose data is showing on the editor");
const QString kPatchnameHint =
    QStringLiteral("type preset name and press Enter. The fourth character must be \":\"");
const QString kSendWhileDraggingHint =
    QStringLiteral("Send each value to the module while you drag, not only when you let go");
const QString kParamvalueMask = QStringLiteral("!######;1; ");
const QString kParamvalueStart = QStringLiteral("      ");

void Place(QWidget& widget, const Rect& place) {
  widget.setGeometry(place.left, place.top, place.width, place.height);
}

void SetHint(QWidget& widget, const QString& hint) {
  widget.setToolTip(hint);
  widget.setStatusTip(hint);
}

QStringList NumberItems(int count) {
  QStringList items;
  for (int number = 1; number <= count; ++number) {
    items << QString::number(number);
  }
  return items;
}

void AddLabels(QWidget* parent, std::span<const LabelPlace> labels) {
  for (const LabelPlace& label : labels) {
    auto* text = new QLabel(QString::fromLatin1(label.text), parent);
    text->move(label.left, label.top);
    text->adjustSize();
  }
}

TRadioGroup* MakeRadioGroup(QWidget* parent, const QString& name, const QString& caption,
                            int itemCount, int columns, const Rect& place) {
  auto* group = new TRadioGroup(parent);
  group->setObjectName(name);
  group->setTitle(caption);
  Place(*group, place);
  group->setColumns(columns);
  group->setItems(NumberItems(itemCount));
  group->setItemIndex(0);
  return group;
}

Tmrvbox* MakeListBox(QWidget* parent, const QString& name, const Rect& place, const QString& tag1,
                     const QString& tag2) {
  auto* box = new Tmrvbox(parent);
  box->setObjectName(name);
  Place(*box, place);
  box->setItemHeight(Tmrvbox::kDefaultItemHeight);
  box->setTag1(tag1);
  box->setTag2(tag2);
  return box;
}

// A page's panel fills the page; the value controls lie on it at their own places.
QFrame* MakePanel(QWidget* page, const QString& name, bool lowered) {
  auto* panel = new QFrame(page);
  panel->setObjectName(name);
  if (lowered) {
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
  } else {
    panel->setFrameStyle(QFrame::NoFrame);
  }
  auto* fill = new QVBoxLayout(page);
  fill->setContentsMargins(0, 0, 0, 0);
  fill->addWidget(panel);
  return panel;
}

QWidget* AddPage(QTabWidget& pages, const QString& name, const QString& caption) {
  auto* page = new QWidget();
  page->setObjectName(name);
  pages.addTab(page, caption);
  return page;
}

}  // namespace

void TForm1::BuildTopStrip() {
  channel = MakeRadioGroup(FClient, QStringLiteral("channel"), QStringLiteral("Channel"),
                           kChannelCount, kChannelColumns, kChannelPlace);
  SetHint(*channel, kChannelHint);
  ConnectGuarded(channel, &TRadioGroup::OnClick, this, &TForm1::channelClick);

  buffer = new QCheckBox(QStringLiteral("BF"), FClient);
  buffer->setObjectName(QStringLiteral("buffer"));
  Place(*buffer, kBufferPlace);
  buffer->setChecked(true);
  SetHint(*buffer, kBufferHint);

  select = new QGroupBox(QStringLiteral("select"), FClient);
  select->setObjectName(QStringLiteral("select"));
  Place(*select, kSelectPlace);
  SetHint(*select, kSelectHint);
  const std::array<TLayerCheckBox**, kLayerCount> boxes{&l1, &l2, &l3, &l4};
  for (int index = 0; index < kLayerCount; ++index) {
    const QString digit = QString::number(index + 1);
    auto* box = new TLayerCheckBox(digit, select);
    box->setObjectName(QStringLiteral("l") + digit);
    Place(*box, kLayerBoxPlaces[static_cast<std::size_t>(index)]);
    box->setChecked(index == 0);
    ConnectGuarded(box, &TLayerCheckBox::OnMouseUp, this, &TForm1::l2MouseUp);
    *boxes[static_cast<std::size_t>(index)] = box;
  }

  layer = MakeRadioGroup(FClient, QStringLiteral("layer"), QStringLiteral("Layer"), kLayerCount,
                         kLayerCount, kLayerPlace);
  SetHint(*layer, kLayerHint);
  ConnectGuarded(layer, &TRadioGroup::OnClick, this, &TForm1::layerClick);
}

void TForm1::BuildPages() {
  PageControl1 = new QTabWidget(FClient);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  Place(*PageControl1, kPageControlPlace);
  Setupsheet = AddPage(*PageControl1, QStringLiteral("Setupsheet"), QStringLiteral("Setup"));
  commonsheet = AddPage(*PageControl1, QStringLiteral("commonsheet"), QStringLiteral("Common"));
  layerctrlssheet =
      AddPage(*PageControl1, QStringLiteral("layerctrlssheet"), QStringLiteral("Layer"));
  pcsheet = AddPage(*PageControl1, QStringLiteral("pcsheet"), QStringLiteral("Patchcords"));
  BuildSetupPage();
  BuildCommonPage();
  BuildLayerPage();
  BuildPatchcordsPage();
  PageControl1->setCurrentWidget(layerctrlssheet);
  ConnectGuarded(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);

  // The button stands over the right end of the tab row.
  mute = new QPushButton(QStringLiteral("mute"), FClient);
  mute->setObjectName(QStringLiteral("mute"));
  Place(*mute, kMutePlace);
  SetHint(*mute, kMuteHint);
  mute->setCheckable(true);
  ConnectGuarded(mute, &QPushButton::clicked, this, &TForm1::muteClick);
}

void TForm1::BuildSetupPage() {
  Panel1 = MakePanel(Setupsheet, QStringLiteral("Panel1"), true);
  AddLabels(Panel1, kSetupLabels);
  midiout = MakeListBox(Panel1, QStringLiteral("midiout"), kMidioutPlace, QStringLiteral("00"),
                        QStringLiteral("00"));
  ConnectGuarded(midiout, &Tmrvbox::OnChange, this, &TForm1::midioutChange);
  midiin = MakeListBox(Panel1, QStringLiteral("midiin"), kMidiinPlace, QStringLiteral("00"),
                       QStringLiteral("00"));
  ConnectGuarded(midiin, &Tmrvbox::OnChange, this, &TForm1::midiinChange);
  BuildValueControls(parammap::Page::Setup, Panel1);
  showhint = new QCheckBox(QStringLiteral("showhint"), Panel1);
  showhint->setObjectName(QStringLiteral("showhint"));
  Place(*showhint, kShowhintPlace);
  showhint->setChecked(true);
  ConnectGuarded(showhint, &QCheckBox::clicked, this, &TForm1::showhintClick);

  senddragging = new QCheckBox(QStringLiteral("Send while dragging"), Panel1);
  senddragging->setObjectName(QStringLiteral("senddragging"));
  Place(*senddragging, kSendWhileDraggingPlace);
  SetHint(*senddragging, kSendWhileDraggingHint);
  ConnectGuarded(senddragging, &QCheckBox::clicked, this, &TForm1::senddraggingClick);
}

void TForm1::BuildCommonPage() {
  commonctrls = MakePanel(commonsheet, QStringLiteral("commonctrls"), false);
  patchname = new QLineEdit(commonctrls);
  patchname->setObjectName(QStringLiteral("patchname"));
  Place(*patchname, kPatchnamePlace);
  patchname->setMaxLength(kPatchnameMaxLength);
  FNameValidator = new TNameValidator(patchname);
  patchname->setValidator(FNameValidator);
  connect(FNameValidator, &TNameValidator::OnLettersReplaced, this,
          [this](const QString& note) { StatusBar1->showMessage(note); });
  SetHint(*patchname, kPatchnameHint);
  ConnectGuarded(patchname, &QLineEdit::returnPressed, this, &TForm1::patchnameKeyPress);
  BuildValueControls(parammap::Page::Common, commonctrls);
}

void TForm1::BuildLayerPage() {
  layerctrls = MakePanel(layerctrlssheet, QStringLiteral("layerctrls"), true);
  instr = MakeListBox(layerctrls, QStringLiteral("instr"), kInstrPlace, QStringLiteral("01"),
                      QStringLiteral("0B"));
  ConnectGuarded(instr, &Tmrvbox::OnChange, this, &TForm1::instrChange);
  BuildValueControls(parammap::Page::Layer, layerctrls);
  AddLabels(layerctrls, kLayerLabels);

  params = MakeListBox(layerctrls, QStringLiteral("params"), kParamsPlace, QStringLiteral("00"),
                       QStringLiteral("00"));
  params->setVisible(false);
  ConnectGuarded(params, &Tmrvbox::OnChange, this, &TForm1::paramsChange);

  paramvalue = new TMaskEdit(layerctrls);
  paramvalue->setObjectName(QStringLiteral("paramvalue"));
  Place(*paramvalue, kParamvaluePlace);
  paramvalue->setEditMask(kParamvalueMask);
  paramvalue->setMaxLength(kParamvalueMaxLength);
  paramvalue->setText(kParamvalueStart);
  paramvalue->setVisible(false);
  ConnectGuarded(paramvalue, &QLineEdit::returnPressed, this, &TForm1::paramvalueKeyPress);

  copyfrom = MakeRadioGroup(layerctrls, QStringLiteral("copyfrom"), QStringLiteral("From"),
                            kLayerCount, 1, kCopyfromPlace);
  copyfrom->setVisible(false);
  copyto = MakeRadioGroup(layerctrls, QStringLiteral("copyto"), QStringLiteral("To"), kLayerCount,
                          1, kCopytoPlace);
  copyto->setVisible(false);
  ConnectGuarded(copyto, &TRadioGroup::OnClick, this, &TForm1::copytoClick);
}

void TForm1::BuildPatchcordsPage() {
  patchcords = MakePanel(pcsheet, QStringLiteral("patchcords"), true);
  AddLabels(patchcords, kPatchcordLabels);
  AddLabels(patchcords, kPatchcordHeadings);
  BuildValueControls(parammap::Page::Patchcords, patchcords);
}

void TForm1::BuildStatusBar() {
  FStatusBar = new TStatusBar(FClient);
  StatusBar1 = FStatusBar;
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  Place(*StatusBar1, kStatusBarPlace);
}

}  // namespace morvane::editor
