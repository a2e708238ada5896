#pragma once
// What the source files of Form1 share beyond its header: the windows it
// opens from its menus and buttons.
#include <cstdint>
#include <memory>

#include <QPointer>

#include "windows/about_window.h"
#include "windows/help_windows.h"
#include "windows/main_window.h"
#include "windows/open_dialog.h"
#include "windows/save_dialog.h"
#include "windows/save_flow.h"

namespace lm::ui {

// The windows shown from the main window: each exists at most once.
struct Form1::Windows {
  QPointer<Loadbox> loadbox;
  QPointer<SaveDialog> saveDialog;
  std::unique_ptr<SaveFlow> saveFlow;
  QPointer<HelpWindow> helpSign;
  QPointer<KeyHelpWindow> keyHelpSign;
  QPointer<AboutWindow> tornak;
  std::uint64_t generation = 0;  // of the document the save windows were opened for
};

}  // namespace lm::ui
