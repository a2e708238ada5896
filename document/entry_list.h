#pragma once
// The entry list: the document itself, one entry line per item, with the
// selection rules of a list box (an insertion at or before the selected item
// keeps the selection on that item; removing the selected item leaves none).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lm {

class EntryListObserver {
 public:
  virtual ~EntryListObserver() = default;
  // Announced before the items change, for views that need to know ahead.
  virtual void EntriesAboutToBeInserted(int /*first*/, int /*count*/) {}
  virtual void EntriesAboutToBeRemoved(int /*first*/, int /*count*/) {}
  virtual void EntriesAboutToBeReset() {}
  virtual void EntriesInserted(int first, int count) = 0;
  virtual void EntriesRemoved(int first, int count) = 0;
  virtual void EntryChanged(int index) = 0;
  virtual void EntriesReset() = 0;
  virtual void SelectionChanged(int index) = 0;
};

class EntryList {
 public:
  // Most entries a document can hold: indices are 16-bit signed.
  static constexpr int kMaxEntries = 32767;

  int Count() const { return static_cast<int>(items_.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }

  // Reading a position outside the list yields the empty line; the walks of
  // the fixing rules rely on that to find the end.
  const std::string& Item(int index) const;

  // Every item carries an identity that survives edits and moves, so that a
  // view can follow "the entry it shows" while others are inserted or removed.
  std::uint64_t Id(int index) const { return Valid(index) ? ids_[index] : 0; }
  int IndexOfId(std::uint64_t id, int hint = -1) const;

  void AddItem(std::string line);
  void InsertItem(int index, std::string line);
  void RemoveItem(int index);
  void SetItem(int index, std::string line);
  void Clear();
  // Replaces all items at once (one reset notification); fresh identities.
  void Assign(std::vector<std::string> lines);
  // Replaces all items, keeping the identities given (0 means a new one);
  // used by bulk rewrites that must stay linear in the document size.
  void AssignWithIds(std::vector<std::string> lines, std::vector<std::uint64_t> ids,
                     int selection);

  const std::vector<std::string>& Items() const { return items_; }

  int ListIndex() const { return selected_; }
  // -1 (or any position outside the list) clears the selection.
  void SetListIndex(int index);

  void SetObserver(EntryListObserver* observer) { observer_ = observer; }
  // Called after every change of the items (not of the selection).
  std::function<void()> onModified;

 private:
  std::uint64_t NewId() { return ++lastId_; }
  void Modified() {
    if (onModified) onModified();
  }
  std::vector<std::string> items_;
  std::vector<std::uint64_t> ids_;
  int selected_ = -1;
  std::uint64_t lastId_ = 0;
  EntryListObserver* observer_ = nullptr;
};

}  // namespace lm
