// The form table as both windows build from it: names, parents, tab order,
// fonts, colours and start states. The rectangles are checked through the
// windows themselves, which place every control from this table.
#include "wizard/form.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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

}  // namespace
}  // namespace quillet
