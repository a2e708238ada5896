#pragma once
// The open document and the state every command shares: the entry list, the
// current entry and its decomposition, the textline, the character grid and
// its preview rows, the file path and the unsaved-changes flag.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "entry_list.h"

namespace lm {

inline constexpr int kGridCells = 82;
inline constexpr int kRowCells = 41;
// Longest entry line the 16-bit position counts can cover.
inline constexpr int kMaxLineLength = 32767;

class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  // The textline, a grid cell or a preview row changed.
  virtual void TextlineChanged() {}
  virtual void GridChanged() {}
};

class Document {
 public:
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  EntryList List1;

  int CurrentIndex = 0;
  std::string EntryLine;
  std::string StartFrame;
  std::string StopFrame;
  std::string EntryText;
  std::string FilePath;
  std::string FileName;
  int Changed = 0;
  int FixCount = 0;

  // The frame pair "{start}{stop}" of the current entry; empty while no
  // document is loaded, which is what most commands test.
  const std::string& Text1() const { return text1_; }
  void SetText1(std::string value);
  bool NoDocument() const { return text1_.empty(); }

  // The 82 cells (two rows of 41) and the two preview rows.
  std::array<std::string, kGridCells> Text2;
  std::string Label1;
  std::string Label2;
  // The entry whose text the grid was last filled from (0: none). The grid's
  // write-back goes to this entry and to no other.
  std::uint64_t GridEntryId = 0;
  void NotifyGridChanged();

  // Identity of the entry the decomposed fields were last read from.
  std::uint64_t DecomposedId = 0;

  // Cuts the entry at CurrentIndex into StartFrame, StopFrame and EntryText,
  // rebuilds EntryLine and shows the frame pair in the textline. Returns false,
  // changing nothing, for a line the 16-bit counts cannot cover (longer than
  // 32767 characters, or starting with "}").
  bool DecomposeEntry();

  // "{" StartFrame "}{" StopFrame "}" EntryText
  std::string RebuildLine() const;
  std::string FramePair() const;

  // Shows a message to the user (a modal box in the window, standard output on
  // the command line). Tests observe it here.
  std::function<void(const std::string&)> ShowMessage;
  void Message(const std::string& text) const;

  void SetObserver(DocumentObserver* observer) { observer_ = observer; }

  // Back to the state at program start: no entries, empty fields and grid.
  void Reset();

 private:
  std::string text1_;
  DocumentObserver* observer_ = nullptr;
};

// The three fields of one entry line, found the way the decomposition finds
// them. A field that the line does not supply is left unset.
struct EntryFields {
  bool hasStart = false, hasStop = false;
  std::string start, stop, text;
};
// Whether the 16-bit counts cover the line and its start field has a length.
bool CanDecompose(const std::string& line);
// False for a line that cannot be decomposed (see DecomposeEntry).
bool SplitEntryLine(const std::string& line, EntryFields& fields);

// Reads a frame field as a whole decimal number (blanks around it allowed).
bool ParseFrameNumber(const std::string& field, double& value);
// Plain decimal text: no leading zeros, no plus sign, no fraction when whole.
std::string FormatFrameNumber(double value);

// Empties all 82 cells and both preview rows.
void ClearGrid(Document& doc);

}  // namespace lm
