// The Log Options dialog widget: its controls by component name, and what
// clicks on them do to the dialog and to TLog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLayout>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "logging/qt/LogOptionsDialog.h"
#include "support/ModalWatch.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestApplication.h"

namespace tarvo {
namespace {

QApplication& App() { return test::TestApplication("logging_dialog_tests"); }

class LogOptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    log.DIR = dir.Path().string() + "/";
    log.FileName = "run.txt";
    dialog = std::make_unique<qt::LogOptionsDialog>(log, dialogs, [this] { return busLoad; }, 1.0, nullptr);
  }
  template <typename T>
  T* Find(const char* name) {
    T* w = dialog->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  test::TempFolder dir{"tarvo-log-dialog"};
  TLog log;
  test::ScriptedDialogs dialogs;
  bool busLoad = false;
  std::unique_ptr<qt::LogOptionsDialog> dialog;
};

TEST_F(LogOptionsDialogTest, ControlsCarryTheirComponentNamesAndCaptions) {
  EXPECT_EQ(dialog->objectName(), "Form4");
  EXPECT_EQ(dialog->windowTitle(), "Log Options");
  // The described size, grown only where the font needs more room.
  EXPECT_EQ(dialog->size(), QSize(584, 525).expandedTo(dialog->layout()->minimumSize()));
  const char* buttons[][2] = {{"RadioButton1", "Text"},
                              {"RadioButton2", "CSV"},
                              {"RadioButton3", "ASC"},
                              {"RadioButton4", "Prompt On Overwrite"},
                              {"RadioButton5", "Automatically Overwrite"},
                              {"RadioButton6", "Automatically Rename"},
                              {"RadioButton7", "Single"},
                              {"RadioButton8", "Continuous"},
                              {"CheckBox1", "Receive Messages"},
                              {"CheckBox2", "Transmit Messages"},
                              {"CheckBox3", "Error Messages"},
                              {"CheckBox4", "Error Count Messages"},
                              {"CheckBox5", "Bus Load Messages"},
                              {"CheckBox6", "Receive Messages"},
                              {"CheckBox7", "Transmit Messages"},
                              {"Button1", "OK"},
                              {"Button2", "Cancel"},
                              {"Button3", "Browse..."}};
  for (const auto& b : buttons) {
    QAbstractButton* w = Find<QAbstractButton>(b[0]);
    if (w) {
      EXPECT_EQ(w->text(), b[1]) << b[0];
    }
  }
  EXPECT_NE(Find<QLineEdit>("Edit1"), nullptr);
}

TEST_F(LogOptionsDialogTest, ShowingFillsTheControlsAndTypeClicksSwapTheExtension) {
  dialog->show();
  EXPECT_EQ(Find<QLineEdit>("Edit1")->text().toStdString(), log.DIR + "run.txt");
  EXPECT_TRUE(Find<QRadioButton>("RadioButton1")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("CheckBox4")->isVisible());
  dialog->hide();
  busLoad = true;
  dialog->show();
  EXPECT_TRUE(Find<QCheckBox>("CheckBox4")->isVisible());
  EXPECT_TRUE(Find<QCheckBox>("CheckBox5")->isVisible());

  Find<QRadioButton>("RadioButton3")->click();
  EXPECT_EQ(Find<QLineEdit>("Edit1")->text().toStdString(), log.DIR + "run.asc");
  EXPECT_FALSE(Find<QCheckBox>("CheckBox3")->isEnabled());
  EXPECT_FALSE(Find<QCheckBox>("CheckBox3")->isChecked());
  Find<QRadioButton>("RadioButton2")->click();
  EXPECT_EQ(Find<QLineEdit>("Edit1")->text().toStdString(), log.DIR + "run.csv");
  EXPECT_TRUE(Find<QCheckBox>("CheckBox3")->isEnabled());
  EXPECT_TRUE(Find<QCheckBox>("CheckBox3")->isChecked());  // from TLog
}

TEST_F(LogOptionsDialogTest, OkRefusesAnUnusableNameAndStoresAUsableOne) {
  dialog->show();
  Find<QLineEdit>("Edit1")->setText("bare.txt");
  Find<QPushButton>("Button1")->click();
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Log file name or directory invalid, please correct."});
  EXPECT_EQ(dialogs.Boxes[0].Type, TDialogType::Warning);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(log.FileName, "run.txt");

  Find<QLineEdit>("Edit1")->setText(QString::fromStdString(log.DIR) + "trace");
  Find<QRadioButton>("RadioButton2")->click();
  Find<QRadioButton>("RadioButton6")->click();
  Find<QRadioButton>("RadioButton8")->click();
  Find<QCheckBox>("CheckBox7")->click();
  Find<QPushButton>("Button1")->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(log.FileName, "trace.csv");
  EXPECT_EQ(log.FileType, CSV_FILE);
  EXPECT_EQ(log.FileOverwrite, RENAME_OVERWRITE);
  EXPECT_TRUE(log.ReplayTypeFlag.load());
  EXPECT_EQ(log.ReplayMessageTypes, (std::array<bool, 2>{true, true}));
}

TEST_F(LogOptionsDialogTest, BrowseFillsTheNameAndCancelKeepsTheLog) {
  dialogs.FileAnswers = {std::string(log.DIR + "picked.txt")};
  dialog->show();
  Find<QPushButton>("Button3")->click();
  EXPECT_EQ(Find<QLineEdit>("Edit1")->text().toStdString(), log.DIR + "picked.txt");
  EXPECT_EQ(dialogs.OpenRequests.size(), 1u);
  Find<QPushButton>("Button2")->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(log.FileName, "run.txt");
}

// Each time it shows, the dialog stands centred over the main window, also
// after the main window moved.
TEST_F(LogOptionsDialogTest, ShowsCentredOverTheMainWindow) {
  QWidget main;
  main.setGeometry(120, 80, 900, 640);
  main.show();
  qt::LogOptionsDialog over(log, dialogs, [] { return false; }, 1.0, &main);
  for (const QPoint at : {QPoint(120, 80), QPoint(400, 260)}) {
    main.move(at);
    over.show();
    QApplication::processEvents();
    const QPoint gap = over.frameGeometry().center() - main.frameGeometry().center();
    EXPECT_LE(gap.manhattanLength(), 2) << "main window at " << at.x() << "," << at.y() << ": off by " << gap.x()
                                        << "," << gap.y();
    over.hide();
  }
}

}  // namespace
}  // namespace tarvo
