#include "windows/messages.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include "windows/window_util.h"

namespace lm::ui {
namespace {
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}

QuestionHook& Question() {
  static QuestionHook hook;
  return hook;
}

ChoiceHook& Choice() {
  static ChoiceHook hook;
  return hook;
}

// A box as narrow as "To low value" would cut its own caption short in
// most window managers' title bars.
void WidenForTitle(QMessageBox& box) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int wide = box.fontMetrics().horizontalAdvance(kProgramTitle) + 160;
    grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
}
}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }
void SetQuestionHook(QuestionHook hook) { Question() = std::move(hook); }
void SetChoiceHook(ChoiceHook hook) { Choice() = std::move(hook); }

void ShowMessage(QWidget* parent, const QString& text) {
  if (Hook()) {
    Hook()(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Ok, parent);
  WidenForTitle(box);
  box.exec();
}

bool AskYesCancel(QWidget* parent, const QString& text) {
  if (Question()) return Question()(text);
  QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Yes | QMessageBox::Cancel, parent);
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  WidenForTitle(box);
  return box.exec() == QMessageBox::Yes;
}

int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons) {
  if (Choice()) return Choice()(text, buttons);
  QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::NoButton, parent);
  QList<QAbstractButton*> named;
  for (const QString& caption : buttons) named << box.addButton(caption, QMessageBox::AcceptRole);
  QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(qobject_cast<QPushButton*>(cancel));
  box.setEscapeButton(cancel);
  WidenForTitle(box);
  box.exec();
  return static_cast<int>(named.indexOf(box.clickedButton()));
}

}  // namespace lm::ui
