#include "shell/qt/IconSet.h"

#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <cmath>

namespace tarvo::qt {
namespace {

// Every picture is drawn on a 16 x 16 grid (log frames on 32 x 16); the
// engine scales the painter to the size Qt asks for.
using TDraw = void (*)(QPainter&);

const QColor kInk(48, 52, 58);
const QColor kPaper(255, 255, 255);
const QColor kPaperEdge(108, 122, 138);
const QColor kBlue(36, 108, 196);
const QColor kGreen(40, 150, 60);
const QColor kRed(210, 52, 40);
const QColor kAmber(230, 160, 20);
const QColor kFolder(240, 196, 80);
const QColor kFolderDark(200, 150, 40);

void Fill(QPainter& p, const QColor& fill, const QColor& edge, qreal width = 1.0) {
  p.setBrush(fill);
  p.setPen(edge.isValid() ? QPen(edge, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                          : QPen(Qt::NoPen));
}

void Stroke(QPainter& p, const QColor& colour, qreal width) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Polygon(QPainter& p, std::initializer_list<QPointF> points) {
  p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void Page(QPainter& p, QRectF r) {
  const qreal fold = r.width() * 0.3;
  Fill(p, kPaper, kPaperEdge);
  Polygon(p, {r.topLeft(), {r.right() - fold, r.top()}, {r.right(), r.top() + fold},
              r.bottomRight(), r.bottomLeft()});
  Stroke(p, kPaperEdge, 0.8);
  p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
  p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void PageLines(QPainter& p, QRectF r) {
  Page(p, r);
  Stroke(p, QColor(150, 165, 185), 0.8);
  for (qreal y = r.top() + 4; y < r.bottom() - 1.5; y += 2.5)
    p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void PlayTriangle(QPainter& p, QRectF r, const QColor& c) {
  Fill(p, c, c.darker(130), 0.8);
  Polygon(p, {r.topLeft(), r.bottomLeft(), {r.right(), r.center().y()}});
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width) {
  Stroke(p, c, width);
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
  const QPointF n(-d.y(), d.x());
  const qreal head = width * 1.8;
  Fill(p, c, c, 0.6);
  Polygon(p, {to + d * head * 0.6, to - d * head + n * head, to - d * head - n * head});
}

void Text(QPainter& p, QRectF r, const QString& text, qreal pixelSize, const QColor& c) {
  QFont f("DejaVu Sans");
  f.setPixelSize(100);  // drawn large and scaled down: no hinting at small sizes
  f.setBold(true);
  p.save();
  p.translate(r.center());
  p.scale(pixelSize / 100.0, pixelSize / 100.0);
  p.setFont(f);
  p.setPen(c);
  const QRectF big(-r.width() * 50 / pixelSize, -r.height() * 50 / pixelSize,
                   r.width() * 100 / pixelSize, r.height() * 100 / pixelSize);
  p.drawText(big, Qt::AlignCenter, text);
  p.restore();
}

void Disc(QPainter& p, QPointF c, qreal radius, const QColor& colour) {
  Fill(p, colour, colour.darker(140), 0.8);
  p.drawEllipse(c, radius, radius);
}

// ---- command images ----

void DrawNew(QPainter& p) {
  Page(p, {2.5, 1.5, 10, 13});
  Stroke(p, kGreen, 2.2);
  p.drawLine(QPointF(12, 9.5), QPointF(12, 14.5));
  p.drawLine(QPointF(9.5, 12), QPointF(14.5, 12));
}

void DrawLoad(QPainter& p) {
  Fill(p, kFolderDark, kFolderDark.darker(130), 0.8);
  Polygon(p, {{1.5, 3}, {6, 3}, {7.5, 4.5}, {13.5, 4.5}, {13.5, 13.5}, {1.5, 13.5}});
  Fill(p, kFolder, kFolderDark.darker(120), 0.8);
  Polygon(p, {{3.5, 7}, {15, 7}, {13, 13.5}, {1.5, 13.5}});
}

void DrawSave(QPainter& p) {
  Fill(p, kBlue, kBlue.darker(140), 0.8);
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
  Fill(p, kPaper, QColor());
  p.drawRect(QRectF(4, 1.5, 8, 5.5));
  Fill(p, kInk, QColor());
  p.drawRect(QRectF(5, 10, 6, 4.5));
  Fill(p, QColor(200, 210, 220), QColor());
  p.drawRect(QRectF(9, 2.5, 2, 3.5));
}

void DrawClear(QPainter& p) {
  p.save();
  p.translate(8, 8);
  p.rotate(-40);
  Fill(p, QColor(240, 120, 140), QColor(170, 60, 80), 0.8);
  p.drawRoundedRect(QRectF(-6.5, -3, 7, 6), 1, 1);
  Fill(p, kPaper, kPaperEdge, 0.8);
  p.drawRoundedRect(QRectF(0.5, -3, 6, 6), 1, 1);
  p.restore();
  Stroke(p, kInk, 1);
  p.drawLine(QPointF(3, 14.5), QPointF(14, 14.5));
}

void DrawCopyToTx(QPainter& p) {
  Page(p, {1.5, 1.5, 8, 10});
  Page(p, {4.5, 3.5, 8, 10});
  Arrow(p, {7, 12.5}, {14, 12.5}, kGreen, 1.8);
}

void DrawSnapshot(QPainter& p) {
  Fill(p, QColor(90, 96, 106), kInk, 0.8);
  Polygon(p, {{5, 4}, {6.5, 2.5}, {9.5, 2.5}, {11, 4}});
  p.drawRoundedRect(QRectF(1.5, 4, 13, 9.5), 1.5, 1.5);
  Disc(p, {8, 8.7}, 3.3, QColor(220, 230, 240));
  Disc(p, {8, 8.7}, 2, kBlue);
  Fill(p, kAmber, QColor());
  p.drawRect(QRectF(11.5, 5.5, 2, 1.3));
}

void DrawStart(QPainter& p) { PlayTriangle(p, {3.5, 2, 10.5, 12}, kGreen); }

void DrawStartRx(QPainter& p) {
  PlayTriangle(p, {1.5, 2, 8.5, 11}, kGreen);
  Arrow(p, {12.5, 1.5}, {12.5, 13.5}, kBlue, 1.8);
}

void DrawStartTx(QPainter& p) {
  PlayTriangle(p, {1.5, 2, 8.5, 11}, kGreen);
  Arrow(p, {12.5, 14}, {12.5, 2}, kAmber.darker(115), 1.8);
}

void DrawStop(QPainter& p) {
  Fill(p, kRed, kRed.darker(140), 0.8);
  p.drawRoundedRect(QRectF(3, 3, 10, 10), 1.5, 1.5);
}

void DrawExit(QPainter& p) {
  Fill(p, QColor(150, 100, 60), QColor(100, 64, 36), 0.8);
  p.drawRect(QRectF(2, 1.5, 8, 13));
  Fill(p, QColor(90, 60, 35), QColor());
  Polygon(p, {{2, 1.5}, {6.5, 3.5}, {6.5, 15}, {2, 14.5}});
  Arrow(p, {7.5, 8}, {15, 8}, kGreen, 1.8);
}

void DrawHelp(QPainter& p) {
  Disc(p, {8, 8}, 6.8, kBlue);
  Text(p, {1, 1, 14, 14}, "?", 11, kPaper);
}

void LogPage(QPainter& p) { PageLines(p, {1, 1, 9, 12}); }

void DrawStartLogRecording(QPainter& p) {
  LogPage(p);
  Disc(p, {11, 11}, 4, kRed);
}

void DrawStartLogReplay(QPainter& p) {
  LogPage(p);
  PlayTriangle(p, {7.5, 6.5, 8, 9}, kGreen);
}

void DrawSingleStepLogReplay(QPainter& p) {
  LogPage(p);
  PlayTriangle(p, {6.5, 6.5, 6.5, 9}, kGreen);
  Fill(p, kGreen, kGreen.darker(130), 0.8);
  p.drawRect(QRectF(13, 6.5, 2, 9));
}

void PauseBars(QPainter& p, QRectF r, const QColor& c) {
  Fill(p, c, c.darker(130), 0.8);
  const qreal w = r.width() * 0.36;
  p.drawRect(QRectF(r.left(), r.top(), w, r.height()));
  p.drawRect(QRectF(r.right() - w, r.top(), w, r.height()));
}

void DrawPauseLogReplay(QPainter& p) {
  LogPage(p);
  PauseBars(p, {7.5, 6.5, 7.5, 9}, kAmber);
}

void DrawStopLog(QPainter& p) {
  LogPage(p);
  Fill(p, kInk, kInk, 0.8);
  p.drawRect(QRectF(7.5, 7.5, 7.5, 7.5));
}

void Grid(QPainter& p, QRectF r, int rows) {
  Fill(p, kPaper, kPaperEdge);
  p.drawRect(r);
  Fill(p, QColor(200, 220, 245), QColor());
  p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, r.height() / rows - 0.5));
  Stroke(p, kPaperEdge, 0.8);
  for (int i = 1; i < rows; ++i) {
    const qreal y = r.top() + r.height() * i / rows;
    p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
  }
  p.drawLine(QPointF(r.left() + r.width() * 0.35, r.top()),
             QPointF(r.left() + r.width() * 0.35, r.bottom()));
}

void DrawFixed(QPainter& p) { Grid(p, {1.5, 2.5, 13, 11}, 4); }

void DrawCyclic(QPainter& p) {
  Stroke(p, kBlue, 1.8);
  const QRectF r(2.5, 2.5, 11, 11);
  p.drawArc(r, 100 * 16, 150 * 16);
  p.drawArc(r, 280 * 16, 150 * 16);
  Fill(p, kBlue, kBlue, 0.6);
  Polygon(p, {{12.5, 1.5}, {14.8, 6.5}, {10, 6}});
  Polygon(p, {{3.5, 14.5}, {1.2, 9.5}, {6, 10}});
}

void DrawFilterOnID(QPainter& p) {
  Fill(p, QColor(90, 150, 220), kBlue.darker(130), 0.9);
  Polygon(p, {{1.5, 2}, {14.5, 2}, {9.5, 8.5}, {9.5, 14.5}, {6.5, 12.5}, {6.5, 8.5}});
}

void DrawNow(QPainter& p) {
  Fill(p, QColor(250, 210, 40), QColor(170, 120, 0), 0.9);
  Polygon(p, {{9.5, 1}, {3, 9}, {7.5, 9}, {6, 15}, {13, 6.5}, {8.5, 6.5}});
}

void NumberBox(QPainter& p, const QString& text) {
  Fill(p, kPaper, kPaperEdge);
  p.drawRoundedRect(QRectF(1, 3, 14, 10), 2, 2);
  Text(p, {1, 3, 14, 10}, text, 8, kInk);
}

void DrawDecimal(QPainter& p) { NumberBox(p, "10"); }
void DrawHexadecimal(QPainter& p) { NumberBox(p, "0x"); }

void CheckBox(QPainter& p) {
  Fill(p, kPaper, kPaperEdge, 1);
  p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
}

void DrawTxDisabled(QPainter& p) { CheckBox(p); }

void DrawTxEnabled(QPainter& p) {
  CheckBox(p);
  Stroke(p, kGreen, 2);
  p.drawPolyline(QPolygonF({{4.5, 8}, {7, 10.5}, {11.5, 5}}));
}

void RedCross(QPainter& p, QRectF r) {
  Stroke(p, kRed, 2.4);
  p.drawLine(r.topLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomLeft());
}

void DrawDelete(QPainter& p) { RedCross(p, {3.5, 3.5, 9, 9}); }

void DrawDeleteAll(QPainter& p) {
  Page(p, {1.5, 1, 8, 10});
  Page(p, {4, 3, 8, 10});
  RedCross(p, {8, 8, 6.5, 6.5});
}

void DrawFont(QPainter& p) {
  Text(p, {0, 1, 11, 14}, "A", 14, kInk);
  Text(p, {9, 5, 7, 10}, "A", 7, kBlue);
}

constexpr std::array<TDraw, COMMAND_IMAGE_COUNT> kCommandDrawings = {
    DrawNew, DrawLoad, DrawSave, DrawClear, DrawCopyToTx, DrawSnapshot,
    DrawStart, DrawStartRx, DrawStartTx, DrawStop, DrawExit, DrawHelp,
    DrawStartLogRecording, DrawStartLogReplay, DrawSingleStepLogReplay,
    DrawPauseLogReplay, DrawStopLog, DrawFixed, DrawCyclic, DrawFilterOnID,
    DrawNow, DrawDecimal, DrawHexadecimal, DrawTxDisabled,
    DrawTxEnabled, DrawDelete, DrawDeleteAll, DrawFont};

// ---- CAN View row icons ----

// Received frames point down into the list, transmitted ones up and out;
// remote frames are hollow.
void VerticalArrow(QPainter& p, bool up, const QColor& c, bool hollow) {
  const qreal top = up ? 1.5 : 14.5, bottom = up ? 14.5 : 1.5, neck = up ? 8 : 8;
  p.setBrush(hollow ? QBrush(kPaper) : QBrush(c));
  p.setPen(QPen(c.darker(hollow ? 100 : 130), hollow ? 1.4 : 0.8, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin));
  Polygon(p, {{8, top}, {14, neck}, {10.5, neck}, {10.5, bottom}, {5.5, bottom}, {5.5, neck},
              {2, neck}});
}

void DrawRx(QPainter& p) { VerticalArrow(p, false, kBlue, false); }
void DrawRemoteRx(QPainter& p) { VerticalArrow(p, false, kBlue, true); }
void DrawTx(QPainter& p) { VerticalArrow(p, true, kGreen, false); }
void DrawRemoteTx(QPainter& p) { VerticalArrow(p, true, kGreen, true); }

void DrawErrorFrame(QPainter& p) {
  Disc(p, {8, 8}, 6.5, kRed);
  Text(p, {1, 1, 14, 14}, "!", 11, kPaper);
}

void DrawBusActive(QPainter& p) { Disc(p, {8, 8}, 5.5, kGreen); }
void DrawBusPassive(QPainter& p) { Disc(p, {8, 8}, 5.5, kAmber); }

void DrawBusOff(QPainter& p) {
  Disc(p, {8, 8}, 5.5, kRed);
  Fill(p, kPaper, QColor());
  p.drawRect(QRectF(4.5, 7, 7, 2));
}

void DrawRxError(QPainter& p) { VerticalArrow(p, false, kRed, true); }
void DrawTxError(QPainter& p) { VerticalArrow(p, true, kRed, true); }

constexpr std::array<TDraw, ROW_ICON_COUNT> kRowDrawings = {
    DrawRx, DrawRemoteRx, DrawTx, DrawRemoteTx, DrawErrorFrame,
    DrawBusActive, DrawBusPassive, DrawBusOff, DrawRxError, DrawTxError};

// ---- log indicator frames (32 x 16) ----

void LogFrameStopped(QPainter& p) {
  PageLines(p, {2, 1.5, 10, 13});
  Fill(p, QColor(160, 166, 174), QColor(120, 126, 134), 0.8);
  p.drawRoundedRect(QRectF(17, 4, 8, 8), 1, 1);
}

void LogFrameRecording(QPainter& p, bool bright) {
  PageLines(p, {2, 1.5, 10, 13});
  Disc(p, {21, 8}, bright ? 5 : 3.5, bright ? kRed : kRed.lighter(150));
}

void LogFrameReplaying(QPainter& p, int phase) {
  PageLines(p, {2, 1.5, 10, 13});
  PlayTriangle(p, {15, 3, 8, 10}, kGreen);
  Stroke(p, kGreen, 1.6);
  const qreal x = phase == 0 ? 25 : 28;
  p.drawPolyline(QPolygonF({{x, 5}, {x + 2.5, 8}, {x, 11}}));
}

void LogFramePaused(QPainter& p, bool bright) {
  PageLines(p, {2, 1.5, 10, 13});
  PauseBars(p, {16.5, 3.5, 9, 9}, bright ? kAmber : kAmber.lighter(140));
}

void LogFrame0(QPainter& p) { LogFrameStopped(p); }
void LogFrame1(QPainter& p) { LogFrameRecording(p, true); }
void LogFrame2(QPainter& p) { LogFrameRecording(p, false); }
void LogFrame3(QPainter& p) { LogFrameReplaying(p, 0); }
void LogFrame4(QPainter& p) { LogFrameReplaying(p, 1); }
void LogFrame5(QPainter& p) { LogFramePaused(p, true); }
void LogFrame6(QPainter& p) { LogFramePaused(p, false); }

constexpr std::array<TDraw, LOG_FRAME_COUNT> kLogDrawings = {
    LogFrame0, LogFrame1, LogFrame2, LogFrame3, LogFrame4, LogFrame5, LogFrame6};

void PaintScaled(QPainter& p, const QRectF& target, TDraw draw, qreal gridW, qreal gridH) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.translate(target.topLeft());
  p.scale(target.width() / gridW, target.height() / gridH);
  draw(p);
  p.restore();
}

// Disabled pictures: grey and faint, the way a disabled tool button reads.
QImage Greyed(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = 96 + qGray(line[x]) / 2;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
    }
  }
  return image;
}

class PaintedIconEngine : public QIconEngine {
 public:
  explicit PaintedIconEngine(TDraw draw) : draw_(draw) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    if (mode != QIcon::Disabled) {
      PaintScaled(*painter, rect, draw_, 16, 16);
      return;
    }
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QImage image(rect.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter ip(&image);
      PaintScaled(ip, QRectF(QPointF(), QSizeF(rect.size() * dpr)), draw_, 16, 16);
    }
    image = Greyed(image);
    image.setDevicePixelRatio(dpr);
    painter->drawImage(rect.topLeft(), image);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(), size), mode, state);
    return pm;
  }

  QIconEngine* clone() const override { return new PaintedIconEngine(draw_); }
  QString key() const override { return QStringLiteral("TarvoPainted"); }

 private:
  TDraw draw_;
};

template <size_t N>
QIcon IconFrom(const std::array<TDraw, N>& drawings, int index) {
  if (index < 0 || index >= int(N)) return QIcon();
  return QIcon(new PaintedIconEngine(drawings[size_t(index)]));
}

}  // namespace

QIcon CommandIcon(int index) { return IconFrom(kCommandDrawings, index); }

QIcon RowIcon(int itemType) { return IconFrom(kRowDrawings, itemType); }

QPixmap LogFrame(int index, int width, int height, double devicePixelRatio) {
  if (index < 0 || index >= LOG_FRAME_COUNT) index = 0;
  QPixmap pm(QSize(width, height) * devicePixelRatio);
  pm.fill(Qt::transparent);
  {
    QPainter p(&pm);
    PaintScaled(p, QRectF(0, 0, pm.width(), pm.height()), kLogDrawings[size_t(index)],
                LOG_FRAME_WIDTH, LOG_FRAME_HEIGHT);
  }
  pm.setDevicePixelRatio(devicePixelRatio);
  return pm;
}

}  // namespace tarvo::qt
