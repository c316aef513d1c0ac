#pragma once
// The splash window (objectName "Form3"): borderless, blue, with the
// program's name, the model and the serial number of the adapter found at
// start-up for about two seconds; or, when the saved choice is "Prompt", a
// modal chooser listing the attached adapters (ComboBox1, Button1 "OK").
#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace tarvo::qt {

class SplashWindow : public QDialog {
 public:
  SplashWindow(double scalingFactor, QWidget* mainWindow);

  // Information splash: the model's lettering and the serial text; its close timer
  // (2000 ms) ends the window once enabled.
  void ShowInformation(int32_t hardwareType, const std::string& serialText);
  void SetTimerEnabled(bool enable);

  // Chooser: the lines to list; returns the chosen line, -1 for none.
  int Choose(const std::vector<std::string>& lines);

 private:
  void CentreOverMainWindow();
  int Scaled(int px) const;

  double scaling_;
  QWidget* mainWindow_;
  QLabel* labelTarvo_;
  QLabel* labelType_;
  QLabel* labelSN_;
  QComboBox* deviceChoice_;
  QPushButton* okButton_;
  QTimer* closeTimer_;
};

}  // namespace tarvo::qt
