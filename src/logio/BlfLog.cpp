// BLF, the binary logging format of Vector's tools, as python-can and the
// reverse-engineered libraries describe it. All numbers are little-endian.
//
// The file begins with a header of (usually) 144 bytes; the fields up to
// the stop time take 72 bytes, the rest is zero:
//
//   offset  size  field                  e.g. one frame at 2.5 ms, written here
//   0       4     signature              "LOGG"
//   4       4     header size            144: the first object follows
//   8       8     application, version   0, 0,0,0, then 2,6,8,1
//   16      8     file size              218 (filled in at the end)
//   24      8     uncompressed size      224: 144 + container header 32 + object 48
//   32      4     object count           1 (frame objects, not containers)
//   36      4     objects read           0
//   40      16    start, SYSTEMTIME      2023,11,2 (Tuesday),14,22,13,20,123
//   56      16    stop, SYSTEMTIME       2023,11,2,14,22,13,20,125 (the last frame)
//
// A SYSTEMTIME is eight 16-bit words: year, month, day of the week, day,
// hour, minute, second, millisecond, in the writer's local time.
//
// Objects follow, each beginning with a base header of 16 bytes:
//
//   0  "LOBJ"   4  header size (16-bit)   6  header version (16-bit)
//   8  object size, header included (32-bit)   12  object type (32-bit)
//
// A frame object's header goes on after the base (version 1: flags 32-bit,
// client index 16-bit, object version 16-bit, time stamp 64-bit: 32 bytes
// in all; version 2 adds 8 bytes of original time stamp: 40). The flags say
// the time stamp's unit: 0x1 ten microseconds, 0x2 one nanosecond. The
// object's own fields begin at "header size".
//
// At the top level nearly all objects are LOG_CONTAINERs (type 10): base
// header, compression method (16-bit, at 16; 0 none, 2 zlib), uncompressed
// size (32-bit, at 24), then the data from 32 to the object's size. The
// data of all containers, one after the other, form a stream of frame
// objects; an object may begin in one container and end in the next.
// Objects are followed by zero padding: a container by (size % 4) bytes,
// a frame object inside by up to 3 bytes (python-can writes (size % 4),
// others pad to four), so readers skip a few zero bytes between objects.
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <vector>

#include "logio/LogFormats.h"

namespace tarvo {

namespace {

constexpr size_t FileHeaderFields = 72;  // up to the stop time
constexpr size_t FileHeaderBytes = 144;  // as written, and as python-can expects
constexpr size_t MaxFileHeaderBytes = 64 * 1024;
constexpr size_t BaseHeaderBytes = 16;
constexpr size_t ContainerDataAt = 32;
constexpr size_t FrameHeaderV1Bytes = 32;
constexpr size_t FrameHeaderV2Bytes = 40;
// Bounds on what an untrusted size may make us hold: real containers hold
// 128 KiB and frame objects under 200 bytes.
constexpr uint32_t MaxObjectBytes = 16u << 20;
// A frame object holds at most 64 data bytes and a few fields; a larger
// size is a damaged one, which would otherwise swallow the objects after it.
constexpr uint32_t MaxFrameObjectBytes = 1024;
constexpr size_t MaxInflatedBytes = size_t(16) << 20;
constexpr size_t ContainerTargetBytes = 128 * 1024;
constexpr size_t ReadChunkBytes = 64 * 1024;
// Zero bytes passed over between objects before a signature must follow.
constexpr size_t MaxPaddingBytes = 7;

enum TBlfObjectType : uint32_t {
  OBJ_CAN_MESSAGE = 1,
  OBJ_CAN_ERROR = 2,
  OBJ_LOG_CONTAINER = 10,
  OBJ_CAN_ERROR_EXT = 73,
  OBJ_CAN_MESSAGE2 = 86,
  OBJ_CAN_FD_MESSAGE = 100,
  OBJ_CAN_FD_MESSAGE_64 = 101,
};

bool IsFrameObject(uint32_t type) {
  switch (type) {
    case OBJ_CAN_MESSAGE:
    case OBJ_CAN_MESSAGE2:
    case OBJ_CAN_ERROR:
    case OBJ_CAN_ERROR_EXT:
    case OBJ_CAN_FD_MESSAGE:
    case OBJ_CAN_FD_MESSAGE_64: return true;
    default: return false;
  }
}

bool PlausibleSize(uint32_t type, uint32_t size) {
  return size >= BaseHeaderBytes && size <= (IsFrameObject(type) ? MaxFrameObjectBytes : MaxObjectBytes);
}

constexpr uint32_t TimeTenMics = 0x1, TimeOneNans = 0x2;
constexpr uint32_t IdExtended = 0x80000000u;
constexpr uint8_t MsgTx = 0x01, MsgRemote = 0x80;          // CAN_MESSAGE(2), CAN_FD_MESSAGE flags
constexpr uint8_t FdEdl = 0x1, FdBrs = 0x2, FdEsi = 0x4;    // CAN_FD_MESSAGE FD flags
constexpr uint32_t Fd64Remote = 0x0010, Fd64Edl = 0x1000, Fd64Brs = 0x2000, Fd64Esi = 0x4000;
constexpr uint16_t CompressionNone = 0, CompressionZlib = 2;

// ---- bounded little-endian access -----------------------------------------------------

template <typename T>
T FromLittle(T v) {
  if constexpr (std::endian::native == std::endian::big) {
    T r = 0;
    for (size_t i = 0; i < sizeof(T); ++i) r = T((r << 8) | ((v >> (8 * i)) & 0xFF));
    return r;
  }
  return v;
}

// A span of bytes whose reads past the end give zero instead of reading on:
// callers check the sizes they need, this is the second line of defence.
struct TBytes {
  const uint8_t* Data = nullptr;
  size_t Size = 0;

  template <typename T>
  T At(size_t at) const {
    T v = 0;
    if (at <= Size && sizeof(T) <= Size - at) std::memcpy(&v, Data + at, sizeof v);
    return FromLittle(v);
  }
  bool IsObjectStart(size_t at) const { return at <= Size && Size - at >= 4 && std::memcmp(Data + at, "LOBJ", 4) == 0; }
  // The first "LOBJ" at or after from, or Size.
  size_t FindObject(size_t from) const {
    for (size_t i = from; i + 4 <= Size; ++i)
      if (Data[i] == 'L' && IsObjectStart(i)) return i;
    return Size;
  }
  // Zero bytes at at, at most MaxPaddingBytes.
  size_t Padding(size_t at) const {
    size_t n = 0;
    while (at + n < Size && n < MaxPaddingBytes && Data[at + n] == 0) ++n;
    return n;
  }
};

template <typename T>
void PutLittle(std::string& out, T v) {
  v = FromLittle(v);
  out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// ---- SYSTEMTIME in local time -----------------------------------------------------------

struct TSystemTime {
  uint16_t Field[8] = {};  // year, month, day of week, day, hour, minute, second, millisecond
};

std::optional<int64_t> EpochOfSystemTime(const TSystemTime& s) {
  const uint16_t* f = s.Field;
  if (f[0] < 1601 || f[0] > 30827 || f[1] < 1 || f[1] > 12 || f[3] < 1 || f[3] > 31 || f[4] > 23 || f[5] > 59 || f[6] > 60 ||
      f[7] > 999)
    return std::nullopt;  // all zero when the writer did not know the start
  std::tm tm{};
  tm.tm_year = f[0] - 1900;
  tm.tm_mon = f[1] - 1;
  tm.tm_mday = f[3];
  tm.tm_hour = f[4];
  tm.tm_min = f[5];
  tm.tm_sec = f[6];
  tm.tm_isdst = -1;  // local time, daylight saving as the date has it (python-can: mktime)
  const std::time_t t = std::mktime(&tm);
  // Beyond 64 bits of nanoseconds (after 2262) the start cannot be said.
  if (t == std::time_t(-1) || t > 9'223'372'035 || t < -9'223'372'035) return std::nullopt;
  return int64_t(t) * 1'000'000'000 + int64_t(f[7]) * 1'000'000;
}

// The moment's local time to the millisecond (toward the past); all zero
// where a SYSTEMTIME cannot hold it.
TSystemTime SystemTimeOfEpoch(int64_t ns) {
  TSystemTime s;
  int64_t ms = ns / 1'000'000;
  if (ns < 0 && ns % 1'000'000) --ms;
  int64_t seconds = ms / 1000, milli = ms % 1000;
  if (milli < 0) milli += 1000, --seconds;
  const std::time_t t = std::time_t(seconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm) || tm.tm_year + 1900 < 1601 || tm.tm_year + 1900 > 30827) return s;
  const int fields[8] = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_wday, tm.tm_mday,
                         tm.tm_hour,        tm.tm_min,     tm.tm_sec,  int(milli)};
  for (int i = 0; i < 8; ++i) s.Field[i] = uint16_t(fields[i]);
  return s;
}

std::string SystemTimeText(const TSystemTime& s) {
  char text[48];
  const uint16_t* f = s.Field;
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", f[0], f[1], f[3], f[4], f[5], f[6], f[7]);
  return text;
}

// ---- frame objects to messages --------------------------------------------------------

enum class TDecoded { Message, Skipped };

class TBlfReader final : public TLogReader {
 public:
  explicit TBlfReader(std::unique_ptr<TByteSource> source);
  bool Next(TLogMessage& m) override;

 private:
  enum class TStep { Message, Progress, NeedMore };

  // The file, read in chunks; in_[inAt_] is at file offset inBase_ + inAt_.
  bool Fill(size_t n);
  size_t Have() const { return in_.size() - inAt_; }
  TBytes Window() const { return {in_.data() + inAt_, Have()}; }
  uint64_t FileOffset() const { return inBase_ + inAt_; }
  void Consume(size_t n) { inAt_ += std::min(n, Have()); }
  void ReadFileHeader();
  void ResyncFile();
  TStep NextFileObject(TLogMessage& m);
  void ReadContainer(size_t available, uint32_t size, uint64_t where);
  bool Inflate(TBytes data, size_t& consumed, bool& ended);
  void AppendInner(const char* bytes, size_t n, uint64_t where);

  // The stream of objects inside containers.
  TStep NextInnerObject(TLogMessage& m);
  TStep InnerDamaged(uint64_t where);
  uint64_t InnerWhere(uint64_t at) const;

  TDecoded Decode(TBytes object, uint64_t where, TLogMessage& m);
  TDecoded DecodeFrame(uint32_t type, TBytes body, TLogMessage& m, uint64_t where);
  void Damaged(uint64_t where) { report_.Skip(SKIP_DAMAGED, where); }

  std::unique_ptr<TByteSource> source_;
  std::vector<uint8_t> in_;
  size_t inAt_ = 0;
  uint64_t inBase_ = 0;
  bool sourceEnded_ = false, fileEnded_ = false;

  std::string inner_, scratch_;
  size_t innerAt_ = 0;
  uint64_t innerBase_ = 0;  // stream position of inner_[0]
  bool innerResync_ = false;
  // Where each container's data begins in the stream, with the container's
  // file offset, so a damaged inner object is reported at its container.
  std::vector<std::pair<uint64_t, uint64_t>> segments_;
};

TBlfReader::TBlfReader(std::unique_ptr<TByteSource> source) : source_(std::move(source)) {
  info_.Format = LOG_FORMAT_BLF;
  info_.EpochTimes = false;
  report_.Binary = true;
  ReadFileHeader();
}

bool TBlfReader::Fill(size_t n) {
  if (Have() >= n) return true;
  if (inAt_ > 0) {
    in_.erase(in_.begin(), in_.begin() + std::ptrdiff_t(inAt_));
    inBase_ += inAt_;
    inAt_ = 0;
  }
  while (in_.size() < n && !sourceEnded_) {
    const size_t had = in_.size();
    in_.resize(std::max(n, had + ReadChunkBytes));
    const size_t k = source_->Read(in_.data() + had, in_.size() - had);
    in_.resize(had + k);
    if (k == 0) sourceEnded_ = true;
  }
  if (sourceEnded_ && !source_->Error().empty()) error_ = source_->Error();
  return in_.size() >= n;
}

constexpr const char* NotBlf = "not a BLF log: it does not begin with \"LOGG\"";

void TBlfReader::ReadFileHeader() {
  if (!Fill(FileHeaderFields)) {
    if (Have() >= 4 && std::memcmp(in_.data(), "LOGG", 4) == 0) {
      Damaged(0);  // a header cut off: nothing follows it
    } else if (error_.empty()) {
      error_ = NotBlf;
    }
    fileEnded_ = true;
    return;
  }
  const TBytes h = Window();
  if (std::memcmp(h.Data, "LOGG", 4) != 0) {
    error_ = NotBlf;
    fileEnded_ = true;
    return;
  }
  TSystemTime start;
  for (int i = 0; i < 8; ++i) start.Field[i] = h.At<uint16_t>(40 + 2 * size_t(i));
  info_.StartEpochNs = EpochOfSystemTime(start);
  if (info_.StartEpochNs) info_.DateText = SystemTimeText(start);
  const uint32_t size = h.At<uint32_t>(4);
  if (size < FileHeaderFields || size > MaxFileHeaderBytes) {
    // The first object's place is unknown: look for it.
    Damaged(4);
    Consume(FileHeaderFields);
    ResyncFile();
    return;
  }
  if (!Fill(size)) Damaged(0);  // cut off within the header
  Consume(size);
}

// Passes over bytes up to the next object signature (or the end), holding
// no more than a chunk: used after a damaged object, whose size cannot be
// trusted.
void TBlfReader::ResyncFile() {
  for (;;) {
    const TBytes w = Window();
    const size_t found = w.FindObject(0);
    if (found < w.Size) {
      Consume(found);
      return;
    }
    Consume(w.Size >= 3 ? w.Size - 3 : 0);  // a signature may straddle the chunk's end
    if (!Fill(Have() + ReadChunkBytes) && Have() < 4) {
      Consume(Have());
      return;
    }
  }
}

bool TBlfReader::Next(TLogMessage& m) {
  for (;;) {
    TStep step = NextInnerObject(m);
    if (step == TStep::NeedMore) {
      if (fileEnded_) return false;
      step = NextFileObject(m);
    }
    if (step == TStep::Message) {
      Counted(m);
      return true;
    }
  }
}

// ---- the top level: containers --------------------------------------------------------

TBlfReader::TStep TBlfReader::NextFileObject(TLogMessage& m) {
  Fill(MaxPaddingBytes + BaseHeaderBytes);
  Consume(Window().Padding(0));
  if (Have() < BaseHeaderBytes) {
    if (Window().Padding(0) < Have()) Damaged(FileOffset());  // a cut-off object header
    Consume(Have());
    fileEnded_ = true;
    return TStep::Progress;
  }
  const uint64_t where = FileOffset();
  const TBytes w = Window();
  const uint32_t size = w.At<uint32_t>(8), type = w.At<uint32_t>(12);
  if (!w.IsObjectStart(0) || !PlausibleSize(type, size)) {
    Damaged(where);
    Consume(w.IsObjectStart(0) ? 4 : 1);
    ResyncFile();
    return TStep::Progress;
  }
  const bool whole = Fill(size);
  if (type == OBJ_LOG_CONTAINER) {
    ReadContainer(std::min<size_t>(size, Have()), size, where);
    return TStep::Progress;
  }
  if (!whole) {
    // A frame object cut off by the end of the file.
    Damaged(where);
    Consume(4);
    ResyncFile();
    return TStep::Progress;
  }
  const TDecoded d = Decode({Window().Data, size}, where, m);
  Consume(size);
  return d == TDecoded::Message ? TStep::Message : TStep::Progress;
}

// A container's data join the stream of objects. A container cut off by
// the end of the file still gives what it holds; one whose data cannot be
// inflated gives nothing (its bytes may be wrong before zlib sees the
// fault), and reading resumes at the next signature.
void TBlfReader::ReadContainer(size_t available, uint32_t size, uint64_t where) {
  if (available < ContainerDataAt || size < ContainerDataAt) {
    Damaged(where);
    Consume(size < ContainerDataAt ? 4 : available);
    ResyncFile();
    return;
  }
  const TBytes c{Window().Data, available};
  const uint16_t method = c.At<uint16_t>(16);
  const TBytes data{c.Data + ContainerDataAt, available - ContainerDataAt};
  if (method == CompressionNone) {
    AppendInner(reinterpret_cast<const char*>(data.Data), data.Size, where);
    if (available < size) Damaged(where);
    Consume(available);
    return;
  }
  if (method != CompressionZlib) {
    Damaged(where);
    Consume(available);
    return;
  }
  size_t consumed = 0;
  bool ended = false;
  if (!Inflate(data, consumed, ended)) {
    Damaged(where);
    Consume(4);
    ResyncFile();
    return;
  }
  AppendInner(scratch_.data(), scratch_.size(), where);
  // Up to three zero bytes after the zlib stream are padding counted in the size.
  const TBytes after{data.Data + consumed, data.Size - consumed};
  const bool trailing = after.Size > 3 || after.Padding(0) < after.Size;
  if (!ended || trailing || available < size) Damaged(where);
  if (ended && trailing) {
    // The size says more than the compressed data hold: the next object
    // may begin right after them.
    Consume(ContainerDataAt + consumed);
    ResyncFile();
    return;
  }
  Consume(available);
}

// Inflates data into scratch_, at most MaxInflatedBytes. False for data
// zlib refuses; ended tells whether the zlib stream was complete.
bool TBlfReader::Inflate(TBytes data, size_t& consumed, bool& ended) {
  scratch_.clear();
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(data.Data);
  z.avail_in = uInt(data.Size);  // at most MaxObjectBytes
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (scratch_.size() == MaxInflatedBytes) break;  // bigger than any real container
    const size_t had = scratch_.size();
    scratch_.resize(std::min(MaxInflatedBytes, had + ReadChunkBytes));
    z.next_out = reinterpret_cast<Bytef*>(scratch_.data() + had);
    z.avail_out = uInt(scratch_.size() - had);
    rc = inflate(&z, Z_NO_FLUSH);
    scratch_.resize(scratch_.size() - z.avail_out);
  }
  consumed = data.Size - z.avail_in;
  ended = rc == Z_STREAM_END;
  inflateEnd(&z);
  // Z_BUF_ERROR with input left over: no progress possible; without: cut off.
  return rc == Z_STREAM_END || (rc == Z_BUF_ERROR && z.avail_in == 0);
}

void TBlfReader::AppendInner(const char* bytes, size_t n, uint64_t where) {
  if (innerAt_ > 0 && (innerAt_ >= ReadChunkBytes || innerAt_ == inner_.size())) {
    inner_.erase(0, innerAt_);
    innerBase_ += innerAt_;
    innerAt_ = 0;
    while (segments_.size() > 1 && segments_[1].first <= innerBase_) segments_.erase(segments_.begin());
  }
  segments_.emplace_back(innerBase_ + inner_.size(), where);
  inner_.append(bytes, n);
}

uint64_t TBlfReader::InnerWhere(uint64_t at) const {
  for (size_t i = segments_.size(); i-- > 0;)
    if (segments_[i].first <= at) return segments_[i].second;
  return 0;
}

// ---- the stream of objects inside containers -------------------------------------------

TBlfReader::TStep TBlfReader::NextInnerObject(TLogMessage& m) {
  const TBytes s{reinterpret_cast<const uint8_t*>(inner_.data()) + innerAt_, inner_.size() - innerAt_};
  if (innerResync_) {
    const size_t found = s.FindObject(0);
    innerAt_ += found < s.Size ? found : (s.Size >= 3 ? s.Size - 3 : 0);
    if (found == s.Size) {
      if (fileEnded_) innerAt_ = inner_.size();
      return TStep::NeedMore;
    }
    innerResync_ = false;
    return TStep::Progress;
  }
  const size_t pad = s.Padding(0);
  if (pad == s.Size) {
    innerAt_ += fileEnded_ ? pad : 0;  // trailing padding at the end is no damage
    return TStep::NeedMore;
  }
  const TBytes o{s.Data + pad, s.Size - pad};
  const uint64_t where = InnerWhere(innerBase_ + innerAt_ + pad);
  if (o.Size < BaseHeaderBytes && !fileEnded_) return TStep::NeedMore;
  const uint32_t size = o.At<uint32_t>(8);
  if (o.Size < BaseHeaderBytes || !o.IsObjectStart(0) || !PlausibleSize(o.At<uint32_t>(12), size))
    return InnerDamaged(where);
  if (o.Size < size) return fileEnded_ ? InnerDamaged(where) : TStep::NeedMore;
  innerAt_ += pad + size;
  return Decode({o.Data, size}, where, m) == TDecoded::Message ? TStep::Message : TStep::Progress;
}

// An object that cannot be read: counted once, then the stream is searched
// for the next signature (past this one's).
TBlfReader::TStep TBlfReader::InnerDamaged(uint64_t where) {
  Damaged(where);
  innerAt_ += std::min<size_t>(inner_.size() - innerAt_, 1);
  innerResync_ = true;
  return TStep::Progress;
}

// ---- one object ---------------------------------------------------------------------

TDecoded TBlfReader::Decode(TBytes o, uint64_t where, TLogMessage& m) {
  const uint32_t type = o.At<uint32_t>(12);
  if (!IsFrameObject(type)) {
    report_.Skip(SKIP_OTHER_OBJECT, where);
    return TDecoded::Skipped;
  }
  const uint16_t headerSize = o.At<uint16_t>(4), version = o.At<uint16_t>(6);
  const size_t needed = version == 1 ? FrameHeaderV1Bytes : version == 2 ? FrameHeaderV2Bytes : SIZE_MAX;
  if (needed == SIZE_MAX || headerSize < needed || headerSize > o.Size) {
    Damaged(where);
    return TDecoded::Skipped;
  }
  const uint32_t flags = o.At<uint32_t>(16);
  const uint64_t stamp = o.At<uint64_t>(24);
  const bool tenMics = (flags & TimeTenMics) && !(flags & TimeOneNans);
  const uint64_t limit = tenMics ? uint64_t(INT64_MAX) / 10'000 : uint64_t(INT64_MAX);
  if (stamp > limit) {
    report_.Skip(SKIP_TIME, where);
    return TDecoded::Skipped;
  }
  m = TLogMessage{};
  m.Time = int64_t(tenMics ? stamp * 10'000 : stamp);
  return DecodeFrame(type, {o.Data + headerSize, o.Size - headerSize}, m, where);
}

// The identifier word: bit 31 says 29 bits; other bits beyond the format's
// width make the frame unreadable (error frames keep what the file gives).
bool TakeIdentifier(uint32_t raw, TLogMessage& m) {
  if (raw & IdExtended) m.Flags |= LOG_EXTENDED;
  m.ID = raw & 0x1FFFFFFFu;
  return m.ErrorFrame() || ((raw & 0x60000000u) == 0 && (m.Extended() || m.ID <= 0x7FF));
}

// n data bytes at at; the caller made sure the body holds them.
void TakeData(TBytes body, size_t at, size_t n, TLogMessage& m) {
  m.Length = uint8_t(std::min<size_t>(n, MaxLogDataBytes));
  if (at <= body.Size) std::memcpy(m.Data, body.Data + at, std::min<size_t>(m.Length, body.Size - at));
}

enum class TFrame { Ok, Identifier, Short };

// CAN_MESSAGE and CAN_MESSAGE2 (which adds frame length and bit count
// after the data): channel 16-bit, flags, DLC, identifier, 8 data bytes.
TFrame ClassicFrame(TBytes b, TLogMessage& m) {
  if (b.Size < 16) return TFrame::Short;
  const uint8_t flags = b.At<uint8_t>(2);
  m.Channel = b.At<uint16_t>(0);
  m.DLC = b.At<uint8_t>(3);
  m.Flags |= (flags & MsgTx ? LOG_TX : 0) | (flags & MsgRemote ? LOG_REMOTE : 0);
  if (!m.Remote()) TakeData(b, 8, std::min<uint8_t>(m.DLC, 8), m);
  return TakeIdentifier(b.At<uint32_t>(4), m) ? TFrame::Ok : TFrame::Identifier;
}

// CAN_ERROR: channel and length only. CAN_ERROR_EXT: channel, length,
// flags, ECC, position, DLC (at 10), frame length, identifier (at 16),
// extended flags, 8 data bytes (at 24).
TFrame ErrorFrame(uint32_t type, TBytes b, TLogMessage& m) {
  if (b.Size < (type == OBJ_CAN_ERROR ? 4u : 32u)) return TFrame::Short;
  m.Flags |= LOG_ERROR_FRAME;
  m.Channel = b.At<uint16_t>(0);
  if (type == OBJ_CAN_ERROR) return TFrame::Ok;
  m.DLC = b.At<uint8_t>(10);
  TakeIdentifier(b.At<uint32_t>(16), m);
  TakeData(b, 24, std::min<uint8_t>(m.DLC, 8), m);
  return TFrame::Ok;
}

// CAN_FD_MESSAGE: channel 16-bit, flags, DLC code, identifier, frame
// length, bit count, FD flags (at 13), valid data bytes (at 14), data from 20.
TFrame FdFrame(TBytes b, TLogMessage& m) {
  const uint8_t valid = std::min<uint8_t>(b.At<uint8_t>(14), MaxLogDataBytes);
  if (b.Size < 20 + size_t(valid)) return TFrame::Short;
  const uint8_t flags = b.At<uint8_t>(2), fd = b.At<uint8_t>(13);
  m.Channel = b.At<uint16_t>(0);
  m.DLC = b.At<uint8_t>(3);
  m.Flags |= (flags & MsgTx ? LOG_TX : 0) | (flags & MsgRemote ? LOG_REMOTE : 0) | (fd & FdEdl ? LOG_FD : 0) |
             (fd & FdBrs ? LOG_BRS : 0) | (fd & FdEsi ? LOG_ESI : 0);
  if (!m.Remote()) TakeData(b, 20, m.Fd() ? valid : std::min<uint8_t>(valid, 8), m);
  return TakeIdentifier(b.At<uint32_t>(4), m) ? TFrame::Ok : TFrame::Identifier;
}

// CAN_FD_MESSAGE_64: channel 8-bit, DLC code, valid data bytes,
// transmission count, identifier (at 4), frame length, flags (at 12), bit
// timings and offsets, bit count, direction (at 34), extended data offset,
// CRC; 40 bytes, then the data.
TFrame Fd64Frame(TBytes b, TLogMessage& m) {
  const uint8_t valid = std::min<uint8_t>(b.At<uint8_t>(2), MaxLogDataBytes);
  if (b.Size < 40 + size_t(valid)) return TFrame::Short;
  const uint32_t flags = b.At<uint32_t>(12);
  m.Channel = b.At<uint8_t>(0);
  m.DLC = b.At<uint8_t>(1);
  m.Flags |= (b.At<uint8_t>(34) ? LOG_TX : 0) | (flags & Fd64Remote ? LOG_REMOTE : 0) | (flags & Fd64Edl ? LOG_FD : 0) |
             (flags & Fd64Brs ? LOG_BRS : 0) | (flags & Fd64Esi ? LOG_ESI : 0);
  if (!m.Remote()) TakeData(b, 40, m.Fd() ? valid : std::min<uint8_t>(valid, 8), m);
  return TakeIdentifier(b.At<uint32_t>(4), m) ? TFrame::Ok : TFrame::Identifier;
}

TDecoded TBlfReader::DecodeFrame(uint32_t type, TBytes body, TLogMessage& m, uint64_t where) {
  TFrame f = TFrame::Ok;
  switch (type) {
    case OBJ_CAN_MESSAGE:
    case OBJ_CAN_MESSAGE2: f = ClassicFrame(body, m); break;
    case OBJ_CAN_ERROR:
    case OBJ_CAN_ERROR_EXT: f = ErrorFrame(type, body, m); break;
    case OBJ_CAN_FD_MESSAGE: f = FdFrame(body, m); break;
    default: f = Fd64Frame(body, m); break;
  }
  if (f == TFrame::Ok) return TDecoded::Message;
  report_.Skip(f == TFrame::Identifier ? SKIP_IDENTIFIER : SKIP_DAMAGED, where);
  return TDecoded::Skipped;
}

// ---- writing ------------------------------------------------------------------------

// Frames go out as objects with a version-1 header and times in
// nanoseconds; objects gather into zlib containers of about 128 KiB. The
// header is written at the first message (its start time is known then)
// and written again at the end with the counts where the sink can seek;
// on standard output it keeps zero counts, which readers do not need.
class TBlfWriter final : public TLogWriter {
 public:
  using TLogWriter::TLogWriter;
  void Write(const TLogMessage& m) override;
  void Finish() override;

 private:
  void Start(const TLogMessage* first);
  std::string Header() const;
  void AddObject(uint32_t type, uint64_t time, const std::string& body);
  void FlushContainer();

  std::string objects_;
  uint64_t objectCount_ = 0, uncompressedSize_ = FileHeaderBytes;
  int64_t lastTime_ = 0;
  bool finished_ = false;
};

void TBlfWriter::Start(const TLogMessage* first) {
  DecideZero(first);
  const std::string header = Header();
  sink_.Put(header);
}

std::string TBlfWriter::Header() const {
  std::string h = "LOGG";
  PutLittle<uint32_t>(h, FileHeaderBytes);
  // Application id 0 (none of the registered tools); the version of the
  // format as python-can writes it.
  const uint8_t versions[8] = {0, 0, 0, 0, 2, 6, 8, 1};
  h.append(reinterpret_cast<const char*>(versions), sizeof versions);
  PutLittle<uint64_t>(h, finished_ ? sink_.Position() : 0);
  PutLittle<uint64_t>(h, finished_ ? uncompressedSize_ : 0);
  PutLittle<uint32_t>(h, uint32_t(std::min<uint64_t>(objectCount_, UINT32_MAX)));
  PutLittle<uint32_t>(h, 0);
  const int64_t start = StartEpochNs();
  const TSystemTime first = SystemTimeOfEpoch(start);
  const TSystemTime stop = SystemTimeOfEpoch(lastTime_ > INT64_MAX - start ? INT64_MAX : start + lastTime_);
  for (uint16_t f : first.Field) PutLittle(h, f);
  for (uint16_t f : stop.Field) PutLittle(h, f);
  h.resize(FileHeaderBytes, '\0');
  return h;
}

// A message's own fields, as the readers above take them.
std::string ClassicBody(const TLogMessage& m) {
  std::string b;
  PutLittle<uint16_t>(b, m.Channel);
  PutLittle<uint8_t>(b, uint8_t((m.Tx() ? MsgTx : 0) | (m.Remote() ? MsgRemote : 0)));
  PutLittle<uint8_t>(b, m.DLC);
  PutLittle<uint32_t>(b, m.ID | (m.Extended() ? IdExtended : 0));
  char data[8] = {};
  if (!m.Remote()) std::memcpy(data, m.Data, std::min<size_t>(m.Length, 8));
  b.append(data, 8);
  return b;
}

std::string ErrorBody(const TLogMessage& m) {
  std::string b;
  PutLittle<uint16_t>(b, m.Channel);
  b.append(8, '\0');  // length, flags, ECC, position
  PutLittle<uint8_t>(b, m.DLC);
  b.append(5, '\0');  // reserved, frame length
  PutLittle<uint32_t>(b, m.ID | (m.Extended() ? IdExtended : 0));
  b.append(4, '\0');  // extended flags, reserved
  char data[8] = {};
  std::memcpy(data, m.Data, std::min<size_t>(m.Length, 8));
  b.append(data, 8);
  return b;
}

// CAN_FD_MESSAGE_64, whose channel is one byte: channels beyond 255 go
// out as CAN_FD_MESSAGE (see Write).
std::string Fd64Body(const TLogMessage& m) {
  const uint8_t length = std::min<uint8_t>(m.Length, MaxLogDataBytes);
  std::string b;
  PutLittle<uint8_t>(b, uint8_t(m.Channel));
  PutLittle<uint8_t>(b, uint8_t(m.DLC & 0x0F));
  PutLittle<uint8_t>(b, length);
  PutLittle<uint8_t>(b, 0);  // transmission count
  PutLittle<uint32_t>(b, m.ID | (m.Extended() ? IdExtended : 0));
  PutLittle<uint32_t>(b, 0);  // frame length
  PutLittle<uint32_t>(b, (m.Remote() ? Fd64Remote : 0) | (m.Fd() ? Fd64Edl : 0) |
                             (m.Flags & LOG_BRS ? Fd64Brs : 0) | (m.Flags & LOG_ESI ? Fd64Esi : 0));
  b.append(18, '\0');  // bit timings, offsets, bit count
  PutLittle<uint8_t>(b, m.Tx() ? 1 : 0);
  b.append(5, '\0');  // extended data offset, CRC
  b.append(reinterpret_cast<const char*>(m.Data), length);
  return b;
}

std::string FdBody(const TLogMessage& m) {
  const uint8_t length = std::min<uint8_t>(m.Length, MaxLogDataBytes);
  std::string b;
  PutLittle<uint16_t>(b, m.Channel);
  PutLittle<uint8_t>(b, uint8_t((m.Tx() ? MsgTx : 0) | (m.Remote() ? MsgRemote : 0)));
  PutLittle<uint8_t>(b, uint8_t(m.DLC & 0x0F));
  PutLittle<uint32_t>(b, m.ID | (m.Extended() ? IdExtended : 0));
  b.append(5, '\0');  // frame length, bit count
  PutLittle<uint8_t>(b, uint8_t(FdEdl | (m.Flags & LOG_BRS ? FdBrs : 0) | (m.Flags & LOG_ESI ? FdEsi : 0)));
  PutLittle<uint8_t>(b, length);
  b.append(5, '\0');
  char data[64] = {};
  std::memcpy(data, m.Data, length);
  b.append(data, 64);
  return b;
}

void TBlfWriter::Write(const TLogMessage& m) {
  if (finished_) return;
  if (!ZeroDecided()) Start(&m);
  if (m.Event != LOG_FRAME) {
    ++report_.LeftOut[LEFT_OUT_BUS_EVENT];
    return;
  }
  const int64_t time = RelativeTime(m);
  if (time < 0) {
    ++report_.LeftOut[LEFT_OUT_TIME];  // BLF time stamps count up from the start
    return;
  }
  if (m.ErrorFrame()) {
    AddObject(OBJ_CAN_ERROR_EXT, uint64_t(time), ErrorBody(m));
  } else if (m.Fd()) {
    if (m.Channel <= 0xFF)
      AddObject(OBJ_CAN_FD_MESSAGE_64, uint64_t(time), Fd64Body(m));
    else
      AddObject(OBJ_CAN_FD_MESSAGE, uint64_t(time), FdBody(m));
  } else {
    AddObject(OBJ_CAN_MESSAGE, uint64_t(time), ClassicBody(m));
  }
  lastTime_ = std::max(lastTime_, time);
  ++report_.Written;
}

void TBlfWriter::AddObject(uint32_t type, uint64_t time, const std::string& body) {
  const uint32_t size = uint32_t(FrameHeaderV1Bytes + body.size());
  objects_.append("LOBJ");
  PutLittle<uint16_t>(objects_, FrameHeaderV1Bytes);
  PutLittle<uint16_t>(objects_, 1);  // header version
  PutLittle<uint32_t>(objects_, size);
  PutLittle<uint32_t>(objects_, type);
  PutLittle<uint32_t>(objects_, TimeOneNans);
  PutLittle<uint16_t>(objects_, 0);  // client index
  PutLittle<uint16_t>(objects_, 0);  // object version
  PutLittle<uint64_t>(objects_, time);
  objects_.append(body);
  objects_.append((4 - size % 4) % 4, '\0');
  ++objectCount_;
  if (objects_.size() >= ContainerTargetBytes) FlushContainer();
}

void TBlfWriter::FlushContainer() {
  if (objects_.empty()) return;
  uLongf packedSize = compressBound(uLong(objects_.size()));
  std::string packed(packedSize, '\0');
  uint16_t method = CompressionZlib;
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(objects_.data()),
                uLong(objects_.size()), Z_DEFAULT_COMPRESSION) == Z_OK) {
    packed.resize(packedSize);
  } else {
    packed = objects_;  // out of memory in zlib: the objects go out as they are
    method = CompressionNone;
  }
  const uint32_t size = uint32_t(ContainerDataAt + packed.size());
  std::string c = "LOBJ";
  PutLittle<uint16_t>(c, BaseHeaderBytes);
  PutLittle<uint16_t>(c, 1);
  PutLittle<uint32_t>(c, size);
  PutLittle<uint32_t>(c, OBJ_LOG_CONTAINER);
  PutLittle<uint16_t>(c, method);
  c.append(6, '\0');
  PutLittle<uint32_t>(c, uint32_t(objects_.size()));
  c.append(4, '\0');
  sink_.Put(c);
  sink_.Put(packed);
  // python-can and the libraries it follows read (size % 4) bytes of
  // padding after a container, not up to a multiple of four.
  sink_.Put(std::string(size % 4, '\0'));
  uncompressedSize_ += ContainerDataAt + objects_.size();
  objects_.clear();
}

void TBlfWriter::Finish() {
  if (finished_) return;
  if (!ZeroDecided()) Start(nullptr);
  FlushContainer();
  finished_ = true;
  const std::string header = Header();
  sink_.PutAt(0, header.data(), header.size());  // fails on standard output: the first header stays
}

}  // namespace

bool IsBlfLog(std::string_view head) { return head.size() >= 4 && head.substr(0, 4) == "LOGG"; }

std::unique_ptr<TLogReader> MakeBlfReader(std::unique_ptr<TByteSource> source) {
  return std::make_unique<TBlfReader>(std::move(source));
}

std::unique_ptr<TLogWriter> MakeBlfWriter(TByteSink& sink, const TLogWriteOptions& options) {
  return std::make_unique<TBlfWriter>(sink, options);
}

}  // namespace tarvo
