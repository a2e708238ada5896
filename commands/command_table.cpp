#include "commands/command_table.h"

#include "editor/line_commands.h"
#include "model/navigation.h"
#include "rules/profile_rules.h"
#include "rules/rules.h"

namespace lm {

namespace {
template <int Start, int Stop>
void Shift(Document& doc) {
  AdjustFrames(doc, Start, Stop);
}

template <bool (*Line)(Document&)>
void LineCommand(Document& doc) {
  Line(doc);
}

const std::vector<CommandRow> kCommands = {
    // id, control, caption, place, separator, shortcuts, command line, help, routine
    {CommandId::Open, "Load", "&Open", Place::FileMenu, false, "Ctrl+O", "", "", nullptr},
    {CommandId::Save, "Save", "&Save", Place::FileMenu, false, "Ctrl+S", "", "", nullptr},
    {CommandId::SaveAs, "Saveas", "Save &As", Place::FileMenu, false, "", "", "", nullptr},
    {CommandId::Encoding, "Encoding", "&Encoding", Place::FileMenu, false, "", "", "", nullptr},
    {CommandId::FrameRate, "FrameRate", "F&rame rate", Place::FileMenu, false, "", "", "", nullptr},
    {CommandId::Exit, "Avsluta", "E&xit", Place::FileMenu, false, "Ctrl+Q", "", "", nullptr},
    {CommandId::LatestFile, "LatestSub", "", Place::FileMenu, true, "", "", "", nullptr},
    {CommandId::ToLongLine, "Tolong", "&To long line", Place::SeekMenu, false, "", "", "", &Tolong_Click},
    {CommandId::Next, "Nextline", "&Next", Place::SeekMenu, false, "Ctrl+N", "", "", &Nextline_Click},
    {CommandId::FixText, "Fixlines", "&Fix text automatic", Place::EditMenu, false, "", "fix",
     "fix the text automatically: join, break near the middle and\n"
     "re-break the entries too long for the screen lines; with\n"
     "--timing, fix the times instead (Edit > Fix timing)",
     &Fixlines_Click},
    // On the command line: fix --timing.
    {CommandId::FixTiming, "Fixtiming", "Fix t&iming", Place::EditMenu, false, "", "", "", &Fixtiming_Click},
    {CommandId::RemoveHearingImpaired, "Rmhi", "&Remove hearing impaired text", Place::EditMenu, false, "", "remove-hi",
     "remove hearing-impaired text ([music], (laughs), NAME:)\n"
     "and the lines and dashes it leaves; keeps what is spoken",
     &Rmhi_Click},
    {CommandId::Undo, "Undo", "&Undo", Place::EditMenu, true, "Ctrl+Z", "", "", nullptr},
    {CommandId::Redo, "Redo", "Re&do", Place::EditMenu, false, "Ctrl+Y; Ctrl+Shift+Z", "", "", nullptr},
    {CommandId::ShowStyleTags, "ShowTags", "Show style &tags", Place::ViewMenu, false, "", "", "", nullptr},
    {CommandId::Profile, "Profile", "&Profile", Place::RulesMenu, false, "", "", "", nullptr},
    {CommandId::LineBreaks, "LineBreaks", "&Line breaks", Place::RulesMenu, false, "", "", "", nullptr},
    {CommandId::NextProblem, "NextProblem", "&Next problem", Place::RulesMenu, false, "Ctrl+Shift+N", "", "", nullptr},
    {CommandId::HelpContents, "Contents", "&Contents", Place::HelpMenu, false, "", "", "", nullptr},
    {CommandId::KeyHelp, "Tabgenter", "&Keyhelp", Place::HelpMenu, false, "", "", "", nullptr},
    {CommandId::Mail, "Epost", "E-&mail Tornak", Place::HelpMenu, false, "", "", "", nullptr},
    {CommandId::HomePage, "HemSida", "Tornak &Homepage", Place::HelpMenu, false, "", "", "", nullptr},
    {CommandId::About, "Aboutbox", "&About", Place::HelpMenu, false, "", "", "", nullptr},
    {CommandId::StartMinus100, "Command7", "Start - 100", Place::Button, false, "", "", "", &Shift<-100, 0>},
    {CommandId::StartMinus10, "Command6", "Start - 10", Place::Button, false, "", "", "", &Shift<-10, 0>},
    {CommandId::StartMinus1, "Command5", "Start - 1", Place::Button, false, "", "", "", &Shift<-1, 0>},
    {CommandId::StartPlus1, "Command2", "Start + 1", Place::Button, false, "", "", "", &Shift<1, 0>},
    {CommandId::StartPlus10, "Command3", "Start + 10", Place::Button, false, "", "", "", &Shift<10, 0>},
    {CommandId::StartPlus100, "Command4", "Start + 100", Place::Button, false, "", "", "", &Shift<100, 0>},
    {CommandId::StopMinus100, "Command8", "Stop - 100", Place::Button, false, "", "", "", &Shift<0, -100>},
    {CommandId::StopMinus10, "Command9", "Stop - 10", Place::Button, false, "", "", "", &Shift<0, -10>},
    {CommandId::StopMinus1, "Command10", "Stop - 1", Place::Button, false, "", "", "", &Shift<0, -1>},
    {CommandId::StopPlus1, "Command13", "Stop + 1", Place::Button, false, "", "", "", &Shift<0, 1>},
    {CommandId::StopPlus10, "Command12", "Stop + 10", Place::Button, false, "", "", "", &Shift<0, 10>},
    {CommandId::StopPlus100, "Command11", "Stop + 100", Place::Button, false, "", "", "", &Shift<0, 100>},
    {CommandId::DeleteLine, "Command1", "Delete Line", Place::Button, false, "", "", "", &LineCommand<Command1_Click>},
    {CommandId::SplitLine, "Command14", "Split Line", Place::Button, false, "", "", "", &LineCommand<Command14_Click>},
    {CommandId::AddLine, "Command15", "Add Line", Place::Button, false, "", "", "", &LineCommand<Command15_Click>},
    {CommandId::Select, "", "Select", Place::None, false, "", "", "", nullptr},
    {CommandId::EditEntry, "", "Edit entry", Place::None, false, "", "", "", nullptr},
    {CommandId::Cut, "", "Cut", Place::None, false, "", "", "", nullptr},
    {CommandId::Paste, "", "Paste", Place::None, false, "", "", "", nullptr},
    {CommandId::Check, "", "Check", Place::None, false, "", "check",
     "list the entries still too long (more than {lines} lines, or a\n"
     "line of more than {chars} characters); with --profile, every\n"
     "entry that breaks the profile's rules; writes nothing",
     nullptr},
    {CommandId::Convert, "", "Convert", Place::None, false, "", "convert",
     "write each file in the format the output names", nullptr},
    {CommandId::Shift, "", "Shift times", Place::None, false, "", "shift",
     "move every entry's times by --by OFFSET: seconds with a\n"
     "sign (+1.5, -00:00:02,000) or frames (+12f)",
     nullptr},
};
}  // namespace

const std::vector<CommandRow>& Commands() { return kCommands; }

const CommandRow& CommandOf(CommandId id) {
  for (const CommandRow& row : kCommands)
    if (row.id == id) return row;
  return kCommands.front();  // every id has its row: a test sees to it
}

const CommandRow* CommandNamed(std::string_view cliName) {
  if (cliName.empty()) return nullptr;
  for (const CommandRow& row : kCommands)
    if (cliName == row.cliName) return &row;
  return nullptr;
}

std::string UndoName(const CommandRow& row) {
  std::string name;
  for (const char* c = row.caption; *c; ++c)
    if (*c != '&') name += *c;
  return name;
}

std::string UndoName(CommandId id) { return UndoName(CommandOf(id)); }

const std::vector<MenuRow>& Menus() {
  static const std::vector<MenuRow> menus = {
      {Place::FileMenu, "File", "&File"}, {Place::SeekMenu, "Find", "&Seek"},    {Place::EditMenu, "Edit", "&Edit"},
      {Place::ViewMenu, "View", "&View"}, {Place::RulesMenu, "Rules", "&Rules"}, {Place::HelpMenu, "Help", "&Help"},
  };
  return menus;
}

}  // namespace lm
