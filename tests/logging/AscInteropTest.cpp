// Log files as Tarvo records them, read by the tools CAN engineers use:
// python-can's ASCReader and can-utils' asc2log for ASC, where every frame
// must come back with its identifier, format, kind, DLC, data, direction and
// time; Python's csv module for CSV, where every row must keep its fields
// and its text. The test skips itself when a tool is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "logging/LogBuffer.h"
#include "logging/LogLines.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

struct Expected {
  bool Transmit, Extended, Remote;
  uint32_t ID;
  int DLC;
  std::vector<int> Data;
  double Seconds;
  uint32_t Ticks;  // received messages: the adapter time stamp
};

// Frames of every shape: both identifier formats at their limits, data and
// remote frames of every length, both directions, times from the first tick
// to hours.
std::vector<Expected> Frames() {
  std::vector<Expected> frames;
  uint32_t ticks = 1;
  for (int n = 0; n < 36; ++n) {
    Expected e;
    e.Extended = n % 2 == 1;
    e.Remote = n % 7 == 3;
    e.Transmit = n % 5 == 2;
    e.ID = e.Extended ? (n == 1 ? 0x1FFFFFFFu : 0x18DA0000u + uint32_t(n)) : (n == 0 ? 0x7FFu : uint32_t(n * 37));
    e.DLC = n % 9;
    if (!e.Remote)
      for (int b = 0; b < e.DLC; ++b) e.Data.push_back((n * 29 + b * 71) & 0xFF);
    ticks += uint32_t(n) * 977u + 3u;
    if (n == 35) ticks = 140625000;  // one hour
    // Transmitted messages carry whole milliseconds.
    e.Ticks = ticks;
    e.Seconds = e.Transmit ? std::round(ticks * 0.0256) / 1000.0 : std::nearbyint(ticks * 0.256) / 10000.0;
    frames.push_back(e);
  }
  return frames;
}

std::string WriteAsc(const fs::path& path, bool hex, const std::vector<Expected>& frames) {
  TLogLineFormat f;
  f.FileType = ASC_FILE;
  f.Hexadecimal = hex;
  std::string text = LogHeader(f, path.filename().string(), {"", "", "Tue Dec 08 9:4:5 2026"});
  TLogBuffer buffer;
  for (const Expected& e : frames) {
    char* line = buffer.BeginLine();
    uint8_t data[8] = {};
    for (size_t i = 0; i < e.Data.size(); ++i) data[i] = uint8_t(e.Data[i]);
    size_t n = 0;
    if (e.Transmit) {
      n = FormatTransmitLine(f, e.Extended, e.ID, e.Remote, uint8_t(e.DLC), data, uint32_t(std::lround(e.Seconds * 1000)),
                             line);
    } else {
      TTarvoCAN m;
      m.IDE = e.Extended;
      m.RTR = e.Remote;
      m.ID = e.ID;
      m.DLC = uint8_t(e.DLC);
      std::copy(data, data + 8, m.Data);
      m.TimeStamp = e.Ticks;
      n = FormatReceiveLine(f, m, 1, 0, line);
    }
    buffer.EndLine(line + n);
  }
  // An error frame between the messages is a line the readers must take too.
  char* line = buffer.BeginLine();
  buffer.EndLine(line + FormatBusEventLine(f, 1, 140625000 + 39063, line));
  text += std::string(buffer.Text()) + "\r\n";
  std::ofstream(path, std::ios::binary) << text;
  return text;
}

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
    ::pclose(p);
  }
  return out;
}

bool HasPythonCan() { return std::system("/usr/bin/python3 -c 'import can' >/dev/null 2>&1") == 0; }
bool HasAsc2log() { return std::system("command -v asc2log >/dev/null 2>&1") == 0; }

class AscInterop : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { WriteAsc(path, GetParam(), frames); }
  std::vector<Expected> frames = Frames();
  test::TempFolder folder{"tarvo-interop"};
  const fs::path path = folder.Path() / (GetParam() ? "hex.asc" : "dec.asc");
};

TEST_P(AscInterop, PythonCanReadsEveryFrame) {
  if (!HasPythonCan()) GTEST_SKIP() << "python-can is not installed";
  const std::string out = Output(
      "/usr/bin/python3 -c \"import can,sys\n"
      "for m in can.ASCReader(sys.argv[1]):\n"
      "  print('%.6f %X %d %d %d %d %d %s' % (m.timestamp, m.arbitration_id, m.is_extended_id, m.is_remote_frame,"
      " m.is_error_frame, m.dlc, m.is_rx, m.data.hex().upper() or '-'))\" " +
      path.string());
  std::istringstream in(out);
  for (const Expected& e : frames) {
    double t;
    std::string id, data;
    int ext, rtr, err, dlc, rx;
    ASSERT_TRUE(in >> t >> id >> ext >> rtr >> err >> dlc >> rx >> data) << out;
    SCOPED_TRACE(id);
    EXPECT_EQ(std::stoul(id, nullptr, 16), e.ID);
    EXPECT_EQ(ext, e.Extended);
    EXPECT_EQ(rtr, e.Remote);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(dlc, e.DLC);
    EXPECT_EQ(rx, !e.Transmit);
    std::string hexData;
    for (int b : e.Data) {
      char two[3];
      std::snprintf(two, sizeof two, "%02X", b);
      hexData += two;
    }
    EXPECT_EQ(data, hexData.empty() ? "-" : hexData);
    EXPECT_NEAR(t, e.Seconds, 1e-7);
  }
  double t;
  std::string id, data;
  int ext, rtr, err, dlc, rx;
  ASSERT_TRUE(in >> t >> id >> ext >> rtr >> err >> dlc >> rx >> data);
  EXPECT_EQ(err, 1) << "the error frame";
  EXPECT_FALSE(in >> t) << "nothing more";
}

TEST_P(AscInterop, Asc2logReadsEveryFrame) {
  if (!HasAsc2log()) GTEST_SKIP() << "can-utils is not installed";
  const std::string out = Output("asc2log -I " + path.string() + " 2>/dev/null");
  std::istringstream in(out);
  std::string line;
  double first = -1;
  for (const Expected& e : frames) {
    ASSERT_TRUE(std::getline(in, line)) << out;
    SCOPED_TRACE(line);
    double t = 0;
    char frame[64] = {}, dir = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "(%lf) can%*d %63s %c", &t, frame, &dir), 3);
    if (first < 0) first = t - e.Seconds;
    EXPECT_NEAR(t - first, e.Seconds, 2e-6);  // asc2log adds the file's start time
    EXPECT_EQ(dir, e.Transmit ? 'T' : 'R');
    const std::string f = frame;
    const size_t hash = f.find('#');
    ASSERT_NE(hash, std::string::npos);
    EXPECT_EQ(hash, e.Extended ? 8u : 3u);  // candump spells the format by the identifier's width
    EXPECT_EQ(std::stoul(f.substr(0, hash), nullptr, 16), e.ID);
    std::string rest = f.substr(hash + 1);
    if (e.Remote) {
      EXPECT_EQ(rest, e.DLC == 0 ? "R" : "R" + std::to_string(e.DLC));
    } else {
      ASSERT_EQ(rest.size(), size_t(2 * e.DLC));
      for (int b = 0; b < e.DLC; ++b) EXPECT_EQ(std::stoi(rest.substr(size_t(2 * b), 2), nullptr, 16), e.Data[size_t(b)]);
    }
  }
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_NE(line.find(" 20000080#"), std::string::npos) << "the error frame: " << line;
  EXPECT_FALSE(std::getline(in, line)) << line;
}

INSTANTIATE_TEST_SUITE_P(Bases, AscInterop, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Hexadecimal" : "Decimal"); });


// ---- CSV read by Python's csv module -----------------------------------------------------

// Every data byte value once, eight to a frame, received and transmitted:
// among them 0x2C (",") and 0x22 ("\""), which the ASCII column carries.
std::string WriteCsv(const fs::path& path, bool hex, std::vector<std::string>& asciiTexts) {
  TLogLineFormat f;
  f.FileType = CSV_FILE;
  f.Hexadecimal = hex;
  f.ASCIIDecode = f.MessageCount = f.MessagePeriod = true;
  std::string text = LogHeader(f, path.filename().string(), {"9:04:05", "08/12/2026", ""});
  TLogBuffer buffer;
  for (int n = 0; n < 32; ++n) {
    uint8_t data[8];
    std::string ascii;
    for (int b = 0; b < 8; ++b) {
      data[b] = uint8_t(n * 8 + b);
      ascii += data[b] >= 0x21 && data[b] <= 0x7E ? char(data[b]) : ' ';
    }
    asciiTexts.push_back(ascii);
    char* line = buffer.BeginLine();
    size_t length = 0;
    if (n % 2 == 0) {
      TTarvoCAN m;
      m.ID = 0x100 + uint32_t(n);
      m.DLC = 8;
      std::copy(data, data + 8, m.Data);
      m.TimeStamp = uint32_t(1000 * n + 1);
      length = FormatReceiveLine(f, m, uint32_t(n + 1), 3906, line);
    } else {
      length = FormatTransmitLine(f, 0, 0x100 + uint32_t(n), 0, 8, data, uint32_t(n), line);
    }
    buffer.EndLine(line + length);
  }
  text += std::string(buffer.Text()) + "\r\n";
  std::ofstream(path, std::ios::binary) << text;
  return text;
}

class CsvInterop : public ::testing::TestWithParam<bool> {};

TEST_P(CsvInterop, PythonsCsvModuleReadsEveryRowWithItsFieldsAndText) {
  if (std::system("/usr/bin/python3 -c 'import csv' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  test::TempFolder folder("tarvo-csv");
  const fs::path path = folder.Path() / "trace.csv";
  std::vector<std::string> ascii;
  WriteCsv(path, GetParam(), ascii);
  // Each row after the column titles: its field count and its ASCII field.
  const std::string out = Output(
      "/usr/bin/python3 -c \"import csv,sys\n"
      "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='latin-1')))\n"
      "titles = [i for i, r in enumerate(rows) if r[:2] == ['TYPE', 'TIME']][0]\n"
      "for r in rows[titles + 1:]:\n"
      "  if r: print(len(r), r[0], (r[11] if len(r) > 11 else '').encode().hex() or '-')\" " +
      path.string());
  std::istringstream in(out);
  for (size_t n = 0; n < ascii.size(); ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    size_t fields = 0;
    std::string type, text;
    ASSERT_TRUE(in >> fields >> type >> text) << out;
    // Received rows have the count and period columns; transmitted rows end
    // with the ASCII text.
    EXPECT_EQ(fields, n % 2 == 0 ? 14u : 12u);
    EXPECT_EQ(type, n % 2 == 0 ? "RD11" : "TD11");
    std::string hexText;
    for (char c : ascii[n]) {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(c));
      hexText += two;
    }
    EXPECT_EQ(text, hexText);
  }
  std::string rest;
  EXPECT_FALSE(in >> rest) << rest;
}

INSTANTIATE_TEST_SUITE_P(Bases, CsvInterop, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Hexadecimal" : "Decimal"); });

}  // namespace
}  // namespace tarvo
