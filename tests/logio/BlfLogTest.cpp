// BLF through the log library: frames of every kind written and read back
// exactly; files of python-can's BLFWriter read frame for frame and ours
// read by its BLFReader (skipped without python3-can); the object kinds
// and header forms other writers use, built byte by byte; and damaged
// files, each counted by its fault while the rest is read.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "logio/LogFormats.h"
#include "PythonCan.h"
#include "support/TempFolder.h"

namespace tarvo {
namespace {

constexpr int64_t StartNs = 1'700'000'000'123'000'000;  // 2023-11-14, whole milliseconds

// ---- building and reading ------------------------------------------------------------

struct TRead {
  std::vector<TLogMessage> Messages;
  TLogReadReport Report;
  TLogInfo Info;
  std::string Error;
};

TRead ReadBlf(std::string bytes) {
  auto source = std::make_unique<TByteSource>();
  source->OpenBytes(std::move(bytes));
  auto reader = MakeBlfReader(std::move(source));
  TRead r;
  TLogMessage m;
  // Bounded: a reader that loops would fail here instead of hanging.
  while (r.Messages.size() < 1'000'000 && reader->Next(m)) r.Messages.push_back(m);
  r.Report = reader->Report();
  r.Info = reader->Info();
  r.Error = reader->Error();
  return r;
}

// A sink like standard output: it cannot go back to fill in the header.
class TForwardSink : public TStringSink {
 protected:
  bool EmitAt(uint64_t, const char*, size_t) override { return false; }
};

struct TWritten {
  std::string Bytes;
  TLogWriteReport Report;
};

TWritten WriteBlf(const std::vector<TLogMessage>& messages, bool seekable = true,
                  std::optional<int64_t> start = StartNs) {
  TLogWriteOptions options;
  options.Source.Format = LOG_FORMAT_TXT;
  options.Source.StartEpochNs = start;
  options.NowEpochNs = StartNs + 5'000'000'000;
  TStringSink memory;
  TForwardSink forward;
  TByteSink& sink = seekable ? static_cast<TByteSink&>(memory) : forward;
  auto writer = MakeBlfWriter(sink, options);
  for (const TLogMessage& m : messages) writer->Write(m);
  writer->Finish();
  std::string error;
  EXPECT_TRUE(sink.Finish(error)) << error;
  return {seekable ? memory.Bytes : forward.Bytes, writer->Report()};
}

TLogMessage Frame(int64_t time, uint32_t id, uint16_t flags, std::vector<uint8_t> data, uint16_t channel = 1) {
  TLogMessage m;
  m.Time = time;
  m.ID = id;
  m.Flags = flags;
  m.Channel = channel;
  m.Length = uint8_t(data.size());
  m.DLC = m.Fd() ? FdDlcOfLength(m.Length) : m.Length;
  std::copy(data.begin(), data.end(), m.Data);
  return m;
}

TLogMessage Remote(int64_t time, uint32_t id, uint8_t dlc, uint16_t flags = 0) {
  TLogMessage m = Frame(time, id, uint16_t(flags | LOG_REMOTE), {});
  m.DLC = dlc;
  return m;
}

void ExpectSame(const TLogMessage& a, const TLogMessage& b) {
  EXPECT_EQ(a.Time, b.Time);
  EXPECT_EQ(a.ID, b.ID);
  EXPECT_EQ(a.Flags, b.Flags);
  EXPECT_EQ(a.Channel, b.Channel);
  EXPECT_EQ(a.DLC, b.DLC);
  ASSERT_EQ(a.Length, b.Length);
  EXPECT_EQ(std::vector<uint8_t>(a.Data, a.Data + a.Length), std::vector<uint8_t>(b.Data, b.Data + b.Length));
  EXPECT_EQ(a.Event, b.Event);
}

template <typename T>
void Put(std::string& out, T v) {
  out.append(reinterpret_cast<const char*>(&v), sizeof v);  // the test machines are little-endian
}

template <typename T>
T Get(const std::string& in, size_t at) {
  T v;
  std::memcpy(&v, in.data() + at, sizeof v);
  return v;
}

// Files built byte by byte, laid out as the format's other writers do.
std::string FileHeader(size_t size = 144) {
  std::string h = "LOGG";
  Put<uint32_t>(h, uint32_t(size));
  h.resize(40, '\0');
  for (uint16_t f : {2023, 11, 2, 14, 22, 13, 20, 123}) Put<uint16_t>(h, f);
  h.resize(std::max<size_t>(size, 72), '\0');
  return h;
}

std::string Object(uint32_t type, const std::string& body, uint64_t stamp, uint16_t version = 1,
                   uint32_t timeFlags = 2) {
  const uint16_t headerSize = version == 2 ? 40 : 32;
  std::string o = "LOBJ";
  Put<uint16_t>(o, headerSize);
  Put<uint16_t>(o, version);
  Put<uint32_t>(o, uint32_t(headerSize + body.size()));
  Put<uint32_t>(o, type);
  Put<uint32_t>(o, timeFlags);
  Put<uint32_t>(o, 0);  // client index and object version, or status and object version
  Put<uint64_t>(o, stamp);
  if (version == 2) Put<uint64_t>(o, 0);
  return o + body + std::string((4 - body.size() % 4) % 4, '\0');
}

std::string Container(const std::string& objects, uint16_t method = 2) {
  std::string data = objects;
  if (method == 2) {
    uLongf n = compressBound(uLong(objects.size()));
    data.resize(n);
    compress(reinterpret_cast<Bytef*>(data.data()), &n, reinterpret_cast<const Bytef*>(objects.data()), uLong(objects.size()));
    data.resize(n);
  }
  std::string c = "LOBJ";
  Put<uint16_t>(c, 16);
  Put<uint16_t>(c, 1);
  Put<uint32_t>(c, uint32_t(32 + data.size()));
  Put<uint32_t>(c, 10);
  Put<uint16_t>(c, method);
  c.append(6, '\0');
  Put<uint32_t>(c, uint32_t(objects.size()));
  c.append(4, '\0');
  return c + data + std::string((32 + data.size()) % 4, '\0');
}

// CAN_MESSAGE / CAN_MESSAGE2: channel, flags (0x01 sent, 0x80 remote), DLC, identifier, 8 bytes.
std::string CanBody(uint16_t channel, uint8_t flags, uint8_t dlc, uint32_t id, std::vector<uint8_t> data, bool two = false) {
  std::string b;
  Put(b, channel);
  Put(b, flags);
  Put(b, dlc);
  Put(b, id);
  data.resize(8);
  b.append(data.begin(), data.end());
  if (two) b.append(8, '\0');  // frame length, bit count, reserved
  return b;
}

// ---- writing and reading back --------------------------------------------------------------

std::vector<TLogMessage> EveryKind() {
  std::vector<TLogMessage> v;
  int64_t t = 0;
  v.push_back(Frame(t, 0x7FF, 0, {1, 2, 3}));
  v.push_back(Frame(t += 1, 0x1FFFFFFF, LOG_EXTENDED | LOG_TX, {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}, 2));
  v.push_back(Frame(t += 999, 0, 0, {}));
  v.push_back(Remote(t += 10'000, 0x123, 8));
  v.push_back(Remote(t += 7, 0x18DAF110, 3, LOG_EXTENDED | LOG_TX));
  TLogMessage error = Frame(t += 123'456'789, 0x80, LOG_ERROR_FRAME, {0x11, 0x22, 0x33, 0x44}, 2);
  v.push_back(error);
  v.push_back(Frame(t += 5, 0, LOG_ERROR_FRAME, {}));
  for (uint8_t length : {0, 1, 7, 8, 12, 16, 20, 24, 32, 48, 64}) {
    std::vector<uint8_t> data(length);
    for (uint8_t i = 0; i < length; ++i) data[i] = uint8_t(0xA0 + i * 3 + length);
    const uint16_t fdFlags = uint16_t(LOG_FD | (length % 3 ? LOG_BRS : 0) | (length % 2 ? LOG_ESI : 0) |
                                      (length > 20 ? LOG_EXTENDED | LOG_TX : 0));
    v.push_back(Frame(t += 1'000'000, length > 20 ? 0x1ABCDE00u + length : 0x600u + length, fdFlags, data,
                      uint16_t(1 + length % 2)));
  }
  // A channel beyond one byte (CAN_FD_MESSAGE_64 holds 255).
  v.push_back(Frame(t += 1, 0x42, LOG_FD | LOG_BRS, std::vector<uint8_t>(20, 0x5A), 300));
  v.push_back(Frame(t += 3'600'000'000'000, 0x100, 0, {9}, 300));  // an hour on
  return v;
}

TEST(BlfRoundTrip, EveryKindOfFrameComesBackExactly) {
  const std::vector<TLogMessage> frames = EveryKind();
  const TWritten w = WriteBlf(frames);
  EXPECT_EQ(w.Report.Written, frames.size());
  EXPECT_TRUE(IsBlfLog(w.Bytes));
  const TRead r = ReadBlf(w.Bytes);
  EXPECT_TRUE(r.Error.empty()) << r.Error;
  ASSERT_EQ(r.Messages.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectSame(r.Messages[i], frames[i]);
  }
  EXPECT_EQ(r.Report.SkippedTotal(), 0u);
  EXPECT_EQ(r.Info.Format, LOG_FORMAT_BLF);
  EXPECT_FALSE(r.Info.EpochTimes);
  EXPECT_EQ(r.Info.StartEpochNs, StartNs);
  // The header filled in at the end: object count and file size.
  EXPECT_EQ(Get<uint32_t>(w.Bytes, 32), frames.size());
  EXPECT_EQ(Get<uint64_t>(w.Bytes, 16), w.Bytes.size());
}

// Enough frames for several containers, so objects cross their boundaries;
// the times carry nanoseconds.
TEST(BlfRoundTrip, ManyContainersKeepEveryFrameInOrder) {
  std::mt19937 random(7);
  std::vector<TLogMessage> frames;
  int64_t t = 0;
  for (int i = 0; i < 12000; ++i) {
    const bool fd = i % 3 == 0;
    std::vector<uint8_t> data(fd ? FdLengthOfDlc(uint8_t(random() % 16)) : random() % 9);
    for (auto& b : data) b = uint8_t(random());
    frames.push_back(Frame(t += random() % 100'000, random() % 0x800, fd ? LOG_FD : 0, data, uint16_t(1 + i % 2)));
  }
  const TWritten w = WriteBlf(frames);
  EXPECT_GT(Get<uint64_t>(w.Bytes, 24), 3u * 128 * 1024) << "objects for several containers";
  const TRead r = ReadBlf(w.Bytes);
  ASSERT_EQ(r.Messages.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectSame(r.Messages[i], frames[i]);
  }
  EXPECT_EQ(r.Report.SkippedTotal(), 0u);
}

TEST(BlfRoundTrip, WhatBlfCannotHoldIsCountedAsLeftOut) {
  TLogMessage busOff = Frame(5, 0, 0, {});
  busOff.Event = LOG_BUS_OFF;
  TLogWriteOptions options;
  options.Source.StartEpochNs = StartNs;
  TStringSink sink;
  auto writer = MakeBlfWriter(sink, options);
  writer->Write(Frame(10, 1, 0, {1}));
  writer->Write(busOff);
  writer->Write(Frame(-3, 2, 0, {2}));  // before the log's zero
  writer->Finish();
  std::string error;
  ASSERT_TRUE(sink.Finish(error));
  EXPECT_EQ(writer->Report().Written, 1u);
  EXPECT_EQ(writer->Report().LeftOut[LEFT_OUT_BUS_EVENT], 1u);
  EXPECT_EQ(writer->Report().LeftOut[LEFT_OUT_TIME], 1u);
  EXPECT_EQ(ReadBlf(sink.Bytes).Messages.size(), 1u);
}

TEST(BlfRoundTrip, ALogWithoutMessagesIsAHeaderWithItsStart) {
  const TWritten known = WriteBlf({});
  EXPECT_EQ(known.Bytes.size(), 144u);
  const TRead r = ReadBlf(known.Bytes);
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_EQ(r.Report.SkippedTotal(), 0u);
  EXPECT_EQ(r.Info.StartEpochNs, StartNs);
  // Unknown start: today (NowEpochNs) goes into the header.
  EXPECT_EQ(ReadBlf(WriteBlf({}, true, std::nullopt).Bytes).Info.StartEpochNs, StartNs + 5'000'000'000);
}

// ---- what other writers put in a file -------------------------------------------------

// Header version 2, ten-microsecond stamps, CAN_MESSAGE2, CAN_FD_MESSAGE,
// CAN_ERROR, a frame outside any container, an uncompressed container,
// objects of other kinds and an identifier beyond 29 bits.
TEST(BlfRead, ObjectKindsAndHeaderFormsOfOtherWriters) {
  std::string fd;  // CAN_FD_MESSAGE: FD, BRS, 12 bytes, sent, channel 2
  Put<uint16_t>(fd, 2);
  Put<uint8_t>(fd, 0x01);
  Put<uint8_t>(fd, 9);
  Put<uint32_t>(fd, 0x80000123);
  fd.append(5, '\0');
  Put<uint8_t>(fd, 0x3);
  Put<uint8_t>(fd, 12);
  fd.append(5, '\0');
  for (int i = 0; i < 64; ++i) fd.push_back(char(i < 12 ? 0x30 + i : 0));
  std::string classicInFd = fd;  // CAN_FD_MESSAGE without EDL: a classic frame
  classicInFd[3] = 4;
  classicInFd[13] = 0;
  classicInFd[14] = 4;
  std::string error(4, '\0');
  error[0] = 3;

  const std::string objects = Object(1, CanBody(1, 0, 2, 0x10, {0xAA, 0xBB}), 5, 2) +
                              Object(86, CanBody(2, 0x81, 4, 0x20, {}, true), 7, 1, 1) +
                              Object(100, fd, 100) + Object(100, classicInFd, 101) + Object(2, error, 102) +
                              Object(65, std::string(20, 'x'), 103) +            // APP_TEXT
                              Object(1, CanBody(1, 0, 1, 0x40000001, {1}), 104);  // bit 30
  const std::string file = FileHeader() + Container(objects.substr(0, 100)) + Object(1, CanBody(4, 0, 1, 0x55, {0x66}), 50) +
                           Container(objects.substr(100), 0) + Container(Object(96, std::string(40, 'm'), 200));
  const TRead r = ReadBlf(file);
  ASSERT_EQ(r.Messages.size(), 6u);
  // The frame outside the containers comes after the objects completed before it.
  ExpectSame(r.Messages[0], Frame(5, 0x10, 0, {0xAA, 0xBB}));
  ExpectSame(r.Messages[1], Frame(50, 0x55, 0, {0x66}, 4));
  TLogMessage remote = Remote(70'000, 0x20, 4, LOG_TX);
  remote.Channel = 2;
  ExpectSame(r.Messages[2], remote);
  TLogMessage expectFd = Frame(100, 0x123, LOG_FD | LOG_BRS | LOG_EXTENDED | LOG_TX,
                               {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B}, 2);
  ExpectSame(r.Messages[3], expectFd);
  ExpectSame(r.Messages[4], Frame(101, 0x123, LOG_EXTENDED | LOG_TX, {0x30, 0x31, 0x32, 0x33}, 2));
  ExpectSame(r.Messages[5], Frame(102, 0, LOG_ERROR_FRAME, {}, 3));
  EXPECT_EQ(r.Report.Skipped[SKIP_OTHER_OBJECT], 2u);
  EXPECT_EQ(r.Report.Skipped[SKIP_IDENTIFIER], 1u);
  EXPECT_EQ(r.Report.DamagedTotal(), 1u);  // the identifier
  EXPECT_EQ(r.Info.StartEpochNs, StartNs);
}

// A start all zero (the writer did not know it) or beyond what 64 bits of
// nanoseconds hold is no start; the frames are read all the same.
TEST(BlfRead, AStartTheHeaderCannotSayIsNone) {
  for (uint16_t year : {uint16_t(0), uint16_t(30000)}) {
    std::string file = FileHeader() + Container(Object(1, CanBody(1, 0, 1, 0x1, {7}), 9));
    std::memcpy(file.data() + 40, &year, 2);
    const TRead r = ReadBlf(file);
    EXPECT_FALSE(r.Info.StartEpochNs) << year;
    EXPECT_EQ(r.Messages.size(), 1u);
  }
}

// An object may begin in one container and end in the next, at any byte.
TEST(BlfRead, ObjectsSplitAtAnyByteBetweenContainers) {
  std::string objects;
  std::vector<TLogMessage> expected;
  for (uint8_t i = 0; i < 6; ++i) {
    objects += Object(1, CanBody(1, 0, 3, 0x100u + i, {i, 2, 3}), 1000u * i);
    expected.push_back(Frame(1000 * i, 0x100u + i, 0, {i, 2, 3}));
  }
  for (size_t cut = 1; cut < objects.size(); ++cut) {
    SCOPED_TRACE(cut);
    const TRead r = ReadBlf(FileHeader() + Container(objects.substr(0, cut), cut % 2 ? 2 : 0) +
                            Container(objects.substr(cut), cut % 3 ? 2 : 0));
    ASSERT_EQ(r.Messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) ExpectSame(r.Messages[i], expected[i]);
    ASSERT_EQ(r.Report.SkippedTotal(), 0u);
  }
}

// ---- damaged files -----------------------------------------------------------------------

// Four containers of ten frames each, then cases that damage them.
struct TDamageBase {
  std::string File;
  std::vector<size_t> At;  // each container's offset
  std::vector<std::string> Objects;
  std::vector<TLogMessage> Frames;
};

TDamageBase DamageBase() {
  TDamageBase d;
  d.File = FileHeader();
  for (int c = 0; c < 4; ++c) {
    std::string objects;
    for (int i = 0; i < 10; ++i) {
      const int n = c * 10 + i;
      objects += Object(1, CanBody(1, 0, 8, 0x200u + n, {uint8_t(n), 1, 2, 3, 4, 5, 6, 7}), 1000u * n);
      d.Frames.push_back(Frame(1000 * n, 0x200u + n, 0, {uint8_t(n), 1, 2, 3, 4, 5, 6, 7}));
    }
    d.At.push_back(d.File.size());
    d.Objects.push_back(objects);
    d.File += Container(objects);
  }
  return d;
}

struct TDamageCase {
  const char* Name;
  std::function<std::string(const TDamageBase&)> Damage;
  size_t MinMessages, MaxMessages;
  uint64_t Damaged;
  int64_t Where = -1;  // the first damaged place's offset, where known: container index
};

void SetU32(std::string& s, size_t at, uint32_t v) { std::memcpy(s.data() + at, &v, 4); }

// Container 1 rebuilt with its fourth object changed.
std::string WithInnerObject(const TDamageBase& d, const std::function<void(std::string&)>& change) {
  std::string objects = d.Objects[1];
  change(objects);
  return d.File.substr(0, d.At[1]) + Container(objects) + d.File.substr(d.At[2]);
}

const TDamageCase DamageCases[] = {
    {"CutInTheLastContainer", [](const TDamageBase& d) { return d.File.substr(0, d.At[3] + 60); }, 30, 39, 2, 3},
    {"CutInAContainerHeader", [](const TDamageBase& d) { return d.File.substr(0, d.At[3] + 20); }, 30, 30, 1, 3},
    {"CutInTheFileHeader", [](const TDamageBase& d) { return d.File.substr(0, 50); }, 0, 0, 1, -1},
    {"BadSignature",
     [](const TDamageBase& d) {
       std::string s = d.File;
       s[d.At[1]] = 'X';
       return s;
     },
     30, 30, 1, 1},
    {"BrokenZlibData",
     [](const TDamageBase& d) {
       std::string s = d.File;
       for (size_t i = d.At[1] + 40; i < d.At[1] + 60; ++i) s[i] = char(~s[i]);
       return s;
     },
     30, 30, 1, 1},
    {"ContainerSizeBeyondTheFile",
     [](const TDamageBase& d) {
       std::string s = d.File;
       SetU32(s, d.At[3] + 8, Get<uint32_t>(s, d.At[3] + 8) + 5000);
       return s;
     },
     40, 40, 1, 3},
    {"ContainerSizeZero",
     [](const TDamageBase& d) {
       std::string s = d.File;
       SetU32(s, d.At[1] + 8, 0);
       return s;
     },
     30, 30, 1, 1},
    {"ContainerSizeHuge",
     [](const TDamageBase& d) {
       std::string s = d.File;
       SetU32(s, d.At[1] + 8, 0xFFFFFFFF);
       return s;
     },
     30, 30, 1, 1},
    {"ContainerSizeWithinBoundButTooLarge",
     [](const TDamageBase& d) {
       std::string s = d.File;
       SetU32(s, d.At[1] + 8, Get<uint32_t>(s, d.At[1] + 8) + 300);
       return s;
     },
     40, 40, 1, 1},
    {"UncompressedSizeHuge",  // a field nothing is allocated from
     [](const TDamageBase& d) {
       std::string s = d.File;
       SetU32(s, d.At[1] + 24, 0xFFFFFFFF);
       return s;
     },
     40, 40, 0, -1},
    {"UnknownCompressionMethod",
     [](const TDamageBase& d) {
       std::string s = d.File;
       s[d.At[2] + 16] = 7;
       return s;
     },
     30, 30, 1, 2},
    {"GarbageBetweenContainers",
     [](const TDamageBase& d) { return d.File.substr(0, d.At[2]) + std::string(100, '\xAB') + d.File.substr(d.At[2]); },
     40, 40, 1, 2},
    {"InflatesBeyondTheBound",
     [](const TDamageBase& d) {
       return d.File.substr(0, d.At[1]) + Container(std::string(20u << 20, '\0')) + d.File.substr(d.At[1]);
     },
     40, 40, 1, 1},
    {"InnerObjectSizeZero",
     [](const TDamageBase& d) { return WithInnerObject(d, [](std::string& o) { SetU32(o, 3 * 48 + 8, 0); }); }, 39, 39, 1,
     1},
    {"InnerObjectSizeHuge",
     [](const TDamageBase& d) { return WithInnerObject(d, [](std::string& o) { SetU32(o, 3 * 48 + 8, 0xFFFFFF00); }); }, 39,
     39, 1, 1},
    {"InnerObjectSizeBeyondTheData",
     [](const TDamageBase& d) { return WithInnerObject(d, [](std::string& o) { SetU32(o, 3 * 48 + 8, 1u << 20); }); },
     39, 39, 1, 1},
    {"InnerObjectOfOtherKindSizeBeyondTheData",
     [](const TDamageBase& d) {
       return WithInnerObject(d, [](std::string& o) {
         SetU32(o, 3 * 48 + 8, 1u << 20);
         SetU32(o, 3 * 48 + 12, 65);
       });
     },
     39, 39, 1, 1},
    {"InnerObjectTooShortForItsKind",
     [](const TDamageBase& d) {
       return WithInnerObject(d, [](std::string& o) {
         SetU32(o, 3 * 48 + 8, 44);  // 12 bytes of body, the rest made padding
         std::memset(o.data() + 3 * 48 + 44, 0, 4);
       });
     },
     39, 39, 1, 1},
    {"InnerObjectHeaderVersionUnknown",
     [](const TDamageBase& d) { return WithInnerObject(d, [](std::string& o) { o[3 * 48 + 6] = 9; }); }, 39, 39, 1, 1},
};

void PrintTo(const TDamageCase& c, std::ostream* os) { *os << c.Name; }

class BlfDamage : public ::testing::TestWithParam<TDamageCase> {};

TEST_P(BlfDamage, IsCountedAndTheRestIsRead) {
  const TDamageBase base = DamageBase();
  const TDamageCase& c = GetParam();
  const TRead r = ReadBlf(c.Damage(base));
  EXPECT_GE(r.Messages.size(), c.MinMessages);
  EXPECT_LE(r.Messages.size(), c.MaxMessages);
  EXPECT_EQ(r.Report.Skipped[SKIP_DAMAGED], c.Damaged);
  EXPECT_EQ(r.Report.SkippedTotal(), c.Damaged);
  EXPECT_TRUE(r.Report.Binary);
  if (c.Where >= 0) {
    ASSERT_FALSE(r.Report.First.empty());
    EXPECT_EQ(r.Report.First[0].Where, base.At[size_t(c.Where)]);
  }
  // What is read is the frames as written, in order, none twice.
  size_t next = 0;
  for (const TLogMessage& m : r.Messages) {
    while (next < base.Frames.size() && base.Frames[next].ID != m.ID) ++next;
    ASSERT_LT(next, base.Frames.size()) << "frame " << std::hex << m.ID << " out of order or not written";
    ExpectSame(m, base.Frames[next++]);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BlfDamage, ::testing::ValuesIn(DamageCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(BlfRead, AFileThatIsNoBlfSaysSo) {
  const TRead r = ReadBlf("date Tue Dec 08 9:4:5 2026\nbase hex timestamps absolute\n");
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_FALSE(r.Error.empty());
  EXPECT_FALSE(IsBlfLog("date Tue"));
}

// ---- python-can ------------------------------------------------------------------------

std::string Hex(const uint8_t* data, size_t n) {
  std::string s;
  char two[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02x", data[i]);
    s += two;
  }
  return s.empty() ? "-" : s;
}

// Random frames of every kind on two channels, microsecond times from a
// whole second, one of them earlier than the frame before.
std::vector<TLogMessage> RandomFrames(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<TLogMessage> frames;
  int64_t us = 0;
  for (size_t i = 0; i < count; ++i) {
    const unsigned kind = random() % 10;  // 0-4 classic, 5 remote, 6 error, 7-9 FD
    const bool extended = random() % 2;
    const uint32_t id = extended ? random() % 0x20000000 : random() % 0x800;
    uint16_t flags = uint16_t((extended ? LOG_EXTENDED : 0) | (random() % 3 == 0 ? LOG_TX : 0));
    std::vector<uint8_t> data(kind >= 7 ? FdLengthOfDlc(uint8_t(random() % 16)) : kind == 5 ? 0 : random() % 9);
    for (auto& b : data) b = uint8_t(random());
    if (kind >= 7) flags |= uint16_t(LOG_FD | (random() % 2 ? LOG_BRS : 0) | (random() % 2 ? LOG_ESI : 0));
    if (kind == 6) flags = LOG_ERROR_FRAME;
    if (i > 0) us += 1 + random() % 5000;  // the first at the start: python-can's zero
    const int64_t t = i == count / 2 ? us - 6000 : us;  // the one going backwards
    TLogMessage m = kind == 5 ? Remote(t * 1000, id, uint8_t(random() % 9), flags)
                              : Frame(t * 1000, kind == 6 ? 0 : id, flags, data, uint16_t(1 + random() % 2));
    if (kind == 5) m.Channel = uint16_t(1 + random() % 2);
    frames.push_back(m);
  }
  return frames;
}

// One frame a line, as both sides print it: microseconds, channel from 0,
// extended, remote, error, FD, BRS, ESI, received, identifier, DLC
// (python-can: the length for FD), data.
std::string Line(int64_t us, const TLogMessage& m) {
  char text[256];
  std::snprintf(text, sizeof text, "%lld %d %d %d %d %d %d %d %d %x %d %s", static_cast<long long>(us),
                m.Channel - 1, m.Extended(), m.Remote(), m.ErrorFrame(), m.Fd(), bool(m.Flags & LOG_BRS),
                bool(m.Flags & LOG_ESI), !m.Tx(), m.ID, m.Fd() ? FdLengthOfDlc(m.DLC) : m.DLC,
                Hex(m.Data, m.Length).c_str());
  return text;
}

constexpr const char* PythonWrite = R"(import can, sys
w = can.BLFWriter(sys.argv[2], compression_level=int(sys.argv[3]), max_container_size=int(sys.argv[4]))
for line in open(sys.argv[1]):
    us, ch, ext, rtr, err, fd, brs, esi, rx, i, dlc, data = line.split()
    w.on_message_received(can.Message(timestamp=1700000000 + int(us) / 1e6, channel=int(ch),
        is_extended_id=ext == '1', is_remote_frame=rtr == '1', is_error_frame=err == '1', is_fd=fd == '1',
        bitrate_switch=brs == '1', error_state_indicator=esi == '1', is_rx=rx == '1',
        arbitration_id=int(i, 16), dlc=int(dlc), data=bytes.fromhex(data) if data != '-' else b''))
w.stop()
)";

struct TPythonWriterCase {
  const char* Name;
  int Compression;
  int ContainerBytes;
};

void PrintTo(const TPythonWriterCase& c, std::ostream* os) { *os << c.Name; }

class BlfFromPythonCan : public ::testing::TestWithParam<TPythonWriterCase> {};

TEST_P(BlfFromPythonCan, EveryFrameComesBackWithItsTime) {
  if (!HasPythonCan()) GTEST_SKIP() << "python3-can is not installed";
  const std::vector<TLogMessage> frames = RandomFrames(3000, 11);
  test::TempFolder folder("tarvo-blf");
  const std::string text = folder.File("frames.txt"), script = folder.Write("write.py", PythonWrite),
                    blf = folder.File("python.blf");
  {
    std::ofstream out(text);
    for (const TLogMessage& m : frames) out << Line(m.Time / 1000, m) << "\n";
  }
  const std::string error = Output("timeout 25 /usr/bin/python3 " + script + " " + text + " " + blf + " " +
                                   std::to_string(GetParam().Compression) + " " +
                                   std::to_string(GetParam().ContainerBytes) + " 2>&1");
  const std::string bytes = folder.Read("python.blf");
  ASSERT_FALSE(bytes.empty()) << error;
  const TRead r = ReadBlf(bytes);
  EXPECT_EQ(r.Report.SkippedTotal(), 0u);
  EXPECT_EQ(r.Info.StartEpochNs, int64_t(1'700'000'000) * 1'000'000'000);
  EXPECT_EQ(r.Report.Backwards, 1u);
  ASSERT_EQ(r.Messages.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    // python-can's float seconds land within a fraction of a microsecond.
    const TLogMessage& m = r.Messages[i];
    ASSERT_NEAR(m.Time, frames[i].Time, 400) << i;
    ASSERT_EQ(Line((m.Time + 500) / 1000, m), Line(frames[i].Time / 1000, frames[i])) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Containers, BlfFromPythonCan,
                         ::testing::Values(TPythonWriterCase{"ZlibObjectsAcrossSmallContainers", -1, 777},
                                           TPythonWriterCase{"Uncompressed", 0, 128 * 1024}),
                         [](const auto& info) { return std::string(info.param.Name); });

constexpr const char* PythonRead = R"(import can, sys
r = can.BLFReader(sys.argv[1])
print(r.object_count, '%.3f' % r.start_timestamp)
for m in r:
    us = round((m.timestamp - 1700000000) * 1e6)
    print(us, m.channel, int(m.is_extended_id), int(m.is_remote_frame), int(m.is_error_frame), int(m.is_fd),
          int(m.bitrate_switch), int(m.error_state_indicator), int(m.is_rx), '%x' % m.arbitration_id, m.dlc,
          m.data.hex() if len(m.data) and not m.is_remote_frame else '-')
)";

// Seekable: the header gets its counts. Not seekable, and past the sink's
// first block: the header stays as first written, and the file still reads.
class BlfToPythonCan : public ::testing::TestWithParam<bool> {};

TEST_P(BlfToPythonCan, ReadsEveryFrameWithItsTime) {
  if (!HasPythonCan()) GTEST_SKIP() << "python3-can is not installed";
  const bool seekable = GetParam();
  const std::vector<TLogMessage> frames = RandomFrames(seekable ? 3000 : 60000, 5);
  const TWritten w = WriteBlf(frames, seekable);
  ASSERT_EQ(w.Report.Written, frames.size());
  if (!seekable) {
    ASSERT_GT(w.Bytes.size(), 1u << 20) << "beyond the block the sink holds back";
  }
  EXPECT_EQ(Get<uint32_t>(w.Bytes, 32), seekable ? frames.size() : 0u);
  test::TempFolder folder("tarvo-blf");
  const std::string script = folder.Write("read.py", PythonRead), blf = folder.Write("ours.blf", w.Bytes);
  const std::string out = Output("timeout 25 /usr/bin/python3 " + script + " " + blf + " 2>&1");
  std::istringstream in(out);
  std::string count, start, line;
  ASSERT_TRUE(in >> count >> start) << out.substr(0, 2000);
  EXPECT_EQ(count, std::to_string(seekable ? frames.size() : 0));
  EXPECT_EQ(start, "1700000000.123");
  std::getline(in, line);
  // python-can's times count from the header's start: 0.123 s on.
  for (size_t i = 0; i < frames.size(); ++i) {
    ASSERT_TRUE(std::getline(in, line)) << "frame " << i << "\n" << out.substr(0, 2000);
    const TLogMessage& m = frames[i];
    TLogMessage shown = m;
    if (m.Remote()) shown.Length = 0;
    ASSERT_EQ(line, Line(m.Time / 1000 + 123'000, shown)) << i;
  }
  EXPECT_FALSE(std::getline(in, line)) << line;
}

INSTANTIATE_TEST_SUITE_P(Sinks, BlfToPythonCan, ::testing::Values(true, false),
                         [](const auto& info) { return std::string(info.param ? "Seekable" : "NotSeekable"); });

}  // namespace
}  // namespace tarvo
