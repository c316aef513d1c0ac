// Transmission end to end: the whole program on the simulated adapter in
// loopback. The transmit list is filled through the editor's widgets,
// "Loopback" is chosen on the CAN Setup page and Esc starts the run; the
// adapter then sends every frame back as a received one. What the host
// echoes (TD/TR) and what comes back (RD/RR) are compared in the CAN View
// store, and the protocol trace of the simulated adapter shows what went
// over the wire. Last, the editor's controls as the window first shows them.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <vector>

#include "EndToEndFixture.h"
#include "common/TimeUnits.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "transmit/TransmitList.h"
#include "view/qt/CANViewList.h"

namespace tarvo::test {
namespace {

constexpr double kTicksPerMs = 39.0625;
// The update tick's interval.
constexpr double kTickMs = 10.0;

// One item as the user types it into the " CAN Transmit Editor ".
struct EditorItem {
  bool Bit29 = false;
  QString ID;
  bool Remote = false;
  int DLC = 0;
  QStringList Data;  // D1 onwards, hexadecimal
  QString Period;    // an entry of the period box; empty: "On Key"
  QString Key;       // an entry of the key box, with "On Key"
  QString Comment;
};

// An identity of the CAN View store: (IDE, ID, RTR).
using Identity = std::tuple<uint8_t, uint32_t, uint8_t>;

Identity IdentityOf(const TTarvoCAN& m) { return {m.IDE, m.ID, m.RTR}; }

std::vector<uint8_t> Bytes(const TTarvoCAN& m) { return {m.Data, m.Data + std::min<int>(m.DLC, 8)}; }

std::vector<uint8_t> ParsedBytes(const QStringList& hex) {
  std::vector<uint8_t> bytes;
  for (const QString& b : hex) bytes.push_back(uint8_t(b.toUInt(nullptr, 16)));
  return bytes;
}

double TicksToMsExact(uint32_t ticks) { return ticks / kTicksPerMs; }

// The time a frame takes on the simulated bus at the run's 250 kbit/s (the
// program's default bit timing), in ticks: 47 bits with an 11-bit
// identifier, 67 with a 29-bit one, 8 for each data byte, intermission
// included.
double BusTicks(const TTarvoCAN& m) {
  const int bits = (m.IDE ? 67 : 47) + (m.RTR ? 0 : 8 * std::min<int>(m.DLC, 8));
  return bits / 250000.0 * 1000.0 * kTicksPerMs;
}

class TransmitEndToEndTest : public EndToEndTest {
 protected:
  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    StartProgram();
  }

  QTableView* TransmitList() { return Find<QTableView>("ListView2"); }

  static void Choose(QComboBox* box, const QString& entry) {
    const int index = box->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    box->setCurrentIndex(index);
  }

  // Fills the editor's widgets and presses "Add", as a user would.
  void AddThroughEditor(const EditorItem& item) {
    Window().ActivatePage(TPage::CANTransmit);
    const int rows = TransmitList()->model()->rowCount();
    Find<QRadioButton>(item.Bit29 ? "RadioButton31" : "RadioButton30")->click();
    Retype(Find<QLineEdit>("Edit1"), item.ID);
    Find<QRadioButton>(item.Remote ? "RadioButton33" : "RadioButton32")->click();
    Find<QSpinBox>("SpinEdit7")->setValue(item.DLC);
    static const char* const dataFields[8] = {"Edit2", "Edit3", "Edit4", "Edit5",
                                              "Edit6", "Edit7", "Edit8", "Edit9"};
    for (int n = 0; n < item.Data.size(); ++n) Retype(Find<QLineEdit>(dataFields[n]), item.Data[n]);
    if (item.Period.isEmpty()) {
      Find<QRadioButton>("RadioButton35")->click();
      Choose(Find<QComboBox>("ComboBox2"), item.Key);
    } else {
      Find<QRadioButton>("RadioButton34")->click();
      Choose(Find<QComboBox>("ComboBox1"), item.Period);
    }
    Retype(Find<QLineEdit>("Edit10"), item.Comment);
    Find<QPushButton>("AddButton")->click();
    ASSERT_EQ(TransmitList()->model()->rowCount(), rows + 1) << "Add refused " << item.ID.toStdString();
  }

  void SelectLoopback() {
    Window().ActivatePage(TPage::CANSetup);
    auto* loopback = Find<QRadioButton>("RadioButton14");
    ASSERT_EQ(loopback->text(), "Loopback");
    loopback->click();
    ASSERT_TRUE(loopback->isChecked());
  }

  void StartWithEsc() {
    QTest::keyClick(&Window(), Qt::Key_Escape);
    ASSERT_TRUE(Running());
  }
  void StopWithEsc() {
    QTest::keyClick(&Window(), Qt::Key_Escape);
    ASSERT_FALSE(Running());
  }

  // Runs the window's event loop until the adapter's clock (the run time
  // kept by the update tick) has reached ms.
  void RunUntilAdapterTime(uint32_t ms) {
    ASSERT_TRUE(WaitFor([&] { return App().Run.TarvoTime >= ms; }, int(ms) + 10000));
  }

  // A click on the "Tx" check box of a row of the transmit list.
  void ClickCheckBox(int row) {
    Window().ActivatePage(TPage::CANTransmit);
    QTableView* view = TransmitList();
    const QModelIndex index = view->model()->index(row, TX_COLUMN_TX);
    view->scrollTo(index);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    option.widget = view;
    const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
  }
  Qt::CheckState CheckState(int row) {
    const QAbstractItemModel* model = TransmitList()->model();
    return model->data(model->index(row, TX_COLUMN_TX), Qt::CheckStateRole).value<Qt::CheckState>();
  }
};

// ---- Periodic items come back at their periods ------------------------------------------

struct Occurrences {
  std::vector<uint32_t> Echoed;    // TD/TR time stamps, ticks
  std::vector<uint32_t> Received;  // RD/RR time stamps, ticks
  std::vector<uint32_t> Counts;    // RD/RR Count column
};

// Seventeen periodic items: the first fifteen fill the adapter's repetition
// buffers, the last two are sent by the host from the update tick. Each
// echo lies at an exact multiple of the item's period. The adapter sends a
// repeated item's frame at that time; it comes back once it has had its
// time on the bus behind the frames ahead of it, so from the echo to its
// return the bus never stood idle (measured in adapter time, which a busy
// machine does not change, however many host-sent frames a late tick put
// on the bus). A host-sent frame goes out in the tick before its due time,
// as far ahead as the last tick was late, and a late tick delays it by as
// long as the machine stalls, so single host-sent frames have no bound
// either way; the median lies within half a period of the echo, where
// frames sent a period late or early would put it a whole period off. The
// Count column of the scrolling view counts each frame.
TEST_F(TransmitEndToEndTest, PeriodicItemsComeBackAtTheirPeriodsNextToTheirEchoes) {
  std::vector<EditorItem> items;
  const char* periods[17] = {"50",  "100", "100", "100", "100", "200", "200", "200", "200",
                             "500", "500", "500", "500", "500", "200", "100", "50"};
  for (int n = 0; n < 17; ++n) {
    EditorItem item;
    item.Bit29 = n % 3 == 1;
    item.ID = QString::number((item.Bit29 ? 0x18DA0000 : 0x100) + n, 16).toUpper();
    item.Remote = n % 5 == 4;
    item.DLC = n % 9;
    for (int b = 0; b < item.DLC && !item.Remote; ++b)
      item.Data << QString("%1").arg((n * 16 + b) & 0xFF, 2, 16, QChar('0'));
    item.Period = periods[n];
    item.Comment = QString("item %1").arg(n + 1);
    items.push_back(item);
    AddThroughEditor(item);
  }
  Trigger("Cyclic1");
  SelectLoopback();
  StartWithEsc();
  RunUntilAdapterTime(2000);
  StopWithEsc();

  std::map<Identity, Occurrences> seen;
  std::vector<std::pair<uint32_t, double>> onBus;  // every frame back: its time stamp and bus time, ticks
  const TCANView& store = Store();
  ASSERT_LT(store.Count, store.Size) << "the cyclic ring wrapped; the run was too long for it";
  for (int32_t i = 0; i < store.Count; ++i) {
    const TCANViewMessage& e = store.List[size_t(i)];
    Occurrences& o = seen[IdentityOf(e.Item)];
    if (e.ItemType == ITEM_TD || e.ItemType == ITEM_TR) o.Echoed.push_back(e.Item.TimeStamp);
    if (e.ItemType == ITEM_RD || e.ItemType == ITEM_RR) {
      o.Received.push_back(e.Item.TimeStamp);
      o.Counts.push_back(e.Count);
      onBus.push_back({e.Item.TimeStamp, BusTicks(e.Item)});
    }
  }
  // The bus time of the frames that ended in (from, to]: the time the bus was
  // busy then, give or take the frame that began before from.
  const auto busyTicks = [&](uint32_t from, uint32_t to) {
    double busy = 0;
    for (const auto& [end, ticks] : onBus)
      if (end > from && end <= to) busy += ticks;
    return busy;
  };
  ASSERT_EQ(seen.size(), items.size()) << "only the transmitted items may show in loopback";

  for (int n = 0; n < 17; ++n) {
    const EditorItem& item = items[size_t(n)];
    SCOPED_TRACE("item " + std::to_string(n + 1) + " ID " + item.ID.toStdString() + " every " +
                 item.Period.toStdString() + " ms");
    const Identity id{item.Bit29 ? 1 : 0, item.ID.toUInt(nullptr, 16), item.Remote ? 1 : 0};
    ASSERT_TRUE(seen.count(id));
    const Occurrences& o = seen[id];
    const uint32_t period = item.Period.toUInt();
    const bool hostSent = n >= 15;

    // Echoes at p, 2p, 3p, ... without a gap, in adapter ticks.
    ASSERT_GE(o.Echoed.size(), size_t(2000 / period - 1));
    for (size_t k = 0; k < o.Echoed.size(); ++k)
      EXPECT_EQ(o.Echoed[k], uint32_t(MsToTicks(uint32_t((k + 1) * period)))) << "echo " << k + 1;

    // One frame back per echo (the last echo's frame may still have been on
    // its way when the run stopped), each counted one more than the last.
    ASSERT_GE(o.Received.size() + 1, o.Echoed.size());
    ASSERT_LE(o.Received.size(), o.Echoed.size());
    std::vector<double> hostLateness;
    for (size_t k = 0; k < o.Received.size(); ++k) {
      const double back = TicksToMsExact(o.Received[k]) - TicksToMsExact(o.Echoed[k]);
      if (hostSent) {
        if (k > 0) {
          EXPECT_GT(o.Received[k], o.Received[k - 1]) << "frame " << k + 1;
        }
        hostLateness.push_back(back);
      } else {
        EXPECT_GE(back, 0.0) << "frame " << k + 1;
        // No idle bus between the echo's time and the frame's return (two
        // ticks for the rounding of both time stamps).
        EXPECT_LE(double(o.Received[k] - o.Echoed[k]), busyTicks(o.Echoed[k], o.Received[k]) + 2.0)
            << "frame " << k + 1 << ", back after " << back << " ms";
      }
      EXPECT_EQ(o.Counts[k], k + 1) << "frame " << k + 1;
    }
    if (!hostLateness.empty()) {
      std::nth_element(hostLateness.begin(), hostLateness.begin() + hostLateness.size() / 2, hostLateness.end());
      const double median = hostLateness[hostLateness.size() / 2];
      EXPECT_LT(median, double(period) / 2) << "median lateness of the frames";
      EXPECT_GT(median, -double(period) / 2) << "median lateness of the frames";
    }
  }
}

// ---- The fixed CAN View ---------------------------------------------------------------------

// Items whose first transmissions never meet (100, 200 and 500 ms, and a
// key): in the fixed view each echo's entry is directly above the entry of
// its looped-back frame, and the received entry counts one per period.
// The run lasts three seconds of adapter time: thirty periods of the
// fastest item and six of the slowest, three status re-synchronisations of
// the run time.
TEST_F(TransmitEndToEndTest, FixedViewShowsEachEchoAboveItsLoopedBackTwinCountingOnePerPeriod) {
  const std::vector<EditorItem> items = {
      {false, "123", false, 8, {"11", "22", "33", "44", "55", "66", "77", "88"}, "100", "", "engine"},
      {true, "18FEF100", false, 3, {"A0", "B1", "C2"}, "200", "", "wheel speed"},
      {false, "7DF", true, 4, {}, "500", "", "remote"},
      {false, "2A", false, 2, {"0F", "F0"}, "", "F5", "on F5"},
  };
  for (const EditorItem& item : items) AddThroughEditor(item);
  SelectLoopback();
  StartWithEsc();

  // Sampled while running: a received entry's Count is the number of
  // periods up to its time stamp, so it grows by one per period.
  const uint32_t periodOf[3] = {100, 200, 500};
  bool keyPressed = false;
  std::map<Identity, uint32_t> lastCount;
  QDeadlineTimer deadline(30000);
  while (App().Run.TarvoTime < 3000) {
    ASSERT_FALSE(deadline.hasExpired()) << "the run stopped at " << App().Run.TarvoTime << " ms of adapter time";
    QTest::qWait(int(kTickMs));
    if (!keyPressed && App().Run.TarvoTime >= 1200) {
      // Keys go where the focus is: the CAN View list after the start.
      QWidget* focus = QApplication::focusWidget();
      ASSERT_NE(focus, nullptr);
      QTest::keyClick(focus, Qt::Key_F5);
      keyPressed = true;
    }
    const TCANView& store = Store();
    for (int32_t i = 0; i < store.Count; ++i) {
      const TCANViewMessage& e = store.List[size_t(i)];
      if (e.ItemType != ITEM_RD && e.ItemType != ITEM_RR) continue;
      for (int n = 0; n < 3; ++n) {
        if (e.Item.ID != items[size_t(n)].ID.toUInt(nullptr, 16)) continue;
        const uint32_t periods = uint32_t(TicksToMsExact(e.Item.TimeStamp) / periodOf[n]);
        ASSERT_EQ(e.Count, periods) << "ID " << items[size_t(n)].ID.toStdString() << " at "
                                    << TicksToMsExact(e.Item.TimeStamp) << " ms";
        ASSERT_GE(e.Count, lastCount[IdentityOf(e.Item)]);
        lastCount[IdentityOf(e.Item)] = e.Count;
      }
    }
  }
  // The list shows what the store holds by the next refresh.
  ASSERT_TRUE(WaitFor([&] { return Window().CANViewItemCount() == Store().Count; }, 2000));
  StopWithEsc();

  const TCANView& store = Store();
  ASSERT_EQ(store.Count, 8) << "one echo and one received entry per item";
  const CANViewModel* model = Window().CANView()->Model();
  for (int pair = 0; pair < 4; ++pair) {
    const TCANViewMessage& echo = store.List[size_t(2 * pair)];
    const TCANViewMessage& back = store.List[size_t(2 * pair + 1)];
    const EditorItem& item = items[size_t(pair)];
    SCOPED_TRACE("ID " + item.ID.toStdString());
    EXPECT_EQ(echo.ItemType, item.Remote ? ITEM_TR : ITEM_TD);
    EXPECT_EQ(back.ItemType, item.Remote ? ITEM_RR : ITEM_RD);
    EXPECT_EQ(echo.Item.ID, item.ID.toUInt(nullptr, 16));
    EXPECT_EQ(IdentityOf(back.Item), IdentityOf(echo.Item));
    EXPECT_EQ(back.Item.DLC, item.DLC);
    EXPECT_EQ(echo.Item.DLC, item.DLC);
    if (!item.Remote) {
      EXPECT_EQ(Bytes(back.Item), Bytes(echo.Item));
      EXPECT_EQ(Bytes(echo.Item), ParsedBytes(item.Data));
    }
    // Row by row the list shows the twins alike but for time and counts.
    for (int column = COLUMN_ID; column <= COLUMN_D8; ++column)
      EXPECT_EQ(model->data(model->index(2 * pair, column)), model->data(model->index(2 * pair + 1, column)))
          << "column " << column;
    if (pair < 3) {
      const uint32_t period = periodOf[pair];
      EXPECT_GE(back.Count, 3000 / period - 1);
      EXPECT_NEAR(TicksToMsExact(back.Period), double(period), 1.0);
    } else {
      EXPECT_EQ(back.Count, 1u) << "one press of F5, one frame";
    }
  }
}

// ---- The protocol trace -----------------------------------------------------------------------

struct TraceLine {
  double Seconds = 0;
  QString Text;
  std::vector<uint8_t> Bytes;  // the packet, type byte first
};

std::vector<TraceLine> ReadTrace(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << path.toStdString();
  std::vector<TraceLine> lines;
  static const QRegularExpression bytes(R"(\[([0-9A-F ]*)\]\s*$)");
  while (!file.atEnd()) {
    TraceLine line;
    line.Text = QString::fromUtf8(file.readLine()).trimmed();
    line.Seconds = line.Text.section(' ', 0, 0).toDouble();
    const QRegularExpressionMatch m = bytes.match(line.Text);
    if (m.hasMatch()) line.Bytes = ParsedBytes(m.captured(1).split(' ', Qt::SkipEmptyParts));
    lines.push_back(line);
  }
  return lines;
}

bool HostSends(const TraceLine& l) { return l.Text.contains(" H>A ") && !l.Bytes.empty() && l.Bytes[0] == 0; }
bool IsRunCommand(const TraceLine& l, uint8_t run) {
  return l.Text.contains(" H>A ") && l.Bytes == std::vector<uint8_t>{5, run};
}
// The buffer/period byte of a CAN-message packet from the host.
uint8_t BufferByte(const TraceLine& l) { return l.Bytes.back(); }
uint32_t PacketID(const TraceLine& l) {
  return uint32_t(l.Bytes[2]) | uint32_t(l.Bytes[3]) << 8 | uint32_t(l.Bytes[4]) << 16 | uint32_t(l.Bytes[5]) << 24;
}
// A CAN message from the adapter: its identifier and time stamp.
bool AdapterFrame(const TraceLine& l) { return l.Text.contains(" A>H ") && l.Bytes.size() >= 12 && l.Bytes[0] == 0; }
uint32_t FrameTimeStamp(const TraceLine& l) {
  const size_t n = l.Bytes.size();
  return uint32_t(l.Bytes[n - 4]) | uint32_t(l.Bytes[n - 3]) << 8 | uint32_t(l.Bytes[n - 2]) << 16 |
         uint32_t(l.Bytes[n - 1]) << 24;
}

// At the start the periodic items go into repetition buffers 1, 2, 3 with
// their period codes, 5 ms apart, before the run command. Unticking the
// second item's check box while running sends the stop packet of its
// buffer (buffer 2, period code 0, no message) and its frames end there;
// ticking it again loads the buffer with its period, and its frames come
// again at multiples of that period.
TEST_F(TransmitEndToEndTest, TraceShowsBufferLoadsFiveMsApartAndTheStopOfAnUntickedItem) {
  const std::vector<EditorItem> items = {
      {false, "101", false, 1, {"01"}, "100", "", "a"},
      {false, "202", false, 2, {"02", "02"}, "200", "", "b"},
      {true, "303", false, 0, {}, "500", "", "c"},
  };
  for (const EditorItem& item : items) AddThroughEditor(item);
  SelectLoopback();
  StartWithEsc();
  RunUntilAdapterTime(700);

  ClickCheckBox(1);
  ASSERT_EQ(CheckState(1), Qt::Unchecked);
  const uint32_t unticked = App().Run.TarvoTime;
  RunUntilAdapterTime(unticked + 700);
  ClickCheckBox(1);
  ASSERT_EQ(CheckState(1), Qt::Checked);
  const uint32_t ticked = App().Run.TarvoTime;
  RunUntilAdapterTime(ticked + 700);
  StopWithEsc();

  const std::vector<TraceLine> trace = ReadTrace(trace_);
  const auto runStart = std::find_if(trace.begin(), trace.end(), [](const TraceLine& l) { return IsRunCommand(l, 1); });
  ASSERT_NE(runStart, trace.end());

  // The loads, before the run command.
  std::vector<TraceLine> loads;
  std::copy_if(trace.begin(), runStart, std::back_inserter(loads), HostSends);
  ASSERT_EQ(loads.size(), 3u);
  const uint8_t periodCodes[3] = {4, 5, 6};
  for (size_t n = 0; n < 3; ++n) {
    SCOPED_TRACE(loads[n].Text.toStdString());
    EXPECT_EQ(PacketID(loads[n]), items[n].ID.toUInt(nullptr, 16));
    EXPECT_EQ(BufferByte(loads[n]), uint8_t(periodCodes[n] << 4 | (n + 1)));
    if (n > 0) {
      EXPECT_GE(loads[n].Seconds - loads[n - 1].Seconds, 0.005);
    }
  }

  // While running: the stop packet of buffer 2, then its load again, and
  // nothing else from the host's side.
  std::vector<TraceLine> changes;
  const auto runEnd = std::find_if(runStart, trace.end(), [](const TraceLine& l) { return IsRunCommand(l, 0); });
  std::copy_if(runStart, runEnd, std::back_inserter(changes), HostSends);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].Bytes, (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}))
      << changes[0].Text.toStdString();
  EXPECT_EQ(changes[1].Bytes, (std::vector<uint8_t>{0x00, 0x00, 0x02, 0x02, 0x00, 0x00, 0x02, 0x02, 0x02, 0x52}))
      << changes[1].Text.toStdString();

  // The frames of ID 202 as they came back.
  std::vector<uint32_t> before, after;
  bool stopped = false, reloaded = false;
  for (auto l = runStart; l != runEnd; ++l) {
    if (HostSends(*l)) {
      if (stopped) reloaded = true;
      stopped = true;
    }
    if (!AdapterFrame(*l) || PacketID(*l) != 0x202) continue;
    EXPECT_FALSE(stopped && !reloaded) << "a frame of the stopped buffer: " << l->Text.toStdString();
    (reloaded ? after : before).push_back(FrameTimeStamp(*l));
  }
  ASSERT_GE(before.size(), 3u);
  ASSERT_GE(after.size(), 2u);
  // Each at a multiple of 200 ms, just after it; after the reload the first
  // multiple after the moment of the click.
  for (const uint32_t ts : before) EXPECT_LT(std::fmod(TicksToMsExact(ts), 200.0), 2.0) << ts;
  for (const uint32_t ts : after) EXPECT_LT(std::fmod(TicksToMsExact(ts), 200.0), 2.0) << ts;
  EXPECT_GT(TicksToMsExact(after.front()), double(ticked) - kTickMs);
  EXPECT_LT(TicksToMsExact(after.front()), double(ticked) + 200 + kTickMs);
}

// ---- The page as it first shows --------------------------------------------------------------

// The window starts at its smallest size; every control of the editor is
// then whole and clear of the others (squeezed fixed-width fields would
// overlap one another and the box around them).
TEST_F(TransmitEndToEndTest, EditorControlsAreClearOfEachOtherAtTheSmallestWindow) {
  ASSERT_EQ(Window().size(), Window().minimumSize());
  Window().ActivatePage(TPage::CANTransmit);
  QApplication::processEvents();
  auto* editor = Find<QWidget>("CANTransmitEditor");
  std::vector<std::pair<QString, QRect>> controls;
  for (QWidget* w : editor->findChildren<QWidget*>()) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith("qt_") || !w->isVisible()) continue;
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << name.toStdString() << " sticks out of its box";
    controls.emplace_back(name, QRect(w->mapTo(editor, QPoint(0, 0)), w->size()));
  }
  ASSERT_GE(controls.size(), 20u);
  for (size_t a = 0; a < controls.size(); ++a) {
    EXPECT_TRUE(editor->rect().contains(controls[a].second)) << controls[a].first.toStdString();
    for (size_t b = a + 1; b < controls.size(); ++b)
      EXPECT_FALSE(controls[a].second.intersects(controls[b].second))
          << controls[a].first.toStdString() << " overlaps " << controls[b].first.toStdString();
  }
}

}  // namespace
}  // namespace tarvo::test
