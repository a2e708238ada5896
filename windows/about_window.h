#pragma once
// Tornak: the About window with the program's title, version, a note from
// the maker and the disclaimer.
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace lm::ui {

class AboutWindow : public QWidget {
  Q_OBJECT
 public:
  // A top-level window that deletes itself when it closes: create with new.
  explicit AboutWindow(QWidget* parent = nullptr);

  static QString ProgramTitle();
  // "Version X.Y.Z", the build's own
  static QString VersionLine();

  QLabel* lblTitle() const { return lblTitle_; }
  QLabel* lblVersion() const { return lblVersion_; }
  QLabel* lblDescription() const { return lblDescription_; }
  QLabel* lblDisclaimer() const { return lblDisclaimer_; }
  QPushButton* cmdOK() const { return cmdOK_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Form_Load();
  void cmdOK_Click();

  QLabel* picIcon_;
  QLabel* lblTitle_;
  QLabel* lblVersion_;
  QLabel* lblDescription_;
  QLabel* lblDisclaimer_;
  QPushButton* cmdOK_;
};

}  // namespace lm::ui
