#pragma once
// The main window's status bar: fixed-width panels addressed by index like
// the rest of the program does (0 run state, 1 log indicator, 2 numeric
// base, 3 bit rate, then the adapter panel, which moves from 4 to 5 when
// the bus-load gauge is inserted at 4).
#include <QFrame>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QProgressBar;
class QStatusBar;
class QTimer;

namespace tarvo::qt {

// Panel 1: draws one frame of the log indicator and builds its hint when
// shown. The animation cycles the frames first..last; Stop shows frame 0.
class LogIndicator : public QFrame {
 public:
  LogIndicator(double scalingFactor, QWidget* parent);

  void ShowFrame(int frame);
  int Frame() const { return frame_; }
  void Animate(int firstFrame, int lastFrame, int intervalMs);
  void Stop();
  // The hint text, asked for each time the hint is about to show.
  void SetHintSource(std::function<std::string()> source);
  QString HintText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Step();

  double scaling_;
  int frame_ = 0;
  int firstFrame_ = 0;
  int lastFrame_ = 0;
  QTimer* timer_;  // Timer3 of the window
  std::function<std::string()> hintSource_;
};

class StatusPanels {
 public:
  StatusPanels(QStatusBar* bar, double scalingFactor);

  void SetText(int panel, const QString& text);
  QString Text(int panel) const;
  int PanelCount() const { return int(panels_.size()); }
  QWidget* Panel(int panel) const;
  int DevicePanelNo() const { return devicePanelNo_; }

  // Inserts the gauge as panel 4 (once); the adapter panel becomes 5.
  void CreateBusLoadGauge();
  void ShowBusLoad(int position, const QString& text, bool valid);
  QProgressBar* BusLoadBar() const { return busLoadBar_; }
  QLabel* BusLoadLabel() const { return busLoadLabel_; }

  LogIndicator* Log() const { return log_; }

 private:
  QLabel* AddLabel(int width, Qt::Alignment alignment, const QString& text);
  int Scaled(int px) const;

  QStatusBar* bar_;
  double scaling_;
  std::vector<QWidget*> panels_;
  LogIndicator* log_ = nullptr;
  QProgressBar* busLoadBar_ = nullptr;
  QLabel* busLoadLabel_ = nullptr;
  int devicePanelNo_ = 4;
};

}  // namespace tarvo::qt
