// What the main window offers for each command: its menu item or its button,
// drawn from the command's row (object name, caption, shortcuts, separator),
// the items' state, and the status line.
#include <algorithm>
#include <map>

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "model/navigation.h"
#include "model/profiles.h"
#include "rules/profile_rules.h"
#include "windows/contact_links.h"
#include "windows/entry_list_view.h"
#include "windows/main_window_parts.h"
#include "windows/messages.h"
#include "windows/window_util.h"

namespace lm::ui {

namespace {
// A format's name as a title: its first letter in capitals.
QString FormatTitle(const Format& format) {
  QString name = ToQt(format.Name());
  if (!name.isEmpty()) name[0] = name[0].toUpper();
  return name;
}

QString Caption(const CommandRow& row) { return QString::fromUtf8(row.caption); }

QList<QKeySequence> Shortcuts(const CommandRow& row) {
  QList<QKeySequence> keys;
  for (const QString& key : QString::fromLatin1(row.shortcuts).split(QStringLiteral("; "), Qt::SkipEmptyParts))
    keys << QKeySequence(key, QKeySequence::PortableText);
  return keys;
}

// The undo and redo items name the step they would take: "&Undo Split Line".
QString StepCaption(CommandId id, const std::string& step) {
  return (Caption(CommandOf(id)) + QLatin1Char(' ') + ToQt(step)).trimmed();
}

// A line of the status line cut short with "…" where it would not fit; its
// tooltip holds it whole.
class ElidedLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void SetWhole(const QString& text) {
    whole_ = text;
    setToolTip(text);
    Elide();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Elide();
  }

 private:
  void Elide() {
    const int room = contentsRect().width();
    const QString shown = room > 0 ? fontMetrics().elidedText(whole_, Qt::ElideRight, room) : whole_;
    if (text() != shown) setText(shown);
  }
  QString whole_;
};

// The frame rates the File menu offers.
constexpr double kFrameRates[] = {23.976, 24, 25, 29.97, 30, 50, 59.94, 60};

// Where a command's button stands under the grid, in twips, and its place in
// the tab order; a frame button shows a picture, its caption is its tooltip.
struct ButtonPlace {
  CommandId id;
  int left, width;
  int tab;
  const char* picture;  // nullptr: a push button with its caption
};
constexpr ButtonPlace kButtonPlaces[] = {
    {CommandId::StartMinus100, 120, 375, 7, "left_100"}, {CommandId::StartMinus10, 480, 255, 6, "left_10"},
    {CommandId::StartMinus1, 720, 255, 5, "left_1"},     {CommandId::StartPlus1, 960, 255, 2, "right_1"},
    {CommandId::StartPlus10, 1200, 255, 3, "right_10"},  {CommandId::StartPlus100, 1440, 375, 4, "right_100"},
    {CommandId::StopMinus100, 3720, 375, 8, "left_100"}, {CommandId::StopMinus10, 4080, 255, 9, "left_10"},
    {CommandId::StopMinus1, 4320, 255, 10, "left_1"},    {CommandId::StopPlus1, 4560, 255, 13, "right_1"},
    {CommandId::StopPlus10, 4800, 255, 12, "right_10"},  {CommandId::StopPlus100, 5040, 375, 11, "right_100"},
    {CommandId::DeleteLine, 5520, 1455, 1, nullptr},     {CommandId::SplitLine, 6960, 1575, 14, nullptr},
    {CommandId::AddLine, 8520, 1512, 15, nullptr},
};
constexpr int kButtonTop = 3600, kButtonHeight = 375;
}  // namespace

void Form1::BuildButtons(QWidget* client) {
  std::vector<std::pair<int, QAbstractButton*>> byTab;
  for (const CommandRow& row : Commands()) {
    if (row.place != Place::Button) continue;
    const auto at = std::find_if(std::begin(kButtonPlaces), std::end(kButtonPlaces),
                                 [&](const ButtonPlace& p) { return p.id == row.id; });
    // A button row without a place here gets a button of no size, which the
    // window's tests catch.
    const ButtonPlace place = at != std::end(kButtonPlaces)
                                  ? *at
                                  : ButtonPlace{row.id, 0, 0, static_cast<int>(std::size(kButtonPlaces)) + 1, nullptr};
    QAbstractButton* button = nullptr;
    if (place.picture) {
      auto* tool = new QToolButton(client);
      tool->setToolTip(Caption(row));
      QPixmap picture(QStringLiteral(":/images/%1.png").arg(QLatin1String(place.picture)));
      tool->setIcon(QIcon(picture));
      tool->setIconSize(picture.size());
      button = tool;
    } else {
      button = new QPushButton(Caption(row), client);
    }
    button->setObjectName(QString::fromLatin1(row.control));
    button->setGeometry(Twips(place.left, kButtonTop, place.width, kButtonHeight));
    Place(button, Grows::Down);
    connect(button, &QAbstractButton::clicked, this, [this, &row] { Run(row); });
    byTab.emplace_back(place.tab, button);
  }
  std::stable_sort(byTab.begin(), byTab.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  buttons_.clear();
  for (const auto& [tab, button] : byTab) buttons_.push_back(button);
}

void Form1::BuildMenus() {
  // The commands that are flows of the window rather than routines of the
  // core.
  const std::map<CommandId, std::function<void()>> flows = {
      {CommandId::Open, [this] { Load_Click(); }},
      {CommandId::Save, [this] { Save_Click(); }},
      {CommandId::SaveAs, [this] { Saveas_Click(); }},
      {CommandId::Exit, [this] { Avsluta_Click(); }},
      {CommandId::LatestFile, [this] { LatestSub_Click(); }},
      {CommandId::Undo, [this] { Run(CommandId::Undo, [this] { session_.doc.Undo(); }); }},
      {CommandId::Redo, [this] { Run(CommandId::Redo, [this] { session_.doc.Redo(); }); }},
      {CommandId::HelpContents, [this] { ShowSingle(windows_->helpSign, [] { return new HelpWindow; }); }},
      {CommandId::KeyHelp, [this] { ShowSingle(windows_->keyHelpSign, [] { return new KeyHelpWindow; }); }},
      {CommandId::Mail, [] { lm::ui::HemSida::OpenMailLink(); }},
      {CommandId::HomePage, [] { lm::ui::HemSida::OpenHomePage(); }},
      {CommandId::About, [this] { ShowSingle(windows_->tornak, [] { return new AboutWindow; }); }},
      {CommandId::ShowStyleTags, [this] { ShowTags_Click(showTags_->isChecked()); }},
      {CommandId::NextProblem, [this] { NextProblem_Click(); }},
  };
  for (const MenuRow& m : Menus()) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
    menu->setObjectName(QString::fromLatin1(m.object));
    for (const CommandRow& row : Commands()) {
      if (row.place != m.place) continue;
      QAction* line = row.separatorBefore ? menu->addSeparator() : nullptr;
      if (row.id == CommandId::Encoding || row.id == CommandId::FrameRate || row.id == CommandId::Profile ||
          row.id == CommandId::LineBreaks) {
        QMenu* sub = menu->addMenu(Caption(row));
        sub->setObjectName(QString::fromLatin1(row.control));
        sub->menuAction()->setObjectName(QString::fromLatin1(row.control));
        if (row.id == CommandId::Encoding) BuildEncodingMenu(sub);
        if (row.id == CommandId::FrameRate) BuildFrameRateMenu(sub);
        if (row.id == CommandId::Profile) BuildProfileMenu(sub);
        if (row.id == CommandId::LineBreaks) BuildBreaksMenu(sub);
        continue;
      }
      QAction* a = menu->addAction(Caption(row));
      a->setObjectName(QString::fromLatin1(row.control));
      a->setShortcuts(Shortcuts(row));
      // Only while the main window is the active one.
      a->setShortcutContext(Qt::WindowShortcut);
      std::function<void()> handler;
      if (row.routine) {
        handler = [this, &row] { Run(row); };
      } else {
        handler = flows.at(row.id);
      }
      connect(a, &QAction::triggered, this, [handler] { handler(); });
      if (row.id == CommandId::LatestFile) {
        latestSub_ = a;
        latestSubLine_ = line;
        if (line) line->setObjectName(QStringLiteral("Line"));
      }
      if (row.id == CommandId::Undo) undo_ = a;
      if (row.id == CommandId::Redo) redo_ = a;
      if (row.id == CommandId::ShowStyleTags) {
        // A way of seeing the entry, not kept from one run to the next.
        a->setCheckable(true);
        showTags_ = a;
      }
    }
  }

  // F10 opens the menu bar, as desktop programs do.
  auto* f10 = new QAction(this);
  f10->setObjectName(QStringLiteral("MenuKey"));
  f10->setShortcut(QKeySequence(Qt::Key_F10));
  f10->setShortcutContext(Qt::WindowShortcut);
  connect(f10, &QAction::triggered, this, [this] {
    menuBar()->setFocus(Qt::MenuBarFocusReason);
    menuBar()->setActiveAction(menuBar()->actions().value(0));
  });
  addAction(f10);
}

void Form1::BuildEncodingMenu(QMenu* menu) {
  // The code page is guessed on reading; the user may know better.
  encodingMenu_ = menu;
  auto* encodings = new QActionGroup(menu);
  for (const Encoding e : ChoosableEncodings()) {
    const QString script = QString::fromLatin1(EncodingScript(e));
    QAction* a = menu->addAction(QString::fromLatin1(EncodingName(e)) +
                                 (script.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(script)));
    a->setObjectName(QStringLiteral("Encoding_%1").arg(QString::fromLatin1(EncodingName(e))));
    a->setData(static_cast<int>(e));
    a->setCheckable(true);
    encodings->addAction(a);
    connect(a, &QAction::triggered, this, [this, e] { Encoding_Click(e); });
  }
}

void Form1::BuildProfileMenu(QMenu* menu) {
  // The broadcasters' rules the checks and the fix keep to; the choice is
  // remembered, as the frame rate is.
  auto* profiles = new QActionGroup(menu);
  const std::string chosen = folders_.ReadProfileName();
  for (const BuiltInProfile& p : BuiltInProfiles()) {
    const QString name = QString::fromStdString(p.profile.name);
    QAction* a = menu->addAction(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(p.title)));
    a->setObjectName(QStringLiteral("Profile_%1").arg(name));
    a->setToolTip(QString::fromUtf8(p.source));
    a->setCheckable(true);
    a->setChecked(p.profile.name == chosen);
    profiles->addAction(a);
    const Profile profile = p.profile;
    connect(a, &QAction::triggered, this, [this, profile] { Profile_Click(profile); });
  }
  menu->setToolTipsVisible(true);
  if (const Profile* p = FindBuiltInProfile(chosen)) session_.doc.SetProfile(*p);
}

void Form1::Profile_Click(const Profile& profile) {
  folders_.WriteProfileName(profile.name);
  // What was typed is written back in the grid it was typed in; the entry is
  // then laid out in the profile's width.
  Run(CommandId::Profile, [&] {
    session_.doc.SetProfile(WithChosenBreaks(profile));
    ShowBreakChoice();
    ShowMarkupInGrid(session_.doc, session_.grid, session_.grid.ShowMarkup);
  });
  RefreshViews();
}

Profile Form1::WithChosenBreaks(Profile profile) const {
  if (chosenBreaks_) profile.breaks = *chosenBreaks_;
  return profile;
}

void Form1::ShowBreakChoice() {
  if (!breakChoices_) return;
  const BreakStyle style = session_.doc.RuleProfile().breaks;
  for (QAction* a : breakChoices_->actions()) a->setChecked(a->data().toInt() == static_cast<int>(style));
}

void Form1::BuildBreaksMenu(QMenu* menu) {
  // Where the fix breaks lines; the profile says unless the user chose.
  breakChoices_ = new QActionGroup(menu);
  const std::string chosen = folders_.ReadBreakStyle();
  chosenBreaks_ = ParseBreakStyle(chosen);
  const struct {
    BreakStyle style;
    const char* caption;
    const char* tip;
  } choices[] = {
      {BreakStyle::Middle, "&Middle", "At the first space from just before the middle, as the rules always did"},
      {BreakStyle::Natural, "&Natural",
       "Where a subtitler would break: after punctuation, before a conjunction, never after an article"},
  };
  for (const auto& c : choices) {
    QAction* a = menu->addAction(QString::fromUtf8(c.caption));
    a->setObjectName(QStringLiteral("LineBreaks_%1").arg(QString::fromLatin1(BreakStyleName(c.style))));
    a->setToolTip(QString::fromUtf8(c.tip));
    a->setCheckable(true);
    a->setData(static_cast<int>(c.style));
    breakChoices_->addAction(a);
    const BreakStyle style = c.style;
    connect(a, &QAction::triggered, this, [this, style] { Breaks_Click(style); });
  }
  menu->setToolTipsVisible(true);
  session_.doc.SetProfile(WithChosenBreaks(session_.doc.RuleProfile()));
  ShowBreakChoice();
}

void Form1::Breaks_Click(BreakStyle style) {
  folders_.WriteBreakStyle(BreakStyleName(style));
  chosenBreaks_ = style;
  Run(CommandId::LineBreaks, [&] { session_.doc.SetProfile(WithChosenBreaks(session_.doc.RuleProfile())); });
  ShowBreakChoice();
  RefreshViews();
}

void Form1::NextProblem_Click() {
  const Document& doc = session_.doc;
  if (doc.NoDocument()) return;
  const ProfileCheck check = CheckProfile(doc);
  const int from = doc.List1.ListIndex();
  int next = -1;
  for (const Problem& p : check.problems)
    if (p.entry > from) {
      next = p.entry;
      break;
    }
  if (next < 0) {
    ShowMessage(this, QStringLiteral("No entry after this one breaks the rules of %1")
                          .arg(QString::fromStdString(doc.RuleProfile().name)));
    return;
  }
  Run(CommandId::Select, [&] { SelectEntry(session_.doc, next); });
  FocusList();
}

void Form1::BuildFrameRateMenu(QMenu* menu) {
  // Frames and times convert at the frame rate: for the frame buttons of a
  // file in times, and for converting between the formats.
  frameRateMenu_ = menu;
  auto* rates = new QActionGroup(menu);
  for (const double rate : kFrameRates) {
    const QString name = QString::fromStdString(FormatFrameRate(rate));
    QAction* a = menu->addAction(name + QStringLiteral(" fps"));
    a->setObjectName(QStringLiteral("FrameRate_%1").arg(name));
    a->setData(rate);
    a->setCheckable(true);
    rates->addAction(a);
    connect(a, &QAction::triggered, this, [this, rate] { FrameRate_Click(rate); });
  }
}

void Form1::BuildStatusLine() {
  // On the left, where a passing message (an entry shown as nothing) takes
  // its place while it lasts.
  fileNotes_ = new ElidedLabel(this);
  fileNotes_->setObjectName(QStringLiteral("FileNotes"));
  fileNotes_->setContentsMargins(4, 0, 0, 0);
  fileNotes_->setTextFormat(Qt::PlainText);
  fileNotes_->setMinimumWidth(1);
  fileNotes_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(fileNotes_, 1);
  encodingStatus_ = new QLabel(this);
  encodingStatus_->setObjectName(QStringLiteral("EncodingStatus"));
  encodingStatus_->setContentsMargins(4, 0, 8, 0);
  statusBar()->addPermanentWidget(encodingStatus_);
  statusBar()->setSizeGripEnabled(false);
  // A passing message ("line length 68 > 41") has the whole line while it
  // lasts: cut short by the file's details, it would say another number.
  connect(statusBar(), &QStatusBar::messageChanged, encodingStatus_,
          [label = encodingStatus_](const QString& message) { label->setVisible(message.isEmpty()); });
}

void Form1::RefreshActions() {
  const Document& doc = session_.doc;
  encodingMenu_->setEnabled(!doc.NoDocument());
  const Encoding encoding = doc.FileEncoding() == Encoding::Utf8Bom ? Encoding::Utf8 : doc.FileEncoding();
  for (QAction* a : encodingMenu_->actions())
    a->setChecked(!doc.NoDocument() && a->data().toInt() == static_cast<int>(encoding));
  const double rate = doc.NoDocument() ? folders_.ReadFrameRate() : doc.Identity().frameRate;
  for (QAction* a : frameRateMenu_->actions()) a->setChecked(a->data().toDouble() == rate);
  // What would be undone: typing not yet written back comes first, when
  // writing it back would change the entry.
  const bool pending = session_.grid.Edited && WriteBackWouldChange(doc, session_.grid);
  const std::string undo = pending ? UndoName(CommandId::EditEntry) : doc.UndoName();
  undo_->setEnabled(!undo.empty());
  undo_->setText(StepCaption(CommandId::Undo, undo));
  redo_->setEnabled(doc.CanRedo() && !pending);
  redo_->setText(StepCaption(CommandId::Redo, redo_->isEnabled() ? doc.RedoName() : std::string()));
  showTags_->setChecked(session_.grid.ShowMarkup);
}

void Form1::ShowTags_Click(bool shown) {
  // What was typed is written back first, in the view it was typed in.
  Run(CommandId::ShowStyleTags, [&] { ShowMarkupInGrid(session_.doc, session_.grid, shown); });
  RefreshViews();
}

void Form1::RefreshStatusLine() {
  const Document& doc = session_.doc;
  // An entry shown as nothing says why.
  const int sel = doc.List1.ListIndex();
  if (!doc.NoDocument() && session_.grid.EntryId == 0 && doc.List1.Valid(sel) &&
      !SuppliesAllFields(doc.List1.Item(sel))) {
    statusBar()->showMessage(QStringLiteral("This line has no frames of its own"));
  } else if (const QString why = model_->ProblemsOf(sel); !why.isEmpty()) {
    // What the entry breaks of the profile's rules.
    statusBar()->showMessage(why);
  } else {
    statusBar()->clearMessage();
  }
  // The file's notes stay in view for as long as the document is open; the
  // tooltip holds them all where the line is too short.
  QStringList notes;
  if (!doc.NoDocument())
    for (const std::string& note : doc.FileNotes()) notes << ToQt(note);
  static_cast<ElidedLabel*>(fileNotes_)->SetWhole(notes.join(QStringLiteral("; ")));
  const double rate = doc.NoDocument() ? folders_.ReadFrameRate() : doc.Identity().frameRate;
  encodingStatus_->setText(
      doc.NoDocument()
          ? QString()
          : QStringLiteral("%1 \u00b7 Encoding: %2 \u00b7 Line ends: %3 \u00b7 %4 fps")
                    .arg(FormatTitle(*doc.Identity().format), QString::fromLatin1(EncodingName(doc.FileEncoding())),
                         doc.Identity().lineEnd == LineEnd::Lf ? QStringLiteral("LF") : QStringLiteral("CR LF"),
                         QString::fromStdString(FormatFrameRate(rate))) +
                QStringLiteral(" \u00b7 Rules: %1, %2 breaks")
                    .arg(QString::fromStdString(doc.RuleProfile().name),
                         QString::fromLatin1(BreakStyleName(doc.RuleProfile().breaks))));
}

}  // namespace lm::ui
