#pragma once
// The About dialog: the product name and version over a picture of the
// adapter. A click on any of its contents closes it.
#include <QDialog>

class QLabel;

namespace tarvo::qt {

inline constexpr const char* kApplicationVersion = "5.6";

class AboutDialog : public QDialog {
 public:
  AboutDialog(double scalingFactor, QWidget* parent);

  QLabel* VersionLabel() const { return version_; }

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* AddLabel(const QString& text, int pixelSize, bool productColour, const char* name);

  double scaling_;
  QWidget* panel_;
  QLabel* version_ = nullptr;
};

}  // namespace tarvo::qt
