#include "shell/qt/StatusPanels.h"

#include <algorithm>

#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>

#include "common/qt/Scaling.h"
#include "shell/qt/IconSet.h"

namespace tarvo::qt {
namespace {

constexpr int kRunStateWidth = 125;
constexpr int kLogIndicatorWidth = 45;
constexpr int kNumericBaseWidth = 95;
constexpr int kBitRateWidth = 160;
constexpr int kBusLoadWidth = 150;
constexpr int kBusLoadBarWidth = 110;
constexpr int kBusLoadBarLeft = 18;
constexpr int kDeviceWidth = 400;
constexpr int kBusLoadPanelIndex = 4;

const char* const kBusLoadHint = "CAN Bus Load";

// The gauge panel: a bar with the load text centred over it.
class BusLoadPanel : public QWidget {
 public:
  BusLoadPanel(double scaling, QWidget* parent) : QWidget(parent), scaling_(scaling) {
    setObjectName("StatusPanel4");
    setFixedWidth(ScaledPixels(kBusLoadWidth, scaling));
    Bar = new QProgressBar(this);
    Bar->setObjectName("BusLoadBar");
    Bar->setRange(0, 1000);
    Bar->setValue(0);
    Bar->setTextVisible(false);
    Bar->setToolTip(kBusLoadHint);
    QPalette barPalette = Bar->palette();
    barPalette.setColor(QPalette::Highlight, QColor(6, 176, 37));
    Bar->setPalette(barPalette);
    Label = new QLabel(Bar);
    Label->setObjectName("BusLoadLabel");
    Label->setAlignment(Qt::AlignCenter);
    Label->setToolTip(kBusLoadHint);
    normalText_ = Label->palette().color(QPalette::WindowText);
  }

  void SetValid(bool valid) {
    QPalette p = Label->palette();
    p.setColor(QPalette::WindowText, valid ? normalText_ : QColor(Qt::red));
    Label->setPalette(p);
  }

  QProgressBar* Bar;
  QLabel* Label;

 protected:
  void resizeEvent(QResizeEvent*) override {
    const int left = ScaledPixels(kBusLoadBarLeft, scaling_);
    Bar->setGeometry(left, 0, ScaledPixels(kBusLoadBarWidth, scaling_), height());
    Label->setGeometry(Bar->rect());
  }

 private:
  double scaling_;
  QColor normalText_;
};

}  // namespace

// ---- LogIndicator ----

LogIndicator::LogIndicator(double scalingFactor, QWidget* parent)
    : QFrame(parent), scaling_(scalingFactor), timer_(new QTimer(this)) {
  setObjectName("StatusPanel1");
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setFixedWidth(ScaledPixels(kLogIndicatorWidth, scalingFactor));
  setMinimumHeight(ScaledPixels(LOG_FRAME_HEIGHT, scalingFactor));
  timer_->setObjectName("Timer3");
  timer_->setInterval(100);
  QObject::connect(timer_, &QTimer::timeout, this, [this] { Step(); });
}

void LogIndicator::ShowFrame(int frame) {
  frame_ = frame;
  update();
}

void LogIndicator::Animate(int firstFrame, int lastFrame, int intervalMs) {
  firstFrame_ = firstFrame;
  lastFrame_ = lastFrame;
  ShowFrame(firstFrame);
  timer_->start(intervalMs);
}

void LogIndicator::Stop() {
  timer_->stop();
  ShowFrame(0);
}

void LogIndicator::Step() {
  int next = frame_ + 1;
  if (next > lastFrame_) next = firstFrame_;
  ShowFrame(next);
}

void LogIndicator::SetHintSource(std::function<std::string()> source) {
  hintSource_ = std::move(source);
}

QString LogIndicator::HintText() const {
  if (!hintSource_) return QStringLiteral("Log Stopped");
  return QString::fromStdString(hintSource_());
}

void LogIndicator::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  const int w = ScaledPixels(LOG_FRAME_WIDTH, scaling_);
  const int h = ScaledPixels(LOG_FRAME_HEIGHT, scaling_);
  const QPixmap frame = LogFrame(frame_, w, h, devicePixelRatioF());
  p.drawPixmap(ScaledPixels(4, scaling_), (height() - h) / 2, frame);
}

bool LogIndicator::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), HintText(), this);
    return true;
  }
  return QFrame::event(event);
}

// ---- StatusPanels ----

StatusPanels::StatusPanels(QStatusBar* bar, double scalingFactor) : bar_(bar), scaling_(scalingFactor) {
  bar_->setObjectName("StatusBar1");
  AddLabel(kRunStateWidth, Qt::AlignCenter, "Stopped");
  log_ = new LogIndicator(scaling_, bar_);
  bar_->addWidget(log_);
  panels_.push_back(log_);
  AddLabel(kNumericBaseWidth, Qt::AlignCenter, "Hexadecimal ");
  AddLabel(kBitRateWidth, Qt::AlignCenter, "");
  QLabel* device = AddLabel(kDeviceWidth, Qt::AlignLeft | Qt::AlignVCenter, "");
  // The adapter text is the last panel and may use what is left of the bar.
  device->setMinimumWidth(device->maximumWidth());
  device->setMaximumWidth(QWIDGETSIZE_MAX);
  bar_->addWidget(device, 1);
}

int StatusPanels::Scaled(int px) const { return ScaledPixels(px, scaling_); }

QLabel* StatusPanels::AddLabel(int width, Qt::Alignment alignment, const QString& text) {
  auto* label = new QLabel(text, bar_);
  label->setObjectName(QString("StatusPanel%1").arg(panels_.size()));
  label->setAlignment(alignment);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setFixedWidth(Scaled(width));
  bar_->addWidget(label);
  panels_.push_back(label);
  return label;
}

QWidget* StatusPanels::Panel(int panel) const {
  if (panel < 0 || panel >= PanelCount()) return nullptr;
  return panels_[size_t(panel)];
}

void StatusPanels::SetText(int panel, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(Panel(panel))) label->setText(text);
}

QString StatusPanels::Text(int panel) const {
  auto* label = qobject_cast<QLabel*>(Panel(panel));
  return label ? label->text() : QString();
}

void StatusPanels::CreateBusLoadGauge() {
  if (busLoadBar_) return;
  auto* gauge = new BusLoadPanel(scaling_, bar_);
  bar_->insertWidget(kBusLoadPanelIndex, gauge);
  panels_.insert(panels_.begin() + kBusLoadPanelIndex, gauge);
  busLoadBar_ = gauge->Bar;
  busLoadLabel_ = gauge->Label;
  devicePanelNo_ = kBusLoadPanelIndex + 1;
  panels_.back()->setObjectName(QString("StatusPanel%1").arg(devicePanelNo_));
  ShowBusLoad(0, "Bus Load 0" + QLocale::system().decimalPoint() + "0%", true);
}

void StatusPanels::ShowBusLoad(int position, const QString& text, bool valid) {
  if (!busLoadBar_) return;
  busLoadBar_->setValue(std::clamp(position, 0, 1000));
  busLoadLabel_->setText(text);
  static_cast<BusLoadPanel*>(busLoadBar_->parentWidget())->SetValid(valid);
}

}  // namespace tarvo::qt
