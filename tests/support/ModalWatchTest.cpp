// The watch over modal windows: a window nobody answers, or one an answer
// leaves open, fails the test within seconds and names it, and the waiting
// code goes on instead of hanging until the test runner's limit.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStringList>

#include "support/ModalWatch.h"
#include "support/TestApplication.h"

namespace tarvo::test {
namespace {

qint64 lastWaitMs = 0;

void EnsureApplication() { TestApplication("support_tests"); }

void ShowBoxNobodyAnswers() {
  QMessageBox box(QMessageBox::Question, "Overwrite", "Overwrite the log file?", QMessageBox::Yes | QMessageBox::No);
  box.setObjectName("Unanswered");
  QElapsedTimer waited;
  waited.start();
  box.exec();
  lastWaitMs = waited.elapsed();
}

void ShowDialogAnAnswerLeavesOpen() {
  ModalAnswerer looksOnly([](QWidget*) { return true; });  // takes it, but neither accepts nor rejects
  QDialog dialog;
  dialog.setObjectName("Stubborn");
  dialog.setWindowTitle("Options");
  QElapsedTimer waited;
  waited.start();
  dialog.exec();
  lastWaitMs = waited.elapsed();
}

TEST(ModalWatchTest, AWindowNobodyAnswersFailsAtOnceNamingIt) {
  EnsureApplication();
  EXPECT_NONFATAL_FAILURE(ShowBoxNobodyAnswers(),
                          "A modal window nobody answers: QMessageBox \"Unanswered\" titled \"Overwrite\" saying "
                          "\"Overwrite the log file?\"");
  EXPECT_LT(lastWaitMs, 2000);
}

TEST(ModalWatchTest, AWindowAnAnswerLeavesOpenFailsWithinSeconds) {
  EnsureApplication();
  EXPECT_NONFATAL_FAILURE(ShowDialogAnAnswerLeavesOpen(),
                          "A modal window still open 5 s after it was answered: QDialog \"Stubborn\" titled \"Options\"");
  EXPECT_LT(lastWaitMs, ModalWatch::kCloseLimitMs + 3000);
}

// Answerers are asked newest first; one that declines leaves the window to
// the next, and the texts an answerer keeps are the ones shown.
TEST(ModalWatchTest, AnsweredWindowsPassAndTheirTextsAreKept) {
  EnsureApplication();
  QStringList texts;
  ModalAnswerer answers([&texts](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) return false;
    texts << box->text();
    box->accept();
    return true;
  });
  int declined = 0;
  ModalAnswerer declines([&declined](QWidget*) {
    ++declined;
    return false;
  });
  QMessageBox box(QMessageBox::Information, "Tarvo", "Log file saved.", QMessageBox::Ok);
  EXPECT_EQ(box.exec(), QDialog::Accepted);
  EXPECT_EQ(texts, QStringList{"Log file saved."});
  EXPECT_EQ(declined, 1);
}

}  // namespace
}  // namespace tarvo::test
