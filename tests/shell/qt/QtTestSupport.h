#pragma once
// A QApplication for the widget tests (the offscreen platform is set by the
// test runner) and a window with a CAN View list over a store of its own.
#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

#include <deque>
#include <functional>
#include <memory>

#include "shell/qt/ApplicationShell.h"
#include "shell/qt/MainWindow.h"
#include "support/ModalWatch.h"
#include "support/TestApplication.h"
#include "view/qt/CANViewList.h"
#include "view/CANViewStore.h"
#include "common/DisplaySettings.h"

namespace tarvo::test {

inline QApplication& EnsureApplication() { return TestApplication("shell_qt_tests"); }

// Answers every message box the program shows with OK, as a user would, and
// keeps their texts. Other modal windows are left to other answerers.
class MessageBoxAnswers {
 public:
  MessageBoxAnswers()
      : answerer_([this](QWidget* modal) {
          auto* box = qobject_cast<QMessageBox*>(modal);
          if (!box) return false;
          Texts << box->text();
          box->accept();
          return true;
        }) {}
  QStringList Texts;

 private:
  ModalAnswerer answerer_;
};

// Answers the modal windows the program opens, one step per window, in the
// order given. A window that comes when no step is left, or that a step
// leaves open, fails the test (the modal watch names it and closes it).
class ModalSteps {
 public:
  using Step = std::function<void(QWidget*)>;
  ModalSteps()
      : answerer_([this](QWidget* modal) {
          if (steps_.empty()) return false;
          Step step = std::move(steps_.front());
          steps_.pop_front();
          step(modal);
          return true;
        }) {}
  void Then(Step step) { steps_.push_back(std::move(step)); }
  bool Done() const { return steps_.empty(); }

  static Step Press(QMessageBox::StandardButton which, QStringList* texts = nullptr) {
    return [which, texts](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr) << DescribeWindow(w);
      if (texts) *texts << box->text();
      ASSERT_NE(box->button(which), nullptr) << DescribeWindow(w);
      box->button(which)->click();
    };
  }
  // Types the path into the dialog's file name box and accepts, as a user
  // does. selectFile() is not used: it leaves the box alone while the box has
  // the keyboard focus, and the dialog would then open the folder instead.
  static Step ChooseFile(const QString& path) {
    return [path](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      ASSERT_NE(dialog, nullptr) << DescribeWindow(w);
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      ASSERT_NE(name, nullptr) << DescribeWindow(w);
      name->setText(path);
      ASSERT_EQ(dialog->selectedFiles(), QStringList{path}) << DescribeWindow(w);
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
  }

 private:
  std::deque<Step> steps_;
  ModalAnswerer answerer_;
};

// Closes the program's window as a user who keeps no changes: no
// "Save configuration?" question is left waiting.
inline void CloseDiscardingChanges(qt::ApplicationShell& shell) {
  shell.ConfigModifiedFlag() = false;
  shell.Window().close();
}

// The main window with a CAN View list over a store of its own, and a plain
// transmit list on its page as the transmit wiring brings one.
struct WindowWithCANView {
  explicit WindowWithCANView(double scaling = 1.0) : window((EnsureApplication(), scaling)) {
    list = new CANViewList(view, display);
    window.AttachCANViewList(list);
    QWidget* page = window.ClearPage(TPage::CANTransmit);
    auto* layout = new QVBoxLayout(page);
    transmitList = new QTableView(page);
    transmitList->setObjectName("ListView2");
    layout->addWidget(transmitList);
    window.AttachTransmitList(transmitList);
  }
  TCANViewState view;
  TDisplaySettings display;
  qt::MainWindow window;
  CANViewList* list;
  QTableView* transmitList;
};

}  // namespace tarvo::test
