#include "wizard/form.h"

#include <algorithm>
#include <array>
#include <string>

namespace quillet {
namespace {

using K = ControlKind;

constexpr int kPageHeight = 6135;

constexpr std::string_view kPathBoxDescription = "Read-only: choose the file with Browse";

constexpr std::string_view kStepButtonNames[kStepCount] = {"cmdStep1", "cmdStep2", "cmdStep3",
                                                           "cmdStep4", "cmdStep5"};
constexpr std::string_view kPageNames[kStepCount] = {"fraStep1", "fraStep2", "fraStep3", "fraStep4",
                                                     "fraStep5"};

// Shorthands for the rows below; every rectangle is written as the layout
// tables give it.
constexpr ControlSpec Page(std::string_view name, int width) {
  return {.name = name,
          .kind = K::kPage,
          .rect = {0, 0, width, kPageHeight},
          .back_colour = kPageColour,
          .visible = false};
}

// The step buttons' names follow the shown page (StepButtonAccessibleName);
// the description says what the page is for.
constexpr ControlSpec StepButton(std::string_view name, int top, std::string_view caption,
                                 std::string_view description) {
  return {.name = name,
          .kind = K::kStepButton,
          .rect = {0, top, 495, 1215},
          .caption = caption,
          .back_colour = kIdleButtonColour,
          .accessible_description = description};
}

constexpr ControlSpec Picture(int page, std::string_view name, int number, TwipsRect rect,
                              bool stretched) {
  return {.name = name,
          .kind = K::kPicture,
          .page = page,
          .rect = rect,
          .stretched = stretched,
          .picture = number};
}

constexpr ControlSpec Title(int page, std::string_view name, std::string_view caption) {
  return {.name = name,
          .kind = K::kLabel,
          .page = page,
          .rect = {360, 0, 0, 0},
          .caption = caption,
          .back_colour = kPageColour,
          .font = FontRole::kPageTitle,
          .auto_size = true};
}

constexpr ControlSpec Guidance(int page, std::string_view name, std::string_view spoken) {
  return {.name = name,
          .kind = K::kTextArea,
          .page = page,
          .rect = {360, 240, 7035, 735},
          .back_colour = kPageColour,
          .accessible_name = spoken};
}

constexpr ControlSpec Rule(int page, std::string_view name) {
  return {.name = name,
          .kind = K::kRule,
          .page = page,
          .rect = {0, 1050, 7740, 0},
          .back_colour = kRuleColour};
}

constexpr ControlSpec Label(int page, std::string_view name, std::string_view caption,
                            TwipsRect rect, bool auto_size = false, bool enabled = true) {
  return {.name = name,
          .kind = K::kLabel,
          .page = page,
          .rect = rect,
          .caption = caption,
          .back_colour = kPageColour,
          .auto_size = auto_size,
          .enabled = enabled};
}

constexpr ControlSpec TextBox(int page, std::string_view name, TwipsRect rect, bool enabled,
                              std::string_view label, std::string_view description) {
  return {.name = name,
          .kind = K::kTextBox,
          .page = page,
          .rect = rect,
          .back_colour = enabled ? kEnabledBoxColour : kDisabledBoxColour,
          .enabled = enabled,
          .accessible_description = description,
          .labelled_by = label};
}

// A box that shows the path its "Browse" button chose. Typing into it would
// change the text but not the file the run uses, so it takes none.
constexpr ControlSpec PathBox(int page, std::string_view name, TwipsRect rect, bool enabled,
                              std::string_view label) {
  ControlSpec box = TextBox(page, name, rect, enabled, label, kPathBoxDescription);
  box.read_only = true;
  return box;
}

// The same control with what a screen reader says for it.
constexpr ControlSpec Spoken(ControlSpec spec, std::string_view name,
                             std::string_view description = {}) {
  spec.accessible_name = name;
  spec.accessible_description = description;
  return spec;
}

constexpr ControlSpec Button(int page, std::string_view name, std::string_view caption,
                             TwipsRect rect, bool enabled = true) {
  return {.name = name,
          .kind = K::kButton,
          .page = page,
          .rect = rect,
          .caption = caption,
          .enabled = enabled};
}

constexpr ControlSpec RightAligned(ControlSpec spec) {
  spec.align = TextAlign::kRight;
  return spec;
}

constexpr ControlSpec AboutLine(std::string_view name, TwipsRect rect) {
  return {.name = name,
          .kind = K::kLabel,
          .page = 5,
          .rect = rect,
          .back_colour = kPageColour,
          .text_colour = kAboutTextColour,
          .font = FontRole::kAboutLine,
          .align = TextAlign::kCentre};
}

constexpr auto kControls = std::to_array<ControlSpec>({
    // Window level: the pages first, so the buttons and the marker lie above them.
    Page(kPageNames[0], 7815),
    Page(kPageNames[1], 7755),
    Page(kPageNames[2], 7695),
    Page(kPageNames[3], 7755),
    Page(kPageNames[4], 7695),
    // 1215 high at a pitch of 1200: neighbours overlap by 15.
    StepButton(kStepButtonNames[0], 0, "Step 1", "Gather all the materials and information needed"),
    StepButton(kStepButtonNames[1], 1200, "Step 2", "Create your eVC wrapper"),
    StepButton(kStepButtonNames[2], 2400, "Step 3",
               "Build your eVB project, then create the distribution package"),
    StepButton(kStepButtonNames[3], 3600, "Step 4", "Modify the distribution files"),
    StepButton(kStepButtonNames[4], 4800, "Quillet", "Version, legal notice and license agreement"),
    // Placed by PlaceStepMarker; in front of the step buttons.
    {.name = "txtEdge", .kind = K::kMarker, .back_colour = kPageColour},

    // Step 1. Pictures first, so the checklist lies in front of them.
    Picture(1, "Image2", 2, {1260, 1080, 5565, 4695}, true),
    Picture(1, "Image4", 4, {480, 1800, 1260, 2145}, false),
    Title(1, "Label8", "1.  Gather all the materials and information needed"),
    Guidance(1, "txtStep1", "Step 1 guidance"),
    Rule(1, "Line2"),
    Label(1, "Label12", "- KB Q268309 ", {5340, 1560, 0, 195}, true),
    Label(1, "Label13", "- eVB", {5340, 1800, 0, 0}, true),
    Label(1, "Label14", "- eVC", {5340, 2040, 0, 0}, true),
    Label(1, "Label15", "- Your eVB project", {5340, 2280, 0, 0}, true),
    Label(1, "Label16", "- Icon editor", {5340, 2520, 0, 0}, true),
    Label(1, "Label17", "- Your icon of choice", {5340, 2760, 0, 0}, true),

    // Step 2.
    Picture(2, "Image10", 10, {360, 1200, 915, 1515}, true),
    Picture(2, "Image7", 7, {1320, 1200, 1215, 1665}, true),
    Picture(2, "Image8", 8, {1560, 1290, 750, 750}, false),
    Title(2, "Label5", "2.  Create your eVC wrapper as describe in KB article"),
    Guidance(2, "txtStep2", "Step 2 guidance"),
    Rule(2, "Line4"),
    // The two name labels end where their boxes begin: right-aligned there, a
    // wider face makes them grow to the left, away from the box.
    RightAligned(
        Label(2, "Label6", "Name of your eVb application:", {2700, 1560, 2130, 195}, true)),
    TextBox(2, "txtAppName", {4920, 1440, 1275, 375}, true, "Label6",
            "Without .vb, which is added"),
    Label(2, "Label10", ".vb", {6240, 1560, 315, 255}),
    RightAligned(
        Label(2, "Label7", "Name for your exe wrapper:", {2880, 2040, 1950, 195}, true, false)),
    // Disabled because "Same" is checked, and painted as "Same" paints it then.
    TextBox(2, "txtWrapperName", {4920, 1920, 1275, 375}, false, "Label7",
            "Without .exe, which is added; follows the application name while Same is checked"),
    Label(2, "Label11", ".exe", {6240, 2040, 375, 255}),
    {.name = "chkSame",
     .kind = K::kCheckBox,
     .page = 2,
     .rect = {6720, 1920, 735, 375},
     .caption = "Same",
     .back_colour = kPageColour,
     .checked = true,
     .accessible_description = "The exe wrapper takes the name of the eVb application"},
    Spoken(Button(2, "cmdSubstitute", "&Substitute", {5520, 2400, 1095, 375}), {},
           "Puts the two names into the code below"),
    {.name = "txtCode",
     .kind = K::kTextArea,
     .page = 2,
     .rect = {360, 2880, 7095, 3015},
     .back_colour = kEnabledBoxColour,
     .accessible_name = "eVC wrapper source code",
     .accessible_description = "Copy it into your eVC project"},

    // Step 3.
    Picture(3, "Image9", 9, {780, 2160, 2235, 3555}, true),
    Picture(3, "Image5", 5, {3360, 1800, 2625, 3465}, true),
    Picture(3, "Image6", 6, {3900, 2040, 1515, 1500}, false),
    Title(3, "Label9", "3.  Build your eVB Project, then create distribution package"),
    Guidance(3, "txtStep3", "Step 3 guidance"),
    Rule(3, "Line3"),
    Label(3, "Label18", "- Trimwell", {5340, 1200, 0, 195}, true),
    Label(3, "Label19", "- Application Install Wizard", {5340, 1440, 1860, 315}),

    // Step 4. The launcher rows stay off until an INF says which processors it targets.
    Picture(4, "Image12", 12, {180, 1920, 555, 2175}, true),
    Picture(4, "Image11", 11, {4620, 3720, 1695, 495}, true),
    Title(4, "Label4",
          "4.  Modify distribution files [most common and important use of this tool]"),
    Guidance(4, "txtStep4", "Step 4 guidance"),
    Rule(4, "Line1"),
    {.name = "Label2",
     .kind = K::kLabel,
     .page = 4,
     .rect = {0, 1200, 2715, 255},
     .caption = "eVB Distribution Package .INF file :",
     .back_colour = kPageColour,
     .align = TextAlign::kRight},
    PathBox(4, "txtDPackage", {60, 1440, 6375, 330}, true, "Label2"),
    Spoken(Button(4, "cmdDPackage", "Browse", {6540, 1440, 855, 330}), "Browse for the INF file"),
    Label(4, "lblWrapper", " eVC Wrapper .EXE file for MIPS :", {840, 1920, 2400, 195}, false,
          false),
    PathBox(4, "txtWrapper", {840, 2160, 5595, 330}, false, "lblWrapper"),
    Spoken(Button(4, "cmdWrapperBrowse", "Browse", {6540, 2160, 855, 330}, false),
           "Browse for the MIPS launcher"),
    Label(4, "lblWrapper2", " eVC Wrapper .EXE file for SH3 :", {840, 2520, 2325, 195}, false,
          false),
    PathBox(4, "txtWrapper2", {840, 2760, 5595, 330}, false, "lblWrapper2"),
    Spoken(Button(4, "cmdWrapperBrowse2", "Browse", {6540, 2760, 855, 330}, false),
           "Browse for the SH3 launcher"),
    Label(4, "lblWrapper3", " eVC Wrapper .EXE file for ARM :", {840, 3120, 2370, 195}, false,
          false),
    PathBox(4, "txtWrapper3", {840, 3360, 5595, 330}, false, "lblWrapper3"),
    Spoken(Button(4, "cmdWrapperBrowse3", "Browse", {6540, 3360, 855, 330}, false),
           "Browse for the ARM launcher"),
    Spoken(Button(4, "cmdAuto", "Make Modifications", {2760, 3750, 1575, 375}, false), {},
           "Modifies the chosen distribution package; the status list shows each action"),
    {.name = "lvwStatus",
     .kind = K::kStatusList,
     .page = 4,
     .rect = {60, 4200, 7335, 1815},
     .back_colour = kEnabledBoxColour,
     .accessible_name = "Status of the modifications"},

    // Step 5, the about page.
    {.name = "Label3",
     .kind = K::kLabel,
     .page = 5,
     .rect = {1620, 360, 4215, 975},
     .caption = "Quillet",
     .back_colour = kPageColour,
     .text_colour = kAboutTextColour,
     .font = FontRole::kProductTitle},
    Picture(5, "Image1", 1, {4320, 240, 660, 690}, false),
    AboutLine("lblVersion", {240, 2160, 7215, 375}),
    AboutLine("lblCopyright", {300, 2760, 7095, 375}),
    {.name = "txtLicense",
     .kind = K::kTextArea,
     .page = 5,
     .rect = {300, 1080, 7095, 4095},
     .visible = false,
     .accessible_name = "License agreement"},
    Spoken(Button(5, "cmdLicense", "License", {3060, 5280, 1275, 375}), {},
           "Shows or hides the license agreement"),
});

constexpr auto kTabOrder = std::to_array<std::string_view>({
    "cmdStep4",         "txtStep4",    "txtDPackage",       "cmdDPackage", "txtWrapper",
    "cmdWrapperBrowse", "txtWrapper2", "cmdWrapperBrowse2", "txtWrapper3", "cmdWrapperBrowse3",
    "cmdAuto",          "lvwStatus",   "cmdStep5",          "txtLicense",  "cmdLicense",
    "cmdStep1",         "txtStep1",    "cmdStep2",          "txtStep2",    "txtAppName",
    "txtWrapperName",   "chkSame",     "cmdSubstitute",     "txtCode",     "cmdStep3",
    "txtStep3",
});

}  // namespace

FontSpec FontOf(FontRole role) {
  switch (role) {
    case FontRole::kPageTitle:
      return {"MS Sans Serif", 8.25, true};
    case FontRole::kAboutLine:
      return {"MS Sans Serif", 9.75, false};
    case FontRole::kProductTitle:
      return {"Tahoma", 21.75, true};
    case FontRole::kDefault:
      break;
  }
  return {"MS Sans Serif", 8.25, false};
}

std::span<const ControlSpec> FormControls() { return kControls; }

const ControlSpec* FindControlSpec(std::string_view name) {
  const auto found = std::find_if(kControls.begin(), kControls.end(),
                                  [name](const ControlSpec& spec) { return spec.name == name; });
  return found == kControls.end() ? nullptr : &*found;
}

std::span<const std::string_view> TabOrder() { return kTabOrder; }

std::uint32_t TextColourOf(const ControlSpec& spec) {
  switch (spec.kind) {
    case ControlKind::kMarker:
    case ControlKind::kPicture:
    case ControlKind::kRule:
      return kSystemColour;  // no text
    default:
      break;
  }
  if (spec.text_colour != kSystemColour) return spec.text_colour;
  // A desktop theme chooses its text colour for its own backgrounds: on a dark
  // one it is light, and would vanish on the light colours the table fixes.
  return spec.back_colour != kSystemColour ? kBlackTextColour : kSystemColour;
}

bool IsDecorative(const ControlSpec& spec) {
  return spec.kind == ControlKind::kPicture || spec.kind == ControlKind::kRule ||
         spec.kind == ControlKind::kMarker;
}

namespace {

// A caption as a name: without mnemonic markers ("&&" stays one "&"), outer
// spaces and a trailing colon.
std::string SpokenCaption(std::string_view caption) {
  std::string spoken;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    spoken += caption[i];
  }
  auto trim = [&spoken] {
    const std::size_t first = spoken.find_first_not_of(' ');
    if (first == std::string::npos) {
      spoken.clear();
      return;
    }
    spoken = spoken.substr(first, spoken.find_last_not_of(' ') - first + 1);
  };
  trim();
  if (!spoken.empty() && spoken.back() == ':') {
    spoken.pop_back();
    trim();
  }
  return spoken;
}

}  // namespace

std::string AccessibleNameOf(const ControlSpec& spec) {
  if (IsDecorative(spec) || spec.kind == ControlKind::kPage) return {};
  if (spec.kind == ControlKind::kStepButton) {
    for (int step = 1; step <= kStepCount; ++step) {
      if (StepButtonName(step) == spec.name) return StepButtonAccessibleName(step, false);
    }
  }
  if (!spec.accessible_name.empty()) return std::string(spec.accessible_name);
  if (!spec.labelled_by.empty()) {
    if (const ControlSpec* label = FindControlSpec(spec.labelled_by)) {
      return SpokenCaption(label->caption);
    }
  }
  return SpokenCaption(spec.caption);
}

std::string StepButtonAccessibleName(int step, bool current) {
  std::string name = "Step " + std::to_string(step);
  if (step == kStepCount) name += ", about Quillet";
  if (current) name += ", current page";
  return name;
}

std::string StatusRowDescription(const StatusRow& row) {
  std::string outcome;
  if (row.colour == StatusColour(kStatusSuccess)) {
    outcome = "Succeeded";
  } else if (row.colour == StatusColour(kStatusFailure)) {
    outcome = "Failed";
  } else if (row.colour == StatusColour(kStatusInformation)) {
    outcome = "Command";
  }
  if (outcome.empty() || row.message.empty()) return outcome;
  return outcome + ": " + row.message;
}

PixelRect TextControlRect(const ControlSpec& spec, const PixelRect& table, int text_width,
                          int text_height) {
  PixelRect placed = table;
  if (spec.auto_size) {
    placed.width = text_width;
    placed.height = text_height;
  } else {
    placed.width = std::max(table.width, text_width);
    placed.height = std::max(table.height, text_height);
  }
  // Growth (or, for an auto-sized label, shrinking) happens on the side away
  // from the control the text names.
  const int change = placed.width - table.width;
  // A button's caption is centred, whatever the table says of alignment.
  const TextAlign align = spec.kind == ControlKind::kButton ? TextAlign::kCentre : spec.align;
  switch (align) {
    case TextAlign::kRight:
      placed.left = table.left - change;
      break;
    case TextAlign::kCentre:
      placed.left = table.left - change / 2;
      break;
    case TextAlign::kLeft:
      break;
  }
  placed.left = std::max(placed.left, std::min(table.left, 0));
  return placed;
}

std::string_view StepButtonName(int step) { return kStepButtonNames[step - 1]; }

std::string_view PageName(int step) { return kPageNames[step - 1]; }

}  // namespace quillet
