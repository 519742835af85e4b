#include "qt/main_window.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QWindow>
#include <utility>
#include <vector>

#include "qt/page_texts.h"
#include "qt/status_list_model.h"
#include "qt/step4_controller.h"
#include "qt/window_controls.h"
#include "platform/platform.h"
#include "stub/stub_source.h"
#include "version.h"

namespace quillet {
namespace {

// The named faces first; where a system lacks them, faces of about the same
// width, and the platform's sans serif face last.
QFont WindowFont(double points, bool bold = false) {
  QFont font(QStringList{"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial",
                         "Liberation Sans", "Nimbus Sans", "Helvetica", "DejaVu Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QFont TitleFont(double points) {
  QFont font(QStringList{"Tahoma", "Verdana", "DejaVu Sans", "Liberation Sans", "Arial"});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

QFont CodeFont(double points) {
  QFont font(QStringList{"Courier New", "Liberation Mono", "Nimbus Mono PS", "DejaVu Sans Mono"});
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPointSizeF(points);
  return font;
}

constexpr double kDefaultPoints = 8.25;
constexpr double kAboutLinePoints = 9.75;
constexpr double kProductTitlePoints = 21.75;

// Page widths, 1 to 5; every page is 6135 high.
constexpr int kPageWidths[] = {0, 7815, 7755, 7695, 7755, 7695};
constexpr int kPageHeight = 6135;

// The outer size of the window, frame included.
constexpr TwipsRect kWindowOuterSize{0, 0, 8300, 6450};

// The step buttons, 1 to 5: 1215 high at a pitch of 1200, so neighbours overlap by 15.
constexpr TwipsRect kStepButtonRects[] = {{},
                                          {0, 0, 495, 1215},
                                          {0, 1200, 495, 1215},
                                          {0, 2400, 495, 1215},
                                          {0, 3600, 495, 1215},
                                          {0, 4800, 495, 1215}};

// The status list's column widths.
constexpr int kActionColumnWidth = 1900;
constexpr int kValueColumnWidth = 2600;

QPlainTextEdit* MakeReadOnlyBox(QWidget* parent, const char* name) {
  auto* box = new QPlainTextEdit(parent);
  box->setObjectName(name);
  box->setReadOnly(true);
  // Readers may still select and copy with the keyboard; Tab moves on.
  box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box->setTabChangesFocus(true);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return box;
}

}  // namespace

MainWindow::MainWindow(ToolState& state, UserDialogs& dialogs, QWidget* parent)
    : MainWindow(state, dialogs, platform::ProgramDirectory(), parent) {}

MainWindow::MainWindow(ToolState& state, UserDialogs& dialogs, const std::string& program_directory,
                       QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs) {
  setObjectName("frmMain");
  setWindowTitle("Quillet");
  setWindowIcon(QIcon(":/images/quillet.svg"));
  // A fixed layout: the window can be moved and minimised but not resized.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(WindowFont(kDefaultPoints));

  twips_per_pixel_x_ = TwipsPerPixel(logicalDpiX());
  twips_per_pixel_y_ = TwipsPerPixel(logicalDpiY());

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  BuildWindowControls(client);
  BuildStep1Page();
  BuildStep2Page();
  BuildStep3Page();
  BuildStep4Page();
  BuildStep5Page();
  // The marker strip lies in front of the step buttons.
  txtEdge_->raise();
  SetTabOrder();

  Form_Load(program_directory);
}

// The remembered folders are saved once, when the window goes away.
MainWindow::~MainWindow() {
  SaveLastDirs(state_);
  // The controls go first: the status list's model follows status_log_, which
  // is destroyed before the base class would delete the children.
  delete takeCentralWidget();
}

QRect MainWindow::ToPixels(const TwipsRect& rect) const {
  return TwipsToQRect(rect, twips_per_pixel_x_, twips_per_pixel_y_);
}

void MainWindow::BuildWindowControls(QWidget* client) {
  // Pages first, so the buttons and the marker lie above them.
  for (int step = 1; step <= 5; ++step) {
    auto* page = new QFrame(client);
    page->setObjectName(QStringLiteral("fraStep%1").arg(step));
    page->setFrameShape(QFrame::NoFrame);
    SetFillColour(page, kPageColour);
    // Switched-off labels and boxes in grey text that stays readable on the
    // page colour and on the grey of a switched-off box.
    QPalette colours = page->palette();
    colours.setColor(QPalette::Disabled, QPalette::WindowText, WindowsColour(kGreyTextColour));
    colours.setColor(QPalette::Disabled, QPalette::Text, WindowsColour(kGreyTextColour));
    colours.setColor(QPalette::Disabled, QPalette::ButtonText, WindowsColour(kGreyTextColour));
    page->setPalette(colours);
    page->setGeometry(ToPixels({0, 0, kPageWidths[step], kPageHeight}));
    page->hide();
    pages_[step] = page;
  }

  const char* captions[] = {"", "Step 1", "Step 2", "Step 3", "Step 4", "Quillet"};
  for (int step = 1; step <= 5; ++step) {
    auto* button = new StepButton(captions[step], client);
    button->setObjectName(QStringLiteral("cmdStep%1").arg(step));
    button->setGeometry(ToPixels(kStepButtonRects[step]));
    button->SetBackColour(kIdleButtonColour);
    step_buttons_[step] = button;
  }
  connect(step_buttons_[1], &QPushButton::clicked, this, &MainWindow::cmdStep1_Click);
  connect(step_buttons_[2], &QPushButton::clicked, this, &MainWindow::cmdStep2_Click);
  connect(step_buttons_[3], &QPushButton::clicked, this, &MainWindow::cmdStep3_Click);
  connect(step_buttons_[4], &QPushButton::clicked, this, &MainWindow::cmdStep4_Click);
  connect(step_buttons_[5], &QPushButton::clicked, this, &MainWindow::cmdStep5_Click);

  // The marker strip: a borderless patch of page colour that joins the pressed
  // button to its page. Clicks go through it to the button underneath.
  txtEdge_ = new QFrame(client);
  txtEdge_->setObjectName("txtEdge");
  txtEdge_->setFrameShape(QFrame::NoFrame);
  txtEdge_->setFocusPolicy(Qt::NoFocus);
  txtEdge_->setAttribute(Qt::WA_TransparentForMouseEvents);
  SetFillColour(txtEdge_, kPageColour);
}

// The head shared by the pages of Steps 1 to 4: bold title, guidance box, rule.
void MainWindow::BuildPageHead(QFrame* page, const char* title_name, const char* title,
                               const char* text_name, const char* rule_name) {
  auto* label = new QLabel(title, page);
  label->setObjectName(title_name);
  label->setFont(WindowFont(kDefaultPoints, true));
  label->move(ToPixels({360, 0, 0, 0}).topLeft());
  label->adjustSize();

  QPlainTextEdit* box = MakeReadOnlyBox(page, text_name);
  box->setGeometry(ToPixels({360, 240, 7035, 735}));
  SetBoxBackColour(box, kPageColour);

  auto* rule = new QFrame(page);
  rule->setObjectName(rule_name);
  rule->setFrameShape(QFrame::NoFrame);
  SetFillColour(rule, kRuleColour);
  QRect line = ToPixels({0, 1050, 7740, 0});
  line.setHeight(1);  // one pixel, on any screen
  rule->setGeometry(line);
}

namespace {

// A label at `rect`; an auto-sized one keeps its Left and Top and takes the size
// of its text.
QLabel* MakeLabel(QWidget* page, const MainWindow& window, const char* name, const char* caption,
                  const TwipsRect& rect, bool auto_size) {
  auto* label = new QLabel(caption, page);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(window.ToPixels(rect));
  if (auto_size) {
    label->adjustSize();
  } else if (label->sizeHint().width() > label->width()) {
    // Where the named face is missing, a wider one must not cut the caption
    // short: the label grows to the right as far as its text needs.
    label->resize(label->sizeHint().width(), label->height());
  }
  return label;
}

PictureBox* MakePicture(QWidget* page, const MainWindow& window, int number, const TwipsRect& rect,
                        bool stretched) {
  auto* picture =
      new PictureBox(QStringLiteral(":/images/image%1.svg").arg(number), stretched, page);
  picture->setObjectName(QStringLiteral("Image%1").arg(number));
  picture->setGeometry(window.ToPixels(rect));
  return picture;
}

QLineEdit* MakeTextBox(QWidget* page, const MainWindow& window, const char* name,
                       const TwipsRect& rect) {
  auto* box = new QLineEdit(page);
  box->setObjectName(name);
  box->setGeometry(window.ToPixels(rect));
  SetBoxBackColour(box, kEnabledBoxColour);
  return box;
}

QPushButton* MakeButton(QWidget* page, const MainWindow& window, const char* name,
                        const char* caption, const TwipsRect& rect) {
  auto* button = new QPushButton(caption, page);
  button->setObjectName(name);
  button->setGeometry(window.ToPixels(rect));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

void MainWindow::BuildStep1Page() {
  QFrame* page = pages_[1];
  // Pictures before the labels, so the checklist lies in front of them.
  MakePicture(page, *this, 2, {1260, 1080, 5565, 4695}, true);
  MakePicture(page, *this, 4, {480, 1800, 1260, 2145}, false);
  BuildPageHead(page, "Label8", "1.  Gather all the materials and information needed", "txtStep1",
                "Line2");
  MakeLabel(page, *this, "Label12", "- KB Q268309 ", {5340, 1560, 0, 195}, true);
  MakeLabel(page, *this, "Label13", "- eVB", {5340, 1800, 0, 0}, true);
  MakeLabel(page, *this, "Label14", "- eVC", {5340, 2040, 0, 0}, true);
  MakeLabel(page, *this, "Label15", "- Your eVB project", {5340, 2280, 0, 0}, true);
  MakeLabel(page, *this, "Label16", "- Icon editor", {5340, 2520, 0, 0}, true);
  MakeLabel(page, *this, "Label17", "- Your icon of choice", {5340, 2760, 0, 0}, true);
}

void MainWindow::BuildStep2Page() {
  QFrame* page = pages_[2];
  MakePicture(page, *this, 10, {360, 1200, 915, 1515}, true);
  MakePicture(page, *this, 7, {1320, 1200, 1215, 1665}, true);
  MakePicture(page, *this, 8, {1560, 1290, 750, 750}, false);
  BuildPageHead(page, "Label5", "2.  Create your eVC wrapper as describe in KB article", "txtStep2",
                "Line4");

  MakeLabel(page, *this, "Label6", "Name of your eVb application:", {2700, 1560, 2130, 195}, true);
  txtAppName_ = MakeTextBox(page, *this, "txtAppName", {4920, 1440, 1275, 375});
  MakeLabel(page, *this, "Label10", ".vb", {6240, 1560, 315, 255}, false);

  Label7_ =
      MakeLabel(page, *this, "Label7", "Name for your exe wrapper:", {2880, 2040, 1950, 195}, true);
  Label7_->setEnabled(false);
  txtWrapperName_ = MakeTextBox(page, *this, "txtWrapperName", {4920, 1920, 1275, 375});
  txtWrapperName_->setEnabled(false);
  // Disabled because "Same" is checked: painted as "Same" paints it.
  SetBoxBackColour(txtWrapperName_, kDisabledBoxColour);
  MakeLabel(page, *this, "Label11", ".exe", {6240, 2040, 375, 255}, false);

  chkSame_ = new QCheckBox("Same", page);
  chkSame_->setObjectName("chkSame");
  chkSame_->setGeometry(ToPixels({6720, 1920, 735, 375}));
  chkSame_->setChecked(true);

  cmdSubstitute_ = MakeButton(page, *this, "cmdSubstitute", "&Substitute", {5520, 2400, 1095, 375});

  txtCode_ = MakeReadOnlyBox(page, "txtCode");
  txtCode_->setGeometry(ToPixels({360, 2880, 7095, 3015}));
  txtCode_->setFont(CodeFont(kDefaultPoints));
  SetBoxBackColour(txtCode_, kEnabledBoxColour);

  connect(txtAppName_, &QLineEdit::textChanged, this, &MainWindow::txtAppName_Change);
  // A click by the user, not every change of the checked state.
  connect(chkSame_, &QCheckBox::clicked, this, &MainWindow::chkSame_Click);
  connect(cmdSubstitute_, &QPushButton::clicked, this, &MainWindow::cmdSubstitute_Click);
}

void MainWindow::BuildStep3Page() {
  QFrame* page = pages_[3];
  MakePicture(page, *this, 9, {780, 2160, 2235, 3555}, true);
  MakePicture(page, *this, 5, {3360, 1800, 2625, 3465}, true);
  MakePicture(page, *this, 6, {3900, 2040, 1515, 1500}, false);
  BuildPageHead(page, "Label9", "3.  Build your eVB Project, then create distribution package",
                "txtStep3", "Line3");
  MakeLabel(page, *this, "Label18", "- Trimwell", {5340, 1200, 0, 195}, true);
  MakeLabel(page, *this, "Label19", "- Application Install Wizard", {5340, 1440, 1860, 315}, false);
}

void MainWindow::BuildStep4Page() {
  QFrame* page = pages_[4];
  MakePicture(page, *this, 12, {180, 1920, 555, 2175}, true);
  MakePicture(page, *this, 11, {4620, 3720, 1695, 495}, true);
  BuildPageHead(page, "Label4",
                "4.  Modify distribution files [most common and important use of this tool]",
                "txtStep4", "Line1");

  QLabel* inf_label = MakeLabel(
      page, *this, "Label2", "eVB Distribution Package .INF file :", {0, 1200, 2715, 255}, false);
  inf_label->setAlignment(Qt::AlignRight | Qt::AlignTop);
  MakeTextBox(page, *this, "txtDPackage", {60, 1440, 6375, 330});
  MakeButton(page, *this, "cmdDPackage", "Browse", {6540, 1440, 855, 330});

  struct WrapperRow {
    const char* label_name;
    const char* caption;
    TwipsRect label_rect;
    const char* box_name;
    const char* button_name;
    int top;  // of the box and its button
  };
  const WrapperRow rows[] = {
      {"lblWrapper",
       " eVC Wrapper .EXE file for MIPS :",
       {840, 1920, 2400, 195},
       "txtWrapper",
       "cmdWrapperBrowse",
       2160},
      {"lblWrapper2",
       " eVC Wrapper .EXE file for SH3 :",
       {840, 2520, 2325, 195},
       "txtWrapper2",
       "cmdWrapperBrowse2",
       2760},
      {"lblWrapper3",
       " eVC Wrapper .EXE file for ARM :",
       {840, 3120, 2370, 195},
       "txtWrapper3",
       "cmdWrapperBrowse3",
       3360},
  };
  // The launcher rows stay off until an INF says which processors it targets.
  for (const WrapperRow& row : rows) {
    MakeLabel(page, *this, row.label_name, row.caption, row.label_rect, false)->setEnabled(false);
    QLineEdit* box = MakeTextBox(page, *this, row.box_name, {840, row.top, 5595, 330});
    box->setEnabled(false);
    SetBoxBackColour(box, kDisabledBoxColour);
    MakeButton(page, *this, row.button_name, "Browse", {6540, row.top, 855, 330})
        ->setEnabled(false);
  }
  MakeButton(page, *this, "cmdAuto", "Make Modifications", {2760, 3750, 1575, 375})
      ->setEnabled(false);

  auto* list = new StatusView(ToPixels({0, 0, kActionColumnWidth, 0}).width(),
                              ToPixels({0, 0, kValueColumnWidth, 0}).width(),
                              ToPixels({0, 0, kValueColumnWidth, 0}).width(), page);
  list->setObjectName("lvwStatus");
  list->setGeometry(ToPixels({60, 4200, 7335, 1815}));
  list->setModel(new StatusListModel(status_log_, list));
}

void MainWindow::BuildStep5Page() {
  QFrame* page = pages_[5];
  QLabel* title = MakeLabel(page, *this, "Label3", "Quillet", {1620, 360, 4215, 975}, false);
  title->setFont(TitleFont(kProductTitlePoints));
  SetTextColour(title, kAboutTextColour);
  MakePicture(page, *this, 1, {4320, 240, 660, 690}, false);

  lblVersion_ = MakeLabel(page, *this, "lblVersion", "", {240, 2160, 7215, 375}, false);
  lblCopyright_ = MakeLabel(page, *this, "lblCopyright", "", {300, 2760, 7095, 375}, false);
  for (QLabel* line : {lblVersion_, lblCopyright_}) {
    line->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    line->setFont(WindowFont(kAboutLinePoints));
    SetTextColour(line, kAboutTextColour);
  }

  txtLicense_ = MakeReadOnlyBox(page, "txtLicense");
  txtLicense_->setGeometry(ToPixels({300, 1080, 7095, 4095}));
  txtLicense_->hide();

  cmdLicense_ = MakeButton(page, *this, "cmdLicense", "License", {3060, 5280, 1275, 375});
  connect(cmdLicense_, &QPushButton::clicked, this, &MainWindow::cmdLicense_Click);
}

// Tab starts on cmdStep4; from each step button it runs through that step's
// page (hidden pages are skipped) and on to the next button.
void MainWindow::SetTabOrder() {
  const std::array<std::pair<int, std::vector<const char*>>, 5> chain = {{
      {4,
       {"txtStep4", "txtDPackage", "cmdDPackage", "txtWrapper", "cmdWrapperBrowse", "txtWrapper2",
        "cmdWrapperBrowse2", "txtWrapper3", "cmdWrapperBrowse3", "cmdAuto", "lvwStatus"}},
      {5, {"txtLicense", "cmdLicense"}},
      {1, {"txtStep1"}},
      {2, {"txtStep2", "txtAppName", "txtWrapperName", "chkSame", "cmdSubstitute", "txtCode"}},
      {3, {"txtStep3"}},
  }};
  QWidget* previous = nullptr;
  auto link = [&previous](QWidget* next) {
    if (previous != nullptr) setTabOrder(previous, next);
    previous = next;
  };
  for (const auto& [step, names] : chain) {
    link(step_buttons_[step]);
    for (const char* name : names) link(pages_[step]->findChild<QWidget*>(name));
  }
  step_buttons_[4]->setFocus();
}

void MainWindow::Form_Load(const std::string& program_directory) {
  InitToolState(state_, program_directory);
  cmdStep4_Click();

  outer_size_ = ToPixels(kWindowOuterSize).size();
  FitOuterSize();

  for (int step = 1; step <= 4; ++step) {
    guidance_boxes_[step] =
        pages_[step]->findChild<QPlainTextEdit*>(QStringLiteral("txtStep%1").arg(step));
  }
  guidance_boxes_[1]->setPlainText(DisplayText(GetStep1Text()));
  guidance_boxes_[2]->setPlainText(DisplayText(GetStep2Text()));
  guidance_boxes_[3]->setPlainText(DisplayText(GetStep3Text()));
  guidance_boxes_[4]->setPlainText(DisplayText(GetStep4Text()));

  txtCode_->setPlainText(DisplayText(BuildStubSource("Project1.vb", "StubLauncher.exe")));

  step4_ = new Step4Controller(this, state_, dialogs_, status_log_);
}

const std::string& MainWindow::InfPath() const { return step4_->InfPath(); }

void MainWindow::DoSteps() { step4_->DoSteps(); }

void MainWindow::ResetSteps() {
  for (int step = 1; step <= 5; ++step) step_buttons_[step]->SetBackColour(kIdleButtonColour);
  for (int step = 1; step <= 5; ++step) pages_[step]->hide();
  SetFillColour(txtEdge_, kPageColour);
}

void MainWindow::PlaceStepMarker(QPushButton* button) {
  const TwipsRect bounds =
      PixelsToTwips(button->geometry(), twips_per_pixel_x_, twips_per_pixel_y_);
  const MarkerRect strip = StepMarkerRect(bounds, twips_per_pixel_x_, twips_per_pixel_y_);
  txtEdge_->setGeometry(TwipsToPixels(strip.left, twips_per_pixel_x_),
                        TwipsToPixels(strip.top, twips_per_pixel_y_),
                        TwipsToPixels(strip.width, twips_per_pixel_x_),
                        TwipsToPixels(strip.height, twips_per_pixel_y_));
}

void MainWindow::ShowStep(int step) {
  ResetSteps();
  step_buttons_[step]->SetBackColour(kPageColour);
  QFrame* page = pages_[step];
  page->raise();
  // The page's left edge follows cmdStep1's width, whichever button was pressed.
  page->move(step_buttons_[1]->width(), 0);
  page->show();
  PlaceStepMarker(step_buttons_[step]);
}

void MainWindow::cmdStep1_Click() { ShowStep(1); }
void MainWindow::cmdStep2_Click() { ShowStep(2); }
void MainWindow::cmdStep3_Click() { ShowStep(3); }
void MainWindow::cmdStep4_Click() { ShowStep(4); }

void MainWindow::cmdStep5_Click() {
  ShowStep(5);
  RefreshAboutPage();
}

void MainWindow::RefreshAboutPage() {
  lblVersion_->setText(QString::fromStdString(VersionCaption()));
  lblCopyright_->setText(QString::fromUtf8(kLegalCopyright));
  FillLicenseText();
}

void MainWindow::FillLicenseText() { txtLicense_->setPlainText(DisplayText(BuildLicenseText())); }

void MainWindow::cmdLicense_Click() {
  // Its own shown state, whether or not the window is on screen yet.
  if (!txtLicense_->isHidden()) {
    txtLicense_->hide();
    return;
  }
  txtLicense_->show();
  // Shown, it covers the version and legal-notice lines.
  txtLicense_->raise();
}

void MainWindow::txtAppName_Change() {
  if (chkSame_->isChecked()) txtWrapperName_->setText(txtAppName_->text());
}

void MainWindow::chkSame_Click() {
  if (chkSame_->isChecked()) {
    txtWrapperName_->setText(txtAppName_->text());
    SetBoxBackColour(txtWrapperName_, kDisabledBoxColour);
    txtWrapperName_->setEnabled(false);
    Label7_->setEnabled(false);
    return;
  }
  SetBoxBackColour(txtWrapperName_, kEnabledBoxColour);
  txtWrapperName_->setEnabled(true);
  Label7_->setEnabled(true);
  txtWrapperName_->setFocus();
  txtWrapperName_->selectAll();
}

void MainWindow::cmdSubstitute_Click() {
  const std::string app_file = txtAppName_->text().toStdString() + ".vb";
  const std::string launcher_file = txtWrapperName_->text().toStdString() + ".exe";
  txtCode_->setPlainText(DisplayText(BuildStubSource(app_file, launcher_file)));
}

void MainWindow::FitOuterSize() {
  QMargins frame;
  if (const QWindow* handle = windowHandle()) frame = handle->frameMargins();
  if (frame == fitted_frame_ && !minimumSize().isNull() && minimumSize() == maximumSize()) return;
  fitted_frame_ = frame;
  setFixedSize(outer_size_.width() - frame.left() - frame.right(),
               outer_size_.height() - frame.top() - frame.bottom());
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FitOuterSize();
}

// Some window systems tell the size of the frame only after the window is on
// screen, and move the window when they do.
void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (isVisible()) FitOuterSize();
}

}  // namespace quillet
