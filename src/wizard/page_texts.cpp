#include "wizard/page_texts.h"

#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>

#include "version.h"

namespace quillet {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Joins lines with CR LF, without a break after the last one.
std::string JoinLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  bool first = true;
  for (const std::string_view line : lines) {
    if (!first) text += kLineEnd;
    text += line;
    first = false;
  }
  return text;
}

constexpr std::string_view kLicenseLines[] = {
    "QUILLET END-USER LICENCE AGREEMENT",
    "Freeware licence for a developer tool",
    "",
    "Please read this agreement carefully before you use Quillet.",
    "By installing, copying or otherwise using Quillet you agree to be bound",
    "by the terms of this agreement. If you do not agree to these terms,",
    "do not install or use Quillet and delete every copy you have made.",
    "",
    "1. DEFINITIONS",
    "\"Quillet\" or \"the Software\" means the Quillet program, its documentation,",
    "its artwork and any updates that the authors make available to you.",
    "\"The authors\" means the Quillet developers, who hold the copyright in the",
    "Software. \"You\" means the person or organisation that uses the Software.",
    "\"Your packages\" means the distribution packages, launcher programs and",
    "source code that you make or change with the help of the Software.",
    "",
    "2. GRANT OF LICENCE",
    "The Software is freeware. The authors grant you a non-exclusive,",
    "worldwide, royalty-free licence to install and use any number of copies",
    "of the Software, on any number of computers, for any lawful purpose,",
    "including the development of commercial applications.",
    "You may make copies of the Software for backup and archival purposes.",
    "",
    "3. YOUR PACKAGES",
    "The Software claims no rights in your packages. The launcher source that",
    "the Software generates for you may be used, changed, compiled and",
    "distributed as part of your own applications without any fee, notice",
    "or attribution. You alone are responsible for your packages, for the",
    "files you choose, and for testing your packages before you ship them.",
    "",
    "4. REDISTRIBUTION",
    "You may give unaltered copies of the Software to others, free of charge,",
    "provided that this agreement and every copyright notice stay with it.",
    "You may not sell the Software, rent it, lease it, or include it in a",
    "product or collection that is sold, without the written permission of",
    "the authors. A reasonable fee for the cost of the media is allowed.",
    "",
    "5. RESTRICTIONS",
    "You may not remove or change any copyright notice, trademark or other",
    "proprietary notice in the Software. You may not reverse engineer,",
    "decompile or disassemble the Software, except to the extent that the",
    "law applicable to you expressly permits it despite this restriction.",
    "You may not present the Software, or any part of it, as your own work.",
    "",
    "6. OWNERSHIP",
    "The Software is licensed to you, not sold. The authors keep all right,",
    "title and interest in the Software, including every copyright and other",
    "intellectual property right in it. Any right not expressly granted to",
    "you in this agreement is reserved by the authors.",
    "",
    "7. THIRD-PARTY NAMES AND TOOLS",
    "Product names mentioned in the Software, such as those of development",
    "tools, operating systems and processors, belong to their owners and are",
    "used only to describe what the Software works with. The Software works",
    "alongside tools made by others; their use is governed by their own terms.",
    "",
    "8. NO WARRANTY",
    "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS",
    "OR IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF",
    "MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND NON-INFRINGEMENT.",
    "THE AUTHORS DO NOT WARRANT THAT THE SOFTWARE WILL MEET YOUR NEEDS, THAT",
    "IT WILL RUN WITHOUT INTERRUPTION OR ERROR, OR THAT ANY FAULT WILL BE",
    "CORRECTED. THE WHOLE RISK AS TO THE QUALITY AND PERFORMANCE OF THE",
    "SOFTWARE, AND OF THE PACKAGES YOU MAKE WITH IT, LIES WITH YOU.",
    "",
    "9. LIMITATION OF LIABILITY",
    "TO THE FULLEST EXTENT THAT THE LAW ALLOWS, IN NO EVENT SHALL THE AUTHORS",
    "BE LIABLE FOR ANY DAMAGES WHATSOEVER, WHETHER DIRECT, INDIRECT,",
    "INCIDENTAL, SPECIAL OR CONSEQUENTIAL, INCLUDING BUT NOT LIMITED TO LOSS",
    "OF DATA, LOSS OF PROFITS, BUSINESS INTERRUPTION OR DAMAGED FILES,",
    "ARISING OUT OF THE USE OF OR INABILITY TO USE THE SOFTWARE, EVEN IF THE",
    "AUTHORS HAVE BEEN ADVISED OF THE POSSIBILITY OF SUCH DAMAGES.",
    "Because the Software changes files in your distribution packages, keep",
    "a backup copy of every package before you let the Software modify it.",
    "",
    "10. TERMINATION",
    "This agreement is effective until it is terminated. It ends",
    "automatically, without notice from the authors, if you fail to comply",
    "with any of its terms. When it ends you must stop using the Software",
    "and destroy every copy of it in your possession. Sections 3, 6, 8, 9",
    "and 12 stay in force after the agreement has ended.",
    "",
    "11. UPDATES AND SUPPORT",
    "The authors may publish new versions of the Software from time to time",
    "but have no duty to do so, nor to provide support, maintenance or any",
    "other service. A new version may come with its own agreement, which",
    "then applies to that version.",
    "",
    "12. GENERAL TERMS",
    "This agreement is the entire agreement between you and the authors",
    "about the Software and replaces any earlier statement about it.",
    "If any provision of this agreement is held invalid or unenforceable,",
    "the remaining provisions stay in full force and effect.",
    "If the authors do not enforce a right under this agreement, they have",
    "not waived it. This agreement is governed by the law of the place where",
    "you obtained the Software, except where that law requires otherwise.",
    "",
    "13. COMPLIANCE WITH LAWS",
    "You agree to use the Software in line with every law and regulation",
    "that applies to you, including export laws, and to obtain any licence",
    "that the tools and runtimes you ship alongside your packages require.",
    "",
    "14. CONTACT",
    "Questions about this agreement may be sent to the Quillet developers",
    "through the address given on the page where you obtained the Software.",
    "",
    "BY USING QUILLET YOU ACKNOWLEDGE THAT YOU HAVE READ THIS AGREEMENT,",
    "UNDERSTAND IT AND AGREE TO BE BOUND BY ITS TERMS.",
    "",
    "Copyright (C) 2026 The Quillet developers. All rights reserved.",
};
static_assert(std::size(kLicenseLines) == 110, "the agreement has 110 lines");

}  // namespace

std::string GetStep1Text() {
  return JoinLines({
      "The first step, that I recommend you take to successfully distribute your eVB application "
      "with it's own unique icon, is to get a hold of the right Knowledge Base article that "
      "describes the details of this process.     KB Article ID:Q268309",
      "HOWTO: Associate an Icon with an eVB Application",
      "Provided by Microsoft Product Support Services",
      "",
      "At the time of this product release the KB article could be found at:",
      "",
      "https://support.microsoft.com/kb/268309",
      "",
      "You will also need:",
      "-   EVB",
      "-   EVC",
      "-    your eVB project file",
      "-   the icon .ico file that you want to go with your app",
      "(if you are looking for an icon editor, eVC has one but you may not like it.",
      "A good free alternative is Greenfish Icon Editor Pro, a freeware icon editor that you can "
      "download from www.greenfishsoftware.org or find by searching the web for "
      "\"Greenfish Icon Editor Pro\".)",
  });
}

std::string GetStep2Text() {
  return JoinLines({
      "Follow the directions in KB article Q268309 to build your eVC wrapper.",
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
      "However, I recommend you keep the names the same for clarity.",
  });
}

std::string GetStep3Text() {
  return JoinLines({
      "Next you will need a compiled version of your eVB project for distribution.",
      "If you have a large project I recommend you run our tool 'Trimwell' to remove waste space "
      "and reduce the size of your '.vb' file prior to making your distribution files.",
      "To create your distribution package, use the 'Application Install Wizard' found under "
      "'Tools | Remote Tools' in eVB.",
      "Check the eVB help system for the specifics of how to use this wizard.",
      "The only special thing to note is that you will be adding a single copy of one of the eVC "
      "wrapper files made in the last step to go with the distribution package.",
      "If you are making a single distribution file for multiple processors just pick one at this "
      "stage and tell the wizard that the file you added is not a system file.",
      "The individual, processor specific copies will be added to the distribution package later "
      "by Quillet in step 4.",
  });
}

std::string GetStep4Text() {
  return JoinLines({
      "The last step in shipping an icon with your eVB app can be tedious, time consuming and "
      "prone to error when done manually.",
      "This one screen contains the functionality that is the main reason behind Quillet.",
      "You will use this step not only the first time, but every time you create a new version of "
      "your eVB app for distribution.",
      "Unless you change your mind as to the icon that you want to ship with the app, you can use "
      "the same eVC wrapper each time you ship the same app.",
      "You will however, need to make a new distribution package each time you ship a new version "
      "of your app, and you will need to run the modifications performed in this step on those "
      "new distribution files.",
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
      "The various actions described in the KB Q268309 are automated and the status of each step "
      "will be listed in the listview at the bottom of the screen.",
      "If any errors occur during the process you will notice that the action is listed in red "
      "and instead of a check mark, an X will be displayed beside the action.",
      "Move your mouse over that action in the listview to read the associated error message.",
      "The text in the columns 'Value 1' and 'Value 2' provide additional details about the "
      "action like the original value and the new value or the source file and the destination "
      "file.",
  });
}

std::string BuildLicenseText() {
  std::string text;
  for (const std::string_view line : kLicenseLines) {
    text += kLineEnd;
    text += line;
  }
  return text;
}

std::string VersionCaption() {
  return "Version: " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

}  // namespace quillet
