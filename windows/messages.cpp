#include "messages.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include "windows/window_util.h"

namespace lm::ui {
namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

void ShowMessage(QWidget* parent, const QString& text) {
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Ok, parent);
  // A box as narrow as "To low value" would cut its own caption short in
  // most window managers' title bars.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int wide = box.fontMetrics().horizontalAdvance(kProgramTitle) + 160;
    grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

}  // namespace lm::ui
