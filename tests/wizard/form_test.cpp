// The form table as both windows build from it: names, parents, tab order,
// fonts, colours and start states. The rectangles are checked through the
// windows themselves, which place every control from this table.
#include "wizard/form.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "status/status_log.h"

namespace quillet {
namespace {

TEST(FormTest, NamesAreUniqueAndPagesComeBeforeTheirControls) {
  std::set<std::string_view> names;
  std::set<int> pages_seen;
  for (const ControlSpec& spec : FormControls()) {
    EXPECT_TRUE(names.insert(spec.name).second) << "twice: " << spec.name;
    EXPECT_EQ(FindControlSpec(spec.name), &spec);
    if (spec.kind == ControlKind::kPage) {
      EXPECT_EQ(spec.page, 0);
      pages_seen.insert(static_cast<int>(pages_seen.size()) + 1);
      continue;
    }
    EXPECT_GE(spec.page, 0) << spec.name;
    EXPECT_LE(spec.page, kStepCount) << spec.name;
    if (spec.page > 0) {
      EXPECT_TRUE(pages_seen.count(spec.page)) << spec.name;
    }
  }
  EXPECT_EQ(FindControlSpec("frmMain"), nullptr);
  EXPECT_EQ(FindControlSpec("nothing"), nullptr);
  for (int step = 1; step <= kStepCount; ++step) {
    const ControlSpec* page = FindControlSpec(PageName(step));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->kind, ControlKind::kPage);
    EXPECT_FALSE(page->visible);
    EXPECT_EQ(page->rect.height, 6135);
    const ControlSpec* button = FindControlSpec(StepButtonName(step));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->kind, ControlKind::kStepButton);
    EXPECT_EQ(button->rect, (TwipsRect{0, (step - 1) * 1200, 495, 1215}));
    EXPECT_EQ(button->back_colour, kIdleButtonColour);
  }
  // The marker strip lies in front of the step buttons: later in the table.
  EXPECT_GT(FindControlSpec("txtEdge"), FindControlSpec(StepButtonName(kStepCount)));
}

TEST(FormTest, TabOrderStartsOnStepFourAndVisitsEveryInputOnce) {
  const auto order = TabOrder();
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), "cmdStep4");
  std::set<std::string_view> visited;
  for (const std::string_view name : order) {
    EXPECT_TRUE(visited.insert(name).second) << "twice: " << name;
    EXPECT_NE(FindControlSpec(name), nullptr) << name;
  }
  // Everything a user can type into, press or read with the keyboard.
  for (const ControlSpec& spec : FormControls()) {
    const bool focusable =
        spec.kind == ControlKind::kStepButton || spec.kind == ControlKind::kButton ||
        spec.kind == ControlKind::kTextBox || spec.kind == ControlKind::kTextArea ||
        spec.kind == ControlKind::kCheckBox || spec.kind == ControlKind::kStatusList;
    EXPECT_EQ(visited.count(spec.name) == 1, focusable) << spec.name;
  }
}

TEST(FormTest, FontsAndColoursFollowTheTables) {
  struct FontCase {
    FontRole role;
    std::string_view face;
    double points;
    bool bold;
  };
  const FontCase fonts[] = {{FontRole::kDefault, "MS Sans Serif", 8.25, false},
                            {FontRole::kPageTitle, "MS Sans Serif", 8.25, true},
                            {FontRole::kAboutLine, "MS Sans Serif", 9.75, false},
                            {FontRole::kProductTitle, "Tahoma", 21.75, true}};
  for (const FontCase& f : fonts) {
    const FontSpec spec = FontOf(f.role);
    EXPECT_EQ(spec.face, f.face);
    EXPECT_EQ(spec.points, f.points);
    EXPECT_EQ(spec.bold, f.bold);
  }

  struct ControlCase {
    const char* name;
    FontRole font;
    std::uint32_t back;
    std::uint32_t text;
  };
  const ControlCase controls[] = {
      {"Label8", FontRole::kPageTitle, kPageColour, kSystemColour},
      {"Label4", FontRole::kPageTitle, kPageColour, kSystemColour},
      {"txtStep1", FontRole::kDefault, kPageColour, kSystemColour},
      {"Line1", FontRole::kDefault, 0x400000, kSystemColour},
      {"Label6", FontRole::kDefault, kPageColour, kSystemColour},
      {"chkSame", FontRole::kDefault, kPageColour, kSystemColour},
      // The code box uses the window's font, as all other text does.
      {"txtCode", FontRole::kDefault, 0xFFFFFF, kSystemColour},
      {"txtAppName", FontRole::kDefault, 0xFFFFFF, kSystemColour},
      {"txtWrapperName", FontRole::kDefault, 0xC0C0C0, kSystemColour},
      {"txtWrapper", FontRole::kDefault, 0xC0C0C0, kSystemColour},
      {"Label3", FontRole::kProductTitle, kPageColour, 0x800000},
      {"lblVersion", FontRole::kAboutLine, kPageColour, 0x800000},
      {"lblCopyright", FontRole::kAboutLine, kPageColour, 0x800000},
      {"fraStep3", FontRole::kDefault, 0xFFC0C0, kSystemColour},
      {"txtEdge", FontRole::kDefault, 0xFFC0C0, kSystemColour},
  };
  for (const ControlCase& c : controls) {
    const ControlSpec* spec = FindControlSpec(c.name);
    ASSERT_NE(spec, nullptr) << c.name;
    EXPECT_EQ(spec->font, c.font) << c.name;
    EXPECT_EQ(spec->back_colour, c.back) << c.name;
    EXPECT_EQ(spec->text_colour, c.text) << c.name;
  }
  EXPECT_EQ(FindControlSpec("Label2")->align, TextAlign::kRight);
  EXPECT_EQ(FindControlSpec("lblVersion")->align, TextAlign::kCentre);
}

TEST(FormTest, StartStatesAreTheTables) {
  const char* disabled[] = {"Label7",      "txtWrapperName",    "lblWrapper",
                            "txtWrapper",  "cmdWrapperBrowse",  "lblWrapper2",
                            "txtWrapper2", "cmdWrapperBrowse2", "lblWrapper3",
                            "txtWrapper3", "cmdWrapperBrowse3", "cmdAuto"};
  std::set<std::string_view> off(std::begin(disabled), std::end(disabled));
  for (const ControlSpec& spec : FormControls()) {
    EXPECT_EQ(spec.enabled, off.count(spec.name) == 0) << spec.name;
    const bool hidden = spec.kind == ControlKind::kPage || spec.name == "txtLicense";
    EXPECT_EQ(spec.visible, !hidden) << spec.name;
    EXPECT_EQ(spec.checked, spec.name == "chkSame") << spec.name;
  }
  EXPECT_EQ(kWindowOuterWidth, 8300);
  EXPECT_EQ(kWindowOuterHeight, 6450);
  EXPECT_EQ(kStatusColumns[0].header, "Action");
  EXPECT_EQ(kStatusColumns[0].width, 1900);
  EXPECT_EQ(kStatusColumns[1].header, "Value 1");
  EXPECT_EQ(kStatusColumns[2].header, "Value 2");
  EXPECT_EQ(kStatusColumns[2].width, 2600);
}

TEST(FormTest, EveryControlAScreenReaderMeetsHasANameThatTellsItApart) {
  struct Case {
    const char* control;
    const char* name;
  };
  // Everything the keyboard reaches, as announced with the Step 4 page shown.
  const Case cases[] = {
      {"cmdStep1", "Step 1"},
      {"cmdStep2", "Step 2"},
      {"cmdStep3", "Step 3"},
      {"cmdStep4", "Step 4"},
      {"cmdStep5", "Step 5, about Quillet"},
      {"txtStep1", "Step 1 guidance"},
      {"txtStep2", "Step 2 guidance"},
      {"txtStep3", "Step 3 guidance"},
      {"txtStep4", "Step 4 guidance"},
      {"txtAppName", "Name of your eVb application"},
      {"txtWrapperName", "Name for your exe wrapper"},
      {"chkSame", "Same"},
      {"cmdSubstitute", "Substitute"},
      {"txtCode", "eVC wrapper source code"},
      {"txtDPackage", "eVB Distribution Package .INF file"},
      {"cmdDPackage", "Browse for the INF file"},
      {"txtWrapper", "eVC Wrapper .EXE file for MIPS"},
      {"cmdWrapperBrowse", "Browse for the MIPS launcher"},
      {"txtWrapper2", "eVC Wrapper .EXE file for SH3"},
      {"cmdWrapperBrowse2", "Browse for the SH3 launcher"},
      {"txtWrapper3", "eVC Wrapper .EXE file for ARM"},
      {"cmdWrapperBrowse3", "Browse for the ARM launcher"},
      {"cmdAuto", "Make Modifications"},
      {"lvwStatus", "Status of the modifications"},
      {"txtLicense", "License agreement"},
      {"cmdLicense", "License"},
  };
  std::set<std::string> names;
  std::set<std::string_view> named;
  for (const Case& c : cases) {
    const ControlSpec* spec = FindControlSpec(c.control);
    ASSERT_NE(spec, nullptr) << c.control;
    EXPECT_EQ(AccessibleNameOf(*spec), c.name) << c.control;
    EXPECT_TRUE(names.insert(c.name).second) << "twice: " << c.name;
    named.insert(c.control);
  }
  const auto order = TabOrder();
  EXPECT_EQ(named, std::set<std::string_view>(order.begin(), order.end()));

  // Labels are read by their text; decoration and the pages have no name.
  for (const ControlSpec& spec : FormControls()) {
    const std::string name = AccessibleNameOf(spec);
    if (IsDecorative(spec) || spec.kind == ControlKind::kPage) {
      EXPECT_EQ(name, "") << spec.name;
    } else if (spec.kind == ControlKind::kLabel) {
      EXPECT_NE(std::string(spec.caption).find(name), std::string::npos) << spec.name;
      EXPECT_EQ(name.empty(), spec.caption.empty()) << spec.name;  // set at run time
      if (!name.empty()) {
        EXPECT_NE(name.front(), ' ') << spec.name;
        EXPECT_NE(name.back(), ':') << spec.name;
      }
    }
  }
  EXPECT_TRUE(IsDecorative(*FindControlSpec("Image11")));
  EXPECT_TRUE(IsDecorative(*FindControlSpec("Line1")));
  EXPECT_TRUE(IsDecorative(*FindControlSpec("txtEdge")));
  EXPECT_FALSE(IsDecorative(*FindControlSpec("Label2")));

  EXPECT_EQ(StepButtonAccessibleName(4, true), "Step 4, current page");
  EXPECT_EQ(StepButtonAccessibleName(1, false), "Step 1");
  EXPECT_EQ(StepButtonAccessibleName(5, true), "Step 5, about Quillet, current page");
  EXPECT_EQ(FindControlSpec("cmdStep2")->accessible_description, "Create your eVC wrapper");
  EXPECT_EQ(FindControlSpec("txtDPackage")->accessible_description,
            "Read-only: choose the file with Browse");
}

TEST(FormTest, EachBoxIsTiedToTheLabelBesideOrAboveIt) {
  struct Pair {
    const char* box;
    const char* label;
    bool beside;  // else above
  };
  const Pair pairs[] = {
      {"txtAppName", "Label6", true},        {"txtWrapperName", "Label7", true},
      {"txtDPackage", "Label2", false},      {"txtWrapper", "lblWrapper", false},
      {"txtWrapper2", "lblWrapper2", false}, {"txtWrapper3", "lblWrapper3", false},
  };
  std::set<std::string_view> tied;
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.box);
    const ControlSpec& box = *FindControlSpec(p.box);
    const ControlSpec& label = *FindControlSpec(p.label);
    EXPECT_EQ(box.labelled_by, p.label);
    EXPECT_EQ(label.kind, ControlKind::kLabel);
    EXPECT_EQ(label.page, box.page);
    if (p.beside) {
      // A label left of its box ends before it, right-aligned, so that a wider
      // face makes it grow away from the box.
      EXPECT_LT(label.rect.left + label.rect.width, box.rect.left);
      EXPECT_EQ(label.align, TextAlign::kRight);
    } else {
      // Above it (the INF label's rectangle reaches one pixel into its box).
      EXPECT_LT(label.rect.top, box.rect.top);
      EXPECT_LE(label.rect.top + label.rect.height, box.rect.top + 15);
    }
    tied.insert(p.box);
  }
  for (const ControlSpec& spec : FormControls()) {
    if (tied.count(spec.name) == 0) {
      EXPECT_EQ(spec.labelled_by, "") << spec.name;
    }
  }
  // Still where the tables put them.
  EXPECT_EQ(FindControlSpec("Label6")->rect, (TwipsRect{2700, 1560, 2130, 195}));
  EXPECT_EQ(FindControlSpec("Label7")->rect, (TwipsRect{2880, 2040, 1950, 195}));
}

TEST(FormTest, OnlyThePathBoxesAreReadOnly) {
  const std::set<std::string_view> path_boxes = {"txtDPackage", "txtWrapper", "txtWrapper2",
                                                 "txtWrapper3"};
  for (const ControlSpec& spec : FormControls()) {
    EXPECT_EQ(spec.read_only, path_boxes.count(spec.name) == 1) << spec.name;
  }
}

TEST(FormTest, TextReadsOnEveryBackgroundTheTablesFix) {
  EXPECT_DOUBLE_EQ(ContrastRatio(0x000000, 0xFFFFFF), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(0xFFFFFF, 0x000000), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kPageColour, kPageColour), 1.0);
  EXPECT_NEAR(ContrastRatio(0x777777, 0xFFFFFF), 4.48, 0.01);
  EXPECT_NEAR(ContrastRatio(kBlackTextColour, kPageColour), 12.2, 0.1);

  int fixed = 0;
  for (const ControlSpec& spec : FormControls()) {
    SCOPED_TRACE(spec.name);
    const std::uint32_t text = TextColourOf(spec);
    if (spec.back_colour == kSystemColour || IsDecorative(spec)) {
      // Both colours from the desktop's theme, which pairs them.
      EXPECT_EQ(text, kSystemColour);
      continue;
    }
    ++fixed;
    ASSERT_NE(text, kSystemColour);
    EXPECT_GE(ContrastRatio(text, spec.back_colour), 4.5);
    // Boxes and step buttons change colour at run time.
    if (spec.kind == ControlKind::kTextBox || spec.kind == ControlKind::kStepButton) {
      for (std::uint32_t back : {kEnabledBoxColour, kDisabledBoxColour, kPageColour}) {
        EXPECT_GE(ContrastRatio(text, back), 4.5);
      }
    }
  }
  EXPECT_GT(fixed, 40);
  EXPECT_EQ(TextColourOf(*FindControlSpec("lblVersion")), kAboutTextColour);
  EXPECT_EQ(TextColourOf(*FindControlSpec("Label6")), kBlackTextColour);
  EXPECT_EQ(TextColourOf(*FindControlSpec("cmdAuto")), kSystemColour);
  EXPECT_EQ(FindControlSpec("lvwStatus")->back_colour, kEnabledBoxColour);
  EXPECT_EQ(kClientColour, kPageColour);

  // The status colours are the tables'; black, blue and red are bold text
  // that reads, the green of a success row does not (1.4:1): the row's check
  // mark says the same.
  EXPECT_GE(ContrastRatio(StatusColour(kStatusInformation), kEnabledBoxColour), 4.5);
  EXPECT_GE(ContrastRatio(StatusColour(0), kEnabledBoxColour), 4.5);
  EXPECT_NEAR(ContrastRatio(StatusColour(kStatusFailure), kEnabledBoxColour), 4.0, 0.01);
  EXPECT_NEAR(ContrastRatio(StatusColour(kStatusSuccess), kEnabledBoxColour), 1.37, 0.01);
}

TEST(FormTest, TextThatNeedsMoreRoomGrowsAwayFromWhatItNames) {
  struct Case {
    const char* name;
    TextAlign align;
    bool auto_size;
    PixelRect table;
    int text_width;
    int text_height;
    PixelRect placed;
  };
  const Case cases[] = {
      {"auto-sized takes its text's size",
       TextAlign::kLeft,
       true,
       {24, 0, 0, 0},
       300,
       13,
       {24, 0, 300, 13}},
      {"right-aligned auto-sized keeps its right edge",
       TextAlign::kRight,
       true,
       {180, 104, 142, 13},
       160,
       14,
       {162, 104, 160, 14}},
      {"right-aligned auto-sized narrower text",
       TextAlign::kRight,
       true,
       {180, 104, 142, 13},
       130,
       13,
       {192, 104, 130, 13}},
      {"text that fits keeps the table",
       TextAlign::kLeft,
       false,
       {56, 128, 160, 13},
       150,
       12,
       {56, 128, 160, 13}},
      {"left-aligned grows right",
       TextAlign::kLeft,
       false,
       {448, 128, 49, 25},
       55,
       20,
       {448, 128, 55, 25}},
      {"centred grows both ways",
       TextAlign::kCentre,
       false,
       {16, 144, 481, 25},
       491,
       25,
       {11, 144, 491, 25}},
      {"right-aligned grows left",
       TextAlign::kRight,
       false,
       {0, 80, 181, 17},
       170,
       17,
       {0, 80, 181, 17}},
      {"never past the page's left edge",
       TextAlign::kRight,
       false,
       {0, 80, 181, 17},
       200,
       17,
       {0, 80, 200, 17}},
      {"taller grows down",
       TextAlign::kLeft,
       false,
       {56, 128, 160, 13},
       100,
       15,
       {56, 128, 160, 15}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ControlSpec spec{.name = "x", .kind = ControlKind::kLabel};
    spec.align = c.align;
    spec.auto_size = c.auto_size;
    EXPECT_EQ(TextControlRect(spec, c.table, c.text_width, c.text_height), c.placed);
  }
  // A button's caption is centred: it grows on both sides.
  const ControlSpec& make = *FindControlSpec("cmdAuto");
  EXPECT_EQ(TextControlRect(make, {184, 250, 105, 25}, 113, 20), (PixelRect{180, 250, 113, 25}));
  EXPECT_EQ(TextControlRect(make, {184, 250, 105, 25}, 90, 20), (PixelRect{184, 250, 105, 25}));
}

}  // namespace
}  // namespace quillet
