#include "wizard/page_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/crlf_lines.h"

namespace quillet {
namespace {

using testing_support::SplitCrLf;

// Every text is CR LF joined: no lone CR or LF, and no tab.
void ExpectOnlyCrLfBreaks(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].find_first_of("\r\n\t"), std::string::npos) << "line " << i + 1;
  }
}

TEST(PageTexts, GuidanceTextsHaveTheirLineCountsAndNoFinalBreak) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t lines;
  };
  const Case cases[] = {{"Step 1", GetStep1Text(), 15},
                        {"Step 2", GetStep2Text(), 7},
                        {"Step 3", GetStep3Text(), 7},
                        {"Step 4", GetStep4Text(), 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto lines = SplitCrLf(c.text);
    EXPECT_EQ(lines.size(), c.lines);
    ExpectOnlyCrLfBreaks(lines);
    ASSERT_FALSE(c.text.empty());
    EXPECT_NE(c.text.back(), '\n');
    EXPECT_NE(c.text.front(), '\r');
    EXPECT_FALSE(lines.back().empty());
  }
}

TEST(PageTexts, Step1ListsWhatTheDeveloperNeeds) {
  const auto lines = SplitCrLf(GetStep1Text());
  ASSERT_EQ(lines.size(), 15u);
  const std::string first_sentence =
      "The first step, that I recommend you take to successfully distribute your eVB application "
      "with it's own unique icon, is to get a hold of the right Knowledge Base article that "
      "describes the details of this process.";
  EXPECT_EQ(lines[0], first_sentence + "     KB Article ID:Q268309");
  const std::vector<std::pair<std::size_t, std::string>> fixed = {
      {2, "HOWTO: Associate an Icon with an eVB Application"},
      {3, "Provided by Microsoft Product Support Services"},
      {4, ""},
      {5, "At the time of this product release the KB article could be found at:"},
      {6, ""},
      {8, ""},
      {9, "You will also need:"},
      {10, "-   EVB"},
      {11, "-   EVC"},
      {12, "-    your eVB project file"},
      {13, "-   the icon .ico file that you want to go with your app"},
      {14, "(if you are looking for an icon editor, eVC has one but you may not like it."},
  };
  for (const auto& [number, text] : fixed) EXPECT_EQ(lines[number - 1], text) << "line " << number;

  // Line 7 is the article's address alone on its line.
  EXPECT_NE(lines[6].find("268309"), std::string::npos);
  EXPECT_EQ(lines[6].find(' '), std::string::npos);
  EXPECT_EQ(lines[6].rfind("http", 0), 0u);

  // Line 15 is one sentence that closes the parenthesis opened on line 14.
  EXPECT_FALSE(lines[14].empty());
  EXPECT_EQ(lines[14].back(), ')');
  EXPECT_EQ(lines[14].find('('), std::string::npos);
}

TEST(PageTexts, Steps2To4HaveTheirExactLines) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"Step 2",
       GetStep2Text(),
       {"Follow the directions in KB article Q268309 to build your eVC wrapper.",
        "You can cut and paste the code from below.",
        "Enter your projects Application Title in the eVB application text box below and click on "
        "the substitute button before you copy the code.",
        "This will substitute the two strings necessary into the eVC code sample for your "
        "particular application.",
        "Note, do NOT include '.vb' in your input text, it will be appended automatically were "
        "necessary in the sample code.",
        "If, for some reason, you have to call your wrapper and your .vb file different names, you "
        "can do so by deselecting the 'Same' check box and entering a different name for your "
        "wrapper.",
        "However, I recommend you keep the names the same for clarity."}},
      {"Step 3",
       GetStep3Text(),
       {"Next you will need a compiled version of your eVB project for distribution.",
        "If you have a large project I recommend you run our tool 'Trimwell' to remove waste "
        "space and reduce the size of your '.vb' file prior to making your distribution files.",
        "To create your distribution package, use the 'Application Install Wizard' found under "
        "'Tools | Remote Tools' in eVB.",
        "Check the eVB help system for the specifics of how to use this wizard.",
        "The only special thing to note is that you will be adding a single copy of one of the "
        "eVC wrapper files made in the last step to go with the distribution package.",
        "If you are making a single distribution file for multiple processors just pick one at "
        "this stage and tell the wizard that the file you added is not a system file.",
        "The individual, processor specific copies will be added to the distribution package "
        "later by Quillet in step 4."}},
      {"Step 4",
       GetStep4Text(),
       {"The last step in shipping an icon with your eVB app can be tedious, time consuming and "
        "prone to error when done manually.",
        "This one screen contains the functionality that is the main reason behind Quillet.",
        "You will use this step not only the first time, but every time you create a new version "
        "of your eVB app for distribution.",
        "Unless you change your mind as to the icon that you want to ship with the app, you can "
        "use the same eVC wrapper each time you ship the same app.",
        "You will however, need to make a new distribution package each time you ship a new "
        "version of your app, and you will need to run the modifications performed in this step "
        "on those new distribution files.",
        "This step is pretty simple when done with Quillet.",
        "Select the .INF file related to the distribution package you created in Step 3.",
        "You will then need to tell Quillet the location of each of the processor specific eVC "
        "wrapper files you created for this distribution package.",
        "Quillet looks in the particular distribution package INF file to identify which "
        "processors the INF is intended for and enables the input fields for those processors.",
        "If you create separate distribution packages for each of the three major processors you "
        "simply run this tool three separate times pointed at the appropriate sets of files for "
        "each processor type.",
        "When you have selected the proper files for a particular distribution package you simply "
        "click the 'Make Modifications' button.",
        "The various actions described in the KB Q268309 are automated and the status of each "
        "step will be listed in the listview at the bottom of the screen.",
        "If any errors occur during the process you will notice that the action is listed in red "
        "and instead of a check mark, an X will be displayed beside the action.",
        "Move your mouse over that action in the listview to read the associated error message.",
        "The text in the columns 'Value 1' and 'Value 2' provide additional details about the "
        "action like the original value and the new value or the source file and the "
        "destination file."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitCrLf(c.text), c.lines);
  }
}

TEST(PageTexts, LicenseHas110LinesEachAfterALineBreak) {
  const std::string text = BuildLicenseText();
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(0, 2), "\r\n");
  EXPECT_NE(text.back(), '\n');

  const auto lines = SplitCrLf(text.substr(2));
  EXPECT_EQ(lines.size(), 110u);
  ExpectOnlyCrLfBreaks(lines);
  EXPECT_FALSE(lines.front().empty());
  EXPECT_FALSE(lines.back().empty());
  // Paragraphs are separated by single empty lines.
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_FALSE(lines[i].empty() && lines[i - 1].empty()) << "two empty lines at " << i;
  }
  // Built afresh each time: a second call gives the same text, not twice as much.
  EXPECT_EQ(BuildLicenseText(), text);
}

TEST(PageTexts, VersionCaptionIsTheProgramsVersion) {
  // QUILLET_PROJECT_VERSION is the version set in the build, "1.0.0" today.
  EXPECT_EQ(VersionCaption(), std::string("Version: ") + QUILLET_PROJECT_VERSION);
}

}  // namespace
}  // namespace quillet
