#pragma once
// Every user command, one row each: its id, its caption (also its undo
// name), where the window offers it, its shortcut, its command-line name
// and its routine. The window's menus and buttons, the undo history's names
// and the command line's dispatch and usage text are drawn from here.
//
// To add a command: a row in kCommands (command_table.cpp); a routine of the
// core runs as one undoable command wherever the row is offered; a command
// that is a flow of a front end (a dialog, a file) has no routine and gets
// its handler from that front end by id.
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"

namespace lm {

enum class CommandId {
  // File
  Open,
  Save,
  SaveAs,
  Encoding,
  FrameRate,
  Exit,
  LatestFile,
  // Seek
  ToLongLine,
  Next,
  // Edit
  FixText,
  FixTiming,
  RemoveHearingImpaired,
  Undo,
  Redo,
  // View
  ShowStyleTags,
  // Rules
  Profile,
  LineBreaks,
  NextProblem,
  // Help
  HelpContents,
  KeyHelp,
  Mail,
  HomePage,
  About,
  // The frame buttons
  StartMinus100,
  StartMinus10,
  StartMinus1,
  StartPlus1,
  StartPlus10,
  StartPlus100,
  StopMinus100,
  StopMinus10,
  StopMinus1,
  StopPlus1,
  StopPlus10,
  StopPlus100,
  // The line buttons
  DeleteLine,
  SplitLine,
  AddLine,
  // The list's and the grid's own
  Select,
  EditEntry,
  Cut,
  Paste,
  // The command line's own
  Check,
  Convert,
  Shift,
};

// Where the window offers a command: a menu, in the table's order, or the
// row of buttons under the grid; None: no control of its own.
enum class Place { None, FileMenu, SeekMenu, EditMenu, ViewMenu, RulesMenu, HelpMenu, Button };

struct CommandRow {
  CommandId id;
  const char* control;  // object name of its menu item or button ("Fixlines", "Command14")
  const char* caption;  // "&" before a menu's mnemonic
  Place place;
  bool separatorBefore;        // a menu line above it
  const char* shortcuts;       // "Ctrl+N", several separated by "; "
  const char* cliName;         // "fix"; "" for none
  const char* cliHelp;         // the usage text's words for it
  void (*routine)(Document&);  // nullptr: a flow of the front end
};

const std::vector<CommandRow>& Commands();
const CommandRow& CommandOf(CommandId id);
// The command the command line names, or nothing.
const CommandRow* CommandNamed(std::string_view cliName);
// The caption without its "&": the undo name ("Fix text automatic").
std::string UndoName(const CommandRow& row);
std::string UndoName(CommandId id);
// The menus in the menu bar's order: their place, object name and title.
struct MenuRow {
  Place place;
  const char* object;
  const char* title;
};
const std::vector<MenuRow>& Menus();

}  // namespace lm
