#include "ShellTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "support/Frames.h"

namespace tarvo::test {

// ---- RecordingWindow ----

std::optional<bool> RecordingWindow::Enabled(const std::string& name) const { return Of(name).Enabled; }

std::optional<std::string> RecordingWindow::Shortcut(const std::string& name) const { return Of(name).Shortcut; }

const RecordingWindow::Control& RecordingWindow::Of(const std::string& name) const {
  static const Control untouched;
  const auto it = Controls.find(name);
  return it == Controls.end() ? untouched : it->second;
}

void RecordingWindow::SetWindowCaption(const std::string& caption) {
  Calls.push_back("SetWindowCaption " + caption);
  WindowCaption = caption;
}

void RecordingWindow::ActivatePage(TPage page) {
  Calls.push_back("ActivatePage " + std::to_string(int(page)));
  Page = page;
}

void RecordingWindow::SetTickEnabled(bool enabled) {
  Calls.push_back(enabled ? "SetTickEnabled on" : "SetTickEnabled off");
  TickEnabled = enabled;
}

void RecordingWindow::SetStatusPanelText(int panel, const std::string& text) {
  Calls.push_back("SetStatusPanelText " + std::to_string(panel) + " " + text);
  Panels[panel] = text;
}

void RecordingWindow::CreateBusLoadGauge() {
  Calls.push_back("CreateBusLoadGauge");
  GaugeCreated = true;
}

void RecordingWindow::ShowBusLoad(int position, const std::string& text, bool valid) {
  Calls.push_back("ShowBusLoad " + text);
  BusLoads.push_back({position, text, valid});
}

void RecordingWindow::SetCANViewItemCount(int count) {
  Calls.push_back("SetCANViewItemCount " + std::to_string(count));
  ItemCount = count;
  ++ItemCountChanges;
}

void RecordingWindow::RepaintCANView() {
  Calls.push_back("RepaintCANView");
  ++Repaints;
}

void RecordingWindow::SelectCANViewItem(int index, bool scrollIntoView) {
  Calls.push_back("SelectCANViewItem " + std::to_string(index));
  Selections.emplace_back(index, scrollIntoView);
}

// ---- Recording seams ----

size_t RecordingLog::Count(const std::string& call) const { return size_t(std::count(Calls.begin(), Calls.end(), call)); }

void RecordingLog::Note(const std::string& call) {
  Calls.push_back(call);
  if (OnCall) OnCall(call);
}

TResult RecordingTransmit::LoadTransmitList() {
  Calls.push_back("LoadTransmitList");
  return LoadResult;
}

void RecordingTransmit::ProcessTransmitSchedule(bool final, uint32_t nextTimeStamp) {
  Calls.push_back(final ? "Process final" : "Process " + std::to_string(nextTimeStamp));
}

bool ScriptedCANSetup::CheckReceiveFilters(TFilterSettings& filters) {
  ++FilterChecks;
  filters = AcceptAllFilters();
  return FiltersValid;
}

void RecordingPersistence::Note(const std::string& call) {
  Calls.push_back(call);
  if (OnCall) OnCall(call);
}

// ---- Packets ----

std::vector<uint8_t> StatusFrame(uint8_t type, uint8_t p0, uint8_t p1, uint8_t p2, uint8_t p3, uint32_t timeStamp) {
  return Framed(StatusPacket(type, {p0, p1, p2, p3}, timeStamp));
}

std::vector<uint8_t> CANMessageFrame(uint32_t id, uint8_t dlc, uint32_t timeStamp) {
  std::vector<uint8_t> data;
  for (uint8_t i = 0; i < dlc; ++i) data.push_back(i);
  return Framed(ReceivedMessagePacket(id, data, 0, -1, 0x00, timeStamp));
}

// Each write holds exactly one frame.
std::vector<std::vector<uint8_t>> HostPackets(const FakeDriver& driver) {
  std::vector<std::vector<uint8_t>> packets;
  for (const std::vector<uint8_t>& frame : driver.Writes) packets.push_back(Unframed(frame));
  return packets;
}

std::vector<uint8_t> HostPacketTypes(const FakeDriver& driver) {
  std::vector<uint8_t> types;
  for (const auto& packet : HostPackets(driver)) types.push_back(packet.empty() ? 0xFF : packet[0]);
  return types;
}

// ---- AnsweringLoader ----

namespace {
ShellFixture* answering = nullptr;
SI_Write_t writeThrough = nullptr;

int AnsweringWrite(void* handle, void* buffer, uint32_t length, uint32_t* written, void* overlapped) {
  const int result = writeThrough(handle, buffer, length, written, overlapped);
  const uint8_t* frame = static_cast<const uint8_t*>(buffer);
  const bool statusRequest = length > 2 && frame[2] == 0x01;
  if (answering != nullptr && statusRequest && answering->StatusAnswer) answering->Driver.QueueRx(*answering->StatusAnswer);
  return result;
}
}  // namespace

void* AnsweringLoader::Symbol(void* library, const char* name) {
  void* function = FakeLibraryLoader::Symbol(library, name);
  if (function == nullptr || std::strcmp(name, "SI_Write") != 0) return function;
  writeThrough = reinterpret_cast<SI_Write_t>(function);
  return reinterpret_cast<void*>(&AnsweringWrite);
}

// ---- ShellFixture ----

ShellFixture::ShellFixture() {
  answering = this;
  MakeApp(",");
}

void ShellFixture::MakeApp(const std::string& decimalSeparator) {
  App = std::make_unique<TTarvoApp>(Clock, Window, Folders, decimalSeparator, Loader);
  App->UseLog(Log);
  App->UseTransmit(Transmit);
  App->UseCANSetup(SetupPage);
  App->UsePersistence(Persistence);
  App->UseStartup(Startup);
}

ShellFixture::~ShellFixture() { answering = nullptr; }

void ShellFixture::AttachAdapter(const char* productId, uint8_t hardware, uint8_t software, uint8_t status) {
  Driver.Devices.push_back({productId, "1234", "Tarvo", false, false, false, false});
  StatusAnswer = StatusFrame(1, hardware, software, status, 0, 0);
}

void ShellFixture::Create(const std::string& decimalSeparator) {
  if (decimalSeparator != App->RegionalDecimalSeparator) MakeApp(decimalSeparator);
  App->Initialise({});
  StatusAnswer.reset();
}

void ShellFixture::Tick(uint32_t ms) {
  Clock.Advance(ms);
  App->OnTick();
}

void ShellFixture::StartRun() {
  App->Start();
  App->Run.PCTime = Clock.Now;
}

}  // namespace tarvo::test
