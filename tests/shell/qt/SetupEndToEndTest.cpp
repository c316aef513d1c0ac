// The "CAN Setup" page end to end: the whole program on the simulated
// adapter, driven through the page's widgets. The adapter's protocol trace
// shows the packets a start sends; the CAN View shows what the configured
// adapter then receives: bus errors at a wrong bit rate, one identifier
// after "Filter On ID", only its own frames in loopback.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "EndToEndFixture.h"
#include "shell/core/TarvoApp.h"
#include "shell/qt/ApplicationShell.h"
#include "shell/qt/StatusPanels.h"
#include "view/qt/CANViewList.h"

namespace tarvo::test {
namespace {

using Bytes = std::vector<uint8_t>;

// ---- expected packets, built from the packet layouts ----------------------------

void PutLe32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

struct FilterPacketValues {
  uint32_t Mask1 = 0;
  uint32_t Mask2 = 0;
  std::array<uint8_t, 6> Extended{};  // IDE flag of filters 1..6
  std::array<uint32_t, 6> Filter{};
};

Bytes FiltersPacket(const FilterPacketValues& v) {
  Bytes b{0x04};
  PutLe32(b, v.Mask1);
  for (int i = 0; i < 2; ++i) {
    b.push_back(v.Extended[size_t(i)]);
    PutLe32(b, v.Filter[size_t(i)]);
  }
  PutLe32(b, v.Mask2);
  for (int i = 2; i < 6; ++i) {
    b.push_back(v.Extended[size_t(i)]);
    PutLe32(b, v.Filter[size_t(i)]);
  }
  return b;
}

std::string Hex(const Bytes& b) {
  std::string s;
  char t[4];
  for (uint8_t x : b) {
    std::snprintf(t, sizeof t, "%s%02X", s.empty() ? "" : " ", unsigned(x));
    s += t;
  }
  return s;
}

// ---- the simulated adapter's protocol trace ------------------------------------------

struct TracedPacket {
  std::string Name;
  std::string Line;
  Bytes Packet;
};

// Host-to-adapter packets of the trace, in order, with their bytes.
std::vector<TracedPacket> HostPackets(const QString& traceFile) {
  std::vector<TracedPacket> packets;
  QFile f(traceFile);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return packets;
  while (!f.atEnd()) {
    const QString line = QString::fromUtf8(f.readLine()).trimmed();
    const qsizetype dir = line.indexOf(" H>A ");
    const qsizetype open = line.lastIndexOf('[');
    if (dir < 0 || open < 0 || !line.endsWith(']')) continue;
    TracedPacket p;
    p.Name = line.mid(dir + 5).section(' ', 0, 0).toStdString();
    p.Line = line.toStdString();
    for (const QString& byte : line.mid(open + 1, line.size() - open - 2).split(' ', Qt::SkipEmptyParts))
      p.Packet.push_back(uint8_t(byte.toUInt(nullptr, 16)));
    packets.push_back(std::move(p));
  }
  return packets;
}

// ---- the program ----------------------------------------------------------------------

class SetupEndToEnd : public EndToEndTest {
 protected:
  // The scenario text of the test; none: the built-in scenario, one current
  // adapter on a lively 250 kbit/s bus.
  virtual const char* Scenario() { return nullptr; }

  void SetUp() override {
    EndToEndTest::SetUp();
    ASSERT_FALSE(HasFatalFailure());
    if (const char* text = Scenario()) {
      const QString path = HomePath("scenario.scn");
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Text));
      f.write(text);
      f.close();
      UseScenario(path);
    }
    StartProgram();
  }

  // Where the user clicks a button: near its left edge, on a radio button's
  // indicator (a radio button stretched by its layout takes no click beyond
  // its caption).
  static void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

 public:
  // ---- the "CAN Setup" page, brought to the front for each step ----
  void ClickSetup(const char* name) {
    Window().ActivatePage(TPage::CANSetup);
    if (auto* b = Find<QAbstractButton>(name)) Click(b);
  }
  // Replaces the text of a filter field by typing.
  void TypeSetup(const char* name, const char* text) {
    Window().ActivatePage(TPage::CANSetup);
    auto* e = Find<QLineEdit>(name);
    if (!e) return;
    e->selectAll();
    QTest::keyClicks(e, text);
  }
  void StepUp(const char* spinName) {
    Window().ActivatePage(TPage::CANSetup);
    if (auto* s = Find<QSpinBox>(spinName)) QTest::keyClick(s, Qt::Key_Up);
  }

 protected:
  void Start() {
    Trigger("Start1");
    ASSERT_TRUE(Running());
  }
  void Stop() {
    Trigger("Stop1");
    ASSERT_FALSE(Running());
  }

  // Received entries of the store (data and remote frames).
  std::vector<const TCANViewMessage*> Received() {
    std::vector<const TCANViewMessage*> r;
    for (int32_t i = 0; i < Store().Count; ++i) {
      const TCANViewMessage& e = Store().List[size_t(i)];
      if (e.ItemType == ITEM_RD || e.ItemType == ITEM_RR) r.push_back(&e);
    }
    return r;
  }
  int32_t EntryOf(int32_t itemType, uint8_t ide, uint32_t id) {
    for (int32_t i = 0; i < Store().Count; ++i) {
      const TCANViewMessage& e = Store().List[size_t(i)];
      if (e.ItemType == itemType && e.Item.IDE == ide && e.Item.ID == id) return i;
    }
    return -1;
  }
  // The texts of the list's "Type" column as the user sees them.
  QStringList ShownTypes() {
    QStringList types;
    CANViewModel* model = Window().CANView()->Model();
    for (int row = 0; row < model->rowCount(); ++row) types << model->index(row, 0).data().toString();
    return types;
  }
  QString AdapterPanel() { return Window().Status().Text(App().Identity.DevicePanelNo); }

  MessageBoxAnswers messages_;
};

// ---- a start sends the page's values -------------------------------------------------

struct PageCase {
  const char* Name;
  const char* Scenario;  // nullptr: the built-in one
  std::function<void(SetupEndToEnd&)> Drive;
  const char* AdapterRate;  // how the simulated adapter reads the bit timing
  Bytes BitTiming;
  Bytes Mode;
  FilterPacketValues Filters;
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.Name; }

class StartPackets : public SetupEndToEnd, public ::testing::WithParamInterface<PageCase> {
 protected:
  const char* Scenario() override { return GetParam().Scenario; }
};

// An older Tarvo (hardware 6.9) runs its controller from 20 MHz.
const char* const Tarvo20MHz =
    "adapter Tarvo 6969 hw 6.9 sw 2.8\n"
    "bus 250k\n"
    "node 123 10 data ++ 11 22\n";

const PageCase PageCases[] = {
    // The page as a program without settings shows it: "250k" (BRP 4 on the
    // 40 MHz clock), "Normal", filter type "None" with its accept-all values.
    {"Default250kNormalNoFilter",
     nullptr,
     [](SetupEndToEnd&) {},
     "-> 250000 bit/s (40 MHz)",
     {0x02, 0x00, 0x43, 0x07, 0x05, 0x04, 0x00},
     {0x03, 0x00},
     {0, 0, {1, 0, 1, 0, 1, 0}, {0, 0, 0, 0, 0, 0}}},
    // A preset, "Listen Only", and custom filters typed in both buffers:
    // buffer 1 for 11-bit, buffer 2 for 29-bit identifiers; lower-case
    // digits are taken upper-cased.
    {"Preset500kListenOnlyCustomFilters",
     nullptr,
     [](SetupEndToEnd& t) {
       t.ClickSetup("RadioButton109");  // "500k"
       t.ClickSetup("RadioButton13");   // "Listen Only"
       t.ClickSetup("RadioButton18");   // filter type "Custom"
       t.ClickSetup("RadioButton22");   // buffer 2 "29 Bit"
       t.TypeSetup("Edit11", "7F0");
       t.TypeSetup("Edit12", "123");
       t.TypeSetup("Edit13", "4a5");
       t.TypeSetup("Edit14", "1FFFFF00");
       t.TypeSetup("Edit15", "18fef100");
       t.TypeSetup("Edit16", "18F00400");
       t.TypeSetup("Edit17", "0CFF1234");
       t.TypeSetup("Edit18", "1ABCDEF");
     },
     "-> 500000 bit/s (40 MHz)",
     {0x02, 0x00, 0x41, 0x07, 0x05, 0x04, 0x00},
     {0x03, 0x01},
     {0x7F0, 0x1FFFFF00, {0, 0, 1, 1, 1, 1}, {0x123, 0x4A5, 0x18FEF100, 0x18F00400, 0x0CFF1234, 0x1ABCDEF}}},
    // "1M" with SJW stepped to 2 (which makes it "Custom") and SAM stepped
    // from one sample to three, "Loopback", "29 Bit Only".
    {"OneMegSJW2ThreeSamplesLoopback29BitOnly",
     nullptr,
     [](SetupEndToEnd& t) {
       t.ClickSetup("RadioButton112");  // "1M": BRP 2, PROPSEG 2, PHSEG1 4, PHSEG2 3
       t.StepUp("SpinEdit5");           // SJW 1 -> 2
       t.StepUp("SpinEdit6");           // SAM 1 -> 3
       t.ClickSetup("RadioButton14");   // "Loopback"
       t.ClickSetup("RadioButton17");   // "29 Bit Only"
     },
     "-> 1000000 bit/s (40 MHz)",
     {0x02, 0x01, 0x41, 0x03, 0x02, 0x01, 0x01},
     {0x03, 0x02},
     {0, 0, {1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0}}},
    // On a 20 MHz adapter identification halves the BRP of "250k" to 2, and
    // the BRP byte goes without the 40 MHz bit.
    {"Default250kOn20MHzAdapter",
     Tarvo20MHz,
     [](SetupEndToEnd&) {},
     "-> 250000 bit/s (20 MHz)",
     {0x02, 0x00, 0x01, 0x07, 0x05, 0x04, 0x00},
     {0x03, 0x00},
     {0, 0, {1, 0, 1, 0, 1, 0}, {0, 0, 0, 0, 0, 0}}},
};

// The configuration of a start, in the trace: bit timing, operating mode,
// filters, the end of the configuration and the run command, nothing in
// between and nothing of it twice.
TEST_P(StartPackets, EscStartSendsThePagesBitTimingModeAndFilters) {
  const PageCase& c = GetParam();
  c.Drive(*this);
  ASSERT_FALSE(HasFailure());
  QTest::keyClick(&Window(), Qt::Key_Escape);
  ASSERT_TRUE(Running());
  Stop();
  EXPECT_TRUE(messages_.Texts.empty()) << messages_.Texts.join('\n').toStdString();

  const std::vector<TracedPacket> packets = HostPackets(trace_);
  size_t first = packets.size();
  int bitTimings = 0;
  for (size_t i = 0; i < packets.size(); ++i) {
    if (packets[i].Name != "SetBitTiming") continue;
    ++bitTimings;
    first = i;
  }
  ASSERT_EQ(bitTimings, 1) << trace_.toStdString();
  ASSERT_LE(first + 5, packets.size());
  const std::vector<std::pair<std::string, Bytes>> expected{
      {"SetBitTiming", c.BitTiming},
      {"SetOperatingMode", c.Mode},
      {"SetFilters", FiltersPacket(c.Filters)},
      {"EndConfiguration", {0x07}},
      {"SetRunState", {0x05, 0x01}},
  };
  for (size_t k = 0; k < expected.size(); ++k) {
    const TracedPacket& got = packets[first + k];
    EXPECT_EQ(got.Name, expected[k].first) << "packet " << k;
    EXPECT_EQ(Hex(got.Packet), Hex(expected[k].second)) << got.Name;
  }
  EXPECT_NE(packets[first].Line.find(c.AdapterRate), std::string::npos) << packets[first].Line;
}

INSTANTIATE_TEST_SUITE_P(PageStates, StartPackets, ::testing::ValuesIn(PageCases),
                         [](const ::testing::TestParamInfo<PageCase>& info) { return info.param.Name; });

// Both masks refused (buffer 1's too large for 11 bits, buffer 2's empty):
// only the first message shows, and the start ends before the filters: bit
// timing and mode have gone out, but no filters and no run command.
TEST_F(SetupEndToEnd, RefusedFilterFieldStopsTheStartWithItsMessage) {
  ClickSetup("RadioButton18");  // "Custom"
  TypeSetup("Edit11", "800");
  Window().ActivatePage(TPage::CANSetup);
  auto* mask2 = Find<QLineEdit>("Edit14");
  mask2->selectAll();
  QTest::keyClick(mask2, Qt::Key_Backspace);
  ASSERT_TRUE(mask2->text().isEmpty());

  Trigger("Start1");
  EXPECT_FALSE(Running());
  EXPECT_EQ(messages_.Texts, QStringList{"Receive Buffer 1, Mask too large."});
  EXPECT_TRUE(Window().Action("Start1")->isEnabled());
  EXPECT_EQ(Window().Status().Text(0), "Stopped");
  const std::vector<TracedPacket> packets = HostPackets(trace_);
  ASSERT_GE(packets.size(), 2u);
  EXPECT_EQ(packets[packets.size() - 2].Name, "SetBitTiming");
  EXPECT_EQ(packets.back().Name, "SetOperatingMode");
}

// ---- a wrong bit rate ------------------------------------------------------------------

struct WrongRateCase {
  const char* Name;
  const char* ModeButton;
  bool BusPassiveShown;  // the receive error counter climbs: "BP"
};

void PrintTo(const WrongRateCase& c, std::ostream* os) { *os << c.Name; }

class WrongBitRate : public SetupEndToEnd, public ::testing::WithParamInterface<WrongRateCase> {};

// At 125 kbit/s on the 250 kbit/s bus every frame is an error for the
// adapter: nothing is received, the adapter reports "CAN BUS ERROR". In
// normal mode its receive error counter climbs to error-passive, which the
// CAN View shows as a "BP" entry (its row reads "Passive"); listening only
// leaves the counters still, so no bus-state entry comes.
TEST_P(WrongBitRate, ShowsBusErrorsAndNoReceivedMessages) {
  const WrongRateCase& c = GetParam();
  ClickSetup("RadioButton107");  // "125k"
  ClickSetup(c.ModeButton);
  Start();
  ASSERT_TRUE(WaitFor([&] { return AdapterPanel().contains("CAN BUS ERROR"); }, 2500))
      << AdapterPanel().toStdString();
  if (c.BusPassiveShown) {
    EXPECT_TRUE(WaitFor([&] { return ShownTypes().contains("Passive"); }, 1000))
        << ShownTypes().join(' ').toStdString();
    EXPECT_EQ(EntriesOfKind(ITEM_BP), 1);
  } else {
    EXPECT_EQ(EntriesOfKind(ITEM_BP) + EntriesOfKind(ITEM_BO) + EntriesOfKind(ITEM_EF), 0);
  }
  EXPECT_TRUE(Received().empty()) << Received().size() << " received entries";
  Stop();
}

INSTANTIATE_TEST_SUITE_P(Modes, WrongBitRate,
                         ::testing::Values(WrongRateCase{"Normal", "RadioButton12", true},
                                           WrongRateCase{"ListenOnly", "RadioButton13", false}),
                         [](const ::testing::TestParamInfo<WrongRateCase>& info) { return info.param.Name; });

// ---- Filter On ID ------------------------------------------------------------------------

struct FilterOnIDCase {
  const char* Name;
  uint8_t IDE;
  uint32_t ID;
  int32_t Count;  // received this often before the check: other nodes had their turn
};

void PrintTo(const FilterOnIDCase& c, std::ostream* os) { *os << c.Name; }

class FilterOnIDRun : public SetupEndToEnd, public ::testing::WithParamInterface<FilterOnIDCase> {};

// The user sees the row, stops, clicks the row and "Filter On ID", clears
// the view and starts again: only that identifier comes in. Tried while
// running, the command only warns.
TEST_P(FilterOnIDRun, NextStartShowsOnlyTheSelectedIdentifier) {
  const FilterOnIDCase& c = GetParam();
  Start();
  int32_t row = -1;
  ASSERT_TRUE(WaitFor(
      [&] {
        row = EntryOf(ITEM_RD, c.IDE, c.ID);
        return row >= 0 && Window().CANViewItemCount() > row;
      },
      2000));
  CANViewList* list = Window().CANView();
  const auto clickRow = [&] {
    const QModelIndex index = list->Model()->index(row, 1);
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    ASSERT_EQ(list->SelectedRow(), row);
    ASSERT_TRUE(Window().Action("FilterOnID1")->isEnabled());
  };

  // While the adapter runs the command is refused and changes nothing.
  clickRow();
  Trigger("FilterOnID1");
  EXPECT_EQ(messages_.Texts, QStringList{"Tarvo must be stopped to modify the CAN Receive Filters."});
  EXPECT_TRUE(Find<QAbstractButton>("RadioButton15")->isChecked()) << "filter type \"None\"";
  EXPECT_EQ(Window().PageControl()->currentIndex(), int(TPage::CANView));
  // Nor can the page itself be changed during the run.
  const char* const pageControls[] = {"RadioButton108", "SpinEdit1", "RadioButton14", "RadioButton18", "Edit11"};
  for (const char* name : pageControls) EXPECT_FALSE(Find(name)->isEnabled()) << name;
  Stop();
  for (const char* name : pageControls) EXPECT_TRUE(Find(name)->isEnabled()) << name;

  clickRow();
  Trigger("FilterOnID1");
  EXPECT_EQ(Window().PageControl()->currentIndex(), int(TPage::CANSetup));
  EXPECT_TRUE(Find<QAbstractButton>("RadioButton18")->isChecked()) << "filter type \"Custom\"";
  Trigger("Clear1");
  EXPECT_EQ(Window().CANViewItemCount(), 0);

  Start();
  EXPECT_TRUE(WaitFor(
      [&] {
        const int32_t i = EntryOf(ITEM_RD, c.IDE, c.ID);
        return i >= 0 && Store().List[size_t(i)].Count >= uint32_t(c.Count);
      },
      2000));
  Stop();
  const std::vector<const TCANViewMessage*> received = Received();
  ASSERT_FALSE(received.empty());
  for (const TCANViewMessage* e : received) {
    EXPECT_EQ(e->ItemType, ITEM_RD);
    EXPECT_EQ(e->Item.IDE, c.IDE);
    EXPECT_EQ(e->Item.ID, c.ID) << std::hex << e->Item.ID;
  }
}

// 0C4 every 10 ms beside 0A0 every 5 ms; 18F00400 every 50 ms beside
// 18FEF100 every 100 ms and the 11-bit nodes.
INSTANTIATE_TEST_SUITE_P(Identifiers, FilterOnIDRun,
                         ::testing::Values(FilterOnIDCase{"Standard0C4", 0, 0x0C4, 5},
                                           FilterOnIDCase{"Extended18F00400", 1, 0x18F00400, 4}),
                         [](const ::testing::TestParamInfo<FilterOnIDCase>& info) { return info.param.Name; });

// ---- Loopback ------------------------------------------------------------------------------

struct LoopbackCase {
  const char* Name;
  bool Periodic;  // an item of the transmit list every 10 ms; else "Now" during the run
  uint32_t ID;
  uint32_t Count;
};

void PrintTo(const LoopbackCase& c, std::ostream* os) { *os << c.Name; }

class LoopbackRun : public SetupEndToEnd, public ::testing::WithParamInterface<LoopbackCase> {
 protected:
  void TypeID(const char* id) {
    Window().ActivatePage(TPage::CANTransmit);
    auto* e = Find<QLineEdit>("Edit1");
    e->selectAll();
    QTest::keyClicks(e, id);
  }
  void ClickTransmit(const char* name) {
    Window().ActivatePage(TPage::CANTransmit);
    if (auto* b = Find<QPushButton>(name)) Click(b);
  }
};

// The adapter's own frames come back as received messages with the data
// sent (the editor's eight FF bytes); the bus nodes, busy every 5 ms, stay
// out while the run lasts.
TEST_P(LoopbackRun, OwnFramesComeBackAndTheBusStaysOut) {
  const LoopbackCase& c = GetParam();
  ClickSetup("RadioButton14");  // "Loopback"
  if (c.Periodic) {
    TypeID("456");
    Find<QComboBox>("ComboBox1")->setCurrentText("10");
    ClickTransmit("AddButton");
  }
  Start();
  if (!c.Periodic) {
    ASSERT_TRUE(WaitFor([&] { return App().Run.TarvoTime >= 300; }, 2000));
    EXPECT_TRUE(Received().empty());
    TypeID("123");
    ClickTransmit("NowButton");
  }
  EXPECT_TRUE(WaitFor(
      [&] {
        const int32_t i = EntryOf(ITEM_RD, 0, c.ID);
        return i >= 0 && Store().List[size_t(i)].Count >= c.Count && App().Run.TarvoTime >= 300;
      },
      2000));
  Stop();
  const std::vector<const TCANViewMessage*> received = Received();
  ASSERT_EQ(received.size(), 1u);
  const TTarvoCAN& m = received.front()->Item;
  EXPECT_EQ(m.ID, c.ID) << std::hex << m.ID;
  EXPECT_EQ(m.DLC, 8);
  for (uint8_t b : m.Data) EXPECT_EQ(b, 0xFF);
  EXPECT_GE(EntryOf(ITEM_TD, 0, c.ID), 0) << "the transmission itself is shown too";
}

INSTANTIATE_TEST_SUITE_P(Sends, LoopbackRun,
                         ::testing::Values(LoopbackCase{"Now", false, 0x123, 1},
                                           LoopbackCase{"PeriodicItem", true, 0x456, 5}),
                         [](const ::testing::TestParamInfo<LoopbackCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace tarvo::test
