#pragma once
// Every message box of the program goes through here: a modal box with the
// text, an OK button only, no icon, titled "Tornak Linemend"; and every
// question before something is replaced: the same with "Yes" and "Cancel"
// (Esc and the close box are Cancel), or with buttons of its own and
// "Cancel". Tests install hooks to observe them,
// and to answer the questions, instead of blocking on a modal box.
#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

namespace lm::ui {

using MessageHook = std::function<void(const QString& text)>;
// With a hook set, messages go to it and no box is shown.
void SetMessageHook(MessageHook hook);

void ShowMessage(QWidget* parent, const QString& text);

using QuestionHook = std::function<bool(const QString& text)>;
void SetQuestionHook(QuestionHook hook);

// True for "Yes".
bool AskYesCancel(QWidget* parent, const QString& text);

using ChoiceHook = std::function<int(const QString& text, const QStringList& buttons)>;
void SetChoiceHook(ChoiceHook hook);

// The same with the buttons named, followed by "Cancel": the index of the
// button pressed, -1 for Cancel.
int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons);

}  // namespace lm::ui
